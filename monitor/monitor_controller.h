#pragma once
// The monitor's logic: the port and the sensors, polling them one after the
// other on every timer tick, the readings kept for the plot and the table,
// recording them to a CSV and opening one again. It talks to its window only
// through MonitorView.

#include "sensorlink/csv_log.h"
#include "monitor/monitor_settings.h"
#include "monitor/monitor_view.h"
#include "monitor/reading_store.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

class CSensorSession;

class CMonitorController {
public:
    static constexpr int kTimerId = 101;
    static constexpr int kTimerInterval = 10;  // ms
    // As the scanner reads: three reads a query.
    static constexpr int32_t kQueryAttempts = 3;

    using WallClock = std::function<readinglog::WallTime()>;

    // The session's line settings are the scanner's; its port is set from
    // the settings at every start.
    CMonitorController(monitor::MonitorSettings& settings, CSensorSession& session, MonitorView& view,
                       WallClock wallClock = [] { return std::chrono::system_clock::now(); });
    ~CMonitorController();
    CMonitorController(const CMonitorController&) = delete;
    CMonitorController& operator=(const CMonitorController&) = delete;

    void OnInitDialog();
    void OnPortChosen(int index);

    // Addresses as typed, blank or comma separated, decimal or hex (0xB2,
    // hB2), 178 to 255. False, after a box naming the first that is not one,
    // when any is refused; none is added then.
    bool AddSensors(const std::string& typed);
    void RemoveSensor(int address);
    // "Scan": kv275's fast scan of the bus; every sensor it confirms is
    // added. Refused while polling.
    void ScanBus();

    // "Start" / "Stop".
    void StartStop();
    void OnTimer();

    // "Record..." with the file chosen, and "Stop recording".
    bool StartRecording(const std::string& path);
    void StopRecording();
    // Shows a file's readings instead of the bus's; refused while polling.
    bool OpenCsv(const std::string& path);

    void SetWindow(int seconds);
    void SetRelative(bool relative);
    void SetPaused(bool paused);

    // The dialog ends, however: polling stops, the recording is closed, the
    // settings record holds what the window shows.
    void OnClose();

    bool polling() const { return polling_; }
    bool recording() const { return csv_ != nullptr; }
    const std::vector<int>& sensors() const { return settings_.sensors; }
    const monitor::ReadingStore& store() const { return store_; }
    const monitor::MonitorSettings& settings() const { return settings_; }
    // The angle a sensor's line is drawn from: 0, or its first reading in
    // the relative view.
    double zeroOf(int address) const;

private:
    void startPolling();
    void stopPolling();
    void pollOne();
    // Writes the sweep's rows; a file that fails ends the recording with a box.
    void flushRecording();
    void showSource();
    void setPollingControls();
    void box(const std::string& text, const char* title, bool error = true);

    monitor::MonitorSettings& settings_;
    CSensorSession& session_;
    MonitorView& view_;
    WallClock wallClock_;

    monitor::ReadingStore store_;
    bool polling_ = false;
    bool ticking_ = false;  // a tick is under way (a box inside it runs the event loop)
    unsigned run_ = 0;      // goes up at every start and stop
    size_t next_ = 0;       // the sensor asked next, as a position in the list
    std::set<int> startsSegment_;
    uint32_t anchorTick_ = 0;
    readinglog::WallTime anchorWall_;
    std::string source_;  // the file shown, empty for the bus

    std::unique_ptr<readinglog::CsvLog> csv_;
    std::string csvPath_;
    std::vector<readinglog::Reading> sweep_;
};
