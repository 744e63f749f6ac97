#include "analysis/burst_analysis.h"
#include "analysis/burst_messages.h"
#include "loaded_stream.h"
#include "fake_platform.h"

#include <gtest/gtest.h>

namespace plask {
namespace {

using testing::PlatformCall;

// 1000 bins holding the worked example's burst twice.
std::vector<std::uint16_t> streamWithBursts()
{
    std::vector<std::uint16_t> counts(1000, 0);
    const std::vector<std::uint16_t> burst { 0, 1, 0, 2, 6, 9, 4, 3, 1, 0, 0, 0 };
    std::copy(burst.begin(), burst.end(), counts.begin() + 100);
    std::copy(burst.begin(), burst.end(), counts.begin() + 600);
    return counts;
}

class BurstCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::loadCounts(state, 0, streamWithBursts());
        platform.panel.subMinBinsText = "0";
    }
    AppState state;
    testing::FakePlatform platform;
};

TEST_F(BurstCommand, SuccessfulRunMarksResultsAndAnnouncesThem)
{
    state.selectionMode = SelectionMode::region;
    streamOf(state, 0).regionStart = 10;
    runBurstAnalysis(state, platform);
    const BurstSet& set = burstSetOf(state, 0);
    ASSERT_EQ(set.burstCount, 2u);
    EXPECT_EQ(set.startBins[1], 604u);
    EXPECT_EQ(set.photonStats.mean, 23);
    EXPECT_EQ(set.peakStats.max, 9);
    EXPECT_EQ(set.sourceName, streamOf(state, 0).fileTitle);
    EXPECT_EQ(set.maxSpanUs, 500000);
    EXPECT_EQ(state.burstDataPresent[0], 1);
    EXPECT_EQ(state.burstDataSaved[0], 0);
    EXPECT_EQ(state.selectionMode, SelectionMode::none);
    EXPECT_EQ(streamOf(state, 0).regionStart, 0u);
    EXPECT_EQ(streamOf(state, 0).regionEnd, 999);
    EXPECT_TRUE(state.resultsShown);
    EXPECT_TRUE(platform.dialogs().empty());
    EXPECT_EQ(platform.waitDepth, 0);

    std::vector<std::string> announced;
    for (const PlatformCall& call : platform.calls)
        if (call.name != "setWaitCursor" && call.name != "readPanel")
            announced.push_back(call.name + " " + call.text);
    EXPECT_EQ(announced,
        (std::vector<std::string> { "selectionEnded 40027", "selectionEnded 40081", "selectionEnded 40027",
            "refreshHistogramChart 0", "refreshHistogramChart 1", "refreshHistogramChart 2",
            "refreshStatisticsPanel 0", "setResultsWindowVisible 1", "enableBurstNavigator 1" }));
}

TEST_F(BurstCommand, AsksBeforeOverwritingAnyResult)
{
    runBurstAnalysis(state, platform);
    state.burstDataSaved[0] = 1;
    platform.clear();
    runBurstAnalysis(state, platform); // no answer queued: No
    EXPECT_EQ(platform.dialogs(),
        (std::vector<PlatformCall> { { "askYesNo", "Overwrite Burst Data?", "Burst Data not saved" } }));
    EXPECT_EQ(platform.calls.size(), 1u);
    EXPECT_EQ(state.burstDataSaved[0], 1);

    platform.yesNoAnswers = { true };
    platform.panel.triggerLevelText = "9";
    runBurstAnalysis(state, platform);
    EXPECT_EQ(state.burstDataSaved[0], 0);
    EXPECT_EQ(burstSetOf(state, 0).triggerLevel, 9);
}

TEST_F(BurstCommand, FailuresShowTheirTextAndStillShowTheResults)
{
    platform.panel.triggerLevelText = "0";
    runBurstAnalysis(state, platform);
    EXPECT_EQ(platform.dialogs(),
        (std::vector<PlatformCall> { { "showMessage", "No bursts found with current trigger setting. ",
            "Burst Analysis parameter error" } }));
    EXPECT_EQ(state.burstDataPresent[0], 0);
    EXPECT_EQ(platform.callsNamed("setResultsWindowVisible").size(), 1u);
    EXPECT_EQ(platform.callsNamed("enableBurstNavigator").size(), 1u);

    platform.clear();
    platform.panel.triggerLevelText = "5";
    platform.panel.minPhotonsText = "40";
    runBurstAnalysis(state, platform);
    EXPECT_EQ(platform.dialogs().at(0).text,
        "No bursts found during analysis - check minimum photons per burst criteria. ");
    EXPECT_TRUE(platform.callsNamed("setResultsWindowVisible").empty()); // already shown
}

