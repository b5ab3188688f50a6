#include "times/timing_controller.h"

#include "platform/c_numbers.h"
#include "platform/message_box.h"
#include "sensorlink/bus_address.h"
#include "times/address_text.h"
#include "times/timing_session.h"
#include "times/timing_settings.h"

#include <cstdio>

using timinglayout::kMaxCells;
using timinglayout::kSlots;

namespace {

constexpr int32_t kRunAttempts = 3;
// 100 / 78: the caption counts the addresses asked so far in per cent.
constexpr double kPercentPerAddress = 1.282051282051282;

}  // namespace

CTimingController::CTimingController(TimingSettings& settings, CTimingSession& session, TimingView& view)
    : settings_(settings), session_(session), view_(view) {
    cellOfSensor_.fill(-1);
    sumsOf_.fill(-1);
}

std::string CTimingController::runText(uint32_t milliseconds, double degrees) {
    char text[80];
    std::snprintf(text, sizeof text, "%03.0f/%03.0f°", static_cast<double>(milliseconds), degrees);
    return text;
}

std::string CTimingController::stopText(double meanMilliseconds, int32_t naks) {
    char text[400];  // a mean near 2^32 ms still fits
    std::snprintf(text, sizeof text, "%03.0f/%ld", meanMilliseconds, static_cast<long>(naks));
    return text;
}

std::string CTimingController::statisticsText(int32_t failed, int32_t queries, int32_t naks) {
    char text[96];
    std::snprintf(text, sizeof text, "Err:%ld Read:%ld NAK:%ld", static_cast<long>(failed), static_cast<long>(queries),
                  static_cast<long>(naks));
    return text;
}

std::string CTimingController::scanningCaption(int index) {
    char text[32];
    std::snprintf(text, sizeof text, "Scanning [%d%%]", static_cast<int>((index - 1) * kPercentPerAddress));
    return text;
}

int CTimingController::cellOfSensor(int entry) const {
    if (entry < 0 || entry >= kSlots) return -1;
    const int cell = cellOfSensor_[entry];
    return cellExists(cell) ? cell : -1;
}

int CTimingController::askedCell(int32_t entry) const {
    if (entry < 0 || entry >= settings_.addressCount || entry >= TimingSettings::kMaxAddresses) return -1;
    const int32_t address = settings_.addresses[entry];
    return address >= 0 && address <= kLastAddressIndex ? cellOfSensor(entry) : -1;
}

bool CTimingController::anySensorToAsk() const {
    for (int32_t i = 0; i < settings_.addressCount; ++i)
        if (askedCell(i) >= 0) return true;
    return false;
}

int CTimingController::nextExistingCell(int from) const {
    const int cell = from < 0 ? 0 : from;
    return cell < cellCount_ ? cell : -1;
}

void CTimingController::OnInitDialog() {
    view_.setColumnsText(std::to_string(settings_.columns));
    view_.setRowsText(std::to_string(settings_.rows));
    ApplyLayout();
}

void CTimingController::OnPortChosen(int index) {
    const int port = index + 1;
    settings_.ISPort = static_cast<int8_t>(port >= 1 && port <= 8 ? port : 2);
}

void CTimingController::OnFormatChosen(int index) { settings_.addressFormat = index >= 0 && index <= 2 ? index : 0; }

void CTimingController::ShowAddress(int cell, int entry) {
    if (!cellExists(cell) || entry < 0 || entry >= TimingSettings::kMaxAddresses) return;
    view_.setAddressText(cell, addresstext::Format(settings_.addresses[entry], settings_.addressFormat));
}

void CTimingController::readBack(bool checkAddressZero) {
    if (!dirty_) return;
    int32_t count = 0;
    cellOfSensor_.fill(-1);
    for (int cell = 0; cell < cellCount_; ++cell) {
        std::string text = view_.addressText(cell);
        if (text.size() > 254) text.resize(254);
        const std::optional<int32_t> index = addresstext::Parse(text);
        if (index) {
            settings_.addresses[count] = *index;
            cellOfSensor_[count] = cell;
            ShowAddress(cell, count);
            ++count;
        } else {
            view_.setValueText(cell, "");
            if (!text.empty()) view_.setAddressText(cell, "");
        }
    }
    settings_.addressCount = count;
    if (checkAddressZero && running_) refuseBroadcastBesideSensors();
    dirty_ = false;
}

