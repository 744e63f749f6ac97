#include "analysis/burst_detection.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace plask {

namespace {
    // A bin triggers when count > level - 1 (unsigned). Levels that no 16-bit
    // count can pass give nothing.
    struct TriggerThreshold {
        bool possible = false;
        std::uint16_t above = 0; // a bin triggers when its count is above this
    };

    TriggerThreshold triggerThreshold(std::int32_t triggerLevel)
    {
        const std::uint32_t limit = static_cast<std::uint32_t>(triggerLevel) - 1u;
        if (limit >= std::numeric_limits<std::uint16_t>::max())
            return {};
        return { true, static_cast<std::uint16_t>(limit) };
    }

    // Quiet blocks are tested with one reduction the compiler vectorises.
    constexpr std::size_t skipBlock = 64;

    // Counts of one stream with the run's fixed parameters, read the way the
    // search reads them: positions at or past the end are empty bins.
    struct BinReader {
        const std::uint16_t* counts;
        std::uint64_t length;
        std::uint32_t edge; // a bin is above the edge when its count exceeds this

        [[nodiscard]] std::uint32_t at(std::uint64_t i) const { return i < length ? counts[i] : 0u; }
        [[nodiscard]] bool aboveEdge(std::uint64_t i) const { return at(i) > edge; }

        // Whether all of `width` bins ending at `top` (going down) are at or below the edge.
        [[nodiscard]] bool quietBelow(std::uint64_t top, std::uint32_t width) const
        {
            for (std::uint64_t k = 0; k < width; ++k)
                if (aboveEdge(top - k))
                    return false;
            return true;
        }

        // Whether all of `width` bins starting at `first` are at or below the
        // edge. Bins past the end are empty, so the test stops there.
        [[nodiscard]] bool quietFrom(std::uint64_t first, std::uint32_t width) const
        {
            const std::uint64_t end = std::min(first + width, length);
            for (std::uint64_t i = first; i < end; ++i)
                if (counts[i] > edge)
                    return false;
            return true;
        }

        [[nodiscard]] std::uint32_t sum(std::uint64_t first, std::uint64_t last) const
        {
            std::uint32_t total = 0;
            const std::uint64_t end = std::min(last + 1, length);
            for (std::uint64_t i = first; i < end; ++i)
                total += counts[i];
            return total;
        }
    };

    std::uint64_t spanBinsFor(double binWidthUs)
    {
        if (!(binWidthUs > 0.0))
            return std::numeric_limits<std::uint32_t>::max();
        const double bins = std::trunc(static_cast<double>(burstMaxSpanUs) / binWidthUs);
        return bins >= static_cast<double>(std::numeric_limits<std::uint32_t>::max())
            ? std::numeric_limits<std::uint32_t>::max()
            : static_cast<std::uint64_t>(bins);
    }

    // The first bin of the candidate. Without dip bridging the start walks
    // back over above-edge bins, never to or before the previous burst's end.
    // With bridging it walks back in blocks of S bins until a block is all
    // quiet, then settles on the bin after the nearest quiet bin. Returns
    // nothing when the start lies past the stream.
    std::optional<std::uint64_t> findStart(const BinReader& bins, std::uint32_t s, std::uint32_t S, std::uint32_t previousEnd)
    {
        std::uint64_t d = s == 0 ? 1 : s;
        std::uint64_t j = d - 1;
        if (S == 0) {
            while (j > previousEnd && bins.aboveEdge(j)) {
                d = j;
                --j;
            }
            return d;
        }
        while (j > std::uint64_t { previousEnd } + S && j != 0) {
            if (bins.quietBelow(j, S))
                break;
            d = j;
            j -= S;
        }
        if (d > bins.length - 1)
            return std::nullopt;
        if (!bins.aboveEdge(d))
            return d + 1;
        while (d > 0 && bins.aboveEdge(d))
            --d;
        return d + 1;
    }

