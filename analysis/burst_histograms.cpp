#include "analysis/burst_histograms.h"

#include "analysis/burst_detection.h"

#include <algorithm>

namespace plask {

std::optional<ValueRange> valueRange(std::span<const double> values)
{
    if (values.empty())
        return std::nullopt;
    ValueRange range { values.front(), values.front() };
    for (const double v : values) {
        range.max = std::max(range.max, v);
        range.min = std::min(range.min, v);
    }
    return range;
}

std::span<const double> burstSeries(const BurstSet& set, int row)
{
    const PageArray<double>& series = row == histogramPhotons ? set.photons
        : row == histogramWidths                              ? set.widths
                                                              : set.intervals;
    if (!series)
        return {};
    return series.first(std::min<std::size_t>(set.burstCount, series.capacity()));
}

namespace {
    SeriesStats& statsOf(BurstSet& set, int row)
    {
        return row == histogramPhotons ? set.photonStats : row == histogramWidths ? set.widthStats : set.intervalStats;
    }

    double configuredBinSize(const AnalysisSettings& settings, int row)
    {
        return row == histogramPhotons ? settings.burstHistBinSize
            : row == histogramWidths   ? settings.widthHistBinSize
                                       : settings.intervalHistBinSize;
    }
} // namespace

void computeSeriesAndRange(int row, BurstSet& set, const AnalysisSettings& settings, BurstHistogram& histogram)
{
    const SeriesStats stats = seriesStatistics(burstSeries(set, row));
    statsOf(set, row) = stats;
    histogram.binCount = std::clamp(settings.histogramBins, 1, histogramCapacity);
    histogram.xLow = 0.0;
    if (settings.autoscaleHistograms != 0) {
        histogram.xHigh = stats.max > 0.0 ? stats.max : 1.0;
        histogram.binSize = histogram.xHigh / histogram.binCount;
    } else {
        histogram.binSize = configuredBinSize(settings, row);
        histogram.xHigh = histogram.binSize * histogram.binCount;
    }
    // A width bin is never narrower than one data bin: widths are whole multiples of it.
    if (row == histogramWidths && settings.binWidth > histogram.binSize)
        histogram.binSize = settings.binWidth;
    for (int i = 0; i < histogram.binCount; ++i)
        histogram.binEdges[static_cast<std::size_t>(i)] = i * histogram.binSize;
}

void fillHistogram(BurstHistogram& histogram, std::span<const double> values)
{
    const auto bins = static_cast<std::size_t>(std::clamp(histogram.binCount, 1, histogramCapacity));
    std::fill_n(histogram.binCounts.begin(), bins, 0.0);
    if (!(histogram.binSize > 0.0))
        return; // all edges coincide: no bin has room for a value
    const auto edgesBegin = histogram.binEdges.begin();
    const auto edgesEnd = edgesBegin + static_cast<std::ptrdiff_t>(bins);
    // The top edge; an autoscaled maximum must land in the last bin even when
    // binCount x (maximum / binCount) rounds just below it.
    const double top = std::max(static_cast<double>(bins) * histogram.binSize, histogram.xHigh);
    for (const double v : values) {
        if (!(v >= 0.0) || v > top)
            continue;
        // The last edge not above v; edges ascend from 0.
        const auto above = std::upper_bound(edgesBegin, edgesEnd, v);
        const auto bin = static_cast<std::size_t>(above - edgesBegin) - 1;
        histogram.binCounts[bin] += 1.0;
    }
}

void updateBurstHistograms(BurstSet& set, const AnalysisSettings& settings, BurstHistograms& histograms,
    Platform& platform)
{
    for (int row = histogramPhotons; row <= histogramIntervals; ++row) {
        BurstHistogram& histogram = histograms[static_cast<std::size_t>(row)];
        computeSeriesAndRange(row, set, settings, histogram);
        fillHistogram(histogram, burstSeries(set, row));
        const auto counts = std::span<const double>(histogram.binCounts).first(static_cast<std::size_t>(histogram.binCount));
        if (const auto range = valueRange(counts)) {
            histogram.yMin = range->min;
            histogram.yMax = range->max;
        }
        platform.refreshHistogramChart(row);
    }
}

} // namespace plask
