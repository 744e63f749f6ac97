#pragma once
// Statistics of the per-burst series and their three histograms.

#include "core/analysis_settings.h"
#include "core/burst_histogram.h"
#include "core/burst_set.h"
#include "core/platform.h"

#include <array>
#include <optional>
#include <span>

namespace plask {

using BurstHistograms = std::array<BurstHistogram, 3>;

struct ValueRange {
    double min = 0.0;
    double max = 0.0;
};

// Smallest and largest value; nothing for an empty array.
[[nodiscard]] std::optional<ValueRange> valueRange(std::span<const double> values);

// The set's values of one histogram row (photons, widths or intervals).
[[nodiscard]] std::span<const double> burstSeries(const BurstSet& set, int row);

// Statistics of the row's series into the set, and the row's bins: their
// number, size and edges, and the x axis range.
void computeSeriesAndRange(int row, BurstSet& set, const AnalysisSettings& settings, BurstHistogram& histogram);

// Counts the values into the bins [edge i, edge i+1); the top edge is
// binCount x binSize (xHigh if that is higher) and a value equal to it goes
// into the last bin. Values outside the bins are dropped.
void fillHistogram(BurstHistogram& histogram, std::span<const double> values);

// Statistics and histograms of photons, widths and intervals, each row
// announced to the display when it is ready.
void updateBurstHistograms(BurstSet& set, const AnalysisSettings& settings, BurstHistograms& histograms,
    Platform& platform);

} // namespace plask