    // The last bin of the candidate (included in its photons), searched from
    // the trigger bin up to `limit`; with bridging the last step may pass it.
    std::uint64_t findEnd(const BinReader& bins, std::uint32_t s, std::uint32_t S, std::uint64_t limit)
    {
        std::uint64_t e = std::uint64_t { s } + 1;
        if (S == 0) {
            for (std::uint64_t i = s; i < limit && bins.aboveEdge(i); ++i)
                e = i;
            return e + 1;
        }
        for (std::uint64_t i = s; i < limit; i += S) {
            if (bins.quietFrom(i, S))
                break;
            e = i;
        }
        std::uint64_t n = e;
        while (n < bins.length && bins.aboveEdge(n))
            ++n;
        return n;
    }
} // namespace

std::uint64_t countTriggerBins(std::span<const std::uint16_t> counts, std::int32_t triggerLevel)
{
    const TriggerThreshold threshold = triggerThreshold(triggerLevel);
    if (!threshold.possible)
        return 0;
    const std::uint16_t above = threshold.above;
    std::uint64_t total = 0;
    std::size_t i = 0;
    // Per-block tallies stay small enough for a narrow counter the compiler vectorises.
    for (; i + skipBlock <= counts.size(); i += skipBlock) {
        std::uint32_t block = 0;
        for (std::size_t k = 0; k < skipBlock; ++k)
            block += counts[i + k] > above ? 1u : 0u;
        total += block;
    }
    for (; i < counts.size(); ++i)
        total += counts[i] > above ? 1u : 0u;
    return total;
}

std::size_t nextTriggerBin(std::span<const std::uint16_t> counts, std::size_t from, std::int32_t triggerLevel)
{
    const TriggerThreshold threshold = triggerThreshold(triggerLevel);
    if (!threshold.possible)
        return counts.size();
    const std::uint16_t above = threshold.above;
    const std::uint16_t* data = counts.data();
    std::size_t i = from;
    while (i + skipBlock <= counts.size()) {
        std::uint16_t largest = 0;
        for (std::size_t k = 0; k < skipBlock; ++k)
            largest = std::max(largest, data[i + k]);
        if (largest > above)
            break;
        i += skipBlock;
    }
    for (; i < counts.size(); ++i)
        if (data[i] > above)
            return i;
    return counts.size();
}

int allocateBurstSet(BurstSet& set, const PhotonStream& stream)
{
    const std::uint64_t a = countTriggerBins(stream.bins(), set.triggerLevel);
    if (a == 0)
        return 3;
    const std::size_t doubles = static_cast<std::size_t>(2 * a);
    const std::size_t indexes = static_cast<std::size_t>(4 * a); // the same bytes as the double arrays
    auto photons = PageArray<double>::allocate(doubles);
    auto widths = PageArray<double>::allocate(doubles);
    auto intervals = PageArray<double>::allocate(doubles);
    auto peaks = PageArray<double>::allocate(doubles);
    auto peakTimes = PageArray<double>::allocate(doubles);
    auto startBins = PageArray<std::uint32_t>::allocate(indexes);
    auto endBins = PageArray<std::uint32_t>::allocate(indexes);
    if (!photons || !widths || !intervals || !peaks || !peakTimes || !startBins || !endBins)
        return 2; // the new arrays go away with their owners; the set is untouched
    set.photons = std::move(photons);
    set.widths = std::move(widths);
    set.intervals = std::move(intervals);
    set.peaks = std::move(peaks);
    set.peakTimes = std::move(peakTimes);
    set.startBins = std::move(startBins);
    set.endBins = std::move(endBins);
    constexpr std::uint64_t int32Max = std::numeric_limits<std::int32_t>::max();
    set.arrayBytes = static_cast<std::int32_t>(std::min(16 * a, int32Max));
    set.capacity = static_cast<std::int32_t>(std::min(2 * a, int32Max));
    set.burstCount = 0;
    return 0;
}

