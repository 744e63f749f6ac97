#include "analysis/stream_math.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace plask {

namespace {
    // A real-valued result as a count: truncated towards zero, within 0..65535.
    std::uint16_t clampCount(double value)
    {
        if (!(value > 0.0))
            return 0;
        if (value >= 65535.0)
            return 65535;
        return static_cast<std::uint16_t>(value);
    }

    void updateRange(PhotonStream& stream)
    {
        const CountRange range = countRange(stream.bins());
        stream.maxCount = range.max;
        stream.minCount = range.min;
    }

    // Bins between two progress reports.
    constexpr std::size_t blockBins = std::size_t { 1 } << 20;

    // Calls `block(from, to)` over 0..n in blocks, reporting between them;
    // false when the progress answered a cancel.
    template <typename Block> bool inBlocks(std::size_t n, Progress& progress, Block block)
    {
        for (std::size_t from = 0; from < n; from += blockBins) {
            if (!progress.step(static_cast<double>(from) / static_cast<double>(n)))
                return false;
            block(from, std::min(n, from + blockBins));
        }
        return true;
    }

    template <typename Operation> bool rewrite(PhotonStream& stream, Operation operation, Progress& progress)
    {
        const std::span<std::uint16_t> bins = stream.bins();
        if (!inBlocks(bins.size(), progress, [&](std::size_t from, std::size_t to) {
                for (std::size_t i = from; i < to; ++i)
                    bins[i] = operation(bins[i]);
            }))
            return false;
        updateRange(stream);
        return true;
    }

    template <typename Operation>
    bool combine(PhotonStream& target, const PhotonStream& source, Operation operation, Progress& progress)
    {
        const std::span<std::uint16_t> t = target.bins();
        const std::span<std::uint16_t> s = source.bins();
        if (!inBlocks(std::min(t.size(), s.size()), progress, [&](std::size_t from, std::size_t to) {
                for (std::size_t i = from; i < to; ++i)
                    t[i] = operation(t[i], s[i]);
            }))
            return false;
        updateRange(target);
        return true;
    }

    // The counts of `stream` to work on, with its length; empty when memory is short.
    std::optional<PhotonStream> scratchCounts(const PhotonStream& stream)
    {
        PhotonStream copy;
        copy.length = stream.length;
        copy.counts = PageArray<std::uint16_t>::allocate(std::max<std::size_t>(stream.length, 1));
        if (!copy.counts)
            return std::nullopt;
        std::copy_n(stream.counts.data(), stream.length, copy.counts.data());
        copy.maxCount = stream.maxCount;
        copy.minCount = stream.minCount;
        return copy;
    }

    void commitCounts(PhotonStream& stream, PhotonStream& scratch)
    {
        stream.counts = std::move(scratch.counts);
        stream.maxCount = scratch.maxCount;
        stream.minCount = scratch.minCount;
    }
} // namespace

bool subtractConstant(PhotonStream& stream, double constant, Progress& progress)
{
    return rewrite(stream, [constant](std::uint16_t x) { return clampCount(x - constant); }, progress);
}

bool addConstant(PhotonStream& stream, double constant, Progress& progress)
{
    const double whole = std::trunc(constant);
    return rewrite(stream, [whole](std::uint16_t x) { return clampCount(x + whole); }, progress);
}

bool scaleStream(PhotonStream& stream, double factor, Progress& progress)
{
    return rewrite(stream, [factor](std::uint16_t x) { return clampCount(factor * x); }, progress);
}

bool addStream(PhotonStream& target, const PhotonStream& source, Progress& progress)
{
    return combine(
        target, source, [](std::uint16_t a, std::uint16_t b) { return clampCount(static_cast<double>(a) + b); },
        progress);
}

bool subtractStream(PhotonStream& target, const PhotonStream& source, Progress& progress)
{
    return combine(
        target, source, [](std::uint16_t a, std::uint16_t b) { return clampCount(static_cast<double>(a) - b); },
        progress);
}

bool addPoissonNoise(PhotonStream& stream, NoiseState& noise, Progress& progress)
{
    return rewrite(
        stream,
        [&noise](std::uint16_t x) {
            return x == 0 ? clampCount(poissonDeviate(noise, 1.0)) : clampCount(x + poissonDeviate(noise, x));
        },
        progress);
}

