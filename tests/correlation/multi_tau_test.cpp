#include "correlation/multi_tau.h"

#include "correlation_test_support.h"
#include "reference_correlator.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace plask {
namespace {

    using testing::makeStream;
    using testing::rampCounts;
    using testing::randomCounts;

    // prepareCorrelation and allocateLagChannels for one stretch.
    CorrelationResult preparedResult(std::uint32_t first, std::uint32_t last, int step, double binWidth = 1.0)
    {
        CorrelationResult result;
        prepareCorrelation(result, first, last, step, binWidth);
        EXPECT_EQ(allocateLagChannels(result), 0);
        return result;
    }

    void expectSameRecord(const LagChannel& fast, const LagChannel& plain, int record)
    {
        SCOPED_TRACE(record);
        EXPECT_EQ(fast.sumProducts, plain.sumProducts);
        EXPECT_EQ(fast.sumDirect, plain.sumDirect);
        EXPECT_EQ(fast.sumDelayed, plain.sumDelayed);
        EXPECT_EQ(fast.pairCount, plain.pairCount);
        // Bit for bit, not merely close.
        EXPECT_EQ(std::memcmp(&fast.g, &plain.g, sizeof(double)), 0) << fast.g << " vs " << plain.g;
        EXPECT_EQ(std::memcmp(&fast.lagMs, &plain.lagMs, sizeof(double)), 0) << fast.lagMs << " vs " << plain.lagMs;
    }

    void expectSameCurve(const CorrelationResult& fast, const CorrelationResult& plain)
    {
        ASSERT_EQ(fast.lagCount, plain.lagCount);
        ASSERT_EQ(fast.lags.capacity(), plain.lags.capacity());
        EXPECT_EQ(fast.correlatedBins, plain.correlatedBins);
        for (std::size_t r = 0; r < fast.lags.capacity(); ++r)
            expectSameRecord(fast.lags[r], plain.lags[r], static_cast<int>(r));
    }

    struct GridCase {
        std::uint64_t bins;
        int step;
        int levels;
        int lagCount;
    };

    class LagGrid : public ::testing::TestWithParam<GridCase> { };

    TEST_P(LagGrid, LevelsAndLagCountFollowTheLiteralDivisor)
    {
        const GridCase grid = GetParam();
        CorrelationResult result;
        prepareCorrelation(result, 100, static_cast<std::uint32_t>(100 + grid.bins - 1), grid.step, 2.0);
        EXPECT_EQ(result.levelCount, grid.levels);
        EXPECT_EQ(result.lagCount, grid.lagCount);
        EXPECT_EQ(result.mtStep, grid.step);
        EXPECT_EQ(result.calcBinWidthUs, 2.0);
    }

    INSTANTIATE_TEST_SUITE_P(Examples, LagGrid,
        ::testing::Values(GridCase { 32, 8, 0, 16 }, // x = 1
            GridCase { 1024, 8, 4, 48 }, // x = 32 exactly: 4, not 5
            GridCase { 1000, 8, 4, 48 }, GridCase { 16, 2, 0, 4 }, // x = 2: 0, not 1
            GridCase { 8, 2, 0, 4 }, GridCase { 20, 2, 1, 6 }, GridCase { 21, 2, 1, 6 },
            GridCase { 200000, 8, 12, 112 }, GridCase { 10000, 8, 8, 80 }, GridCase { 40000, 8, 10, 96 },
            GridCase { 1u << 30, 32, 22, 768 }));

