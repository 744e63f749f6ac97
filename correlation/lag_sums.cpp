#include "correlation/lag_sums.h"

#include "correlation/correlator_kernels.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

namespace plask {

using kernels::blockBins;
using kernels::smallValueLimit;

namespace {
    // More levels than any stretch of 2^32 bins can have.
    constexpr int maxLevels = 40;
    // Blocks of level 0 between two progress reports (2^18 bins).
    constexpr std::size_t blocksPerReport = 128;

    // One coarse level, fed block by block from the level below it.
    struct Level {
        std::uint32_t* direct = nullptr; // [0, history) the previous values, then the block
        std::uint32_t* delayed = nullptr; // the block only (the same array for autocorrelation)
        std::uint32_t* head = nullptr; // the first `history` delayed values of the level
        std::size_t filled = 0; // values in the block
        std::uint64_t index = 0; // level index of the block's first value
        std::uint32_t blockBits = 0; // direct and delayed values of the block ORed together
        std::uint32_t previousBits = 0; // the same for the previous block
        std::uint64_t blockDirect = 0; // sums of the block's values
        std::uint64_t blockDelayed = 0;
        std::uint64_t totalDirect = 0; // sums of the level's values so far
        std::uint64_t totalDelayed = 0;
    };

    struct Engine {
        int step = 0;
        std::size_t history = 0; // 2d: the longest lag of a level in its own bins
        int levels = 0;
        bool cross = false;
        std::array<Level, maxLevels + 1> level {};
        std::int16_t* direct16 = nullptr;
        std::int16_t* delayed16 = nullptr;
        std::span<LagSums> out;
    };

    [[nodiscard]] std::size_t recordOf(const Engine& engine, int h, std::size_t lag)
    {
        const auto d = static_cast<std::size_t>(engine.step);
        return h == 0 ? lag - 1 : 2 * d + static_cast<std::size_t>(h - 1) * d + (lag - d - 1);
    }

    // Adds the products of lags firstLag ... lastLag for one block of level
    // h: `direct` and `delayed` point at the block's first value, which has
    // level index `index`; pairs start at level index 0.
    template <typename T, typename Dot>
    void addProducts(Engine& engine, int h, std::size_t firstLag, std::size_t lastLag, const T* direct,
        const T* delayed, std::uint64_t index, std::size_t count, Dot dot)
    {
        for (std::size_t lag = firstLag; lag <= lastLag; ++lag) {
            const std::size_t skip = index >= lag ? 0 : static_cast<std::size_t>(lag - index);
            if (skip < count)
                engine.out[recordOf(engine, h, lag)].products += dot(direct + skip - lag, delayed + skip, count - skip);
        }
    }

    // The same for values of at most smallValueLimit, eight or four lags a
    // pass once the block lies past the first lags of the level.
    void addSmallProducts(Engine& engine, int h, std::size_t firstLag, std::size_t lastLag, const std::int16_t* direct,
        const std::int16_t* delayed, std::uint64_t index, std::size_t count)
    {
        std::size_t lag = firstLag;
        if (index >= lastLag) {
            std::uint32_t sums[8];
            for (; lag + 7 <= lastLag; lag += 8) {
                kernels::dotSmall8(direct - lag, delayed, count, sums);
                for (std::size_t j = 0; j < 8; ++j)
                    engine.out[recordOf(engine, h, lag + j)].products += sums[j];
            }
            for (; lag + 3 <= lastLag; lag += 4) {
                kernels::dotSmall4(direct - lag, delayed, count, sums);
                for (std::size_t j = 0; j < 4; ++j)
                    engine.out[recordOf(engine, h, lag + j)].products += sums[j];
            }
        }
        addProducts(engine, h, lag, lastLag, direct, delayed, index, count, kernels::dotSmall);
    }

    void processLevel(Engine& engine, int h);

    // Level h received `count` coarse values at the end of its block.
    void blockGrew(
        Engine& engine, int h, std::size_t count, std::uint32_t bits, std::uint64_t sumDirect, std::uint64_t sumDelayed)
    {
        Level& lv = engine.level[static_cast<std::size_t>(h)];
        lv.blockBits |= bits;
        lv.blockDirect += sumDirect;
        lv.blockDelayed += sumDelayed;
        lv.filled += count;
        if (lv.filled == blockBins)
            processLevel(engine, h);
    }