void CTimingController::refuseBroadcastBesideSensors() {
    // Only what the run will ask counts: an entry without a cell, or one
    // that names no address, collides with nothing.
    bool broadcast = false;
    bool single = false;
    for (int32_t i = 0; i < settings_.addressCount; ++i)
        if (askedCell(i) >= 0) (settings_.addresses[i] == 0 ? broadcast : single) = true;
    if (!broadcast || !single) return;
    platform::MessageBox(view_.boxOwner(), "Address 0 must not be used with two or more sensors.",
                         "Configuration Error", platform::MsgIcon::Error, platform::MsgButtons::Ok);
    settings_.addressCount = 0;
}

void CTimingController::fillGrid() {
    int next = 0;
    const int32_t count = settings_.addressCount;
    if (count > 0) {
        for (int32_t i = 0; i < count && i < TimingSettings::kMaxAddresses; ++i) {
            const int cell = nextExistingCell(next);
            cellOfSensor_[i] = cell;
            if (cell < 0) continue;  // no cell left: the entry is not shown
            ShowAddress(cell, i);
            next = cell + 1;
        }
    } else if (scanCount_ > 0) {
        // What the last scan found, not yet taken as the configuration.
        for (int32_t i = 0; i < scanCount_ && i < TimingSettings::kMaxAddresses; ++i) {
            const int32_t entry = settings_.addresses[i];
            if (entry < 0 || entry > kLastAddressIndex) continue;
            const int cell = nextExistingCell(next);
            if (cell < 0) break;
            ShowAddress(cell, i);
            next = cell + 1;
        }
    }
    // The cells left over stay as ApplyLayout left them: empty.
}

void CTimingController::ApplyLayout() {
    ReadBackAddresses();
    // The grid cannot change under a run, whatever the boxes were given
    // before it started: "<- Apply" then only lays the addresses out again.
    const timinglayout::Grid grid =
        running_ ? timinglayout::Clamp(settings_.rows, settings_.columns)
                 : timinglayout::Clamp(platform::atolInt32(view_.rowsText().c_str()),
                                       platform::atolInt32(view_.columnsText().c_str()));
    settings_.rows = grid.rows;
    settings_.columns = grid.columns;
    view_.setRowsText(std::to_string(grid.rows));
    view_.setColumnsText(std::to_string(grid.columns));
    view_.resizeClient(
        timinglayout::ClientPixels(grid, settings_.rowdiff, settings_.columndiff, view_.initialClientSize()));

    int cell = 0;
    for (int row = 0; row < grid.rows; ++row) {
        if (row >= rowCount_) {
            view_.createRowLabels(row, timinglayout::FirstRowLabel(row, settings_.rowdiff),
                                  timinglayout::SecondRowLabel(row, settings_.rowdiff));
            rowCount_ = row + 1;
        }
        for (int column = 0; column < grid.columns && cell < kMaxCells; ++column, ++cell) {
            const QRect value = timinglayout::ValueField(row, column, settings_.rowdiff, settings_.columndiff);
            const QRect address = timinglayout::AddressField(row, column, settings_.rowdiff, settings_.columndiff);
            if (cell >= cellCount_) {
                view_.createCell(cell, value, address);
                cellCount_ = cell + 1;
            } else {
                view_.moveCell(cell, value, address);
            }
            view_.setValueText(cell, "");
            view_.setAddressText(cell, "");
        }
    }
    removeRowsAndCellsFrom(grid.rows, cell);
    fillGrid();
}

void CTimingController::showStopFigures() {
    for (int32_t i = 0; i < settings_.addressCount; ++i) {
        const int cell = askedCell(i);
        // Stopped before its first answer, or the cell's sums belong to the
        // sensor a scan took out of it: there is no mean of this one to show.
        if (cell < 0 || reads_[cell] == 0 || sumsOf_[cell] != settings_.addresses[i]) continue;
        view_.setValueText(cell, stopText(static_cast<double>(timeSum_[cell]) / reads_[cell], nakSum_[cell]));
    }
}

