#pragma once
// One of the three burst histogram bar charts of the results window
// (photons per burst, burst width, burst interval). The chart reads the
// histogram's counts in place; each bar stands over its bin, from the left
// edge to the next.

#include "chart/chart_types.h"
#include "core/burst_histogram.h"

#include <vector>

namespace plask::chart {
class Chart;
} // namespace plask::chart

namespace plask::ui {

class HistogramChart {
public:
    // Builds the chart for histogram `row` (HistogramRow): axes 0..100, a
    // two-bin placeholder and the row's titles.
    HistogramChart(chart::Chart& chart, int row, const BurstHistogram& histogram);

    // Shows the histogram's bins, axis ranges and bar width as they are now.
    void refresh(const BurstHistogram& histogram);
    // Empties the chart: the burst results behind the histogram went away.
    void release();

    [[nodiscard]] chart::Chart& chart() const { return chart_; }
    [[nodiscard]] chart::PlotId plot() const { return plot_; }

private:
    chart::Chart& chart_;
    std::vector<double> centres_; // bars are drawn centred on their key
    chart::DatasetId dataset_;
    chart::PlotId plot_;
};

} // namespace plask::ui