    TEST(Autocorrelate, CountsOneToEightGiveTheWorkedExample)
    {
        const PhotonStream stream = makeStream(rampCounts(8));
        CorrelationResult result = preparedResult(0, 7, 2);
        ASSERT_TRUE(autocorrelate(stream, result, 0, 7).has_value());
        ASSERT_EQ(result.lagCount, 4);
        const double g[] = { 1.0 / 5, 5.0 / 33, 1.0 / 9, 1.0 / 13 };
        for (int r = 0; r < 4; ++r) {
            EXPECT_DOUBLE_EQ(result.lags[std::size_t(r)].g, g[r]);
            EXPECT_EQ(result.lags[std::size_t(r)].pairCount, std::uint32_t(7 - r));
            EXPECT_DOUBLE_EQ(result.lags[std::size_t(r)].lagMs, 0.001 * (r + 1));
        }
        EXPECT_EQ(result.lags[0].sumProducts, 168);
        EXPECT_EQ(result.lags[0].sumDirect, 28);
        EXPECT_EQ(result.lags[0].sumDelayed, 35);
        EXPECT_EQ(result.correlatedBins, 8u);
    }

    TEST(Autocorrelate, CountsOneToTwentyReachTheFirstCoarseLevel)
    {
        const PhotonStream stream = makeStream(rampCounts(20));
        CorrelationResult result = preparedResult(0, 19, 2);
        ASSERT_TRUE(autocorrelate(stream, result, 0, 19).has_value());
        ASSERT_EQ(result.lagCount, 6);
        const double g[] = { 3.0 / 11, 17.0 / 69, 2.0 / 9, 1.0 / 5, 64.0 / 405, 140.0 / 1131 };
        const double bins[] = { 1, 2, 3, 4, 6, 8 };
        for (std::size_t r = 0; r < 6; ++r) {
            EXPECT_DOUBLE_EQ(result.lags[r].g, g[r]);
            EXPECT_DOUBLE_EQ(result.lags[r].lagMs, 0.001 * bins[r]);
        }
        EXPECT_EQ(result.lags[4].pairCount, 7u);
        EXPECT_EQ(result.lags[5].pairCount, 6u);
    }

    TEST(Autocorrelate, OddLengthKeepsTheLastBinAloneWhenCoarsening)
    {
        const PhotonStream stream = makeStream(rampCounts(21));
        CorrelationResult result = preparedResult(0, 20, 2);
        ASSERT_TRUE(autocorrelate(stream, result, 0, 20).has_value());
        EXPECT_EQ(result.lags[4].sumProducts, 3934);
        EXPECT_EQ(result.lags[5].sumProducts, 3109);
        EXPECT_EQ(result.lags[4].pairCount, 8u);
        EXPECT_EQ(result.lags[5].pairCount, 7u);
        EXPECT_NEAR(result.lags[4].g, 26.0 / 255, 1e-15); // g - 1 loses a few bits
        EXPECT_NEAR(result.lags[5].g, 184.0 / 2925, 1e-15);
    }

    TEST(Autocorrelate, ConstantAndEmptyStreamsGiveZero)
    {
        const PhotonStream constant = makeStream(std::vector<std::uint16_t>(1024, 3));
        CorrelationResult result = preparedResult(0, 1023, 8);
        ASSERT_TRUE(autocorrelate(constant, result, 0, 1023).has_value());
        ASSERT_EQ(result.lagCount, 48);
        for (std::size_t r = 0; r < 48; ++r)
            EXPECT_EQ(result.lags[r].g, 0.0) << r;
        EXPECT_DOUBLE_EQ(result.lags[47].lagMs, 0.256);

        const PhotonStream zeros = makeStream(std::vector<std::uint16_t>(1024, 0));
        CorrelationResult empty = preparedResult(0, 1023, 8);
        ASSERT_TRUE(autocorrelate(zeros, empty, 0, 1023).has_value());
        for (std::size_t r = 0; r < 48; ++r) {
            EXPECT_EQ(empty.lags[r].g, 0.0);
            EXPECT_EQ(empty.lags[r].pairCount, 0u);
        }
    }

