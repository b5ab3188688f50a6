#include "monitor/window_statistics.h"

#include <algorithm>
#include <cmath>

namespace monitor {
namespace {

void takeAnswerTimes(WindowStatistics& w, const readingstats::Counts& counts) {
    if (const std::optional<readingstats::Distribution> d = readingstats::DescribeCounts(counts)) {
        w.answerMedianMs = d->median;
        w.answerP95Ms = d->p95;
    }
}

}  // namespace

WindowStatistics StatisticsBetween(const SensorHistory& history, double from, double to) {
    WindowStatistics w;
    const std::deque<Sample>& raw = history.raw();
    auto it = std::lower_bound(raw.begin(), raw.end(), from, [](const Sample& s, double t) { return s.time < t; });
    readingstats::RunningMeanSpread angles;
    readingstats::Counts answerMs;
    for (; it != raw.end() && it->time <= to; ++it) {
        w.badReplies += it->badReplies;
        if (std::isnan(it->angle)) {
            ++w.failedQueries;
            continue;
        }
        const double a = it->angle;
        ++w.answered;
        w.last = a;
        w.min = w.min ? std::min(*w.min, a) : a;
        w.max = w.max ? std::max(*w.max, a) : a;
        angles.Add(a);
        ++answerMs[it->answerMs];
    }
    if (const std::optional<readingstats::MeanSpread> m = angles.Result()) {
        w.mean = m->mean;
        w.spread = m->spread;
    }
    takeAnswerTimes(w, answerMs);
    return w;
}

WindowStatistics StatisticsOfAll(const Totals& t) {
    WindowStatistics w;
    w.answered = t.answered;
    w.failedQueries = t.failed;
    w.badReplies = t.badReplies;
    if (t.answered > 0) {
        w.last = t.last;
        w.min = t.min;
        w.max = t.max;
    }
    if (const std::optional<readingstats::MeanSpread> m = t.angles.Result()) {
        w.mean = m->mean;
        w.spread = m->spread;
    }
    takeAnswerTimes(w, t.answerMs);
    return w;
}

}  // namespace monitor
