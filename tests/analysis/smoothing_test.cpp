#include "analysis/smoothing.h"
#include "loaded_stream.h"
#include "fake_platform.h"
#include "stream_helpers.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>

namespace plask {
namespace {

using testing::countsOf;
using testing::makeStream;

TEST(Smoothing, ConstantStreamIsUnchangedAtEveryWidth)
{
    for (const int width : { 5, 7, 9, 11, 13 }) {
        PhotonStream stream = makeStream(std::vector<std::uint16_t>(40, 7));
        EXPECT_EQ(smoothStream(stream, width), SmoothResult::done) << width;
        EXPECT_EQ(countsOf(stream), std::vector<std::uint16_t>(40, 7)) << width;
        EXPECT_EQ(stream.smoothPasses, 1u);
    }
}

TEST(Smoothing, WidthFiveKnownAnswerWithEdgesRepeated)
{
    PhotonStream stream = makeStream({ 10, 10, 45, 10, 10, 10, 10 });
    ASSERT_EQ(smoothStream(stream, 5), SmoothResult::done);
    EXPECT_EQ(countsOf(stream), (std::vector<std::uint16_t> { 27, 27, 27, 22, 7, 7, 7 }));
    EXPECT_EQ(stream.maxCount, 27);
    EXPECT_EQ(stream.minCount, 7);
}

TEST(Smoothing, StreamShorterThanTheWindowIsLeftAlone)
{
    PhotonStream stream = makeStream({ 1, 9, 2, 8, 3, 7, 4, 6, 5, 5, 5, 5 });
    EXPECT_EQ(smoothStream(stream, 13), SmoothResult::skipped);
    EXPECT_EQ(countsOf(stream), (std::vector<std::uint16_t> { 1, 9, 2, 8, 3, 7, 4, 6, 5, 5, 5, 5 }));
    EXPECT_EQ(stream.smoothPasses, 0u);
    EXPECT_EQ(smoothStream(stream, 6), SmoothResult::skipped);
}

TEST(Smoothing, OvershootIsKeptWithinTheCountRange)
{
    PhotonStream high = makeStream({ 0, 65535, 65535, 65535, 0 });
    ASSERT_EQ(smoothStream(high, 5), SmoothResult::done);
    EXPECT_EQ(countsOf(high), std::vector<std::uint16_t>(5, 65535)); // 41/35 of full scale
    PhotonStream low = makeStream({ 65535, 0, 0, 0, 65535 });
    ASSERT_EQ(smoothStream(low, 5), SmoothResult::done);
    EXPECT_EQ(countsOf(low), std::vector<std::uint16_t>(5, 0)); // -6/35 of full scale
}

TEST(Smoothing, FastFilterMatchesThePlainLoopBitForBit)
{
    std::mt19937 random(99);
    std::uniform_real_distribution<float> value(-1000.0f, 70000.0f);
    for (const int width : { 5, 7, 9, 11, 13 }) {
        for (const std::size_t n : { std::size_t { 13 }, std::size_t { 14 }, std::size_t { 1001 } }) {
            std::vector<float> input(n);
            for (float& v : input)
                v = random() % 3 == 0 ? value(random) : static_cast<float>(random() % 40);
            std::vector<float> start(n);
            for (float& v : start)
                v = value(random);
            std::vector<float> fast = start;
            std::vector<float> plain = start;
            const bool clear = width != 9; // once adding onto what the output held
            ASSERT_TRUE(savitzkyGolay(input, width, fast, clear));
            ASSERT_TRUE(savitzkyGolayReference(input, width, plain, clear));
            for (std::size_t i = 0; i < n; ++i)
                ASSERT_EQ(std::bit_cast<std::uint32_t>(fast[i]), std::bit_cast<std::uint32_t>(plain[i]))
                    << "width " << width << " n " << n << " at " << i;
        }
    }
    std::vector<float> out(20, 1.0f);
    EXPECT_FALSE(savitzkyGolay(std::vector<float>(20, 2.0f), 15, out, true));
    EXPECT_EQ(out, std::vector<float>(20, 1.0f));
}

TEST(SmoothCommand, AsksBeforeSmoothingAgainWithPassCount)
{
    EXPECT_EQ(alreadyFilteredQuestion(1), "Data has already been filtered (1 pass)");
    EXPECT_EQ(alreadyFilteredQuestion(2), "Data has already been filtered (2 passes)");

    AppState state;
    testing::loadCounts(state, 0, std::vector<std::uint16_t>(2000, 3));
    testing::FakePlatform platform;
    platform.panel.sgFilterWidthIndex = 1; // width 7
    runSmoothCommand(state, platform);
    EXPECT_TRUE(platform.dialogs().empty());
    EXPECT_EQ(state.settings().sgFilterWidth, 7);
    EXPECT_EQ(platform.callsNamed("redrawTrace").size(), 1u);
    EXPECT_EQ(platform.callsNamed("showStreamInfo").size(), 1u);

    platform.clear();
    platform.yesNoAnswers = { false };
    runSmoothCommand(state, platform);
    ASSERT_EQ(platform.dialogs().size(), 1u);
    EXPECT_EQ(platform.dialogs()[0],
        (testing::PlatformCall { "askYesNo", "Data has already been filtered (1 pass)", "Continue with smoothing?" }));
    EXPECT_EQ(streamOf(state, 0).smoothPasses, 1u);
    EXPECT_TRUE(platform.callsNamed("redrawTrace").empty());

    platform.yesNoAnswers = { true };
    runSmoothCommand(state, platform);
    EXPECT_EQ(streamOf(state, 0).smoothPasses, 2u);

    AppState empty;
    platform.clear();
    runSmoothCommand(empty, platform);
    EXPECT_TRUE(platform.calls.empty());
}

} // namespace
} // namespace plask
