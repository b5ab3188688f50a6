#pragma once
// The timing dialog's logic: the grid of sensor cells and its addresses, the
// timing run that asks every configured sensor over and over, and the bus
// scan that fills the grid. It talks to its window only through TimingView.

#include "times/timing_layout.h"
#include "times/timing_view.h"

#include <array>
#include <cstdint>
#include <string>

class CTimingSession;
struct TimingSettings;

class CTimingController {
public:
    static constexpr int kTimerId = 101;
    static constexpr int kTimerInterval = 10;  // ms

    CTimingController(TimingSettings& settings, CTimingSession& session, TimingView& view);
    CTimingController(const CTimingController&) = delete;
    CTimingController& operator=(const CTimingController&) = delete;

    // The dialog is up: fill the boxes first (the view does), then lay the grid out.
    void OnInitDialog();
    void ApplyLayout();
    void StartStop();
    void OnTimer();
    void ScanSensors();
    // The user chose an item of the port box or of the format box.
    void OnPortChosen(int index);
    void OnFormatChosen(int index);
    // Any key pressed or released anywhere in the dialog.
    void OnKey() { dirty_ = true; }
    // The dialog ends, whichever way: the grid is read back for saving, the
    // port closed, the grid's controls removed.
    void OnDestroy();

    // Shows entry i of the address list in a cell's address field.
    void ShowAddress(int cell, int entry);
    // Takes the addresses the cells show as the configuration (when dirty).
    void ReadBackAddresses() { readBack(true); }

    bool running() const { return running_; }
    bool dirty() const { return dirty_; }
    int32_t scanCount() const { return scanCount_; }
    bool cellExists(int cell) const { return cell >= 0 && cell < cellCount_; }
    // The cell that shows entry i of the address list, -1 when none does.
    int cellOfSensor(int entry) const;
    uint32_t timeSum(int cell) const { return cellExists(cell) ? timeSum_[cell] : 0; }
    int32_t nakSum(int cell) const { return cellExists(cell) ? nakSum_[cell] : 0; }

    // "%03.0f/%03.0f°" while running, "%03.0f/%ld" at the stop, and the
    // statistics line.
    static std::string runText(uint32_t milliseconds, double degrees);
    static std::string stopText(double meanMilliseconds, int32_t naks);
    static std::string statisticsText(int32_t failed, int32_t queries, int32_t naks);
    static std::string scanningCaption(int index);

private:
    void readBack(bool checkAddressZero);
    // Address 0 reaches every sensor at once: beside single sensors it makes
    // them all answer together. Shows why and empties the list's count.
    void refuseBroadcastBesideSensors();
    void fillGrid();
    void setRunning(bool on);
    void showStopFigures();
    // The run's port is gone (a scan could not reopen it, or the adapter went
    // away): the run ends as "Stop" ends it.
    void endRunWithoutPort();
    // The cell in which a run asks entry i of the address list: -1 when
    // the entry names no sensor or no cell shows it.
    int askedCell(int32_t entry) const;
    bool anySensorToAsk() const;
    int nextExistingCell(int from) const;
    // Removes the row labels from `row` on and the cells from `cell` on.
    void removeRowsAndCellsFrom(int row, int cell);

    TimingSettings& settings_;
    CTimingSession& session_;
    TimingView& view_;

    int32_t scanCount_ = 0;
    bool running_ = false;
    bool dirty_ = false;
    // A box inside a query runs the event loop, in which the user may press
    // "<- Scan" again, stop or restart the run, or close the dialog. A scan
    // is not started inside itself; a sweep compares runGen_ after
    // each query and leaves a run that is no longer its own.
    bool scanning_ = false;
    unsigned runGen_ = 0;  // goes up at every start, stop and end of a run
    // The grid's row labels and cells always run unbroken from 0.
    int rowCount_ = 0;
    int cellCount_ = 0;
    std::array<int32_t, timinglayout::kSlots> cellOfSensor_{};
    std::array<int32_t, timinglayout::kSlots> reads_{};
    std::array<uint32_t, timinglayout::kSlots> timeSum_{};
    std::array<int32_t, timinglayout::kSlots> nakSum_{};
    // The address each cell's sums were taken from, -1 before its first.
    std::array<int32_t, timinglayout::kSlots> sumsOf_{};
};
