#pragma once
// The readings of every sensor shown, one history each, and the time span
// the plot and the statistics look at: the chosen window back from the
// newest reading, or from the moment the view was paused.

#include "monitor/sensor_history.h"
#include "monitor/window_statistics.h"

#include <map>
#include <optional>
#include <vector>

namespace monitor {

struct Span {
    double from = 0;
    double to = 0;
};

class ReadingStore {
public:
    void clear();
    SensorHistory& history(int address) { return histories_[address]; }
    const SensorHistory* find(int address) const;
    void remove(int address);
    void add(int address, const Sample& sample);

    // 0: everything.
    void setWindow(int seconds) { windowSeconds_ = seconds; }
    int window() const { return windowSeconds_; }
    // Freezes the span at the newest reading so far; recording goes on.
    void setPaused(bool paused);
    bool paused() const { return pausedAt_.has_value(); }

    // Nothing before the first reading.
    std::optional<Span> span() const;
    WindowStatistics statistics(int address) const;

    uint64_t readingCount() const { return readings_; }
    std::optional<double> firstTime() const;
    std::optional<double> lastTime() const;

private:
    std::map<int, SensorHistory> histories_;
    std::map<int, Totals> totalsAtPause_;
    std::optional<double> pausedAt_;
    int windowSeconds_ = 60;
    uint64_t readings_ = 0;
};

}  // namespace monitor
