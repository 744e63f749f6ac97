#include "ui/correlation_chart.h"

#include "chart/chart.h"
#include "view/axis_range.h"

#include <QWidget>

#include <algorithm>

namespace plask::ui {

CorrelationChart::CorrelationChart(chart::Chart& chart)
    : chart_(chart)
    , lagValues_ { 1.0, 10000.0 }
    , gValues_ { 0.0, 0.0 }
{
    chart_.setPlotArea(QRectF(QPointF(0.12, 0.1), QPointF(0.9, 0.75)));
    dataset_ = chart_.createDataset("correlation", lagValues_, gValues_);
    chart_.setLogarithmicX(true);
    chart_.setAxisRange(chart::Axis::x, 1.0, 10000.0);
    chart_.setAxisRange(chart::Axis::y, 0.0, 0.0);
    chart_.setFont(QStringLiteral("Arial"), 12);
    plot_ = chart_.addLinePlot(dataset_, 2, 0);
    // A double-click on the chart shows its values, ready to copy.
    QObject::connect(&chart_, &chart::Chart::doubleClicked, &chart_,
        [chart = &chart_, plot = plot_] { chart->showDataWindow(plot); });
    chart_.setAxisTitle(chart::Axis::x, QStringLiteral("Lag time (ms)"));
    chart_.setAxisTitle(chart::Axis::y, QStringLiteral("G(t)"));
    chart_.setTitle(QStringLiteral("Correlation"));
    chart_.redraw();
}

bool CorrelationChart::show(const CorrelationResult& result)
{
    const std::size_t count = std::min(static_cast<std::size_t>(std::max(result.lagCount, 0)), result.lags.capacity());
    if (count == 0)
        return false;
    lagValues_.resize(count);
    gValues_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        lagValues_[i] = result.lags[i].lagMs;
        gValues_[i] = result.lags[i].g;
    }
    chart_.setDatasetArrays(dataset_, lagValues_, gValues_);

    const AxisRange x = tidyLogAxisRange(lagValues_.front(), lagValues_.back());
    chart_.setAxisRange(chart::Axis::x, x.min, x.max);
    // The y axis always starts at 0; negative G lies below the visible range.
    const double gMax = *std::max_element(gValues_.begin(), gValues_.end());
    const AxisRange y = tidyAxisRange(0.0, std::max(gMax, 0.0));
    chart_.setAxisRange(chart::Axis::y, y.min, y.max);
    chart_.setPlotVisible(plot_, true);
    chart_.setTitle(QString::fromStdString(result.curveTitle));
    chart_.redraw();
    // Paint now: a segmental run redraws after every segment without
    // returning to the event loop.
    chart_.surface()->repaint();
    return true;
}

} // namespace plask::ui
