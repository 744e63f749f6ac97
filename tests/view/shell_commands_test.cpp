#include "view/shell_commands.h"
#include "view/window_geometry.h"
#include "fake_platform.h"
#include "loaded_stream.h"

#include <gtest/gtest.h>

namespace plask {
namespace {

TEST(CloseCommand, EmptyChannelChangesNothing)
{
    AppState state;
    testing::FakePlatform platform;
    closeCommand(state, platform);
    EXPECT_TRUE(platform.calls.empty());
}

TEST(CloseCommand, KeepsBinWidthAndNavigatorsWhileTheOtherChannelHoldsData)
{
    AppState state;
    testing::FakePlatform platform;
    testing::loadCounts(state, 1, std::vector<std::uint16_t>(2000, 1));
    testing::loadCounts(state, 0, std::vector<std::uint16_t>(2000, 1));
    state.burstDataPresent[0] = 1; // unsaved: no question all the same
    closeCommand(state, platform);
    EXPECT_EQ(state.loadedFlags[0], 0);
    EXPECT_EQ(state.burstDataPresent[0], 0);
    EXPECT_TRUE(state.streams[0].counts.empty());
    EXPECT_EQ(state.loadedBinWidth, 1.0);
    EXPECT_TRUE(platform.dialogs().empty());
    EXPECT_TRUE(platform.callsNamed("enableStreamNavigator").empty());
    EXPECT_EQ(platform.callsNamed("releaseHistogramCharts").size(), 1u);
    EXPECT_EQ(platform.callsNamed("showStreamInfo").size(), 1u);
    EXPECT_EQ(platform.callsNamed("redrawTrace").size(), 1u);
}

TEST(CloseCommand, LastChannelForgetsBinWidthAndDisablesNavigators)
{
    AppState state;
    testing::FakePlatform platform;
    testing::loadCounts(state, 0, std::vector<std::uint16_t>(2000, 1));
    closeCommand(state, platform);
    EXPECT_EQ(state.loadedBinWidth, 0.0);
    const auto stream = platform.callsNamed("enableStreamNavigator");
    const auto burst = platform.callsNamed("enableBurstNavigator");
    ASSERT_EQ(stream.size(), 1u);
    ASSERT_EQ(burst.size(), 1u);
    EXPECT_EQ(stream[0].text, "0");
    EXPECT_EQ(burst[0].text, "0");
}

TEST(HelpIndex, ShowsItsMessage)
{
    testing::FakePlatform platform;
    helpIndexCommand(platform);
    ASSERT_EQ(platform.dialogs().size(), 1u);
    EXPECT_EQ(platform.dialogs()[0].text, "Help file not yet created");
}

TEST(SelectionToggles, NothingWithoutData)
{
    AppState state;
    testing::FakePlatform platform;
    toggleBackgroundSelection(state, platform);
    toggleRegionSelection(state, platform);
    EXPECT_EQ(state.selectionMode, SelectionMode::none);
    EXPECT_TRUE(platform.calls.empty());
}

TEST(SelectionToggles, RegionTwiceRestoresTheWholeStream)
{
    AppState state;
    testing::FakePlatform platform;
    testing::loadCounts(state, 0, std::vector<std::uint16_t>(5000, 1));
    toggleRegionSelection(state, platform);
    EXPECT_EQ(state.selectionMode, SelectionMode::region);
    state.streams[0].regionStart = 100;
    state.streams[0].regionEnd = 200;
    toggleRegionSelection(state, platform);
    EXPECT_EQ(state.selectionMode, SelectionMode::none);
    EXPECT_EQ(state.streams[0].regionStart, 0u);
    EXPECT_EQ(state.streams[0].regionEnd, 4999);
    ASSERT_EQ(platform.callsNamed("selectionEnded").size(), 1u);
    EXPECT_EQ(platform.callsNamed("selectionEnded")[0].text, "40081");
}

TEST(SelectionToggles, SwitchingModesDirectly)
{
    AppState state;
    testing::FakePlatform platform;
    testing::loadCounts(state, 1, std::vector<std::uint16_t>(5000, 1));
    toggleBackgroundSelection(state, platform);
    toggleRegionSelection(state, platform);
    EXPECT_EQ(state.selectionMode, SelectionMode::region);
    toggleBackgroundSelection(state, platform);
    EXPECT_EQ(state.selectionMode, SelectionMode::background);
    toggleBackgroundSelection(state, platform);
    EXPECT_EQ(state.selectionMode, SelectionMode::none);
}

TEST(ResultsWindow, ToggleShowsAndHides)
{
    AppState state;
    testing::FakePlatform platform;
    toggleResultsWindow(state, platform);
    EXPECT_TRUE(state.resultsShown);
    toggleResultsWindow(state, platform);
    EXPECT_FALSE(state.resultsShown);
    const auto calls = platform.callsNamed("setResultsWindowVisible");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].text, "1");
    EXPECT_EQ(calls[1].text, "0");
}

TEST(WindowGeometry, ShareOfTheWorkAreaFollowsTheScreenRatio)
{
    const WindowGeometry square = windowGeometry({ 1280, 1024, 984 });
    EXPECT_EQ(square.main, (WindowRect { 0, 0, 1280, 492 }));
    EXPECT_EQ(square.results, (WindowRect { 0, 492, 1280, 492 }));
    const WindowGeometry wide = windowGeometry({ 1920, 1080, 1041 });
    EXPECT_EQ(wide.main, (WindowRect { 0, 0, 1920, 416 }));
    EXPECT_EQ(wide.results, (WindowRect { 0, 416, 1920, 624 }));
}

TEST(WindowGeometry, ScreenCheck)
{
    EXPECT_TRUE(screenLargeEnough({ 1024, 768, 740 }));
    EXPECT_FALSE(screenLargeEnough({ 1023, 768, 740 }));
    EXPECT_FALSE(screenLargeEnough({ 1024, 767, 740 }));
}

} // namespace
} // namespace plask
