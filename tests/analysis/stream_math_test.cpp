#include "analysis/stream_math.h"
#include "loaded_stream.h"
#include "fake_platform.h"
#include "stream_helpers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace plask {
namespace {

using testing::countsOf;
using testing::makeStream;

using Counts = std::vector<std::uint16_t>;

TEST(StreamMath, ConstantsAreTruncatedAndResultsClamped)
{
    PhotonStream s = makeStream({ 1, 2, 5 });
    subtractConstant(s, 2.5);
    EXPECT_EQ(countsOf(s), (Counts { 0, 0, 2 }));
    s = makeStream({ 1, 2, 5 });
    addConstant(s, 2.5);
    EXPECT_EQ(countsOf(s), (Counts { 3, 4, 7 }));

    s = makeStream({ 0, 65535, 3 });
    addConstant(s, -1);
    EXPECT_EQ(countsOf(s), (Counts { 0, 65534, 2 }));
    addConstant(s, 10);
    EXPECT_EQ(countsOf(s), (Counts { 10, 65535, 12 }));
    subtractConstant(s, -70000);
    EXPECT_EQ(countsOf(s), (Counts { 65535, 65535, 65535 }));
}

TEST(StreamMath, ScalingTruncatesAndClampsAndUpdatesTheRange)
{
    PhotonStream s = makeStream({ 3, 40000, 7 });
    scaleStream(s, 0.5);
    EXPECT_EQ(countsOf(s), (Counts { 1, 20000, 3 }));
    s = makeStream({ 3, 40000, 7 });
    scaleStream(s, 2);
    EXPECT_EQ(countsOf(s), (Counts { 6, 65535, 14 }));
    EXPECT_EQ(s.maxCount, 65535);
    EXPECT_EQ(s.minCount, 6);
    scaleStream(s, -1);
    EXPECT_EQ(countsOf(s), (Counts { 0, 0, 0 }));
}

TEST(StreamMath, StreamsCombineOverTheShorterLength)
{
    PhotonStream ps1 = makeStream({ 65000, 3, 10, 4 });
    const PhotonStream ps2 = makeStream({ 1000, 5, 2 });
    addStream(ps1, ps2);
    EXPECT_EQ(countsOf(ps1), (Counts { 65535, 8, 12, 4 }));
    subtractStream(ps1, ps2);
    EXPECT_EQ(countsOf(ps1), (Counts { 64535, 3, 10, 4 }));
    subtractStream(ps1, ps2);
    EXPECT_EQ(countsOf(ps1), (Counts { 63535, 0, 8, 4 }));
}

TEST(BleedThrough, KnownAnswerAndIdentity)
{
    PhotonStream ps1 = makeStream({ 6, 9, 1 });
    PhotonStream ps2 = makeStream({ 2, 1 });
    ASSERT_TRUE(correctBleedThrough(ps1, ps2, 0.0, 0.5)); // fractions 0 and 1
    EXPECT_EQ(countsOf(ps1), (Counts { 4, 8, 1 }));
    EXPECT_EQ(countsOf(ps2), (Counts { 0, 0 }));

    PhotonStream a = makeStream({ 6, 9 });
    PhotonStream b = makeStream({ 2, 1 });
    ASSERT_TRUE(correctBleedThrough(a, b, 0.0, 0.0));
    EXPECT_EQ(countsOf(a), (Counts { 6, 9 }));
    EXPECT_EQ(countsOf(b), (Counts { 2, 1 }));
}

TEST(BleedThrough, FactorsSummingToOneAreRefused)
{
    AppState state;
    testing::loadCounts(state, 0, Counts(1000, 6));
    testing::loadCounts(state, 1, Counts(1000, 2));
    state.settings().bleedFrac12 = 1; // factors 0.5 and 0.5: D = 0
    state.settings().bleedFrac21 = 1;
    updateBleedFactors(state.settings());
    testing::FakePlatform platform;
    runMathCommand(state, platform, commandBleedThrough);
    EXPECT_EQ(countsOf(streamOf(state, 0)), Counts(1000, 6));
    EXPECT_EQ(countsOf(streamOf(state, 1)), Counts(1000, 2));
    ASSERT_EQ(platform.dialogs().size(), 1u);
    EXPECT_EQ(platform.dialogs()[0].caption, "Bleedthrough Correction");
    EXPECT_TRUE(platform.callsNamed("redrawTrace").empty());

    PhotonStream x = makeStream({ 5 });
    PhotonStream y = makeStream({ 5 });
    EXPECT_FALSE(correctBleedThrough(x, y, 0.7, 0.6));
    EXPECT_FALSE(correctBleedThrough(x, y, NAN, 0.1));
    EXPECT_EQ(countsOf(x), (Counts { 5 }));
}

TEST(MathCommand, RunsOnLoadedStreamsAndRedraws)
{
    AppState state;
    testing::FakePlatform platform;
    state.settings().offsetC2 = 1;
    runMathCommand(state, platform, commandAddC2); // nothing loaded
    EXPECT_TRUE(platform.calls.empty());

    testing::loadCounts(state, 0, Counts(1000, 4));
    runMathCommand(state, platform, commandAddStreams); // needs both
    EXPECT_TRUE(platform.calls.empty());
    state.settings().scaleA1 = 2;
    runMathCommand(state, platform, commandScaleA1);
    EXPECT_EQ(streamOf(state, 0).counts[999], 8);
    EXPECT_EQ(streamOf(state, 0).maxCount, 8);
    EXPECT_EQ(platform.callsNamed("redrawTrace").size(), 1u);

    testing::loadCounts(state, 1, Counts(1000, 3));
    state.activeChannel = 0;
    runMathCommand(state, platform, commandSubtractStreams);
    EXPECT_EQ(streamOf(state, 0).counts[0], 5);
    runMathCommand(state, platform, commandSubtractC2);
    EXPECT_EQ(streamOf(state, 1).counts[0], 2);

    // Cancelled on the worker: neither channel changes, the trace is not redrawn.
    testing::loadCounts(state, 0, Counts(3'000'000, 4));
    state.settings().bleed12Factor = state.settings().bleed21Factor = 0.1;
    platform.clear();
    for (const auto& [command, steps] : { std::pair { commandScaleA1, 1 }, { commandBleedThrough, 0 } }) {
        platform.cancelJobAfterSteps = steps;
        runMathCommand(state, platform, command);
        EXPECT_EQ(streamOf(state, 0).counts[2'999'999], 4);
        EXPECT_EQ(streamOf(state, 1).counts[0], 2);
    }
    EXPECT_TRUE(platform.calls.empty());
}

TEST(Noise, LnGammaKnownValues)
{
    EXPECT_NEAR(lnGamma(1.0), 0.0, 1e-8);
    EXPECT_NEAR(lnGamma(5.0), std::log(24.0), 1e-8);
    EXPECT_NEAR(lnGamma(21.0), std::lgamma(21.0), 1e-7);
    EXPECT_NEAR(lnGamma(0.5), std::log(std::sqrt(3.14159265358979)), 1e-8);
}

TEST(Noise, UniformStaysInRangeAndPoissonHasItsMoments)
{
    NoiseState noise;
    seedNoise(noise, 12345);
    for (int i = 0; i < 10000; ++i) {
        const double u = uniformDeviate(noise);
        ASSERT_GE(u, 0.0);
        ASSERT_LE(u, 1.0);
    }
    for (const double mean : { 1.0, 4.0, 20.0, 150.0 }) {
        const int draws = 40000;
        double sum = 0;
        double squares = 0;
        for (int i = 0; i < draws; ++i) {
            const double k = poissonDeviate(noise, mean);
            ASSERT_EQ(k, std::floor(k));
            ASSERT_GE(k, 0.0);
            sum += k;
            squares += k * k;
        }
        const double m = sum / draws;
        const double variance = squares / draws - m * m;
        // Mean within 5 standard errors; variance within 10 %.
        EXPECT_NEAR(m, mean, 5 * std::sqrt(mean / draws)) << mean;
        EXPECT_NEAR(variance, mean, 0.1 * mean) << mean;
    }
}

TEST(Noise, EmptyBinsGetAPoissonOneDrawAndOthersDoubleTheirMean)
{
    NoiseState noise;
    seedNoise(noise, 777);
    PhotonStream zeros = makeStream(Counts(20000, 0));
    addPoissonNoise(zeros, noise);
    double sum = 0;
    for (const auto v : countsOf(zeros))
        sum += v;
    EXPECT_NEAR(sum / 20000, 1.0, 0.05);

    PhotonStream twenties = makeStream(Counts(20000, 20));
    addPoissonNoise(twenties, noise);
    sum = 0;
    for (const auto v : countsOf(twenties))
        sum += v;
    EXPECT_NEAR(sum / 20000, 40.0, 0.2);
    EXPECT_EQ(twenties.minCount, *std::min_element(twenties.counts.data(), twenties.counts.data() + 20000));
}

} // namespace
} // namespace plask
