#include "monitor/monitor_controller.h"

#include "sensorlink/csv_read.h"
#include "platform/message_box.h"
#include "platform/tick_counter.h"
#include "sensorlink/bus_address.h"
#include "sensorlink/fast_scan.h"
#include "sensorlink/sensor_session.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>

namespace {

const char* const kTitle = "KV275 Monitor";
const char* const kFileTitle = "File Error";

// A replayed sensor whose next row comes this many times its last interval
// later (and at least this many seconds) was not polled in between: its line
// breaks there rather than bridge the time nobody asked it.
constexpr double kReplayGapFactor = 10.0;
constexpr double kReplayMinGapSeconds = 2.0;

double secondsOf(readinglog::WallTime time) {
    return std::chrono::duration<double>(time.time_since_epoch()).count();
}

monitor::Sample sampleOf(const readinglog::Reading& r, bool startsSegment) {
    monitor::Sample s;
    s.time = secondsOf(r.time);
    s.angle = r.angle ? static_cast<float>(*r.angle) : std::numeric_limits<float>::quiet_NaN();
    s.answerMs = static_cast<uint16_t>(std::clamp<int32_t>(r.answerMs, 0, UINT16_MAX));
    s.badReplies = static_cast<uint8_t>(std::clamp<int32_t>(r.badReplies, 0, UINT8_MAX));
    s.startsSegment = startsSegment;
    return s;
}

std::string baseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> typedItems(const std::string& text) {
    std::vector<std::string> items(1);
    for (char c : text) {
        if (c == ' ' || c == ',' || c == '\t' || c == ';') {
            if (!items.back().empty()) items.emplace_back();
        } else {
            items.back() += c;
        }
    }
    if (items.back().empty()) items.pop_back();
    return items;
}

}  // namespace

CMonitorController::CMonitorController(monitor::MonitorSettings& settings, CSensorSession& session,
                                       MonitorView& view, WallClock wallClock)
    : settings_(settings), session_(session), view_(view), wallClock_(std::move(wallClock)) {
    // The scanner's line settings; the session reports nothing itself while
    // polling: a silent sensor is a gap in its line, not a box.
    session_.settings().comParameters = ComParameters{};
    store_.setWindow(settings_.windowSeconds);
}

CMonitorController::~CMonitorController() {
    if (polling_) stopPolling();
}

void CMonitorController::OnInitDialog() {
    view_.selectPort(settings_.port - 1);
    view_.showSensors(settings_.sensors);
    setPollingControls();
    view_.setRecordCaption("Record...");
    showSource();
}

void CMonitorController::OnPortChosen(int index) {
    if (!polling_ && index >= 0 && index <= 3) settings_.port = index + 1;
}

bool CMonitorController::AddSensors(const std::string& typed) {
    if (polling_) return false;
    std::vector<int> added;
    for (const std::string& item : typedItems(typed)) {
        const std::optional<long> a = TypedAddressNumber(item);
        if (!a) {
            box("\"" + item + "\" is not a bus address (178 to 255, or hex as 0xB2 or hB2).", kTitle);
            return false;
        }
        if (*a == kBroadcastAddress) {
            box("177 reaches every sensor at once: their answers would collide. Add the sensors one by one.", kTitle);
            return false;
        }
        if (*a < kBroadcastAddress + 1 || *a > kLastAddress) {
            box("Address " + item + " is outside 178 to 255.", kTitle);
            return false;
        }
        added.push_back(static_cast<int>(*a));
    }
    bool changed = false;
    for (int a : added) {
        if (std::find(settings_.sensors.begin(), settings_.sensors.end(), a) != settings_.sensors.end()) continue;
        settings_.sensors.push_back(a);
        changed = true;
    }
    if (changed) {
        view_.showSensors(settings_.sensors);
        showSource();
    }
    return true;
}

void CMonitorController::RemoveSensor(int address) {
    if (polling_) return;
    const auto it = std::find(settings_.sensors.begin(), settings_.sensors.end(), address);
    if (it == settings_.sensors.end()) return;
    settings_.sensors.erase(it);
    store_.remove(address);
    view_.showSensors(settings_.sensors);
    view_.readingsChanged();
    showSource();
}