    TEST(Autocorrelate, PoolingAShorterStretchLeavesTheHigherLevelsAlone)
    {
        const std::vector<std::uint16_t> counts = randomCounts(6000, 2.0, false, 7);
        const PhotonStream stream = makeStream(counts);
        CorrelationResult pooled = preparedResult(0, 4095, 8); // x = 128: L = 6
        ASSERT_TRUE(autocorrelate(stream, pooled, 0, 4095).has_value());
        EXPECT_EQ(pooled.lags.capacity(), 64u);
        const LagChannel before = pooled.lags[60];

        prepareCorrelation(pooled, 4096, 4096 + 299, 8, 1.0); // 300 bins: L = 3
        EXPECT_EQ(pooled.lagCount, 40);
        ASSERT_TRUE(autocorrelate(stream, pooled, 4096, 4096 + 299).has_value());
        EXPECT_EQ(pooled.lags[60].sumProducts, before.sumProducts);
        EXPECT_EQ(pooled.lags[60].pairCount, before.pairCount);
        EXPECT_EQ(pooled.lags[60].g, before.g);

        // The touched records hold the sums of both stretches.
        CorrelationResult first = preparedResult(0, 4095, 8);
        ASSERT_TRUE(autocorrelate(stream, first, 0, 4095).has_value());
        CorrelationResult second = preparedResult(4096, 4096 + 299, 8);
        ASSERT_TRUE(autocorrelate(stream, second, 4096, 4096 + 299).has_value());
        for (std::size_t r = 0; r < 40; ++r) {
            EXPECT_EQ(pooled.lags[r].sumProducts, first.lags[r].sumProducts + second.lags[r].sumProducts);
            EXPECT_EQ(pooled.lags[r].pairCount, first.lags[r].pairCount + second.lags[r].pairCount);
        }
    }

    // Random stretches of random streams, pooled into one curve by the fast
    // correlator and by the plain loops: every sum and every G the same.
    TEST(Autocorrelate, PooledRandomStretchesMatchThePlainLoops)
    {
        std::mt19937 random(2024);
        const int steps[] = { 2, 4, 8, 12, 16, 24, 32, 64, 128 };
        for (int trial = 0; trial < 12; ++trial) {
            SCOPED_TRACE(trial);
            const int step = steps[trial % 9];
            const double mean = trial % 3 == 0 ? 0.2 : (trial % 3 == 1 ? 4.0 : 300.0);
            const std::vector<std::uint16_t> counts
                = randomCounts(70000, mean, trial % 2 == 0, 100u + std::uint32_t(trial));
            const PhotonStream stream = makeStream(counts);
            std::uniform_int_distribution<std::uint32_t> pick(0, 69999);

            std::vector<std::pair<std::uint32_t, std::uint32_t>> stretches;
            while (stretches.size() < 4) {
                std::uint32_t a = pick(random);
                std::uint32_t b = pick(random) / std::uint32_t(1 + stretches.size() * 8);
                if (a > b)
                    std::swap(a, b);
                if (b - a + 1 >= minimumStretchBins(step))
                    stretches.emplace_back(a, b);
            }
            std::uint32_t longest = 0;
            for (std::size_t i = 1; i < stretches.size(); ++i)
                if (stretches[i].second - stretches[i].first > stretches[longest].second - stretches[longest].first)
                    longest = std::uint32_t(i);

            CorrelationResult fast = preparedResult(stretches[longest].first, stretches[longest].second, step, 0.5);
            CorrelationResult plain = preparedResult(stretches[longest].first, stretches[longest].second, step, 0.5);
            for (const auto& [first, last] : stretches) {
                prepareCorrelation(fast, first, last, step, 0.5);
                prepareCorrelation(plain, first, last, step, 0.5);
                ASSERT_TRUE(autocorrelate(stream, fast, first, last).has_value());
                reference::correlate(stream.bins(), stream.bins(), plain, first, last);
            }
            expectSameCurve(fast, plain);
        }
    }

