#include "sensorlink/reading_statistics.h"

#include <algorithm>
#include <cmath>

namespace readingstats {

namespace {

// The value at rank ceil(p/100 x n), at least the first. The small allowance
// keeps 95 % of 20 samples at rank 19, where floating point would say
// 19.000000000000004.
double nearestRank(const Counts& counts, uint64_t n, double p) {
    uint64_t rank = static_cast<uint64_t>(std::ceil(p / 100.0 * static_cast<double>(n) - 1e-9));
    rank = std::clamp<uint64_t>(rank, 1, n);
    uint64_t seen = 0;
    for (const auto& [value, count] : counts) {
        seen += count;
        if (seen >= rank) return value;
    }
    return counts.rbegin()->first;
}

}  // namespace

std::optional<Distribution> DescribeCounts(const Counts& counts) {
    uint64_t n = 0;
    for (const auto& entry : counts) n += entry.second;
    if (n == 0) return std::nullopt;
    return Distribution{counts.begin()->first, nearestRank(counts, n, 50), nearestRank(counts, n, 95),
                        nearestRank(counts, n, 99), counts.rbegin()->first};
}

std::optional<Distribution> Describe(const std::vector<double>& samples) {
    Counts counts;
    for (double s : samples) ++counts[s];
    return DescribeCounts(counts);
}

void RunningMeanSpread::Add(double sample) {
    ++count_;
    const double delta = sample - mean_;
    mean_ += delta / static_cast<double>(count_);
    squares_ += delta * (sample - mean_);
}

std::optional<MeanSpread> RunningMeanSpread::Result() const {
    if (count_ == 0) return std::nullopt;
    return MeanSpread{mean_, std::sqrt(squares_ / static_cast<double>(count_))};
}

std::optional<MeanSpread> MeanAndSpread(const std::vector<double>& samples) {
    RunningMeanSpread running;
    for (double s : samples) running.Add(s);
    return running.Result();
}

}  // namespace readingstats
