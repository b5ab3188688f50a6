#include "cli/statistics.h"

#include <algorithm>
#include <cmath>

namespace kvcli {

double NearestRank(const std::vector<double>& sorted, double p) {
    const double n = static_cast<double>(sorted.size());
    // The rank ceil(p/100 x n), at least the first. The small allowance keeps
    // 95 % of 20 samples at rank 19, where floating point would say 19.000000000000004.
    size_t rank = static_cast<size_t>(std::ceil(p / 100.0 * n - 1e-9));
    rank = std::clamp<size_t>(rank, 1, sorted.size());
    return sorted[rank - 1];
}

std::optional<Distribution> Describe(std::vector<double> samples) {
    if (samples.empty()) return std::nullopt;
    std::sort(samples.begin(), samples.end());
    return Distribution{samples.front(), NearestRank(samples, 50), NearestRank(samples, 95), NearestRank(samples, 99),
                        samples.back()};
}

std::optional<MeanSpread> MeanAndSpread(const std::vector<double>& samples) {
    if (samples.empty()) return std::nullopt;
    double sum = 0;
    for (double s : samples) sum += s;
    const double mean = sum / static_cast<double>(samples.size());
    double squares = 0;
    for (double s : samples) squares += (s - mean) * (s - mean);
    return MeanSpread{mean, std::sqrt(squares / static_cast<double>(samples.size()))};
}

}  // namespace kvcli
