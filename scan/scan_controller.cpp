#include "scan/scan_controller.h"

#include "sensorlink/sensor_session.h"

#include <cstdio>

using scanlayout::kCellCount;
using scanlayout::kColumns;
using scanlayout::kRows;

namespace {

constexpr int32_t kScanAttempts = 2;

}  // namespace

CScanController::CScanController(ScanSettings& settings, CSensorSession& session, ScanView& view)
    : settings_(settings), session_(session), view_(view) {}

void CScanController::init() {
    selected_.fill(false);
    mode_ = Idle;
    scanPosition_ = 0;
}

void CScanController::recordLabelEdges(int cell, int left, int top, int right, int bottom) {
    if (cell < 0 || cell >= scanlayout::kPlaces) return;
    rowTop_[scanlayout::rowOf(cell)] = top;
    rowBottom_[scanlayout::rowOf(cell)] = bottom;
    columnLeft_[scanlayout::columnOf(cell)] = left;
    columnRight_[scanlayout::columnOf(cell)] = right;
}

bool CScanController::isSelected(int cell) const {
    return cell >= 0 && cell < kCellCount && selected_[cell];
}

std::string CScanController::formatAngle(double degrees) {
    char text[64];
    std::snprintf(text, sizeof text, " %06.2f°", degrees);
    return text;
}

std::string CScanController::labelText(int cell) {
    const int address = scanlayout::addressOf(cell);
    char text[32];
    std::snprintf(text, sizeof text, " %d / h%X", address, static_cast<unsigned>(address));
    return text;
}

std::string CScanController::scanCaption(int mode) { return mode == Scanning ? "Stop" : "Scan"; }

std::string CScanController::readCaption(int mode) { return mode == Reading ? "Stop reading" : "Start reading"; }

void CScanController::takePortSelection() {
    const int selection = view_.portSelection();
    if (selection >= 0) settings_.ISPort = static_cast<int8_t>(selection + 1);
}

void CScanController::startTickTimer() {
    settings_.timerId = view_.startWindowTimer(kTimerId, kTimerInterval);
    ++timerRun_;
}

void CScanController::stopTickTimer() {
    view_.stopWindowTimer(kTimerId);
    settings_.timerId = 0;
    ++timerRun_;
}

void CScanController::stopRun() {
    if (session_.IsOpen()) session_.CloseSession();
    if (settings_.timerId != 0) {
        stopTickTimer();
        settings_.tickGuard = 0;
    }
    mode_ = Idle;
}

int CScanController::firstMarkedCell() const {
    for (int c = 0; c < kCellCount; ++c)
        if (selected_[c]) return c;
    return -1;
}

int CScanController::placeAt(int x, int y) const {
    int row = -1;
    for (int r = 0; r < kRows && row < 0; ++r)
        if (rowTop_[r] < y && rowBottom_[r] > y) row = r;
    int column = -1;
    for (int k = 0; k < kColumns && column < 0; ++k)
        if (columnLeft_[k] < x && columnRight_[k] > x) column = k;
    return row >= 0 && column >= 0 ? row * kColumns + column : -1;
}

void CScanController::OnLButtonDown(int x, int y) {
    const int cell = placeAt(x, y);
    // Places 78 and 79 have no controls behind them.
    if (cell < 0 || cell >= kCellCount) return;
    selected_[cell] = !selected_[cell];
    if (selected_[cell]) {
        view_.setLabelShade(cell, LabelShade::Marked);
    } else {
        view_.setLabelShade(cell, LabelShade::ButtonFace);
        view_.setValueText(cell, "");
    }
}

void CScanController::OnScan() {
    if (mode_ == Idle) {
        takePortSelection();
        if (!session_.IsOpen()) session_.OpenSession(-1);
        if (session_.IsOpen() && settings_.timerId == 0) startTickTimer();
        if (settings_.timerId != 0) settings_.tickGuard = 1;
        if (session_.IsOpen() && settings_.timerId != 0) {
            scanPosition_ = 0;
            mode_ = Scanning;
        }
    } else if (mode_ == Scanning) {
        stopRun();
    } else {
        return;
    }
    view_.setScanCaption(scanCaption(mode_));
}

void CScanController::OnStartReading() {
    if (mode_ == Idle) {
        takePortSelection();
        if (!session_.IsOpen()) {
            const int first = firstMarkedCell();
            if (first < 0) return;
            settings_.ISAddress = static_cast<int8_t>(first + 1);
            session_.OpenSession(0);
        }
        if (session_.IsOpen()) {
            if (settings_.timerId == 0) startTickTimer();
            settings_.tickGuard = 1;
            for (int c = 0; c < kCellCount; ++c) view_.setValueText(c, "");
            mode_ = Reading;
        }
    } else if (mode_ == Reading) {
        stopRun();
    } else {
        return;
    }
    view_.setReadCaption(readCaption(mode_));
}

void CScanController::OnTimer() {
    // A tick that arrives inside a message box of a running tick.
    if (settings_.tickGuard >= 2) return;
    ++settings_.tickGuard;
    if (mode_ == Scanning) {
        scanTick();
        return;
    }
    if (mode_ == Reading) {
        readTick();
        return;
    }
    --settings_.tickGuard;
}

void CScanController::scanTick() {
    const unsigned run = timerRun_;
    const int c = scanPosition_;
    if (c < 0 || c >= kCellCount) {  // cannot happen while the position only counts up to 77
        OnScan();
        return;
    }
    view_.setLabelShade(c, LabelShade::Scanning);
    view_.repaintLabel(c);
    // A silent address is no error while scanning: no box.
    const double v = session_.QueryQuietly(static_cast<uint16_t>(c + 1), kScanAttempts);
    if (v != -1.0) {
        selected_[c] = true;
        view_.setValueText(c, formatAngle(v));
        view_.setLabelShade(c, LabelShade::Marked);
    } else {
        selected_[c] = false;
        view_.setValueText(c, "");
        view_.setLabelShade(c, LabelShade::ButtonFace);
    }

    // Stopped (or closed) beneath this tick: the stop has already reset the guard.
    if (run != timerRun_ || mode_ != Scanning) return;
    if (session_.DeviceLost()) {
        // Every address after this one would look empty: end the scan here,
        // as "Stop" would, and say why, once.
        OnScan();
        session_.ShowDeviceLost();
        return;
    }
    scanPosition_ += 1;
    if (scanPosition_ > kCellCount - 1) {
        OnScan();  // in scanning mode: closes the session, stops the timer, back to idle
        return;
    }
    --settings_.tickGuard;
}

void CScanController::readTick() {
    const unsigned run = timerRun_;
    for (int c = 0; c < kCellCount; ++c) {
        if (!selected_[c]) continue;
        const double v = session_.GetKV275degrees(static_cast<uint16_t>(c + 1));
        // The failure box runs a nested event loop: when the user stopped or
        // closed in there, stopping again would start reading anew.
        if (run != timerRun_ || mode_ != Reading) return;
        if (v == -1.0) {
            OnStartReading();  // in reading mode: closes the session, stops the timer, back to idle
            return;
        }
        view_.setValueText(c, formatAngle(v));
        view_.repaintValueBox(c);
    }
    --settings_.tickGuard;
}

void CScanController::OnClose() {
    takePortSelection();
    view_.destroyCells();
    if (session_.IsOpen()) session_.CloseSession();
    if (settings_.timerId != 0) stopTickTimer();
}
