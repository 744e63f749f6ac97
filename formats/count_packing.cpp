#include "formats/count_packing.h"

#include "formats/little_endian.h"

#include <algorithm>

namespace plask {

PhcPacking packingFor(std::uint16_t maxCount)
{
    if (maxCount < 16)
        return phcPackNibble;
    if (maxCount < 32)
        return phcPackFiveBits;
    if (maxCount < 64)
        return phcPackSixBits;
    return phcPackWords;
}

std::size_t packCounts(std::span<const std::uint16_t> counts, PhcPacking packing, std::span<std::uint8_t> out)
{
    return *packCounts(counts, packing, out, noProgress());
}

std::optional<std::size_t> packCounts(
    std::span<const std::uint16_t> counts, PhcPacking packing, std::span<std::uint8_t> out, Progress& progress)
{
    // Reports every so many bins; runs go on across these points unchanged.
    constexpr std::size_t reportBins = std::size_t { 1 } << 22;
    const auto fraction = [&](std::size_t i) { return static_cast<double>(i) / static_cast<double>(counts.size()); };
    if (packing == phcPackWords) {
        for (std::size_t i = 0; i < counts.size(); ++i) {
            if (i % reportBins == 0 && !progress.step(fraction(i)))
                return std::nullopt;
            storeLittleEndian(out.data() + 2 * i, counts[i]);
        }
        return 2 * counts.size();
    }
    const std::size_t cap = phcRunCap(packing);
    const int shift = phcCountBits(packing);
    std::size_t used = 0;
    std::size_t nextReport = 0;
    for (std::size_t i = 0; i < counts.size();) {
        if (i >= nextReport) {
            if (!progress.step(fraction(i)))
                return std::nullopt;
            nextReport = i + reportBins;
        }
        const std::uint16_t value = counts[i];
        std::size_t run = 1;
        while (run < cap && i + run < counts.size() && counts[i + run] == value)
            ++run;
        out[used++] = static_cast<std::uint8_t>(((run % cap) << shift) | value);
        i += run;
    }
    return used;
}

bool unpackCounts(std::span<const std::uint8_t> packed, std::uint8_t packing, std::span<std::uint16_t> counts)
{
    return unpackCounts(packed, packing, counts, noProgress()) == UnpackResult::done;
}

UnpackResult unpackCounts(
    std::span<const std::uint8_t> packed, std::uint8_t packing, std::span<std::uint16_t> counts, Progress& progress)
{
    // Every packed byte (or word) stands alone, so the data are taken a block at a time.
    constexpr std::size_t blockBytes = std::size_t { 4 } << 20;
    const auto fraction
        = [&](std::size_t done) { return static_cast<double>(done) / static_cast<double>(packed.size()); };
    if (packing == phcPackWords) {
        if (packed.size() != 2 * counts.size())
            return UnpackResult::damaged;
        for (std::size_t start = 0; start < counts.size(); start += blockBytes / 2) {
            const std::size_t end = std::min(counts.size(), start + blockBytes / 2);
            for (std::size_t i = start; i < end; ++i)
                counts[i] = loadLittleEndian<std::uint16_t>(packed.data() + 2 * i);
            if (!progress.step(fraction(2 * end)))
                return UnpackResult::cancelled;
        }
        return UnpackResult::done;
    }
    if (!isPhcRunPacking(packing))
        return UnpackResult::damaged;
    const std::size_t cap = phcRunCap(packing);
    const int shift = phcCountBits(packing);
    const auto countMask = static_cast<std::uint8_t>((1u << shift) - 1);
    std::size_t bin = 0;
    for (std::size_t start = 0; start < packed.size(); start += blockBytes) {
        const std::size_t end = std::min(packed.size(), start + blockBytes);
        for (const std::uint8_t byte : packed.subspan(start, end - start)) {
            const std::size_t stored = byte >> shift;
            const std::size_t run = stored == 0 ? cap : stored;
            if (run > counts.size() - bin)
                return UnpackResult::damaged;
            std::fill_n(
                counts.begin() + static_cast<std::ptrdiff_t>(bin), run, static_cast<std::uint16_t>(byte & countMask));
            bin += run;
        }
        if (!progress.step(fraction(end)))
            return UnpackResult::cancelled;
    }
    return bin == counts.size() ? UnpackResult::done : UnpackResult::damaged;
}

} // namespace plask
