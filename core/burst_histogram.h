#pragma once
// The three burst histograms (photons, widths, intervals) shared by both
// channels: the most recent burst run overwrites them.

#include <array>
#include <cstdint>

namespace plask {

inline constexpr int histogramCapacity = 1000;

enum HistogramRow : int { histogramPhotons = 0, histogramWidths = 1, histogramIntervals = 2 };

struct BurstHistogram {
    std::int32_t binCount = 2; // at most histogramCapacity
    std::array<double, histogramCapacity> binEdges {}; // left edge of each bin
    std::array<double, histogramCapacity> binCounts {}; // bursts per bin
    double xLow = 0.0;
    double yMin = 0.0;
    double xHigh = 0.0;
    double yMax = 0.0;
    double binSize = 0.0; // also the drawn bar width
};

} // namespace plask