void CMonitorController::ScanBus() {
    if (polling_) return;
    const int selection = view_.portSelection();
    if (selection >= 0 && selection <= 3) settings_.port = selection + 1;
    SessionSettings& line = session_.settings();
    line.ISPort = static_cast<int8_t>(settings_.port);
    const uint32_t baud = line.comParameters.BaudRate;
    const uint32_t limit = fastscan::DefaultReadLimitMs(baud);
    line.comParameters = fastscan::QuickLine(baud, limit);
    const bool opened = session_.IsOpen() || session_.OpenSession(-1);
    fastscan::Result r;
    if (opened) {
        fastscan::Hooks hooks;
        hooks.progress = [this](int address, size_t) {
            const int percent = (address - kBroadcastAddress - 1) * 100 / kLastAddressIndex;
            view_.setScanCaption("Scanning [" + std::to_string(percent) + "%]");
            view_.repaintScanButton();
        };
        r = fastscan::Run(session_, baud, limit, hooks);
        session_.CloseSession();
    }
    // Polling asks with the scanner's line settings again.
    line.comParameters = ComParameters{};
    view_.setScanCaption("Scan");
    if (!opened) return;
    if (r.lost) {
        session_.ShowDeviceLost();
    } else if (r.sensors.empty() && !r.lineRefused) {
        box("No sensor answered on COM" + std::to_string(settings_.port) + ".", kTitle, false);
    }
    std::string found;
    for (const fastscan::Sensor& s : r.sensors) found += std::to_string(s.address) + " ";
    if (!found.empty()) AddSensors(found);
    if (!r.unconfirmed.empty()) {
        std::string text;
        for (int a : r.unconfirmed) text += (text.empty() ? "" : ", ") + std::to_string(a);
        box(text + " answered once but not when asked again (a sensor answering very late, or a noisy line); "
                   "add it by hand if it is there.",
            kTitle, false);
    }
}

void CMonitorController::StartStop() {
    if (polling_) stopPolling();
    else startPolling();
}

void CMonitorController::startPolling() {
    if (settings_.sensors.empty()) {
        box("No sensors to poll: type their addresses and press \"Add\", or \"Scan\" the bus.", kTitle, false);
        return;
    }
    const int selection = view_.portSelection();
    if (selection >= 0 && selection <= 3) settings_.port = selection + 1;
    session_.settings().ISPort = static_cast<int8_t>(settings_.port);
    // Whatever fails here has been said in the session's boxes.
    if (!session_.IsOpen() && !session_.OpenSession(-1)) return;

    if (!source_.empty()) {
        // A file was shown: the bus's readings start a view of their own.
        store_.clear();
        source_.clear();
    }
    anchorTick_ = platform::GetTickCount();
    anchorWall_ = wallClock_();
    startsSegment_ = std::set<int>(settings_.sensors.begin(), settings_.sensors.end());
    next_ = 0;
    sweep_.clear();
    polling_ = true;
    ++run_;
    view_.startWindowTimer(kTimerId, kTimerInterval);
    setPollingControls();
    showSource();
}

void CMonitorController::stopPolling() {
    view_.stopWindowTimer(kTimerId);
    polling_ = false;
    ++run_;
    flushRecording();
    if (session_.IsOpen()) session_.CloseSession();
    setPollingControls();
    showSource();
}

void CMonitorController::OnTimer() {
    // A tick that comes inside a box of a running one.
    if (ticking_ || !polling_) return;
    ticking_ = true;
    pollOne();
    ticking_ = false;
}

void CMonitorController::pollOne() {
    if (settings_.sensors.empty()) return;
    if (next_ >= settings_.sensors.size()) next_ = 0;
    const int address = settings_.sensors[next_];
    const double angle = session_.QueryQuietly(static_cast<uint16_t>(address - kBroadcastAddress), kQueryAttempts);
    if (session_.DeviceLost()) {
        // The query broke off with the adapter: the sensor is not to blame,
        // and nothing is recorded for it. Polling ends as "Stop" ends it,
        // and the box says why, once.
        const unsigned run = run_;
        stopPolling();
        if (run + 1 == run_) session_.ShowDeviceLost();
        return;
    }
    readinglog::Reading r;
    r.time = anchorWall_ + std::chrono::milliseconds(platform::GetTickCount() - anchorTick_);
    r.address = address;
    if (angle != -1.0) r.angle = angle;
    r.answerMs = session_.lastReadTime;
    r.badReplies = session_.lastNakCount;
    const bool starts = startsSegment_.erase(address) > 0;
    store_.add(address, sampleOf(r, starts));
    if (csv_) sweep_.push_back(r);
    if (++next_ >= settings_.sensors.size()) {
        next_ = 0;
        flushRecording();
    }
    view_.readingsChanged();
    showSource();
}

