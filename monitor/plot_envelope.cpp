#include "monitor/plot_envelope.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace monitor {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// One stretch of readings on its way into a column: a single reading, or a
// bucket of folded ones.
struct Item {
    double start, end;  // times of its first and last reading (equal for one)
    float min, max;     // NaN: no valid angle in it
    bool minFirst;
    bool startsSegment;
};

class ColumnBuilder {
public:
    ColumnBuilder(Envelope& out, double from, double columnSeconds, double zero)
        : out_(out), from_(from), columnSeconds_(columnSeconds), zero_(zero) {}

    void add(const Item& item) {
        const int64_t column = static_cast<int64_t>(std::floor((item.start - from_) / columnSeconds_));
        if (item.startsSegment) {
            flush();
            breakLine(item.start);
        } else if (open_ && column != column_) {
            flush();
        }
        if (!open_) {
            open_ = true;
            column_ = column;
            anyValid_ = false;
            lastTime_ = item.start;
        }
        lastTime_ = item.end;
        if (std::isnan(item.min)) return;
        const double minTime = item.minFirst ? item.start : item.end;
        const double maxTime = item.minFirst ? item.end : item.start;
        if (!anyValid_ || item.min < min_) {
            min_ = item.min;
            minTime_ = minTime;
        }
        if (!anyValid_ || item.max > max_) {
            max_ = item.max;
            maxTime_ = maxTime;
        }
        anyValid_ = true;
    }

    void flush() {
        if (!open_) return;
        open_ = false;
        if (!anyValid_) {
            breakLine(lastTime_);
            return;
        }
        const bool minFirst = minTime_ <= maxTime_;
        point(minFirst ? minTime_ : maxTime_, minFirst ? min_ : max_);
        if (min_ != max_ || minTime_ != maxTime_) point(minFirst ? maxTime_ : minTime_, minFirst ? max_ : min_);
    }

private:
    void point(double t, double angle) {
        // Keys stay in order even where a bucket's two points share its span.
        if (!out_.times.empty()) t = std::max(t, out_.times.back());
        out_.times.push_back(t);
        out_.angles.push_back(angle - zero_);
    }
    void breakLine(double t) {
        if (!out_.angles.empty() && std::isnan(out_.angles.back())) return;
        if (out_.angles.empty()) return;  // nothing before it to break from
        if (!out_.times.empty()) t = std::max(t, out_.times.back());
        out_.times.push_back(t);
        out_.angles.push_back(kNaN);
    }

    Envelope& out_;
    const double from_;
    const double columnSeconds_;
    const double zero_;
    bool open_ = false;
    bool anyValid_ = false;
    int64_t column_ = 0;
    double min_ = 0, max_ = 0, minTime_ = 0, maxTime_ = 0, lastTime_ = 0;
};

}  // namespace

Envelope EnvelopeOf(const SensorHistory& history, double from, double to, int columns, double zero) {
    Envelope out;
    if (columns < 1 || !(to > from)) return out;
    const double columnSeconds = (to - from) / columns;
    ColumnBuilder builder(out, from, columnSeconds, zero);

    // The buckets that reach into the span, and the one before it.
    const double width = history.bucketSeconds();
    const std::vector<Bucket>& buckets = history.buckets();
    auto b = std::lower_bound(buckets.begin(), buckets.end(), from,
                              [width](const Bucket& x, double t) { return (x.slot + 1) * width <= t; });
    if (b != buckets.begin()) --b;
    for (; b != buckets.end() && b->slot * width <= to; ++b) {
        const double start = b->slot * width;
        builder.add({start, start + width, b->min, b->max, b->minFirst, b->startsSegment});
    }
    // The readings themselves, from the one before the span to the one after.
    const std::deque<Sample>& raw = history.raw();
    auto r = std::lower_bound(raw.begin(), raw.end(), from, [](const Sample& s, double t) { return s.time < t; });
    if (r != raw.begin()) --r;
    for (; r != raw.end(); ++r) {
        builder.add({r->time, r->time, r->angle, r->angle, true, r->startsSegment});
        if (r->time > to) break;
    }
    builder.flush();
    // A line never ends in a break of its own.
    while (!out.angles.empty() && std::isnan(out.angles.back())) {
        out.angles.pop_back();
        out.times.pop_back();
    }
    return out;
}

}  // namespace monitor
