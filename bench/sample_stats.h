#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

// Nearest-rank percentile of the samples that are not NaN; NaN when there are none.
inline double percentile(std::vector<double> samples, double fraction)
{
    samples.erase(std::remove_if(samples.begin(), samples.end(),
                                 [](double value) { return std::isnan(value); }),
                  samples.end());
    if (samples.empty())
        return std::nan("");
    std::sort(samples.begin(), samples.end());
    const auto rank = size_t(std::ceil(fraction * double(samples.size())));
    return samples[std::clamp<size_t>(rank, 1, samples.size()) - 1];
}

inline double median(const std::vector<double> &samples)
{
    return percentile(samples, 0.5);
}