    TEST(CrossCorrelate, RandomStreamsMatchThePlainLoops)
    {
        for (int trial = 0; trial < 6; ++trial) {
            SCOPED_TRACE(trial);
            const int step = trial < 3 ? 8 : 32;
            const std::size_t n = 30001 + std::size_t(trial) * 7777;
            const PhotonStream direct
                = makeStream(randomCounts(n, trial == 5 ? 700.0 : 1.5, trial % 2 == 1, 11u + std::uint32_t(trial)));
            const PhotonStream delayed = makeStream(randomCounts(n, 2.5, trial == 2, 31u + std::uint32_t(trial)));
            const auto first = std::uint32_t(trial * 13);
            const auto last = std::uint32_t(n - 1 - std::size_t(trial));
            CorrelationResult fast = preparedResult(first, last, step);
            CorrelationResult plain = preparedResult(first, last, step);
            ASSERT_TRUE(crossCorrelate(direct, delayed, fast, first, last).has_value());
            reference::correlate(direct.bins(), delayed.bins(), plain, first, last);
            expectSameCurve(fast, plain);
        }
    }

    TEST(Autocorrelate, SaturatedStreamWrapsItsCoarseBinsLikeThePlainLoops)
    {
        // 65535 in every bin: coarse bins pass 2^31 at level 15 and wrap at
        // level 16, beyond the correlator's stated limits but still defined.
        const std::uint32_t n = (1u << 19) + 77;
        const PhotonStream stream = makeStream(std::vector<std::uint16_t>(n, 65535));
        CorrelationResult fast = preparedResult(0, n - 1, 2);
        CorrelationResult plain = preparedResult(0, n - 1, 2);
        ASSERT_EQ(fast.levelCount, 16);
        ASSERT_TRUE(autocorrelate(stream, fast, 0, n - 1).has_value());
        reference::correlate(stream.bins(), stream.bins(), plain, 0, n - 1);
        expectSameCurve(fast, plain);
    }

    TEST(Autocorrelate, RefusesWhatItCannotCorrelateAndChangesNothing)
    {
        const PhotonStream stream = makeStream(rampCounts(100));
        CorrelationResult result = preparedResult(0, 49, 8); // 16 records
        ASSERT_TRUE(autocorrelate(stream, result, 0, 49).has_value());
        const std::int64_t products = result.lags[0].sumProducts;

        EXPECT_FALSE(autocorrelate(stream, result, 0, 100).has_value()); // past the end
        EXPECT_FALSE(autocorrelate(stream, result, 50, 40).has_value()); // reversed
        prepareCorrelation(result, 0, 30, 8, 1.0); // 31 bins < 4d
        EXPECT_FALSE(autocorrelate(stream, result, 0, 30).has_value());
        prepareCorrelation(result, 0, 99, 8, 1.0); // more records than the array holds
        EXPECT_EQ(result.lagCount, 24);
        EXPECT_FALSE(autocorrelate(stream, result, 0, 99).has_value());
        EXPECT_EQ(result.lags[0].sumProducts, products);

        CorrelationResult unallocated;
        prepareCorrelation(unallocated, 0, 99, 8, 1.0);
        EXPECT_FALSE(autocorrelate(stream, unallocated, 0, 99).has_value());
    }

    TEST(NormaliseLag, ProductBeyondSixtyFourBitsStillGivesG)
    {
        LagChannel lag;
        lag.sumDirect = std::int64_t { 1 } << 32;
        lag.sumDelayed = std::int64_t { 1 } << 34; // product 2^66
        lag.sumProducts = std::int64_t { 1 } << 41;
        normaliseLag(lag, 1u << 26);
        EXPECT_EQ(lag.pairCount, 1u << 26);
        EXPECT_EQ(lag.g, 1.0);

        LagChannel zero;
        zero.sumDelayed = 5;
        zero.sumProducts = 3;
        normaliseLag(zero, 10);
        EXPECT_EQ(zero.g, 0.0);
        EXPECT_EQ(zero.pairCount, 0u);
    }

    TEST(RescaleBinIndex, TruncatesTowardZero)
    {
        EXPECT_EQ(rescaleBinIndex(1001, 1.0, 2.0), 500);
        EXPECT_EQ(rescaleBinIndex(5001, 1.0, 2.0), 2500);
        EXPECT_EQ(rescaleBinIndex(4'000'000'000LL, 1.0, 0.1), std::numeric_limits<std::int32_t>::max());
    }

} // namespace
} // namespace plask