    // Products of one block of a coarse level with the lags d + 1 ... 2d;
    // then the block goes on to the next level and its tail becomes history.
    void processLevel(Engine& engine, int h)
    {
        Level& lv = engine.level[static_cast<std::size_t>(h)];
        const std::size_t H = engine.history;
        const std::size_t count = lv.filled;
        std::uint32_t* direct = lv.direct + H;
        std::uint32_t* delayed = lv.delayed + H;
        const std::uint32_t bits = lv.blockBits;
        const std::uint64_t sumDirect = lv.blockDirect;
        const std::uint64_t sumDelayed = lv.blockDelayed;
        // The history's direct values lie in the previous block.
        const bool small = (bits | lv.previousBits) <= smallValueLimit;
        lv.previousBits = bits;
        lv.blockBits = 0;
        lv.blockDirect = 0;
        lv.blockDelayed = 0;
        lv.totalDirect += sumDirect;
        lv.totalDelayed += sumDelayed;
        if (lv.index < H)
            std::copy_n(delayed, std::min<std::uint64_t>(H - lv.index, count), lv.head + lv.index);

        const auto d = static_cast<std::size_t>(engine.step);
        if (small) {
            const std::size_t available = static_cast<std::size_t>(std::min<std::uint64_t>(H, lv.index));
            std::int16_t* direct16 = engine.direct16 + H;
            std::int16_t* delayed16 = direct16;
            kernels::narrow32(direct - available, available + count, direct16 - available);
            if (engine.cross) {
                delayed16 = engine.delayed16 + H;
                kernels::narrow32(delayed, count, delayed16);
            }
            addSmallProducts(engine, h, d + 1, 2 * d, direct16, delayed16, lv.index, count);
        } else {
            addProducts(engine, h, d + 1, 2 * d, direct, delayed, lv.index, count, kernels::dotWide32);
        }

        if (h < engine.levels) {
            Level& next = engine.level[static_cast<std::size_t>(h + 1)];
            const std::size_t coarse = (count + 1) / 2;
            std::uint32_t* coarseDirect = next.direct + H + next.filled;
            std::uint32_t* coarseDelayed = next.delayed + H + next.filled;
            std::uint32_t coarseBits = kernels::coarsen32(direct, count, coarseDirect);
            if (engine.cross)
                coarseBits |= kernels::coarsen32(delayed, count, coarseDelayed);
            // Pairs of values below 2^31 cannot wrap: the coarse bins then
            // hold the block's sums.
            const bool exact = bits < (1u << 31);
            blockGrew(engine, h + 1, coarse, coarseBits, exact ? sumDirect : kernels::sum32(coarseDirect, coarse),
                exact ? sumDelayed : kernels::sum32(coarseDelayed, coarse));
        }
        std::memmove(lv.direct, lv.direct + count, H * sizeof(std::uint32_t));
        lv.index += count;
        lv.filled = 0;
    }

    // Level 0 reads the counts in place, block by block; counts of at most
    // smallValueLimit read the same as int16.
    // False when the progress answered a cancel.
    [[nodiscard]] bool runLevelZero(Engine& engine, const std::uint16_t* direct, const std::uint16_t* delayed,
        std::size_t n, std::uint64_t& totalDirect, std::uint64_t& totalDelayed, Progress& progress)
    {
        const std::size_t lags = 2 * static_cast<std::size_t>(engine.step);
        const std::size_t reportBins = blocksPerReport * blockBins;
        std::uint32_t previousBits = 0;
        for (std::size_t start = 0; start < n; start += blockBins) {
            if (start % reportBins == 0 && start > 0
                && !progress.step(static_cast<double>(start) / static_cast<double>(n)))
                return false;
            const std::size_t count = std::min(blockBins, n - start);
            kernels::BlockStats directStats;
            kernels::BlockStats delayedStats;
            std::uint32_t coarseBits = 0;
            if (engine.levels >= 1) {
                Level& next = engine.level[1];
                const std::size_t at = engine.history + next.filled;
                directStats = kernels::coarsen16(direct + start, count, next.direct + at, coarseBits);
                if (engine.cross)
                    delayedStats = kernels::coarsen16(delayed + start, count, next.delayed + at, coarseBits);
            } else {
                directStats = kernels::stats16(direct + start, count);
                if (engine.cross)
                    delayedStats = kernels::stats16(delayed + start, count);
            }
            totalDirect += directStats.sum;
            totalDelayed += delayedStats.sum;
            const std::uint32_t bits = previousBits | directStats.bits | delayedStats.bits;
            previousBits = directStats.bits;

            if (bits <= smallValueLimit)
                addSmallProducts(engine, 0, 1, lags, reinterpret_cast<const std::int16_t*>(direct + start),
                    reinterpret_cast<const std::int16_t*>(delayed + start), start, count);
            else
                addProducts(engine, 0, 1, lags, direct + start, delayed + start, start, count, kernels::dotWide16);

            if (engine.levels >= 1)
                blockGrew(engine, 1, (count + 1) / 2, coarseBits, directStats.sum, delayedStats.sum);
        }
        if (!engine.cross)
            totalDelayed = totalDirect;
        return true;
    }

