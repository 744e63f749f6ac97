#include "analysis/count_values.h"

#include <algorithm>
#include <utility>

namespace plask {

std::vector<std::uint64_t> tallyCountValues(std::span<const std::uint16_t> counts, std::uint16_t top)
{
    // Photon streams are mostly 0s and 1s. A block holding nothing else is
    // tallied with two vectorised comparisons. Other blocks go to interleaved
    // tables, one per lane, so that increments of the same value do not wait
    // for each other; values above `top` land in an overflow slot that is dropped.
    constexpr std::size_t block = 64;
    constexpr std::size_t lanes = 8;
    const std::size_t stride = std::size_t { top } + 2;
    const std::uint32_t overflow = std::uint32_t { top } + 1;
    std::vector<std::uint32_t> lane(lanes * stride, 0);
    std::vector<std::uint64_t> tally(std::size_t { top } + 1, 0);
    std::uint64_t zeros = 0;
    std::uint64_t ones = 0;
    const std::uint16_t* data = counts.data();
    const auto flushLanes = [&] {
        for (std::size_t l = 0; l < lanes; ++l)
            for (std::size_t v = 0; v < tally.size(); ++v)
                tally[v] += std::exchange(lane[l * stride + v], 0u);
    };
    // Lane entries stay below 2^32 between flushes.
    constexpr std::size_t binsPerFlush = std::size_t { 1 } << 31;
    std::size_t sinceFlush = 0;
    std::size_t i = 0;
    for (; i + block <= counts.size(); i += block) {
        std::uint32_t blockZeros = 0;
        std::uint32_t blockOnes = 0;
        std::uint16_t largest = 0;
        for (std::size_t k = 0; k < block; ++k) {
            const std::uint16_t v = data[i + k];
            blockZeros += v == 0 ? 1u : 0u;
            blockOnes += v == 1 ? 1u : 0u;
            largest = std::max(largest, v);
        }
        if (largest <= 1) {
            zeros += blockZeros;
            ones += blockOnes;
            continue;
        }
        for (std::size_t k = 0; k < block; k += lanes)
            for (std::size_t l = 0; l < lanes; ++l)
                ++lane[l * stride + std::min<std::uint32_t>(data[i + k + l], overflow)];
        sinceFlush += block;
        if (sinceFlush >= binsPerFlush) {
            flushLanes();
            sinceFlush = 0;
        }
    }
    flushLanes();
    tally[0] += zeros;
    if (top >= 1)
        tally[1] += ones;
    for (; i < counts.size(); ++i)
        if (data[i] <= top)
            ++tally[data[i]];
    return tally;
}

std::optional<std::vector<std::uint64_t>> tallyCountValues(
    std::span<const std::uint16_t> counts, std::uint16_t top, Progress& progress)
{
    constexpr std::size_t piece = std::size_t { 1 } << 22;
    std::vector<std::uint64_t> tally(std::size_t { top } + 1, 0);
    for (std::size_t first = 0; first < counts.size(); first += piece) {
        if (first > 0 && !progress.step(static_cast<double>(first) / static_cast<double>(counts.size())))
            return std::nullopt;
        const std::vector<std::uint64_t> part
            = tallyCountValues(counts.subspan(first, std::min(piece, counts.size() - first)), top);
        for (std::size_t v = 0; v < tally.size(); ++v)
            tally[v] += part[v];
    }
    return tally;
}

} // namespace plask
