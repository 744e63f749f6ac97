#include "view/trace_selection.h"
#include "loaded_stream.h"

#include <gtest/gtest.h>

#include <cmath>

namespace plask {
namespace {

class TraceSelectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::vector<std::uint16_t> counts(64000); // 2 bins per chart point, 32 segments
        for (std::size_t i = 0; i < counts.size(); ++i)
            counts[i] = static_cast<std::uint16_t>(i % 4); // 0 1 2 3 ...
        testing::loadCounts(state, 0, counts);
        selectSegment(state, 2); // first bin 4000
    }
    AppState state;
    TraceSelection selection;
};

TEST_F(TraceSelectionTest, NoModeNoChange)
{
    EXPECT_EQ(selectionClick(state, selection, SelectionClick::start, 10), SelectionOutcome::none);
    EXPECT_EQ(selection.startPoint, 0u);
}

TEST_F(TraceSelectionTest, FcsRegionFromTwoClicksInEitherOrder)
{
    state.selectionMode = SelectionMode::region;
    selectionClick(state, selection, SelectionClick::end, 100);
    EXPECT_EQ(selectionClick(state, selection, SelectionClick::start, 300), SelectionOutcome::fcsRegion);
    EXPECT_EQ(state.streams[0].regionStart, 4200u);
    EXPECT_EQ(state.streams[0].regionEnd, 4600);
    selectFcsRegion(state, 100, 300);
    EXPECT_EQ(state.streams[0].regionStart, 4200u);
    EXPECT_EQ(state.streams[0].regionEnd, 4600);
}

TEST_F(TraceSelectionTest, BackgroundRegionMeanSdAndCounts)
{
    state.selectionMode = SelectionMode::background;
    selectionClick(state, selection, SelectionClick::start, 0);
    EXPECT_EQ(selectionClick(state, selection, SelectionClick::end, 1), SelectionOutcome::backgroundRegion);
    const PhotonStream& s = state.streams[0];
    EXPECT_EQ(s.backgroundStart, 4000u);
    EXPECT_EQ(s.backgroundEnd, 4002u); // bins 0 1 2
    EXPECT_DOUBLE_EQ(s.backgroundMean, 1.0);
    EXPECT_DOUBLE_EQ(s.backgroundSd, std::sqrt(2.0 / 3.0));
    EXPECT_EQ(state.settings().backgroundCounts, 1);
}

TEST_F(TraceSelectionTest, BothClicksOnOnePointGiveOneBin)
{
    state.selectionMode = SelectionMode::background;
    selectionClick(state, selection, SelectionClick::start, 7);
    selectionClick(state, selection, SelectionClick::end, 7);
    EXPECT_EQ(state.streams[0].backgroundStart, state.streams[0].backgroundEnd);
    EXPECT_DOUBLE_EQ(state.streams[0].backgroundMean, 2.0); // bin 4014
    EXPECT_DOUBLE_EQ(state.streams[0].backgroundSd, 0.0);
}

TEST_F(TraceSelectionTest, MeanIsTruncatedIntoTheBackgroundCounts)
{
    PhotonStream& s = state.streams[0];
    for (std::uint32_t i = 100; i < 200; ++i)
        s.counts[i] = i == 100 ? 3 : 4; // mean 3.99
    selectSegment(state, 0);
    ASSERT_TRUE(selectBackgroundRegion(state, 50, 99)); // bins 100..198
    EXPECT_NEAR(s.backgroundMean, 3.98989, 1e-5);
    EXPECT_EQ(state.settings().backgroundCounts, 3);
}

TEST_F(TraceSelectionTest, EmptyActiveChannelIsLeftAlone)
{
    state.activeChannel = 1;
    state.selectionMode = SelectionMode::background;
    state.settings().backgroundCounts = 9;
    EXPECT_EQ(selectionClick(state, selection, SelectionClick::start, 5), SelectionOutcome::none);
    EXPECT_EQ(state.settings().backgroundCounts, 9);
}

TEST(RegionMeanSd, RegionPastTheEndIsCut)
{
    AppState state;
    testing::loadCounts(state, 0, std::vector<std::uint16_t>(1000, 5));
    PhotonStream& s = state.streams[0];
    s.backgroundStart = 990;
    s.backgroundEnd = 5000;
    regionMeanSd(s);
    EXPECT_DOUBLE_EQ(s.backgroundMean, 5.0);
    s.backgroundStart = 2000;
    regionMeanSd(s);
    EXPECT_DOUBLE_EQ(s.backgroundMean, 0.0);
}

} // namespace
} // namespace plask