bool CMonitorController::StartRecording(const std::string& path) {
    StopRecording();
    auto csv = std::make_unique<readinglog::CsvLog>();
    std::string error;
    if (!csv->Open(path, error)) {
        box("Cannot record: " + error, kFileTitle);
        return false;
    }
    csv_ = std::move(csv);
    csvPath_ = path;
    sweep_.clear();
    view_.setRecordCaption("Stop recording");
    showSource();
    return true;
}

void CMonitorController::StopRecording() {
    if (!csv_) return;
    flushRecording();
    csv_.reset();
    view_.setRecordCaption("Record...");
    showSource();
}

void CMonitorController::flushRecording() {
    if (!csv_ || sweep_.empty()) return;
    std::string error;
    const bool written = csv_->Append(sweep_, error);
    sweep_.clear();
    if (written) return;
    csv_.reset();
    view_.setRecordCaption("Record...");
    showSource();
    box("Recording stopped: " + error, kFileTitle);
}

bool CMonitorController::OpenCsv(const std::string& path) {
    if (polling_) return false;
    struct stat st {};
    // Only a file: a device or a pipe could keep the reading waiting.
    if (::stat(path.c_str(), &st) != 0) {
        box(baseName(path) + ": " + std::strerror(errno), kFileTitle);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        box(baseName(path) + " is not a file.", kFileTitle);
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        box(baseName(path) + ": " + std::strerror(errno), kFileTitle);
        return false;
    }
    monitor::ReadingStore loaded;
    loaded.setWindow(settings_.windowSeconds);
    std::vector<int> order;
    struct Seen {
        double time = 0;
        double interval = 0;
    };
    std::map<int, Seen> seen;
    std::string error;
    const bool ok = readinglog::ReadCsv(
        in,
        [&](const readinglog::Reading& r) {
            const double t = secondsOf(r.time);
            auto it = seen.find(r.address);
            bool starts = false;
            if (it == seen.end()) {
                order.push_back(r.address);
                it = seen.emplace(r.address, Seen{t, 0}).first;
            } else {
                const double gap = t - it->second.time;
                starts = it->second.interval > 0 && gap > kReplayMinGapSeconds &&
                         gap > kReplayGapFactor * it->second.interval;
                it->second.interval = gap;
                it->second.time = t;
            }
            loaded.add(r.address, sampleOf(r, starts));
        },
        error);
    if (!ok) {
        box(baseName(path) + ", " + error, kFileTitle);
        return false;
    }
    if (order.empty()) {
        box(baseName(path) + " holds no readings, only the header.", kFileTitle, false);
        return false;
    }
    store_ = std::move(loaded);
    settings_.sensors = order;
    source_ = baseName(path);
    view_.showSensors(settings_.sensors);
    view_.readingsChanged();
    showSource();
    return true;
}

void CMonitorController::SetWindow(int seconds) {
    settings_.windowSeconds = seconds;
    store_.setWindow(seconds);
    view_.readingsChanged();
}

void CMonitorController::SetRelative(bool relative) {
    settings_.relative = relative;
    view_.readingsChanged();
}

void CMonitorController::SetPaused(bool paused) {
    store_.setPaused(paused);
    view_.readingsChanged();
}

double CMonitorController::zeroOf(int address) const {
    if (!settings_.relative) return 0.0;
    const monitor::SensorHistory* h = store_.find(address);
    return h && h->firstAngle() ? *h->firstAngle() : 0.0;
}

void CMonitorController::OnClose() {
    if (polling_) stopPolling();
    StopRecording();
    const int selection = view_.portSelection();
    if (selection >= 0 && selection <= 3) settings_.port = selection + 1;
}

void CMonitorController::setPollingControls() {
    view_.setStartCaption(polling_ ? "Stop" : "Start");
    view_.setIdleControlsEnabled(!polling_);
}

void CMonitorController::showSource() {
    std::string text = source_.empty() ? "COM" + std::to_string(settings_.port) : source_;
    const size_t n = settings_.sensors.size();
    text += ": " + std::to_string(n) + (n == 1 ? " sensor, " : " sensors, ") + std::to_string(store_.readingCount()) +
            " readings";
    if (polling_) text += ", polling";
    if (csv_) text += ", recording to " + baseName(csvPath_);
    view_.setSourceText(text);
}

void CMonitorController::box(const std::string& text, const char* title, bool error) {
    const platform::MsgIcon icon = error ? platform::MsgIcon::Error : platform::MsgIcon::Information;
    platform::MessageBox(view_.boxOwner(), text, title, icon, platform::MsgButtons::Ok);
}
