#include "view/trace_envelope.h"

#include "core/analysis_settings.h"

#include <algorithm>

namespace plask {

namespace {
    CountEnvelope merged(CountEnvelope a, CountEnvelope b)
    {
        return { std::min(a.min, b.min), std::max(a.max, b.max) };
    }

    CountEnvelope scanBins(std::span<const std::uint16_t> bins, CountEnvelope seed)
    {
        std::uint16_t lo = seed.min;
        std::uint16_t hi = seed.max;
        for (const std::uint16_t count : bins) {
            lo = std::min(lo, count);
            hi = std::max(hi, count);
        }
        return { lo, hi };
    }

    constexpr CountEnvelope emptyEnvelope { 0xFFFF, 0 };
} // namespace

std::optional<TraceEnvelope> TraceEnvelope::build(std::span<const std::uint16_t> bins)
{
    TraceEnvelope envelope;
    envelope.source_ = bins.data();
    envelope.length_ = bins.size();
    const std::size_t blocks = bins.size() / blockBins;
    envelope.blockPrefix_ = PageArray<std::uint64_t>::allocate(blocks + 1);
    if (!envelope.blockPrefix_)
        return std::nullopt;
    if (blocks == 0)
        return envelope;

    auto lowest = PageArray<CountEnvelope>::allocate(blocks);
    if (!lowest)
        return std::nullopt;
    std::uint64_t total = 0;
    for (std::size_t block = 0; block < blocks; ++block) {
        const std::span<const std::uint16_t> group = bins.subspan(block * blockBins, blockBins);
        // A block's 64 counts of at most 65535 fit a 32-bit sum.
        std::uint32_t sum = 0;
        for (const std::uint16_t count : group)
            sum += count;
        envelope.blockPrefix_[block] = total;
        total += sum;
        lowest[block] = scanBins(group, emptyEnvelope);
    }
    envelope.blockPrefix_[blocks] = total;
    envelope.levels_.push_back(std::move(lowest));
    envelope.levelCounts_.push_back(blocks);

    while (envelope.levelCounts_.back() >= levelFactor) {
        const PageArray<CountEnvelope>& below = envelope.levels_.back();
        const std::size_t count = envelope.levelCounts_.back() / levelFactor;
        auto level = PageArray<CountEnvelope>::allocate(count);
        if (!level)
            return std::nullopt;
        for (std::size_t i = 0; i < count; ++i) {
            CountEnvelope e = emptyEnvelope;
            for (std::size_t j = 0; j < levelFactor; ++j)
                e = merged(e, below[i * levelFactor + j]);
            level[i] = e;
        }
        envelope.levels_.push_back(std::move(level));
        envelope.levelCounts_.push_back(count);
    }
    return envelope;
}

bool TraceEnvelope::describes(std::span<const std::uint16_t> bins) const
{
    return blockPrefix_ && source_ == bins.data() && length_ == bins.size();
}

std::uint64_t TraceEnvelope::sumBefore(std::span<const std::uint16_t> bins, std::uint64_t bin) const
{
    const std::size_t block = static_cast<std::size_t>(bin / blockBins);
    std::uint64_t sum = blockPrefix_[block];
    for (std::size_t i = block * blockBins; i < bin; ++i)
        sum += bins[i];
    return sum;
}

CountEnvelope TraceEnvelope::levelRange(std::size_t level, std::size_t lo, std::size_t hi) const
{
    // Entries [lo, hi) of a level: the ragged ends here, the aligned middle one level up.
    const PageArray<CountEnvelope>& entries = levels_[level];
    CountEnvelope e = emptyEnvelope;
    if (level + 1 >= levels_.size() || hi - lo < 2 * levelFactor) {
        for (std::size_t i = lo; i < hi; ++i)
            e = merged(e, entries[i]);
        return e;
    }
    const std::size_t upLo = (lo + levelFactor - 1) / levelFactor;
    const std::size_t upHi = std::min(hi / levelFactor, levelCounts_[level + 1]);
    for (std::size_t i = lo; i < upLo * levelFactor; ++i)
        e = merged(e, entries[i]);
    for (std::size_t i = upHi * levelFactor; i < hi; ++i)
        e = merged(e, entries[i]);
    return merged(e, levelRange(level + 1, upLo, upHi));
}

CountEnvelope TraceEnvelope::range(std::span<const std::uint16_t> bins, std::uint64_t first, std::uint64_t last) const
{
    const std::uint64_t wholeFirst = (first + blockBins - 1) / blockBins;
    const std::uint64_t wholeLast = last / blockBins;
    if (levels_.empty() || wholeFirst >= wholeLast)
        return scanBins(bins.subspan(first, last - first), emptyEnvelope);
    CountEnvelope e = scanBins(bins.subspan(first, wholeFirst * blockBins - first), emptyEnvelope);
    e = scanBins(bins.subspan(wholeLast * blockBins, last - wholeLast * blockBins), e);
    return merged(e, levelRange(0, wholeFirst, wholeLast));
}

void TraceEnvelope::thin(std::span<const std::uint16_t> bins, std::uint64_t firstBin, std::uint32_t binsPerPoint,
    std::int32_t displayMode, std::span<double> points) const
{
    const std::uint64_t n = binsPerPoint;
    if (displayMode != displayAverage && displayMode != displaySum) {
        for (std::size_t i = 0; i < points.size(); ++i)
            points[i] = bins[firstBin + i * n];
        return;
    }
    std::uint64_t before = sumBefore(bins, firstBin);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const std::uint64_t after = sumBefore(bins, firstBin + (i + 1) * n);
        const std::uint64_t sum = after - before;
        points[i] = static_cast<double>(displayMode == displaySum ? sum : sum / n);
        before = after;
    }
}

void TraceEnvelope::columns(std::span<const std::uint16_t> bins, std::uint64_t first, std::uint64_t last,
    std::span<CountEnvelope> out) const
{
    const std::uint64_t span = last - first;
    const std::uint64_t count = out.size();
    for (std::uint64_t c = 0; c < count; ++c) {
        const std::uint64_t lo = first + span * c / count;
        const std::uint64_t hi = std::max(lo + 1, first + span * (c + 1) / count);
        out[c] = lo < last ? range(bins, lo, std::min(hi, last)) : CountEnvelope {};
    }
}

std::size_t TraceEnvelope::bytes() const
{
    std::size_t total = blockPrefix_.capacity() * sizeof(std::uint64_t);
    for (const std::size_t count : levelCounts_)
        total += count * sizeof(CountEnvelope);
    return total;
}

} // namespace plask
