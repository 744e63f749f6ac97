#include "ui/histogram_chart.h"

#include "chart/chart.h"

#include <algorithm>
#include <array>
#include <span>

namespace plask::ui {

namespace {
    struct HistogramLook {
        const char* datasetName;
        double barWidth; // 0: the histogram's bin size
        const char* xTitle;
    };

    constexpr std::array<HistogramLook, 3> looks { HistogramLook { "burst", 0.0, "Photons/Burst" },
        HistogramLook { "width", 0.5, "Burst width (µs)" }, HistogramLook { "interval", 0.5, "Interval (ms)" } };

    constexpr int placeholderBins = 2;
} // namespace

HistogramChart::HistogramChart(chart::Chart& chart, int row, const BurstHistogram& histogram)
    : chart_(chart)
{
    const HistogramLook& look = looks.at(static_cast<std::size_t>(row));
    chart_.setFont(QStringLiteral("Arial"), 12);
    chart_.setPlotArea(QRectF(QPointF(0.12, 0.1), QPointF(0.9, 0.75)));
    dataset_ = chart_.createDataset(look.datasetName, std::span(histogram.binEdges).first(placeholderBins),
        std::span(histogram.binCounts).first(placeholderBins));
    chart_.setAxisRange(chart::Axis::x, 0, 100);
    chart_.setAxisRange(chart::Axis::y, 0, 100);
    plot_ = chart_.addBarPlot(dataset_, look.barWidth > 0.0 ? look.barWidth : histogram.binSize, 0);
    // A double-click on the chart shows its values, ready to copy.
    QObject::connect(&chart_, &chart::Chart::doubleClicked, &chart_,
        [chart = &chart_, plot = plot_] { chart->showDataWindow(plot); });
    chart_.setAxisTitle(chart::Axis::x, QString::fromUtf8(look.xTitle));
    chart_.setAxisTitle(chart::Axis::y, QStringLiteral("Frequency"));
    chart_.redraw();
}

void HistogramChart::refresh(const BurstHistogram& histogram)
{
    const auto bins = static_cast<std::size_t>(std::clamp(histogram.binCount, 0, histogramCapacity));
    centres_.resize(bins);
    for (std::size_t i = 0; i < bins; ++i)
        centres_[i] = histogram.binEdges[i] + histogram.binSize / 2.0;
    chart_.setDatasetArrays(dataset_, centres_, std::span(histogram.binCounts).first(bins));
    // Widened to the right edge of the last filled bin, whose bar would
    // otherwise stand past the axis when the bin size was raised.
    double xHigh = histogram.xHigh;
    for (std::size_t i = bins; i-- > 0;)
        if (histogram.binCounts[i] != 0.0) {
            xHigh = std::max(xHigh, histogram.binEdges[i] + histogram.binSize);
            break;
        }
    chart_.setAxisRange(chart::Axis::x, histogram.xLow, xHigh);
    // Bars stand on 0: a y axis starting at the smallest count would cut them.
    const double yLow = std::min(histogram.yMin, 0.0);
    chart_.setAxisRange(chart::Axis::y, yLow, histogram.yMax > yLow ? histogram.yMax : yLow + 1.0);
    chart_.setBarWidth(plot_, histogram.binSize);
    chart_.redraw();
}

void HistogramChart::release()
{
    chart_.setDatasetArrays(dataset_, {}, {});
    chart_.redraw();
}

} // namespace plask::ui