void CTimingController::setRunning(bool on) {
    ++runGen_;
    view_.setRunBoxesEnabled(!on);
    for (int cell = 0; cell < cellCount_; ++cell) view_.setAddressEnabled(cell, !on);
    if (on) {
        // Typed but not applied before the start, the boxes would show a
        // grid the run does not have.
        view_.setRowsText(std::to_string(settings_.rows));
        view_.setColumnsText(std::to_string(settings_.columns));
        view_.setStartCaption("Stop");
        return;
    }
    if (session_.IsOpen()) session_.CloseSession();
    if (settings_.timerId != 0) {
        view_.stopWindowTimer(settings_.timerId);
        settings_.timerId = 0;
    }
    view_.setStartCaption("Start");
}

void CTimingController::StartStop() {
    running_ = !running_;
    if (running_) {
        // The list must pass the check whether or not this start reads it
        // back: a list read back by "<- Apply" (or loaded from the file)
        // would otherwise run 177 beside single sensors, which collide. A
        // list the read back has just refused is empty and passes.
        ReadBackAddresses();
        refuseBroadcastBesideSensors();
        for (int32_t i = 0; i < settings_.addressCount; ++i) {
            const int cell = cellOfSensor(i);
            if (cell >= 0) view_.setValueText(cell, "");
        }
    }
    // With no cell to ask (rows or columns 0) a run would hold the port
    // and ask nothing.
    if (!anySensorToAsk()) running_ = false;

    if (running_) {
        for (int row = 0; row < settings_.rows && row < rowCount_; ++row)
            view_.setFirstRowLabel(row, "Time/Degrees:");
        session_.readAttemptCount = 0;
        session_.queryCount = 0;
        session_.nakCount = 0;
        session_.failedQueryCount = 0;
        reads_.fill(0);
        timeSum_.fill(0);
        nakSum_.fill(0);
        sumsOf_.fill(-1);
        if (!session_.IsOpen()) session_.OpenSession(-1);
        if (session_.IsOpen() && settings_.timerId == 0)
            settings_.timerId = view_.startWindowTimer(kTimerId, kTimerInterval);
        if (!session_.IsOpen() || settings_.timerId == 0) running_ = false;
    } else {
        for (int row = 0; row < settings_.rows && row < rowCount_; ++row)
            view_.setFirstRowLabel(row, "Time/NAKs:");
        showStopFigures();
    }
    setRunning(running_);
}

void CTimingController::endRunWithoutPort() {
    if (running_) StartStop();
}

void CTimingController::OnTimer() {
    // A tick inside a box of a scan: the scan holds the port, and the list
    // it is rewriting does not match the run's cells until it is read back.
    if (scanning_) return;
    if (settings_.timerId != 0) view_.stopWindowTimer(settings_.timerId);
    const unsigned run = runGen_;
    bool lost = false;
    for (int32_t i = 0; i < settings_.addressCount && i < TimingSettings::kMaxAddresses; ++i) {
        const int32_t entry = settings_.addresses[i];
        // An entry no cell shows (the file was written for a larger grid)
        // has nowhere to show its figures: it is not asked.
        const int cell = askedCell(i);
        if (cell < 0) continue;
        view_.setAddressHighlight(cell, true);
        view_.repaintAddress(cell);
        const double v = session_.QueryQuietly(static_cast<uint16_t>(entry), kRunAttempts);
        // A box inside the query (a partial write) runs the event loop. A
        // stop, a restart or the dialog's end in there leaves the rest of
        // this sweep to no run: asking on would count false failures on a
        // closed port, or add into the new run's figures.
        if (run != runGen_ || !running_) {
            if (cellExists(cell)) {
                view_.setAddressHighlight(cell, false);
                view_.repaintAddress(cell);
            }
            return;
        }
        // "<- Apply" in there may have removed the cell.
        if (!cellExists(cell)) continue;
        view_.setAddressHighlight(cell, false);
        view_.repaintAddress(cell);
        if (sumsOf_[cell] != entry) {
            // The cell shows another sensor than before (a scan put it
            // there): its figures start again.
            sumsOf_[cell] = entry;
            reads_[cell] = 0;
            timeSum_[cell] = 0;
            nakSum_[cell] = 0;
        }
        reads_[cell] += 1;
        timeSum_[cell] += static_cast<uint32_t>(session_.lastReadTime);
        nakSum_[cell] += session_.lastNakCount;
        if (v != -1.0) {
            view_.setValueText(cell, runText(static_cast<uint32_t>(session_.lastReadTime), v));
            view_.repaintValue(cell);
        }
        if (session_.DeviceLost()) {
            lost = true;
            break;
        }
    }
    view_.setStatisticsText(statisticsText(session_.failedQueryCount, session_.queryCount, session_.nakCount));
    if (lost) {
        // Every further sweep would fail the same way at once: end the run
        // and say why, once.
        endRunWithoutPort();
        session_.ShowDeviceLost();
        return;
    }
    if (settings_.timerId != 0) settings_.timerId = view_.startWindowTimer(kTimerId, kTimerInterval);
}

