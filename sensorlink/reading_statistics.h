#pragma once
// The figures of a run of readings: percentiles of the answer times, mean and
// spread of the angles. Both are kept in a size that does not grow with the
// run's length: answer times as a count per value, angles as running sums.

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace readingstats {

struct Distribution {
    double min = 0;
    double median = 0;
    double p95 = 0;
    double p99 = 0;
    double max = 0;
};

// How often each value came.
using Counts = std::map<double, uint64_t>;

// Percentiles by nearest rank: the p-th percentile is the smallest sample
// that at least p % of the samples do not exceed, so every figure is a value
// that was measured. Nothing for no samples.
std::optional<Distribution> DescribeCounts(const Counts& counts);
std::optional<Distribution> Describe(const std::vector<double>& samples);

struct MeanSpread {
    double mean = 0;
    double spread = 0;  // standard deviation over the samples (0 for one)
};

// Mean and spread updated sample by sample (Welford's method, which stays
// exact where a sum of squares would lose the digits).
class RunningMeanSpread {
public:
    void Add(double sample);
    std::optional<MeanSpread> Result() const;

private:
    uint64_t count_ = 0;
    double mean_ = 0;
    double squares_ = 0;  // sum of squared distances from the mean
};

std::optional<MeanSpread> MeanAndSpread(const std::vector<double>& samples);

}  // namespace readingstats