    // The direct sum of a lag is the level's total less its last `lag`
    // values, the delayed sum the total less its first `lag` values.
    template <typename T>
    void fillIntensitySums(Engine& engine, int h, std::uint64_t length, std::uint64_t totalDirect,
        std::uint64_t totalDelayed, const T* tail, const T* head)
    {
        const auto d = static_cast<std::size_t>(engine.step);
        const std::size_t H = engine.history;
        std::uint64_t tailSum = 0;
        std::uint64_t headSum = 0;
        for (std::size_t lag = 1; lag <= H; ++lag) {
            tailSum += tail[H - lag];
            headSum += head[lag - 1];
            if (h > 0 && lag <= d)
                continue;
            LagSums& sums = engine.out[recordOf(engine, h, lag)];
            sums.direct = totalDirect - tailSum;
            sums.delayed = totalDelayed - headSum;
            sums.pairs = static_cast<std::uint32_t>(length - lag);
        }
    }
} // namespace

std::uint64_t lagBinsOfRecord(int record, int step)
{
    if (record < 2 * step)
        return static_cast<std::uint64_t>(record + 1);
    const int coarse = record - 2 * step;
    const int h = coarse / step + 1;
    const int o = coarse % step + step + 1;
    return static_cast<std::uint64_t>(o) << h;
}

LagSumStatus computeLagSums(std::span<const std::uint16_t> direct, std::span<const std::uint16_t> delayed, int step,
    int levels, std::span<LagSums> out, Progress& progress)
{
    const std::size_t n = direct.size();
    if (step < 1 || levels < 0 || levels > maxLevels || delayed.size() != n
        || out.size() < static_cast<std::size_t>(lagRecordCount(step, levels)))
        return LagSumStatus::stretchTooShort;
    const auto H = 2 * static_cast<std::size_t>(step);
    // The coarsest level must give every lag at least one pair.
    if (((n - 1) >> levels) + 1 <= H)
        return LagSumStatus::stretchTooShort;

    Engine engine;
    engine.step = step;
    engine.history = H;
    engine.levels = levels;
    engine.cross = direct.data() != delayed.data();
    engine.out = out.first(static_cast<std::size_t>(lagRecordCount(step, levels)));
    std::fill(engine.out.begin(), engine.out.end(), LagSums {});

    // Working memory: per coarse level the direct and delayed blocks with
    // history and the head values; two 16-bit blocks for the fast path.
    // A few hundred KiB at most, so the heap's reuse beats fresh pages.
    const std::size_t span = H + blockBins;
    const std::size_t perLevel = (engine.cross ? 2 * span : span) + H;
    const std::size_t words = perLevel * static_cast<std::size_t>(levels) + span;
    std::vector<std::uint32_t> memory;
    try {
        memory.resize(words);
    } catch (const std::bad_alloc&) {
        return LagSumStatus::noMemory;
    }
    std::uint32_t* next = memory.data();
    engine.direct16 = reinterpret_cast<std::int16_t*>(next);
    engine.delayed16 = engine.direct16 + span;
    next += span;
    for (int h = 1; h <= levels; ++h) {
        Level& lv = engine.level[static_cast<std::size_t>(h)];
        lv.direct = next;
        next += span;
        lv.delayed = lv.direct;
        if (engine.cross) {
            lv.delayed = next;
            next += span;
        }
        lv.head = next;
        next += H;
    }

    std::uint64_t totalDirect = 0;
    std::uint64_t totalDelayed = 0;
    if (!runLevelZero(engine, direct.data(), delayed.data(), n, totalDirect, totalDelayed, progress))
        return LagSumStatus::cancelled;
    for (int h = 1; h <= levels; ++h)
        if (engine.level[static_cast<std::size_t>(h)].filled > 0)
            processLevel(engine, h);

    fillIntensitySums(engine, 0, n, totalDirect, totalDelayed, direct.data() + n - H, delayed.data());
    for (int h = 1; h <= levels; ++h) {
        Level& lv = engine.level[static_cast<std::size_t>(h)];
        if (!engine.cross)
            lv.totalDelayed = lv.totalDirect;
        fillIntensitySums(engine, h, lv.index, lv.totalDirect, lv.totalDelayed, lv.direct, lv.head);
    }
    return LagSumStatus::ok;
}

} // namespace plask