bool correctBleedThrough(PhotonStream& ps1, PhotonStream& ps2, double a, double b, Progress& progress)
{
    const double d = 1.0 - (a + b);
    // At D <= 0 the division blows up or flips every sign.
    if (!(d > 0.0))
        return false;
    const std::span<std::uint16_t> c1 = ps1.bins();
    const std::span<std::uint16_t> c2 = ps2.bins();
    if (!inBlocks(std::min(c1.size(), c2.size()), progress, [&](std::size_t from, std::size_t to) {
            for (std::size_t i = from; i < to; ++i) {
                const double x1 = c1[i];
                const double x2 = c2[i];
                const double g = b * (x1 + x2);
                c1[i] = clampCount((x1 - g) / d);
                c2[i] = clampCount((x2 - g) / d);
            }
        }))
        return false;
    updateRange(ps1);
    updateRange(ps2);
    return true;
}

void runMathCommand(AppState& state, Platform& platform, int commandId)
{
    const AnalysisSettings& s = state.settings();
    PhotonStream& ps1 = streamOf(state, 0);
    PhotonStream& ps2 = streamOf(state, 1);
    const bool has1 = isLoaded(state, 0);
    const bool has2 = isLoaded(state, 1);
    const bool both = has1 && has2;
    // Which channels the command rewrites, and whether it can run.
    bool writes1 = false;
    bool writes2 = false;
    switch (commandId) {
    case commandSubtractC1:
    case commandAddC1:
    case commandScaleA1:
    case commandNoise1:
        writes1 = has1;
        break;
    case commandSubtractC2:
    case commandAddC2:
    case commandScaleA2:
    case commandNoise2:
        writes2 = has2;
        break;
    case commandAddStreams:
    case commandSubtractStreams:
        writes1 = both;
        break;
    case commandBleedThrough:
        writes1 = writes2 = both;
        if (both && !(s.bleed12Factor + s.bleed21Factor < 1.0)) {
            platform.showMessage(bleedThroughRefused, bleedThroughCaption, Owner::mainWindow);
            return;
        }
        break;
    default:
        return;
    }
    if (!writes1 && !writes2)
        return;

    // The job rewrites copies of the counts; the channels take them only
    // when it completed, so a cancel leaves both as they were.
    std::optional<PhotonStream> scratch1 = writes1 ? scratchCounts(ps1) : std::nullopt;
    std::optional<PhotonStream> scratch2 = writes2 ? scratchCounts(ps2) : std::nullopt;
    if ((writes1 && !scratch1) || (writes2 && !scratch2)) {
        platform.showMessage("Could not reserve needed memory.", "Memory Error", Owner::mainWindow);
        return;
    }
    bool done = false;
    const JobOutcome outcome = platform.runJob("Math", [&](Progress& progress) {
        switch (commandId) {
        case commandSubtractC1:
            done = subtractConstant(*scratch1, s.offsetC1, progress);
            break;
        case commandAddC1:
            done = addConstant(*scratch1, s.offsetC1, progress);
            break;
        case commandSubtractC2:
            done = subtractConstant(*scratch2, s.offsetC2, progress);
            break;
        case commandAddC2:
            done = addConstant(*scratch2, s.offsetC2, progress);
            break;
        case commandScaleA1:
            done = scaleStream(*scratch1, s.scaleA1, progress);
            break;
        case commandScaleA2:
            done = scaleStream(*scratch2, s.scaleA2, progress);
            break;
        case commandAddStreams:
            done = addStream(*scratch1, ps2, progress);
            break;
        case commandSubtractStreams:
            done = subtractStream(*scratch1, ps2, progress);
            break;
        case commandNoise1:
            done = addPoissonNoise(*scratch1, processNoise(), progress);
            break;
        case commandNoise2:
            done = addPoissonNoise(*scratch2, processNoise(), progress);
            break;
        case commandBleedThrough:
            done = correctBleedThrough(*scratch1, *scratch2, s.bleed12Factor, s.bleed21Factor, progress);
            break;
        default:
            break;
        }
    });
    if (outcome == JobOutcome::cancelled || !done)
        return;
    if (scratch1)
        commitCounts(ps1, *scratch1);
    if (scratch2)
        commitCounts(ps2, *scratch2);
    platform.redrawTrace();
}

} // namespace plask
