#include "correlation/multi_tau.h"

#include "correlation/lag_sums.h"

#include <chrono>
#include <cmath>
#include <limits>
#include <new>
#include <vector>

namespace plask {

namespace {
    __extension__ typedef unsigned __int128 WideProduct;

    // A monotonic millisecond tick counter; differences are taken modulo 2^32.
    std::uint32_t tickMs()
    {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }

    // Adds a stretch's sums (two's complement wrap, as the 64-bit fields would).
    void addSums(LagChannel& lag, const LagSums& sums)
    {
        lag.sumProducts = static_cast<std::int64_t>(static_cast<std::uint64_t>(lag.sumProducts) + sums.products);
        lag.sumDirect = static_cast<std::int64_t>(static_cast<std::uint64_t>(lag.sumDirect) + sums.direct);
        lag.sumDelayed = static_cast<std::int64_t>(static_cast<std::uint64_t>(lag.sumDelayed) + sums.delayed);
    }

    std::optional<double> correlateStretch(std::span<const std::uint16_t> direct,
        std::span<const std::uint16_t> delayed, CorrelationResult& result, std::uint32_t first, std::uint32_t last,
        Progress& progress)
    {
        const std::uint32_t startTick = tickMs();
        const int step = result.mtStep;
        const int levels = static_cast<int>(result.levelCount);
        if (first > last || last >= direct.size() || last >= delayed.size() || step < 1 || levels < 0)
            return std::nullopt;
        const int records = lagRecordCount(step, levels);
        if (static_cast<std::size_t>(records) > result.lags.capacity())
            return std::nullopt;

        const std::size_t n = std::size_t { last } - first + 1;
        std::vector<LagSums> sums;
        try {
            sums.resize(static_cast<std::size_t>(records));
        } catch (const std::bad_alloc&) {
            return std::nullopt;
        }
        const bool autocorrelation = direct.data() == delayed.data();
        const std::span<const std::uint16_t> directStretch = direct.subspan(first, n);
        const std::span<const std::uint16_t> delayedStretch
            = autocorrelation ? directStretch : delayed.subspan(first, n);
        if (computeLagSums(directStretch, delayedStretch, step, levels, sums, progress) != LagSumStatus::ok)
            return std::nullopt;

        result.correlatedBins = static_cast<std::uint32_t>(n);
        const double binMs = result.calcBinWidthUs / 1000;
        for (int r = 0; r < records; ++r) {
            LagChannel& lag = result.lags[static_cast<std::size_t>(r)];
            const LagSums& stretch = sums[static_cast<std::size_t>(r)];
            addSums(lag, stretch);
            const int h = r < 2 * step ? 0 : (r - 2 * step) / step + 1;
            const auto binsAtLevel = static_cast<double>(lagBinsOfRecord(r, step) >> h);
            lag.lagMs = binMs * std::ldexp(1.0, h) * binsAtLevel;
            normaliseLag(lag, stretch.pairs);
        }
        return static_cast<double>(tickMs() - startTick) / 1000;
    }
} // namespace

int levelsForStretch(std::uint64_t bins, int step)
{
    const double x = static_cast<double>(bins) * 0.5 / (2.0 * step);
    return static_cast<int>(std::floor(std::log(x) / 0.69314718056));
}

void prepareCorrelation(
    CorrelationResult& result, std::uint32_t first, std::uint32_t last, int step, double calcBinWidthUs)
{
    result.mtStep = static_cast<std::uint16_t>(step);
    result.calcBinWidthUs = calcBinWidthUs;
    const std::uint64_t bins = std::uint64_t { last } - first + 1;
    result.levelCount = result.mtStep > 0 ? levelsForStretch(bins, result.mtStep) : 0;
    result.lagCount = static_cast<std::int32_t>((result.levelCount + 2) * result.mtStep);
}

int allocateLagChannels(CorrelationResult& result)
{
    result.lags.reset();
    if (result.lagCount <= 0)
        return 2;
    result.lags = PageArray<LagChannel>::allocate(static_cast<std::size_t>(result.lagCount));
    return result.lags ? 0 : 2;
}

void normaliseLag(LagChannel& lag, std::uint32_t newPairs)
{
    const WideProduct product
        = WideProduct { static_cast<std::uint64_t>(lag.sumDirect) } * static_cast<std::uint64_t>(lag.sumDelayed);
    if (product == 0 || lag.sumDirect < 0 || lag.sumDelayed < 0) {
        lag.g = 0.0;
        return;
    }
    lag.pairCount += newPairs;
    lag.g = static_cast<double>(lag.sumProducts) * static_cast<double>(lag.pairCount) / static_cast<double>(product)
        - 1.0;
}

std::optional<double> autocorrelate(const PhotonStream& stream, CorrelationResult& result, std::uint32_t first,
    std::uint32_t last, Progress& progress)
{
    const std::span<const std::uint16_t> counts = stream.bins();
    return correlateStretch(counts, counts, result, first, last, progress);
}

std::optional<double> crossCorrelate(const PhotonStream& direct, const PhotonStream& delayed, CorrelationResult& result,
    std::uint32_t first, std::uint32_t last, Progress& progress)
{
    return correlateStretch(direct.bins(), delayed.bins(), result, first, last, progress);
}

std::int32_t rescaleBinIndex(std::int64_t index, double fromBinWidth, double toBinWidth)
{
    const double scaled = std::trunc(static_cast<double>(index) * fromBinWidth / toBinWidth);
    constexpr auto lowest = static_cast<double>(std::numeric_limits<std::int32_t>::min());
    constexpr auto highest = static_cast<double>(std::numeric_limits<std::int32_t>::max());
    if (!(scaled >= lowest))
        return std::numeric_limits<std::int32_t>::min();
    if (scaled > highest)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(scaled);
}

std::int32_t rescaleBinIndex(std::int64_t index, const PhotonStream& from, const PhotonStream& to)
{
    return rescaleBinIndex(index, from.binWidth, to.binWidth);
}

} // namespace plask
