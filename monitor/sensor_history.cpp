#include "monitor/sensor_history.h"

#include <cmath>

namespace monitor {
namespace {

// NaN stands for "no valid angle": the other side wins.
float lower(float a, float b) { return std::isnan(a) ? b : std::isnan(b) ? a : std::min(a, b); }
float higher(float a, float b) { return std::isnan(a) ? b : std::isnan(b) ? a : std::max(a, b); }

int64_t slotOf(double time, double seconds) { return static_cast<int64_t>(std::floor(time / seconds)); }

}  // namespace

Bucket Merged(const Bucket& a, const Bucket& b) {
    Bucket m = a;
    m.min = lower(a.min, b.min);
    m.max = higher(a.max, b.max);
    const bool minFromA = !std::isnan(a.min) && m.min == a.min;
    const bool maxFromA = !std::isnan(a.max) && m.max == a.max;
    if (minFromA != maxFromA) m.minFirst = minFromA;
    else m.minFirst = minFromA ? a.minFirst : b.minFirst;
    m.answered = a.answered + b.answered;
    m.failed = a.failed + b.failed;
    m.startsSegment = a.startsSegment || b.startsSegment;
    return m;
}

void SensorHistory::add(Sample s) {
    if (!raw_.empty() && s.time < raw_.back().time) s.time = raw_.back().time;
    if (!firstTime_) firstTime_ = s.time;
    if (std::isnan(s.angle)) {
        ++totals_.failed;
    } else {
        if (!firstAngle_) firstAngle_ = s.angle;
        const double angle = s.angle;
        totals_.min = totals_.answered == 0 ? angle : std::min(totals_.min, angle);
        totals_.max = totals_.answered == 0 ? angle : std::max(totals_.max, angle);
        totals_.last = angle;
        ++totals_.answered;
        totals_.angles.Add(angle);
        ++totals_.answerMs[s.answerMs];
    }
    totals_.badReplies += s.badReplies;
    raw_.push_back(s);
    foldOld();
}

void SensorHistory::holdRawFrom(std::optional<double> time) {
    hold_ = time;
    foldOld();
}

std::optional<double> SensorHistory::firstTime() const { return firstTime_; }

std::optional<double> SensorHistory::lastTime() const {
    if (!raw_.empty()) return raw_.back().time;
    if (!buckets_.empty()) return (buckets_.back().slot + 1) * bucketSeconds_;
    return std::nullopt;
}

void SensorHistory::foldOld() {
    if (raw_.empty()) return;
    double keepFrom = raw_.back().time - kRawSpanSeconds;
    if (hold_) keepFrom = std::min(keepFrom, *hold_ - kRawSpanSeconds);
    while (!raw_.empty() && raw_.front().time < keepFrom) {
        fold(raw_.front());
        raw_.pop_front();
    }
}

void SensorHistory::fold(const Sample& s) {
    Bucket b;
    b.slot = slotOf(s.time, bucketSeconds_);
    b.min = b.max = s.angle;
    b.answered = std::isnan(s.angle) ? 0 : 1;
    b.failed = std::isnan(s.angle) ? 1 : 0;
    b.startsSegment = s.startsSegment;
    if (!buckets_.empty() && buckets_.back().slot == b.slot) buckets_.back() = Merged(buckets_.back(), b);
    else buckets_.push_back(b);
    if (buckets_.size() > kMaxBuckets) mergePairs();
}

void SensorHistory::mergePairs() {
    bucketSeconds_ *= 2;
    std::vector<Bucket> merged;
    merged.reserve(buckets_.size() / 2 + 1);
    for (Bucket b : buckets_) {
        // Floor division: slot / 2 rounds toward zero for negative slots.
        b.slot = b.slot >= 0 ? b.slot / 2 : -((-b.slot + 1) / 2);
        if (!merged.empty() && merged.back().slot == b.slot) merged.back() = Merged(merged.back(), b);
        else merged.push_back(b);
    }
    buckets_ = std::move(merged);
}

}  // namespace monitor
