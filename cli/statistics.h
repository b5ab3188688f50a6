#pragma once
// The figures of a timing run: percentiles of the answer times, mean and
// spread of the angles.

#include <optional>
#include <vector>

namespace kvcli {

struct Distribution {
    double min = 0;
    double median = 0;
    double p95 = 0;
    double p99 = 0;
    double max = 0;
};

// Percentiles by nearest rank: the p-th percentile is the smallest sample
// that at least p % of the samples do not exceed, so every figure is a time
// that was measured. Nothing for no samples.
std::optional<Distribution> Describe(std::vector<double> samples);

// The sample at nearest rank p (0 < p <= 100) of samples sorted ascending.
double NearestRank(const std::vector<double>& sorted, double p);

struct MeanSpread {
    double mean = 0;
    double spread = 0;  // standard deviation over the samples (0 for one)
};

std::optional<MeanSpread> MeanAndSpread(const std::vector<double>& samples);

}  // namespace kvcli
