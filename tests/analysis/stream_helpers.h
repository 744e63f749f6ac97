#pragma once
// Small streams made in memory for the analysis tests.

#include "core/photon_stream.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace plask::testing {

inline PhotonStream makeStream(const std::vector<std::uint16_t>& counts, double binWidthUs = 1.0)
{
    PhotonStream stream;
    stream.counts = PageArray<std::uint16_t>::allocate(std::max<std::size_t>(counts.size(), 1));
    std::copy(counts.begin(), counts.end(), stream.counts.data());
    stream.length = static_cast<std::uint32_t>(counts.size());
    stream.binWidth = binWidthUs;
    const CountRange range = countRange(counts);
    stream.maxCount = range.max;
    stream.minCount = range.min;
    return stream;
}

inline std::vector<std::uint16_t> countsOf(const PhotonStream& stream)
{
    const auto bins = stream.bins();
    return { bins.begin(), bins.end() };
}

} // namespace plask::testing
