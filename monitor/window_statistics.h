#pragma once
// The figures of one sensor over the time window shown: the statistics
// table's row.

#include "monitor/sensor_history.h"

#include <cstdint>
#include <optional>

namespace monitor {

struct WindowStatistics {
    uint64_t answered = 0;
    uint64_t failedQueries = 0;
    uint64_t badReplies = 0;  // replies that failed their checks, answered with NAK or not
    // Of the valid angles; nothing when there was none.
    std::optional<double> last, mean, spread, min, max;
    // Of the answered queries, by nearest rank (a time that was measured).
    std::optional<double> answerMedianMs, answerP95Ms;

    std::optional<double> peakToPeak() const {
        if (!min || !max) return std::nullopt;
        return *max - *min;
    }
};

// Over the readings from `from` to `to` (both included). The window must lie
// within the history's raw span, which the longest finite window does.
WindowStatistics StatisticsBetween(const SensorHistory& history, double from, double to);

// Over every reading ever added, from the running totals.
WindowStatistics StatisticsOfAll(const Totals& totals);

}  // namespace monitor
