#include "analysis/burst_histograms.h"
#include "fake_platform.h"

#include <gtest/gtest.h>

#include <vector>

namespace plask {
namespace {

std::vector<double> firstCounts(const BurstHistogram& h)
{
    return { h.binCounts.begin(), h.binCounts.begin() + h.binCount };
}

std::vector<double> firstEdges(const BurstHistogram& h)
{
    return { h.binEdges.begin(), h.binEdges.begin() + h.binCount };
}

// A set holding one series of values in all three rows.
BurstSet setWith(const std::vector<double>& values)
{
    BurstSet set;
    set.photons = PageArray<double>::allocate(values.size());
    set.widths = PageArray<double>::allocate(values.size());
    set.intervals = PageArray<double>::allocate(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        set.photons[i] = set.widths[i] = set.intervals[i] = values[i];
    set.burstCount = static_cast<std::uint32_t>(values.size());
    return set;
}

BurstHistogram histogramOf(int row, const std::vector<double>& values, const AnalysisSettings& settings)
{
    BurstSet set = setWith(values);
    BurstHistogram h;
    computeSeriesAndRange(row, set, settings, h);
    fillHistogram(h, burstSeries(set, row));
    return h;
}

TEST(BurstHistograms, AutoscaledBinsCountTheLargestValueInTheLastBin)
{
    AnalysisSettings settings;
    settings.histogramBins = 4;
    const BurstHistogram h = histogramOf(histogramPhotons, { 10, 20, 30, 40 }, settings);
    EXPECT_EQ(h.binSize, 10);
    EXPECT_EQ(h.xLow, 0);
    EXPECT_EQ(h.xHigh, 40);
    EXPECT_EQ(firstEdges(h), (std::vector<double> { 0, 10, 20, 30 }));
    EXPECT_EQ(firstCounts(h), (std::vector<double> { 0, 1, 1, 2 }));
}

TEST(BurstHistograms, FixedBinsDropOnlyValuesPastTheTopEdge)
{
    AnalysisSettings settings;
    settings.autoscaleHistograms = 0;
    settings.burstHistBinSize = 5;
    const BurstHistogram h = histogramOf(histogramPhotons, { 497, 494.9, 500, 500.5, -1, 0 }, settings);
    EXPECT_EQ(h.binEdges[99], 495);
    EXPECT_EQ(h.xHigh, 500);
    EXPECT_EQ(h.binCounts[98], 1); // 494.9
    EXPECT_EQ(h.binCounts[99], 2); // 497 and the top edge 500
    EXPECT_EQ(h.binCounts[0], 1); // 0
    double total = 0;
    for (const double c : firstCounts(h))
        total += c;
    EXPECT_EQ(total, 4); // 500.5 and -1 are outside
}

TEST(BurstHistograms, WidthBinsAreNeverNarrowerThanADataBin)
{
    AnalysisSettings settings;
    settings.autoscaleHistograms = 0;
    settings.widthHistBinSize = 0.5;
    settings.burstHistBinSize = 0.5;
    settings.binWidth = 2;
    const BurstHistogram width = histogramOf(histogramWidths, { 2, 4, 4, 6 }, settings);
    EXPECT_EQ(width.binSize, 2);
    EXPECT_EQ(width.xHigh, 50); // the axis keeps the configured size
    EXPECT_EQ(width.binEdges[3], 6);
    EXPECT_EQ(width.binCounts[1], 1);
    EXPECT_EQ(width.binCounts[2], 2);
    EXPECT_EQ(histogramOf(histogramPhotons, { 2 }, settings).binSize, 0.5); // other rows keep theirs

    settings.autoscaleHistograms = 1;
    settings.binWidth = 1;
    const BurstHistogram scaled = histogramOf(histogramWidths, { 3, 40 }, settings);
    EXPECT_EQ(scaled.binSize, 1); // 40 / 100 raised to 1 µs
    EXPECT_EQ(scaled.binEdges[99], 99);
    EXPECT_EQ(scaled.binCounts[3], 1);
    EXPECT_EQ(scaled.binCounts[40], 1);
}

TEST(BurstHistograms, SingleBurstAndSingleBin)
{
    AnalysisSettings settings;
    const BurstHistogram single = histogramOf(histogramPhotons, { 17 }, settings);
    EXPECT_EQ(single.binCounts[99], 1);

    settings.histogramBins = 1;
    const BurstHistogram oneBin = histogramOf(histogramIntervals, { 0.5, 1.5, 2 }, settings);
    EXPECT_EQ(oneBin.binCount, 1);
    EXPECT_EQ(oneBin.binCounts[0], 3);
}

TEST(BurstHistograms, NonPositiveMaximumAndZeroBinSize)
{
    AnalysisSettings settings;
    settings.histogramBins = 10;
    const BurstHistogram zeros = histogramOf(histogramPhotons, { 0, 0 }, settings);
    EXPECT_EQ(zeros.xHigh, 1);
    EXPECT_EQ(zeros.binSize, 0.1);
    EXPECT_EQ(zeros.binCounts[0], 2);

    settings.autoscaleHistograms = 0; // configured size 0: every edge is 0, nothing fits
    const BurstHistogram flat = histogramOf(histogramPhotons, { 0, 3 }, settings);
    EXPECT_EQ(firstCounts(flat), std::vector<double>(10, 0));
}

TEST(BurstHistograms, UpdateStoresStatisticsAndAnnouncesEachRow)
{
    AnalysisSettings settings;
    settings.histogramBins = 4;
    BurstSet set = setWith({ 10, 20, 30, 40 });
    BurstHistograms histograms;
    testing::FakePlatform platform;
    updateBurstHistograms(set, settings, histograms, platform);
    EXPECT_EQ(set.photonStats.mean, 25);
    EXPECT_EQ(set.widthStats.min, 10);
    EXPECT_EQ(set.intervalStats.max, 40);
    EXPECT_EQ(histograms[2].yMin, 0);
    EXPECT_EQ(histograms[2].yMax, 2);
    const auto refreshed = platform.callsNamed("refreshHistogramChart");
    ASSERT_EQ(refreshed.size(), 3u);
    EXPECT_EQ(refreshed[0].text, "0");
    EXPECT_EQ(refreshed[2].text, "2");
}

TEST(ValueRange, EmptyArrayGivesNothing)
{
    EXPECT_FALSE(valueRange({}));
    const auto range = valueRange(std::vector<double> { 3, -1, 7, 7 });
    ASSERT_TRUE(range);
    EXPECT_EQ(range->min, -1);
    EXPECT_EQ(range->max, 7);
}

} // namespace
} // namespace plask