std::uint64_t detectBurst(std::uint32_t triggerBin, const PhotonStream& stream, BurstSet& set, BurstScanState& scan)
{
    const std::uint32_t s = triggerBin;
    const BinReader bins { stream.counts.data(), stream.length, set.backgroundCounts + 1u };
    const std::uint32_t S = set.subMinBins;
    const std::uint64_t rejected = std::uint64_t { s } + 1;
    if (set.burstCount >= static_cast<std::uint32_t>(std::max(set.capacity, 0)))
        return rejected;

    const std::optional<std::uint64_t> start = findStart(bins, s, S, scan.previousBurstEnd);
    if (!start)
        return rejected;
    const std::uint64_t d = *start;
    const std::uint64_t limit = std::min(d + spanBinsFor(set.binWidthUs), bins.length);
    const std::uint64_t n = findEnd(bins, s, S, limit);
    // A trigger bin at or below the edge can leave the end before the start.
    if (n < d)
        return rejected;

    std::uint32_t sum = d < s ? bins.sum(d, s - 1) : 0u;
    sum += bins.sum(s, n);
    if (sum < set.minPhotons)
        return rejected;

    const std::size_t k = set.burstCount;
    const auto widthBins = static_cast<double>(n - d);
    double photons = sum;
    // The acceptance above used the raw sum; the background comes off afterwards.
    if (scan.subtractBackground)
        photons = std::max(0.0, photons - set.backgroundPerBin * widthBins);
    set.photons[k] = photons;
    set.widths[k] = widthBins * set.binWidthUs;
    const std::uint32_t g = peakBin(stream.bins(), d, n);
    set.peaks[k] = bins.at(g);
    set.peakTimes[k] = g * set.binWidthUs * 1e-6;
    set.startBins[k] = static_cast<std::uint32_t>(d);
    set.endBins[k] = static_cast<std::uint32_t>(n);
    scan.previousBurstEnd = static_cast<std::uint32_t>(n);
    set.burstCount = static_cast<std::uint32_t>(k + 1);
    return n + 1;
}

int scanBursts(const PhotonStream& stream, BurstSet& set, bool subtractBackground, Progress& progress)
{
    constexpr std::uint64_t reportBins = std::uint64_t { 1 } << 20;
    set.burstCount = 0;
    BurstScanState scan;
    scan.subtractBackground = subtractBackground;
    const std::span<const std::uint16_t> counts = stream.bins();
    const auto capacity = static_cast<std::uint32_t>(std::max(set.capacity, 0));
    std::uint64_t i = nextTriggerBin(counts, 0, set.triggerLevel);
    std::uint64_t nextReport = reportBins;
    while (i < counts.size()) {
        if (i >= nextReport) {
            if (!progress.step(static_cast<double>(i) / static_cast<double>(counts.size())))
                return 8;
            nextReport = i + reportBins;
        }
        i = detectBurst(static_cast<std::uint32_t>(i), stream, set, scan);
        if (set.burstCount >= capacity)
            return 5;
        if (i < counts.size())
            i = nextTriggerBin(counts, static_cast<std::size_t>(i), set.triggerLevel);
    }
    for (std::uint32_t k = 0; k < set.burstCount; ++k)
        set.intervals[k] = k == 0 ? set.peakTimes[0] : set.peakTimes[k] - set.peakTimes[k - 1];
    return 1;
}

std::uint32_t peakBin(std::span<const std::uint16_t> counts, std::uint64_t first, std::uint64_t last)
{
    std::uint64_t best = first;
    std::uint32_t bestCount = first < counts.size() ? counts[first] : 0u;
    const std::uint64_t end = std::min<std::uint64_t>(last + 1, counts.size());
    for (std::uint64_t i = first + 1; i < end; ++i) {
        if (counts[i] > bestCount) {
            bestCount = counts[i];
            best = i;
        }
    }
    return static_cast<std::uint32_t>(best);
}

SeriesStats seriesStatistics(std::span<const double> values)
{
    SeriesStats stats;
    if (values.empty())
        return stats;
    double sum = 0.0;
    stats.max = values.front();
    stats.min = values.front();
    for (const double v : values) {
        sum += v;
        stats.max = std::max(stats.max, v);
        stats.min = std::min(stats.min, v);
    }
    const auto n = static_cast<double>(values.size());
    stats.mean = sum / n;
    double squares = 0.0;
    for (const double v : values)
        squares += (stats.mean - v) * (stats.mean - v);
    stats.sd = std::sqrt(squares / n);
    return stats;
}

} // namespace plask
