#include "stream_checks.h"
#include "memory_file.h"

#include <algorithm>
#include <cstdint>

void checkDecodedBins(const plask::PhotonStream& decoded, const plask::PhotonStream& read)
{
    require(std::ranges::equal(decoded.bins(), read.bins()));
    std::uint64_t sum = 0;
    bool saturated = false;
    std::uint16_t highest = 0;
    for (const std::uint16_t count : decoded.bins()) {
        sum += count;
        saturated = saturated || count == 0xFFFF;
        highest = std::max(highest, count);
    }
    require(saturated ? sum <= decoded.photons : sum == decoded.photons);
    require(decoded.bins().back() > 0);
    require(decoded.maxCount == highest);
}

void requireSameCounts(std::span<const std::uint16_t> a, std::span<const std::uint16_t> b)
{
    require(std::ranges::equal(a, b));
}