void CTimingController::ScanSensors() {
    // A box shown during the scan runs the event loop, in which "<- Scan"
    // may be pressed again: a second scan in there would close and reopen
    // the port beneath this one.
    if (scanning_) return;
    scanning_ = true;
    struct EndOfScan {
        bool& scanning;
        ~EndOfScan() { scanning = false; }
    } endOfScan{scanning_};
    // The run pauses for the scan: its timer stops, and a sweep the scan
    // interrupts (from a box's event loop) leaves the rest of its sensors.
    if (running_) {
        ++runGen_;
        if (settings_.timerId != 0) view_.stopWindowTimer(settings_.timerId);
    }

    session_.OpenForScan(0);
    if (!session_.IsOpen()) {
        // The run's port was closed for the scan and could not be opened.
        endRunWithoutPort();
        return;
    }
    for (int cell = 0; cell < cellCount_; ++cell) {
        view_.setValueText(cell, "");
        view_.repaintValue(cell);
        view_.setAddressText(cell, "");
        view_.repaintAddress(cell);
    }
    scanCount_ = 0;
    int next = 0;
    bool lost = false;
    for (int index = 1; index <= kLastAddressIndex; ++index) {
        if (session_.ProbeAddress(index)) {
            settings_.addresses[scanCount_] = index;
            const int cell = nextExistingCell(next);
            if (cell >= 0) {
                ShowAddress(cell, scanCount_);
                view_.repaintAddress(cell);
                next = cell + 1;
            }
            ++scanCount_;
        }
        view_.setScanCaption(scanningCaption(index));
        view_.repaintScanButton();
        if (session_.DeviceLost()) {
            lost = true;
            break;
        }
    }
    if (!lost && scanCount_ == 0 && session_.ProbeAddress(0)) {
        settings_.addresses[0] = 0;
        scanCount_ = 1;
    }
    lost = lost || session_.DeviceLost();
    if (lost)
        session_.CloseAfterLostScan();
    else
        session_.CloseAfterScan();
    view_.setScanCaption("<-Scan");
    view_.setSensorsText(std::to_string(scanCount_));
    dirty_ = true;

    if (running_) {
        // The run's cells become what the scan shows before anything is
        // asked or summed up again, whether the run goes on or ends here.
        ReadBackAddresses();
        if (!session_.IsOpen() || !anySensorToAsk())
            endRunWithoutPort();
        else if (settings_.timerId != 0)
            settings_.timerId = view_.startWindowTimer(kTimerId, kTimerInterval);
    }
    if (lost) session_.ShowDeviceLost();
}

void CTimingController::OnDestroy() {
    dirty_ = true;
    // Quitting during a run must not empty the saved list over a broadcast entry.
    readBack(false);
    if (session_.IsOpen()) session_.CloseSession();
    if (settings_.timerId != 0) {
        view_.stopWindowTimer(settings_.timerId);
        settings_.timerId = 0;
    }
    running_ = false;
    ++runGen_;
    removeRowsAndCellsFrom(0, 0);
}

void CTimingController::removeRowsAndCellsFrom(int row, int cell) {
    for (int r = row; r < rowCount_; ++r) view_.destroyRowLabels(r);
    if (row < rowCount_) rowCount_ = row;
    for (int c = cell; c < cellCount_; ++c) view_.destroyCell(c);
    if (cell < cellCount_) cellCount_ = cell;
}
