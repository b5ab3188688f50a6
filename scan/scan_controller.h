#pragma once
// The scanner's logic: which cells are marked, scanning the bus address by
// address, reading the marked sensors on every timer tick, and the clicks on
// the grid. It talks to its window only through ScanView.

#include "scan/scan_layout.h"
#include "scan/scan_settings.h"
#include "scan/scan_view.h"

#include <array>
#include <string>

class CSensorSession;

class CScanController {
public:
    enum Mode { Idle = 0, Scanning = 1, Reading = 2 };
    static constexpr int kTimerId = 101;
    static constexpr int kTimerInterval = 10;  // ms

    CScanController(ScanSettings& settings, CSensorSession& session, ScanView& view);
    CScanController(const CScanController&) = delete;
    CScanController& operator=(const CScanController&) = delete;

    // Clears the marks and returns to idle, as the dialog's initialisation does.
    void init();
    // The edges of a cell's address label in client pixels (right and bottom
    // exclusive); clicks are found against them.
    void recordLabelEdges(int cell, int left, int top, int right, int bottom);

    void OnScan();
    void OnStartReading();
    void OnTimer();
    void OnLButtonDown(int x, int y);
    void OnClose();

    int mode() const { return mode_; }
    int scanPosition() const { return scanPosition_; }
    bool isSelected(int cell) const;
    // The place (0 to 79) whose label strictly contains the point, or -1.
    int placeAt(int x, int y) const;

    // " %06.2f°": a blank, the angle zero-padded to six characters, the degree sign.
    static std::string formatAngle(double degrees);
    // " %d / h%X" of the cell's bus address.
    static std::string labelText(int cell);
    static std::string scanCaption(int mode);
    static std::string readCaption(int mode);

private:
    void takePortSelection();
    void startTickTimer();
    void stopTickTimer();
    // Ends a scan or a reading run: closes the session, stops the timer, idle.
    void stopRun();
    int firstMarkedCell() const;
    void scanTick();
    void readTick();

    ScanSettings& settings_;
    CSensorSession& session_;
    ScanView& view_;

    std::array<bool, scanlayout::kPlaces> selected_{};
    int mode_ = Idle;
    int scanPosition_ = 0;
    std::array<int, scanlayout::kRows> rowTop_{};
    std::array<int, scanlayout::kRows> rowBottom_{};
    std::array<int, scanlayout::kColumns> columnLeft_{};
    std::array<int, scanlayout::kColumns> columnRight_{};
    // Counts every start and stop of the timer. A tick compares it after each
    // query: a box inside the query runs a nested event loop, and when the
    // user stops (or restarts, or closes) in there, the tick must not carry on
    // with a run that is no longer its own.
    unsigned timerRun_ = 0;
};
