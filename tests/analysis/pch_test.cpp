#include "analysis/background.h"
#include "analysis/count_values.h"
#include "analysis/pch.h"
#include "loaded_stream.h"
#include "fake_platform.h"
#include "stream_helpers.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <random>

namespace plask {
namespace {

using testing::makeStream;

TEST(CountValues, AgreesWithAPlainTallyOnRandomStreams)
{
    std::mt19937 random(31);
    for (int round = 0; round < 60; ++round) {
        const auto n = std::uniform_int_distribution<std::size_t>(0, 3000)(random);
        const double mean = std::uniform_real_distribution<double>(0.0, 6.0)(random);
        std::poisson_distribution<int> draw(mean);
        std::vector<std::uint16_t> counts(n);
        for (auto& v : counts)
            v = random() % 500 == 0 ? static_cast<std::uint16_t>(random()) : static_cast<std::uint16_t>(draw(random));
        const auto top = static_cast<std::uint16_t>(std::uniform_int_distribution<int>(0, 12)(random));
        std::vector<std::uint64_t> expected(std::size_t { top } + 1, 0);
        for (const auto v : counts)
            if (v <= top)
                ++expected[v];
        ASSERT_EQ(tallyCountValues(counts, top), expected) << "round " << round;
    }
    EXPECT_EQ(tallyCountValues(std::vector<std::uint16_t>(200, 65535), 65535).back(), 200u);
}

TEST(Pch, SmallStreamFileMatchesTheExpectedBytes)
{
    const PhotonStream stream = makeStream({ 0, 1, 1, 3 });
    PchResult pch;
    ASSERT_TRUE(computePch(stream, pch, 0, 3));
    EXPECT_EQ(pch.pointCount, 4u);
    EXPECT_EQ(pch.maxPhotons, 3);
    EXPECT_EQ(pch.maxFrequency, 2);
    const testing::TempDir dir;
    ASSERT_EQ(savePch((dir / "p.txt").string(), pch), 0);
    EXPECT_EQ(testing::readBytes(dir / "p.txt"), testing::readBytes(testing::testDataPath("analysis_small_PCH.txt")));
}

TEST(Pch, PointsCoverEveryValueUpToTheLargest)
{
    PchResult pch;
    ASSERT_TRUE(computePch(makeStream(std::vector<std::uint16_t>(1500, 0)), pch, 0, 1499));
    ASSERT_EQ(pch.pointCount, 1u);
    EXPECT_EQ(pch.frequency[0], 1500);

    ASSERT_TRUE(computePch(makeStream({ 5, 0, 3, 5, 1 }), pch, 1, 99)); // the range is clipped to the stream
    ASSERT_EQ(pch.pointCount, 6u);
    EXPECT_EQ(pch.photonsPerBin[5], 5);
    EXPECT_EQ(pch.frequency[4], 0);
    EXPECT_EQ(pch.frequency[5], 1);
    EXPECT_EQ(pch.frequency[0], 1);

    releasePch(pch);
    EXPECT_EQ(pch.pointCount, 0u);
    const testing::TempDir dir;
    ASSERT_EQ(savePch((dir / "empty.txt").string(), pch), 0);
    EXPECT_TRUE(testing::readBytes(dir / "empty.txt").empty());
}

TEST(PchCommand, NamesTheResultAndProposesTheFileName)
{
    AppState state;
    testing::FakePlatform platform;
    EXPECT_FALSE(runPchCommand(state, platform));
    EXPECT_EQ(platform.dialogs(),
        (std::vector<testing::PlatformCall> { { "showMessage", "Data not loaded in selected PS.", "PCH Error" } }));

    testing::loadCounts(state, 0, std::vector<std::uint16_t>(1000, 2));
    streamOf(state, 0).fileTitle = "run.03.dat";
    platform.clear();
    state.selectionMode = SelectionMode::background;
    EXPECT_TRUE(runPchCommand(state, platform));
    EXPECT_EQ(state.selectionMode, SelectionMode::none);
    EXPECT_EQ(state.pch.name, "run.03");
    EXPECT_EQ(state.pch.frequency[2], 1000);

    const testing::TempDir dir;
    platform.saveFileAnswers = { (dir / "x.txt").string() };
    EXPECT_EQ(savePchCommand(state, platform), 0);
    EXPECT_EQ(platform.fileRequests.back().defaultName, "run.03_PCH.txt");
    EXPECT_EQ(platform.fileRequests.back().filters.at(0).description, "Tab delimited Data Files (*.txt)");
    EXPECT_EQ(testing::readText(dir / "x.txt"), "0.000000\t0.000000\r\n1.000000\t0.000000\r\n2.000000\t1000.000000\r\n");

    platform.saveFileAnswers = { (dir / "no" / "x.txt").string() };
    EXPECT_EQ(savePchCommand(state, platform), 1);
    EXPECT_EQ(platform.callsNamed("unownedMessage"),
        (std::vector<testing::PlatformCall> { { "unownedMessage", "File cannot be opened", "FILE ERROR" } }));
}

TEST(Background, ModePlusItsSquareRoot)
{
    EXPECT_EQ(estimateBackground(makeStream({ 0, 0, 1, 1, 1, 2 })), 2);
    EXPECT_EQ(estimateBackground(makeStream({ 3, 3, 5, 5, 9 })), 4); // the smaller of equal modes
    EXPECT_EQ(estimateBackground(makeStream({ 4, 4, 4, 1, 7 })), 6);
    EXPECT_EQ(estimateBackground(makeStream({ 10, 10, 2 })), 13);
    EXPECT_EQ(estimateBackground(makeStream({ 0, 0, 9 })), 0);
    EXPECT_EQ(estimateBackground(PhotonStream {}), std::nullopt);
}

TEST(Background, CommandSetsTheSettingAndTheField)
{
    AppState state;
    testing::FakePlatform platform;
    state.settings().backgroundCounts = 7;
    runEstimateBackground(state, platform);
    EXPECT_EQ(state.settings().backgroundCounts, 7);
    EXPECT_TRUE(platform.calls.empty());

    testing::loadCounts(state, 0, std::vector<std::uint16_t>(1000, 4));
    runEstimateBackground(state, platform);
    EXPECT_EQ(state.settings().backgroundCounts, 6);
    EXPECT_EQ(platform.callsNamed("showStreamInfo").size(), 1u);
}

} // namespace
} // namespace plask
