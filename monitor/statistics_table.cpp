#include "monitor/statistics_table.h"

#include <cstdio>
#include <optional>

namespace monitor {
namespace {

std::string number(const std::optional<double>& value, const char* format) {
    if (!value) return "-";
    char text[64];
    std::snprintf(text, sizeof text, format, *value);
    return text;
}

}  // namespace

std::vector<std::string> StatisticsHeaders() {
    return {"sensor", "last °", "mean °", "std dev °", "min °", "max °", "peak-peak °", "answer median ms",
            "answer p95 ms", "bad replies", "failed queries"};
}

std::vector<std::string> StatisticsRow(int address, const WindowStatistics& w) {
    char name[32];
    std::snprintf(name, sizeof name, "%d (h%02X)", address, static_cast<unsigned>(address));
    return {name,
            number(w.last, "%.2f"),
            number(w.mean, "%.2f"),
            number(w.spread, "%.3f"),
            number(w.min, "%.2f"),
            number(w.max, "%.2f"),
            number(w.peakToPeak(), "%.2f"),
            number(w.answerMedianMs, "%.0f"),
            number(w.answerP95Ms, "%.0f"),
            std::to_string(w.badReplies),
            std::to_string(w.failedQueries)};
}

}  // namespace monitor
