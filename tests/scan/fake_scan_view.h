#pragma once
// A window stand-in for the scanner's controller: keeps what the controller
// shows and logs each call into a shared log (the fake line's, so that view
// calls and line traffic can be checked in their order).

#include "scan/scan_layout.h"
#include "scan/scan_view.h"

#include <array>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

class FakeScanView : public ScanView {
public:
    explicit FakeScanView(std::vector<std::string>& log) : log_(log) { shades.fill(LabelShade::ButtonFace); }

    std::array<std::string, scanlayout::kCellCount> values;
    std::array<LabelShade, scanlayout::kCellCount> shades;
    std::string scanCaption = "Scan";
    std::string readCaption = "Start reading";
    int selection = 0;  // "COM 1"
    bool timerRunning = false;
    int timerStarts = 0;
    bool cellsDestroyed = false;
    int calls = 0;  // every call that changes something visible

    void setValueText(int cell, const std::string& text) override {
        check(cell);
        ++calls;
        values.at(cell) = text;
        log_.push_back("view value " + std::to_string(cell) + " '" + text + "'");
    }
    void setLabelShade(int cell, LabelShade shade) override {
        check(cell);
        ++calls;
        shades.at(cell) = shade;
        log_.push_back("view shade " + std::to_string(cell) + " " + name(shade));
    }
    void repaintLabel(int cell) override {
        check(cell);
        log_.push_back("view repaint label " + std::to_string(cell));
    }
    void repaintValueBox(int cell) override {
        check(cell);
        log_.push_back("view repaint value " + std::to_string(cell));
    }
    void destroyCells() override {
        cellsDestroyed = true;
        log_.push_back("view destroy cells");
    }
    void setScanCaption(const std::string& text) override {
        ++calls;
        scanCaption = text;
    }
    void setReadCaption(const std::string& text) override {
        ++calls;
        readCaption = text;
    }
    int portSelection() const override { return selection; }
    int startWindowTimer(int id, int intervalMs) override {
        timerRunning = true;
        ++timerStarts;
        log_.push_back("view start timer " + std::to_string(id) + " " + std::to_string(intervalMs));
        return id;
    }
    void stopWindowTimer(int id) override {
        timerRunning = false;
        log_.push_back("view stop timer " + std::to_string(id));
    }

    static std::string name(LabelShade shade) {
        switch (shade) {
        case LabelShade::ButtonFace: return "face";
        case LabelShade::Marked: return "marked";
        case LabelShade::Scanning: return "scanning";
        }
        return "?";
    }

private:
    // The controller must only ever name real cells; a wrong index fails the test.
    static void check(int cell) {
        if (cell < 0 || cell >= scanlayout::kCellCount) throw std::out_of_range("cell " + std::to_string(cell));
    }
    std::vector<std::string>& log_;
};
