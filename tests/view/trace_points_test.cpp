#include "view/axis_range.h"
#include "view/trace_points.h"
#include "loaded_stream.h"

#include <gtest/gtest.h>

#include <random>

namespace plask {
namespace {

TEST(ThinCounts, TheThreeDisplayModes)
{
    const std::vector<std::uint16_t> bins { 1, 2, 3, 4 };
    std::array<double, 1> point {};
    thinCounts(bins, 4, displaySum, point);
    EXPECT_EQ(point[0], 10.0);
    thinCounts(bins, 4, displayAverage, point);
    EXPECT_EQ(point[0], 2.0);
    thinCounts(bins, 4, displaySinglePoint, point);
    EXPECT_EQ(point[0], 1.0);
}

TEST(ThinCounts, MatchesASimpleLoopOnRandomCounts)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> count(0, 65535);
    for (std::uint32_t perPoint : { 1u, 3u, 64u, 70000u }) {
        std::vector<std::uint16_t> bins(std::size_t { perPoint } * 5);
        for (auto& b : bins)
            b = static_cast<std::uint16_t>(count(random));
        std::array<double, 5> sums {}, means {};
        thinCounts(bins, perPoint, displaySum, sums);
        thinCounts(bins, perPoint, displayAverage, means);
        for (std::size_t i = 0; i < 5; ++i) {
            std::uint64_t expected = 0;
            for (std::size_t k = 0; k < perPoint; ++k)
                expected += bins[i * perPoint + k];
            EXPECT_EQ(sums[i], static_cast<double>(expected));
            EXPECT_EQ(means[i], static_cast<double>(expected / perPoint));
        }
    }
}

TEST(TraceBuffers, SecondSegmentWithOnlyTheSecondChannelLoaded)
{
    AppState state;
    std::vector<std::uint16_t> counts(64000);
    for (std::size_t i = 0; i < counts.size(); ++i)
        counts[i] = static_cast<std::uint16_t>(i % 7);
    testing::loadCounts(state, 1, counts, 2.0);
    state.currentDisplayMode = displaySum;
    selectSegment(state, 1); // 2 bins per point: bins 2000..3999
    TraceBuffers buffers;
    buffers.counts[0].fill(99.0);
    ASSERT_TRUE(fillTraceBuffers(state, buffers));
    EXPECT_EQ(buffers.counts[0], (std::array<double, chartPoints> {}));
    EXPECT_EQ(buffers.counts[1][0], counts[2000] + counts[2001]);
    EXPECT_EQ(buffers.counts[1][999], counts[3998] + counts[3999]);
    EXPECT_DOUBLE_EQ(buffers.time[0], 2000 * 2.0e-6);
    EXPECT_DOUBLE_EQ(buffers.time[999], 3998 * 2.0e-6);
    EXPECT_EQ(traceTop(state, buffers), 6.0); // maxCount, though sums reach 11
}

TEST(TraceBuffers, SegmentBeyondTheDataIsLeftAlone)
{
    AppState state;
    testing::loadCounts(state, 0, std::vector<std::uint16_t>(3000, 1));
    state.navigator.currentSegment = 3;
    TraceBuffers buffers;
    buffers.time.fill(-1.0);
    EXPECT_FALSE(fillTraceBuffers(state, buffers));
    EXPECT_EQ(buffers.time[0], -1.0);
}

TEST(TraceBuffers, AutoscaleTopIsATidyValueAboveTheLargestPoint)
{
    AppState state;
    std::vector<std::uint16_t> counts(1000, 2);
    counts[500] = 37;
    testing::loadCounts(state, 0, counts);
    state.settings().autoscaleY = 1;
    TraceBuffers buffers;
    ASSERT_TRUE(fillTraceBuffers(state, buffers));
    EXPECT_EQ(traceTop(state, buffers), 40.0);
    // Nothing loaded: the axis keeps a height.
    AppState empty;
    EXPECT_EQ(traceTop(empty, buffers), 1.0);
}

TEST(AxisRange, TidyValues)
{
    EXPECT_EQ(tidyAxisRange(0, 37), (AxisRange { 0, 40 }));
    EXPECT_EQ(tidyAxisRange(0, 7), (AxisRange { 0, 8 }));
    EXPECT_EQ(tidyAxisRange(0, 10), (AxisRange { 0, 10 }));
    EXPECT_EQ(tidyAxisRange(-3, 0.12), (AxisRange { -3, 1 }));
    EXPECT_EQ(tidyAxisRange(5, 5), (AxisRange { 5, 6 }));
}

} // namespace
} // namespace plask