TEST_F(BurstCommand, NegativeParametersAreRefusedBeforeTheRun)
{
    runBurstAnalysis(state, platform);
    const BurstSet& set = burstSetOf(state, 0);
    ASSERT_EQ(set.burstCount, 2u);
    for (const auto& [minText, subText] : { std::pair { "10", "-1" }, std::pair { "-5", "0" } }) {
        platform.clear();
        platform.yesNoAnswers = { true };
        platform.panel.minPhotonsText = minText;
        platform.panel.subMinBinsText = subText;
        runBurstAnalysis(state, platform);
        ASSERT_EQ(platform.callsNamed("showMessage").size(), 1u);
        EXPECT_EQ(platform.callsNamed("showMessage")[0].text, burstMessageText(burstParameterRefused));
        EXPECT_EQ(set.burstCount, 2u); // the previous result stays
        EXPECT_EQ(set.subMinBins, 0u);
    }
}

TEST_F(BurstCommand, MinimumBelowTriggerIsRaisedAndShown)
{
    platform.panel.triggerLevelText = "6";
    platform.panel.minPhotonsText = "3";
    runBurstAnalysis(state, platform);
    EXPECT_EQ(state.settings().minPhotonsPerBurst, 6);
    EXPECT_EQ(platform.panel.minPhotonsText, "6");
    EXPECT_EQ(burstSetOf(state, 0).minPhotons, 6u);
}

TEST_F(BurstCommand, UnloadedChannelDoesNothing)
{
    state.activeChannel = 1;
    runBurstAnalysis(state, platform);
    EXPECT_TRUE(platform.calls.empty());
}

TEST_F(BurstCommand, PrivateSetLeavesTheChannelFlagsAlone)
{
    BurstSet privateSet;
    EXPECT_EQ(analyseBursts(state, platform, streamOf(state, 0), privateSet, 0), 0);
    EXPECT_EQ(privateSet.burstCount, 2u);
    EXPECT_EQ(state.burstDataPresent[0], 0);
    EXPECT_EQ(platform.callsNamed("refreshStatisticsPanel").size(), 1u);
}

TEST_F(BurstCommand, RepeatedRunsGiveTheSameBursts)
{
    runBurstAnalysis(state, platform);
    std::vector<double> first(burstSetOf(state, 0).photons.data(), burstSetOf(state, 0).photons.data() + 2);
    platform.yesNoAnswers = { true };
    runBurstAnalysis(state, platform);
    EXPECT_EQ(std::vector<double>(burstSetOf(state, 0).photons.data(), burstSetOf(state, 0).photons.data() + 2),
        first);
    testing::loadCounts(state, 1, streamWithBursts());
    runBurstAnalysis(state, platform);
    EXPECT_EQ(burstSetOf(state, 1).burstCount, 2u);
    EXPECT_EQ(burstSetOf(state, 1).photons[0], first[0]);
}

TEST(BackgroundPerBin, RegionMeanWhenPickedElseTheBackgroundCounts)
{
    PhotonStream stream;
    AnalysisSettings settings;
    settings.backgroundCounts = 3;
    EXPECT_EQ(backgroundPerBinFor(stream, settings), 3.0);
    stream.backgroundStart = 100;
    stream.backgroundEnd = 200;
    stream.backgroundMean = 1.25;
    EXPECT_EQ(backgroundPerBinFor(stream, settings), 1.25);
    stream.backgroundEnd = 100; // a one-bin region
    EXPECT_EQ(backgroundPerBinFor(stream, settings), 1.25);
}

TEST(BackgroundPerBin, SubtractionUsesItWhenTheBoxIsChecked)
{
    AppState state;
    testing::loadCounts(state, 0, streamWithBursts());
    testing::FakePlatform platform;
    platform.panel.subMinBinsText = "0";
    platform.panel.backgroundCountsText = "1";
    platform.panel.subtractBackground = true;
    runBurstAnalysis(state, platform);
    const BurstSet& set = burstSetOf(state, 0);
    ASSERT_EQ(set.burstCount, 2u);
    EXPECT_EQ(set.backgroundPerBin, 1.0);
    EXPECT_EQ(set.photons[0], 23 - 1 * 4);
}

TEST(BurstMessages, StringTableTextsStandAsTheyAre)
{
    EXPECT_EQ(burstMessageText(1), "Burst analysis successful");
    EXPECT_EQ(burstMessageText(2), "Memory  error  allocating memory for busrt analysis.");
    EXPECT_EQ(burstMessageText(5), "Overstepped array bounds during analysis - program bug. ");
    EXPECT_EQ(burstMessageText(6), "Unspecified analysis error.");
    EXPECT_EQ(burstMessageText(0), "");
}

} // namespace
} // namespace plask
