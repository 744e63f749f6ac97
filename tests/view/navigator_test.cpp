#include "view/navigator.h"

#include <gtest/gtest.h>

namespace plask {
namespace {

AppState stateOfLength(std::uint32_t length, double binWidthUs = 1.0)
{
    AppState state;
    state.display.displayLength = length;
    state.display.displayBinWidth = binWidthUs;
    state.display.totalTime = binWidthUs * length * 1e-6;
    resetZoom(state);
    applyZoom(state, state.navigator.zoomStep);
    return state;
}

TEST(Navigator, ZoomStepsOfA64000BinStream)
{
    AppState state = stateOfLength(64000);
    EXPECT_EQ(state.navigator.zoomMax, 6);
    EXPECT_EQ(state.navigator.zoomStep, 1);
    EXPECT_EQ(state.navigator.binsPerChartPoint, 2u);
    EXPECT_EQ(state.navigator.segmentsInStream, 32u);
    applyZoom(state, 6);
    EXPECT_EQ(state.navigator.binsPerChartPoint, 64u);
    EXPECT_EQ(state.navigator.segmentsInStream, 1u);
}

TEST(Navigator, LargestStepShowsTheWholeStream)
{
    AppState state = stateOfLength(5000);
    EXPECT_EQ(state.navigator.zoomMax, 3);
    applyZoom(state, 3);
    EXPECT_EQ(segmentTimeText(state.navigator), "0.005 s (100.00%)");
    EXPECT_EQ(segmentNumberText(state.navigator), "1");
}

TEST(Navigator, StreamOfExactlyOneSegmentHasOneZoomStep)
{
    AppState state = stateOfLength(1000);
    EXPECT_EQ(state.navigator.zoomMax, 0);
    EXPECT_EQ(state.navigator.zoomStep, 0);
    EXPECT_EQ(state.navigator.binsPerChartPoint, 1u);
    EXPECT_EQ(state.navigator.segmentsInStream, 1u);
    // A step from an empty slider range is pulled back into it.
    applyZoom(state, 1);
    EXPECT_EQ(state.navigator.binsPerChartPoint, 1u);
    EXPECT_EQ(segmentTimeText(state.navigator), "0.001 s (100.00%)");
}

TEST(Navigator, EveryStepOfManyLengthsKeepsSegmentsInsideTheStream)
{
    for (std::uint32_t length : { 1001u, 1999u, 2000u, 2001u, 4096000u, 4096001u, 99999999u, 100000000u }) {
        AppState state = stateOfLength(length);
        for (int step = 1; step <= state.navigator.zoomMax; ++step) {
            applyZoom(state, step);
            const NavigatorState& nav = state.navigator;
            ASSERT_GE(nav.binsPerChartPoint, 1u) << length << " step " << step;
            ASSERT_GE(nav.segmentsInStream, 1u);
            EXPECT_LE(std::uint64_t { nav.segmentsInStream } * nav.binsPerChartPoint * 1000, length);
        }
        applyZoom(state, state.navigator.zoomMax);
        EXPECT_EQ(state.navigator.segmentsInStream, 1u) << length;
        EXPECT_EQ(state.navigator.binsPerChartPoint, length / 1000) << length;
    }
}

TEST(Navigator, SegmentSliderPageSize)
{
    EXPECT_EQ(segmentPageSize(25), 2u);
    EXPECT_EQ(segmentPageSize(20), 2u);
    EXPECT_EQ(segmentPageSize(19), 1u);
    EXPECT_EQ(segmentPageSize(1), 1u);
}

TEST(Navigator, ArrowsStopAtTheEnds)
{
    AppState state = stateOfLength(64000);
    EXPECT_FALSE(steppedSegment(state.navigator, commandPreviousSegment));
    EXPECT_EQ(steppedSegment(state.navigator, commandNextSegment), 1u);
    selectSegment(state, 31);
    EXPECT_FALSE(steppedSegment(state.navigator, commandNextSegment));
    EXPECT_EQ(steppedSegment(state.navigator, commandPreviousSegment), 30u);
    selectSegment(state, 500);
    EXPECT_EQ(state.navigator.currentSegment, 31u);
    EXPECT_FALSE(steppedSegment(state.navigator, 1086));
}

TEST(Navigator, ChartPointsAndBinsMapBothWays)
{
    AppState state = stateOfLength(64000);
    selectSegment(state, 3);
    const NavigatorState& nav = state.navigator;
    EXPECT_EQ(chartPointToBin(nav, 0), 6000u);
    EXPECT_EQ(chartPointToBin(nav, 999), 7998u);
    EXPECT_EQ(binToChartPoint(nav, 6001), 0);
    EXPECT_EQ(binToChartPoint(nav, 7999), 999);
    EXPECT_EQ(binToChartPoint(nav, 8000), 1000);
    EXPECT_EQ(binToChartPoint(nav, 5999), -1);
}

} // namespace
} // namespace plask
