#include "view/navigator.h"
#include "view/trace_envelope.h"
#include "view/trace_navigation.h"
#include "view/trace_points.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace plask {
namespace {

// Random streams, views and display modes: the pyramid gives the very points
// of the plain thinning, and the min/max of a plain scan.
TEST(TraceEnvelope, MatchesPlainThinningAndScan)
{
    std::mt19937 random(7);
    for (int trial = 0; trial < 200; ++trial) {
        const std::size_t length = std::uniform_int_distribution<std::size_t>(1, 300'000)(random);
        std::vector<std::uint16_t> bins(length);
        // Mostly small counts with rare bursts up to the largest count.
        std::uniform_int_distribution<int> count(0, 9);
        for (std::uint16_t& bin : bins)
            bin = static_cast<std::uint16_t>(random() % 97 == 0 ? random() % 65536 : static_cast<unsigned>(count(random)));
        const std::optional<TraceEnvelope> envelope = TraceEnvelope::build(bins);
        ASSERT_TRUE(envelope);
        ASSERT_TRUE(envelope->describes(bins));

        const std::size_t pointCount = std::uniform_int_distribution<std::size_t>(1, 1000)(random);
        const auto perPoint = static_cast<std::uint32_t>(std::uniform_int_distribution<std::size_t>(1, length / pointCount + 1)(random));
        if (static_cast<std::size_t>(perPoint) * pointCount > length)
            continue;
        const std::size_t first = std::uniform_int_distribution<std::size_t>(0, length - perPoint * pointCount)(random);
        for (const std::int32_t mode : { displayAverage, displaySum, displaySinglePoint }) {
            std::vector<double> expected(pointCount);
            std::vector<double> actual(pointCount);
            thinCounts(std::span(bins).subspan(first, perPoint * pointCount), perPoint, mode, expected);
            envelope->thin(bins, first, perPoint, mode, actual);
            ASSERT_EQ(actual, expected) << "length " << length << " first " << first << " per point " << perPoint;
        }

        const std::size_t lo = std::uniform_int_distribution<std::size_t>(0, length - 1)(random);
        const std::size_t hi = std::uniform_int_distribution<std::size_t>(lo + 1, length)(random);
        const auto [mn, mx] = std::minmax_element(bins.begin() + static_cast<std::ptrdiff_t>(lo),
            bins.begin() + static_cast<std::ptrdiff_t>(hi));
        EXPECT_EQ(envelope->range(bins, lo, hi), (CountEnvelope { *mn, *mx })) << lo << ".." << hi;
    }
}

// Wheel zoom keeps the bin under the mouse in place; a pan never leaves the
// data; the segment and pan always describe the same first bin.
TEST(TraceNavigation, ZoomKeepsTheAnchorAndPanStaysInside)
{
    AppState state;
    state.display = { 1'000'000, 1.0, 1.0 };
    resetZoom(state);
    showWholeRecording(state);
    ASSERT_EQ(visibleBinCount(state.navigator), 1'000'000u);

    zoomAround(state, -3, 0.25);
    EXPECT_EQ(state.navigator.zoomStep, state.navigator.zoomMax - 3);
    EXPECT_EQ(visibleBinCount(state.navigator), 125'000u);
    EXPECT_EQ(firstVisibleBin(state.navigator) + visibleBinCount(state.navigator) / 4, 250'000u);
    EXPECT_TRUE(segmentInsideData(state));

    panByBins(state, 300'000);
    EXPECT_EQ(firstVisibleBin(state.navigator), 518'750u);
    EXPECT_EQ(state.navigator.currentSegment, 4u);
    EXPECT_EQ(state.navigator.panBins, 18'750u);
    EXPECT_EQ(chartPointToBin(state.navigator, 0), 518'750u);
    EXPECT_EQ(binToChartPoint(state.navigator, 518'750u + 125u * 3), 3);

    panByBins(state, 10'000'000);
    EXPECT_EQ(firstVisibleBin(state.navigator), 875'000u);
    EXPECT_TRUE(segmentInsideData(state));
    panByBins(state, -10'000'000);
    EXPECT_EQ(firstVisibleBin(state.navigator), 0u);

    // The sliders' moves start at a segment's first bin again.
    panByBins(state, 1000);
    selectSegment(state, 2);
    EXPECT_EQ(firstVisibleBin(state.navigator), 250'000u);

    zoomAround(state, 50, 0.5);
    EXPECT_EQ(state.navigator.zoomStep, state.navigator.zoomMax);
    EXPECT_EQ(firstVisibleBin(state.navigator), 0u);
}

} // namespace
} // namespace plask
