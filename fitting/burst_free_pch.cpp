#include "fitting/burst_free_pch.h"

#include "analysis/count_values.h"

#include <algorithm>

namespace plask::fitting {

namespace {
    void addTally(std::span<const std::uint16_t> bins, std::uint16_t top, std::vector<double>& histogram)
    {
        const std::vector<std::uint64_t> tally = tallyCountValues(bins, top);
        for (std::size_t k = 0; k < tally.size() && k < histogram.size(); ++k)
            histogram[k] += static_cast<double>(tally[k]);
    }
} // namespace

std::vector<double> burstFreeHistogram(const PhotonStream& stream, const BurstSet& bursts)
{
    const std::span<const std::uint16_t> bins = stream.bins();
    std::vector<double> histogram(std::size_t { stream.maxCount } + 1, 0.0);
    std::size_t from = 0;
    for (std::uint32_t b = 0; b < bursts.burstCount; ++b) {
        const std::size_t start = std::min<std::size_t>(bursts.startBins[b], bins.size());
        if (start > from)
            addTally(bins.subspan(from, start - from), stream.maxCount, histogram);
        from = std::max(from, std::min<std::size_t>(std::size_t { bursts.endBins[b] } + 1, bins.size()));
    }
    if (from < bins.size())
        addTally(bins.subspan(from), stream.maxCount, histogram);
    return histogram;
}

std::vector<double> streamHistogram(const PhotonStream& stream)
{
    std::vector<double> histogram(std::size_t { stream.maxCount } + 1, 0.0);
    addTally(stream.bins(), stream.maxCount, histogram);
    return histogram;
}

} // namespace plask::fitting
