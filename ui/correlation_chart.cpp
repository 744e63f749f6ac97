#include "ui/correlation_chart.h"

#include "chart/chart.h"
#include "view/axis_range.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

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
    errorBars_ = chart_.addErrorBars(plot_, 4);
    chart_.setErrorArray(errorBars_, semValues_);
    chart_.setPlotVisible(errorBars_, false);
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
    if (photonMode_) {
        chart_.setPowerTickLabels(chart::Axis::x, false);
        chart_.setPlotVisible(errorBars_, false);
    }
    photonMode_ = false;
    semValues_.clear();
    showValues(result.curveTitle);
    return true;
}

bool CorrelationChart::show(const PhotonModeCurve& curve)
{
    const std::vector<PhotonLagPoint>& points = curve.curve.points;
    if (points.empty())
        return false;
    lagValues_.resize(points.size());
    gValues_.resize(points.size());
    semValues_.resize(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        lagValues_[i] = static_cast<double>(points[i].lagUnits) * curve.run.unitSeconds * 1e3;
        gValues_[i] = points[i].g;
        semValues_[i] = points[i].sem;
    }
    photonMode_ = true;
    chart_.setPlotVisible(errorBars_, true);
    // Lags from nanoseconds up span too many decades for plain labels.
    chart_.setPowerTickLabels(chart::Axis::x, true);
    showValues(curve.title);
    return true;
}

void CorrelationChart::showValues(const std::string& title)
{
    chart_.setDatasetArrays(dataset_, lagValues_, gValues_);
    chart_.setErrorArray(errorBars_, semValues_);

    const AxisRange x = tidyLogAxisRange(lagValues_.front(), lagValues_.back());
    chart_.setAxisRange(chart::Axis::x, x.min, x.max);
    // The y axis always starts at 0; negative G lies below the visible range.
    // Error bars count too, so that none is cut off at the top.
    double gMax = *std::max_element(gValues_.begin(), gValues_.end());
    for (std::size_t i = 0; i < semValues_.size(); ++i)
        if (std::isfinite(semValues_[i]))
            gMax = std::max(gMax, gValues_[i] + semValues_[i]);
    const AxisRange y = tidyAxisRange(0.0, std::max(gMax, 0.0));
    chart_.setAxisRange(chart::Axis::y, y.min, y.max);
    chart_.setPlotVisible(plot_, true);
    chart_.setTitle(QString::fromStdString(title));
    chart_.redraw();
    // Paint now: a segmental run redraws after every segment without
    // returning to the event loop.
    chart_.surface()->repaint();
}

} // namespace plask::ui
