#pragma once
// Streams and results for the correlation tests.

#include "core/correlation_result.h"
#include "core/photon_stream.h"

#include <cstdint>
#include <random>
#include <vector>

namespace plask::testing {

// A loaded-looking stream over the given counts.
inline PhotonStream makeStream(const std::vector<std::uint16_t>& counts, double binWidth = 1.0)
{
    PhotonStream stream;
    stream.counts = PageArray<std::uint16_t>::allocate(counts.size());
    for (std::size_t i = 0; i < counts.size(); ++i)
        stream.counts[i] = counts[i];
    stream.length = static_cast<std::uint32_t>(counts.size());
    stream.binWidth = binWidth;
    stream.regionStart = 0;
    stream.regionEnd = static_cast<std::int32_t>(counts.size()) - 1;
    return stream;
}

inline std::vector<std::uint16_t> rampCounts(std::uint16_t last)
{
    std::vector<std::uint16_t> counts;
    for (std::uint16_t v = 1; v <= last; ++v)
        counts.push_back(v);
    return counts;
}

// Poisson counts with a mean that drifts, so that neighbouring bins
// correlate; with `spikes`, now and then a value far above the 16-bit fast
// path's limit.
inline std::vector<std::uint16_t> randomCounts(std::size_t n, double mean, bool spikes, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint16_t> counts(n);
    double level = mean;
    std::uniform_real_distribution<double> drift(-0.1, 0.1);
    std::uniform_int_distribution<int> spikeChance(0, 4999);
    std::uniform_int_distribution<int> spikeValue(1000, 65535);
    for (std::size_t i = 0; i < n; ++i) {
        level = std::max(0.0, level + drift(random) * mean);
        std::poisson_distribution<int> poisson(level);
        int value = poisson(random);
        if (spikes && spikeChance(random) == 0)
            value = spikeValue(random);
        counts[i] = static_cast<std::uint16_t>(std::min(value, 65535));
    }
    return counts;
}

} // namespace plask::testing
