#pragma once
// One sensor's readings as the monitor keeps them for its plot and its
// statistics. The newest hour (or, while the view is paused, the hour before
// the pause too) stays reading by reading; older readings are folded into
// buckets of equal length that keep each interval's smallest and largest
// angle, so a spike stays visible however old it is. When there are too many
// buckets, neighbours merge and the length doubles, so a sensor's memory stays
// bounded however long it runs. Running totals over every reading give the
// statistics of "everything" exactly.

#include "sensorlink/reading_statistics.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace monitor {

struct Sample {
    double time = 0;  // seconds since 1970, UTC
    float angle = 0;  // NaN: no valid answer after the query's attempts
    uint16_t answerMs = 0;
    uint8_t badReplies = 0;
    bool startsSegment = false;  // the first reading after a pause in polling
};

struct Bucket {
    int64_t slot = 0;  // covers [slot, slot + 1) times the bucket length
    float min = 0;     // NaN when no reading in it was valid
    float max = 0;
    uint32_t answered = 0;
    uint32_t failed = 0;
    bool minFirst = true;  // the smallest angle came before the largest
    bool startsSegment = false;
};

struct Totals {
    uint64_t answered = 0;
    uint64_t failed = 0;
    uint64_t badReplies = 0;
    double min = 0;  // of the valid angles (when answered > 0)
    double max = 0;
    double last = 0;
    readingstats::RunningMeanSpread angles;
    readingstats::Counts answerMs;  // of the answered queries
};

class SensorHistory {
public:
    static constexpr double kRawSpanSeconds = 3600.0 + 60.0;
    static constexpr size_t kMaxBuckets = 4096;
    static constexpr double kFirstBucketSeconds = 1.0;

    // Readings come in time order; one that claims to be earlier than the
    // last is taken at the last one's time.
    void add(Sample sample);
    // Readings from `time` back for the raw span stay raw until released
    // (nothing: the raw span counts back from the newest reading).
    void holdRawFrom(std::optional<double> time);

    const std::deque<Sample>& raw() const { return raw_; }
    const std::vector<Bucket>& buckets() const { return buckets_; }
    double bucketSeconds() const { return bucketSeconds_; }
    const Totals& totals() const { return totals_; }
    // The first valid angle ever read: the zero of the relative view.
    std::optional<double> firstAngle() const { return firstAngle_; }
    std::optional<double> firstTime() const;
    std::optional<double> lastTime() const;
    bool empty() const { return raw_.empty() && buckets_.empty(); }

private:
    void foldOld();
    void fold(const Sample& s);
    void mergePairs();

    std::deque<Sample> raw_;
    std::vector<Bucket> buckets_;
    double bucketSeconds_ = kFirstBucketSeconds;
    std::optional<double> hold_;
    std::optional<double> firstAngle_;
    std::optional<double> firstTime_;
    Totals totals_;
};

// Two buckets of the same slot (a before b) as one.
Bucket Merged(const Bucket& a, const Bucket& b);

}  // namespace monitor
