#include "view/burst_markers.h"
#include "loaded_stream.h"

#include <gtest/gtest.h>

namespace plask {
namespace {

struct TestBurst {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    double photons = 0;
    double peak = 0;
    double width = 0;
    double peakTime = 0;
};

void setBursts(AppState& state, int channel, const std::vector<TestBurst>& bursts)
{
    BurstSet& set = burstSetOf(state, channel);
    const std::size_t n = std::max<std::size_t>(bursts.size(), 1);
    set.startBins = PageArray<std::uint32_t>::allocate(n);
    set.endBins = PageArray<std::uint32_t>::allocate(n);
    set.photons = PageArray<double>::allocate(n);
    set.peaks = PageArray<double>::allocate(n);
    set.widths = PageArray<double>::allocate(n);
    set.peakTimes = PageArray<double>::allocate(n);
    for (std::size_t j = 0; j < bursts.size(); ++j) {
        set.startBins[j] = bursts[j].start;
        set.endBins[j] = bursts[j].end;
        set.photons[j] = bursts[j].photons;
        set.peaks[j] = bursts[j].peak;
        set.widths[j] = bursts[j].width;
        set.peakTimes[j] = bursts[j].peakTime;
    }
    set.burstCount = static_cast<std::uint32_t>(bursts.size());
    state.burstDataPresent.at(static_cast<std::size_t>(channel)) = 1;
}

class BurstMarkers : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::loadCounts(state, 0, std::vector<std::uint16_t>(64000, 1)); // 2 bins per chart point
        setBursts(state, 0,
            { { 100, 120, 25.9, 7.2, 21.0, 0.00011 }, { 1990, 2100, 40, 9, 111, 0.002 }, { 3000, 3010, 5, 2, 11, 0.003 } });
    }
    AppState state;
    BurstMarkerTable table;
};

TEST_F(BurstMarkers, MarksTheBurstsStartingInTheSegment)
{
    placeBurstMarkers(state, 0, table);
    ASSERT_EQ(table.markers.size(), 2u);
    EXPECT_EQ(table.markers[0].startPoint, 50u);
    EXPECT_EQ(table.markers[0].endPoint, 60u);
    EXPECT_EQ(table.markers[0].middlePoint, 55u);
    // Ends after the segment: the end marker stays on the last point.
    EXPECT_EQ(table.markers[1].startPoint, 995u);
    EXPECT_EQ(table.markers[1].endPoint, 999u);
    EXPECT_EQ(table.markers[1].middlePoint, 997u);
    EXPECT_EQ(state.navigator.currentBurst, -1);
}

TEST_F(BurstMarkers, StepsThroughTheMarkersAndStopsAtTheEnds)
{
    placeBurstMarkers(state, 0, table);
    auto cursor = stepBurst(state, table, commandNextBurst, 0);
    ASSERT_TRUE(cursor);
    EXPECT_EQ(cursor->point, 55u);
    EXPECT_EQ(cursor->numberText, "0.00011 sec");
    EXPECT_EQ(cursor->descriptionText, "#1: 25 photons (Peak = 7)     Width = 21 µs");
    cursor = stepBurst(state, table, commandPreviousBurst, 0);
    EXPECT_EQ(cursor->descriptionText.substr(0, 3), "#1:");
    stepBurst(state, table, commandNextBurst, 0);
    cursor = stepBurst(state, table, commandNextBurst, 0);
    EXPECT_EQ(cursor->descriptionText.substr(0, 4), "#2: ");
    EXPECT_EQ(state.navigator.currentBurst, 1);
    cursor = stepBurst(state, table, 0, 0); // redisplays
    EXPECT_EQ(cursor->point, 997u);
}

TEST_F(BurstMarkers, SegmentWithoutBurstsShowsNothing)
{
    selectSegment(state, 5);
    placeBurstMarkers(state, 0, table);
    EXPECT_TRUE(table.markers.empty());
    EXPECT_FALSE(stepBurst(state, table, commandNextBurst, 0));
}

TEST_F(BurstMarkers, TableOfAnotherChannelIsNeverUsed)
{
    placeBurstMarkers(state, 0, table);
    setBursts(state, 1, { { 0, 1, 1, 1, 1, 0 } });
    EXPECT_FALSE(stepBurst(state, table, commandNextBurst, 1));
    state.burstDataPresent[0] = 0;
    EXPECT_FALSE(stepBurst(state, table, commandNextBurst, 0));
}

TEST_F(BurstMarkers, BurstCountBeyondTheArraysIsNotRead)
{
    burstSetOf(state, 0).burstCount = 1000000;
    placeBurstMarkers(state, 0, table);
    EXPECT_EQ(table.markers.size(), 2u);
}

TEST_F(BurstMarkers, AtMostTenThousandMarkersPerSegment)
{
    std::vector<TestBurst> many(10005);
    for (std::size_t j = 0; j < many.size(); ++j)
        many[j] = { static_cast<std::uint32_t>(j / 10), static_cast<std::uint32_t>(j / 10), 1, 1, 1, 0 };
    setBursts(state, 0, many);
    placeBurstMarkers(state, 0, table);
    ASSERT_EQ(table.markers.size(), maxBurstMarkers);
    state.navigator.currentBurst = 9998;
    EXPECT_EQ(stepBurst(state, table, commandNextBurst, 0)->descriptionText.substr(0, 8), "#10000: ");
    EXPECT_EQ(stepBurst(state, table, commandNextBurst, 0)->descriptionText.substr(0, 8), "#10000: ");
}

} // namespace
} // namespace plask
