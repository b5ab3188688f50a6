#pragma once
// A window stand-in for the timing dialog's logic: keeps what the logic shows
// and logs the calls that matter for order into a shared log (the fake line's,
// so that highlights, repaints and line traffic can be checked in sequence).
// Calls for controls that were never created (or were removed) throw.

#include "times/timing_layout.h"
#include "times/timing_view.h"

#include <array>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

class FakeTimingView : public TimingView {
public:
    explicit FakeTimingView(std::vector<std::string>& log) : log_(log) {}

    struct Cell {
        QRect value;
        QRect address;
        std::string valueText;
        std::string addressText;
        bool highlighted = false;
        bool enabled = true;
    };
    std::map<int, Cell> cells;
    std::map<int, std::string> firstLabels;  // row -> text
    std::map<int, QRect> labelRects;         // row -> first label's rectangle
    std::string rows = "0";
    std::string columns = "0";
    bool runBoxesEnabled = true;
    std::string sensors;
    std::string statistics;
    std::string startCaption = "Start";
    std::string scanCaption = "<- Scan";
    std::vector<std::string> scanCaptions;  // every caption the scan button showed
    QSize client = timinglayout::TemplateClientPixels();
    int timerId = 0;     // the running timer, 0 when none
    int timerStarts = 0;
    bool timerFails = false;

    void createRowLabels(int row, const QRect& first, const QRect&) override {
        if (labelRects.count(row)) throw std::logic_error("row labels exist: " + std::to_string(row));
        labelRects[row] = first;
        firstLabels[row] = "Time/Degrees:";
    }
    void destroyRowLabels(int row) override {
        if (!labelRects.erase(row)) throw std::logic_error("no row labels: " + std::to_string(row));
        firstLabels.erase(row);
    }
    void setFirstRowLabel(int row, const std::string& text) override {
        if (!labelRects.count(row)) throw std::logic_error("no row labels: " + std::to_string(row));
        firstLabels[row] = text;
    }
    void createCell(int cell, const QRect& value, const QRect& address) override {
        if (cell < 0 || cell >= timinglayout::kMaxCells || cells.count(cell))
            throw std::logic_error("bad new cell " + std::to_string(cell));
        cells[cell] = Cell{value, address, "", "", false, true};
    }
    void moveCell(int cell, const QRect& value, const QRect& address) override {
        at(cell).value = value;
        at(cell).address = address;
    }
    void destroyCell(int cell) override {
        if (!cells.erase(cell)) throw std::logic_error("no cell " + std::to_string(cell));
    }
    void setValueText(int cell, const std::string& text) override { at(cell).valueText = text; }
    void setAddressText(int cell, const std::string& text) override { at(cell).addressText = text; }
    std::string addressText(int cell) const override { return cells.at(cell).addressText; }
    void setAddressHighlight(int cell, bool on) override {
        at(cell).highlighted = on;
        log_.push_back("view highlight " + std::to_string(cell) + (on ? " on" : " off"));
    }
    void setAddressEnabled(int cell, bool enabled) override { at(cell).enabled = enabled; }
    void repaintValue(int cell) override {
        at(cell);
        log_.push_back("view repaint value " + std::to_string(cell) + " '" + cells[cell].valueText + "'");
    }
    void repaintAddress(int cell) override {
        at(cell);
        log_.push_back("view repaint address " + std::to_string(cell));
    }
    std::string rowsText() const override { return rows; }
    std::string columnsText() const override { return columns; }
    void setRowsText(const std::string& text) override { rows = text; }
    void setColumnsText(const std::string& text) override { columns = text; }
    void setRunBoxesEnabled(bool enabled) override { runBoxesEnabled = enabled; }
    void setSensorsText(const std::string& text) override { sensors = text; }
    void setStatisticsText(const std::string& text) override { statistics = text; }
    void setStartCaption(const std::string& text) override { startCaption = text; }
    void setScanCaption(const std::string& text) override {
        scanCaption = text;
        scanCaptions.push_back(text);
    }
    void repaintScanButton() override { log_.push_back("view repaint scan '" + scanCaption + "'"); }
    QSize initialClientSize() const override { return timinglayout::TemplateClientPixels(); }
    void resizeClient(const QSize& size) override { client = size; }
    int startWindowTimer(int id, int intervalMs) override {
        log_.push_back("view start timer " + std::to_string(id) + " " + std::to_string(intervalMs));
        if (timerFails) return 0;
        ++timerStarts;
        timerId = id;
        return id;
    }
    void stopWindowTimer(int id) override {
        log_.push_back("view stop timer " + std::to_string(id));
        if (id == timerId) timerId = 0;
    }
    QWidget* boxOwner() override { return owner; }
    QWidget* owner = reinterpret_cast<QWidget*>(0x1);  // only compared, never used

    // Texts of the cells 0..n-1, for compact assertions ("" for a missing cell).
    std::vector<std::string> addressTexts(int n) const {
        std::vector<std::string> out;
        for (int c = 0; c < n; ++c) out.push_back(cells.count(c) ? cells.at(c).addressText : "<none>");
        return out;
    }
    std::vector<std::string> valueTexts(int n) const {
        std::vector<std::string> out;
        for (int c = 0; c < n; ++c) out.push_back(cells.count(c) ? cells.at(c).valueText : "<none>");
        return out;
    }

private:
    Cell& at(int cell) {
        auto it = cells.find(cell);
        if (it == cells.end()) throw std::logic_error("no cell " + std::to_string(cell));
        return it->second;
    }
    std::vector<std::string>& log_;
};
