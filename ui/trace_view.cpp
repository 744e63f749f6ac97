#include "ui/trace_view.h"

#include "chart/chart.h"
#include "chart/chart_page.h"
#include "view/navigator.h"
#include "view/trace_navigation.h"

#include <cmath>

namespace plask::ui {

namespace {
    constexpr int traceFontSize = 12;
} // namespace

TraceView::TraceView(AppState& state, chart::ChartPage& page)
    : state_(state)
    , chart_(page.addChart(QRectF(0.0, 0.0, 1.0, 1.0)))
    , buffers_(std::make_unique<TraceBuffers>())
    , markerTable_(std::make_unique<BurstMarkerTable>())
{
    chart::Chart& c = *chart_;
    c.setObjectName(QStringLiteral("traceChart"));
    c.setFont(QStringLiteral("Arial"), traceFontSize);
    c.setPlotArea(QRectF(QPointF(0.05, 0.1), QPointF(0.98, 0.7)));
    c.setAxisRange(chart::Axis::x, 0.0, 100.0);
    c.setAxisRange(chart::Axis::y, 0.0, 100.0);
    const chart::DatasetId count1 = c.createDataset("count1", buffers_->time, buffers_->counts[0]);
    const chart::DatasetId count2 = c.createDataset("count2", buffers_->time, buffers_->counts[1]);
    c.setAxisTitle(chart::Axis::x, QStringLiteral("Time (s)"));
    c.setAxisTitle(chart::Axis::y, QStringLiteral("Photons"));
    selectionStart_ = c.addMarker(chart::MarkerShape::verticalLine, 0, 4);
    selectionEnd_ = c.addMarker(chart::MarkerShape::verticalLine, 0, 1);
    burstStarts_ = c.addMarker(chart::MarkerShape::verticalLine, 0, 10);
    burstEnds_ = c.addMarker(chart::MarkerShape::verticalLine, 0, 12);
    cursor_ = c.addMarker(chart::MarkerShape::triangle, 10, 0);
    plots_[0] = c.addLinePlot(count1, 2, 0);
    plots_[1] = c.addLinePlot(count2, 2, 4);
    markerX_.reserve(maxBurstMarkers);
    markerY_.reserve(maxBurstMarkers);
    connect(chart_, &chart::Chart::mousePressed, this, &TraceView::onMousePressed);
    connect(chart_, &chart::Chart::mouseMoved, this, &TraceView::onMouseMoved);
    connect(chart_, &chart::Chart::mouseReleased, this, [this] { dragPixel_.reset(); });
    connect(chart_, &chart::Chart::wheelTurned, this, &TraceView::onWheel);
    connect(chart_, &chart::Chart::doubleClicked, this, &TraceView::onDoubleClick);
}

TraceView::~TraceView() = default;

chart::PlotId TraceView::plotOf(int channel) const { return plots_[channel == 1 ? 1 : 0]; }

chart::MarkerId TraceView::selectionMarker(SelectionClick click) const
{
    return click == SelectionClick::start ? selectionStart_ : selectionEnd_;
}

std::optional<BurstCursor> TraceView::redraw()
{
    selection_ = TraceSelection {};
    const ChannelEnvelopes envelopes { envelopeOf(0), envelopeOf(1) };
    if (!fillTraceBuffers(state_, *buffers_, envelopes))
        return std::nullopt;
    top_ = traceTop(state_, *buffers_);
    chart_->setAxisRange(chart::Axis::x, buffers_->time.front(), buffers_->time.back());
    chart_->setAxisRange(chart::Axis::y, 0.0, top_);
    // The points under the selection markers start over, so the markers go too.
    parkSelectionMarkers();

    std::optional<BurstCursor> cursor;
    const int channel = state_.activeChannel;
    if (state_.burstDataPresent.at(static_cast<std::size_t>(channel)) != 0 && state_.showMarkers) {
        placeBurstMarkers(state_, channel, *markerTable_);
        placeMarkers();
        cursor = plask::stepBurst(state_, *markerTable_, commandNextBurst, channel);
    } else {
        // Markers of an earlier pass, or of the other channel, would point at the wrong bursts.
        markerTable_->clear();
        chart_->hideMarker(burstStarts_);
        chart_->hideMarker(burstEnds_);
    }
    showCursor(cursor);
    chart_->redraw();
    return cursor;
}

void TraceView::placeMarkers()
{
    const auto place = [this](chart::MarkerId id, std::uint32_t BurstMarker::*point) {
        markerX_.clear();
        for (const BurstMarker& marker : markerTable_->markers)
            markerX_.push_back(buffers_->time.at(marker.*point));
        markerY_.assign(markerX_.size(), top_);
        chart_->placeMarkers(id, markerX_, markerY_);
    };
    place(burstStarts_, &BurstMarker::startPoint);
    place(burstEnds_, &BurstMarker::endPoint);
}

void TraceView::showCursor(const std::optional<BurstCursor>& cursor)
{
    if (cursor)
        chart_->moveMarker(cursor_, buffers_->time.at(cursor->point), top_);
    else
        chart_->hideMarker(cursor_);
}

std::optional<BurstCursor> TraceView::stepBurst(int command)
{
    const std::optional<BurstCursor> cursor = plask::stepBurst(state_, *markerTable_, command, state_.activeChannel);
    if (cursor) {
        showCursor(cursor);
        chart_->redraw();
    }
    return cursor;
}

void TraceView::parkSelectionMarkers()
{
    chart_->hideMarker(selectionStart_);
    chart_->hideMarker(selectionEnd_);
}

void TraceView::streamsChanged()
{
    for (std::optional<TraceEnvelope>& envelope : envelopes_)
        envelope.reset();
}

const TraceEnvelope* TraceView::envelopeOf(int channel)
{
    std::optional<TraceEnvelope>& envelope = envelopes_.at(static_cast<std::size_t>(channel));
    const PhotonStream& stream = state_.streams.at(static_cast<std::size_t>(channel));
    if (!isLoaded(state_, channel) || stream.counts.empty()) {
        envelope.reset();
        return nullptr;
    }
    if (!envelope || !envelope->describes(stream.bins()))
        envelope = TraceEnvelope::build(stream.bins());
    return envelope ? &*envelope : nullptr;
}

double TraceView::plotWidthPixels() const
{
    const auto [first, last] = chart_->axisRange(chart::Axis::x);
    return chart_->pixelOf(last, 0.0).x() - chart_->pixelOf(first, 0.0).x();
}

double TraceView::plotFraction(double pixelX) const
{
    const double left = chart_->pixelOf(chart_->axisRange(chart::Axis::x).first, 0.0).x();
    const double width = plotWidthPixels();
    return width > 0.0 ? (pixelX - left) / width : 0.5;
}

void TraceView::onWheel(double notches, QPointF pixel)
{
    if (!segmentInsideData(state_))
        return;
    // A touchpad turns in small parts of a notch: zoom once a whole notch has gathered.
    wheelRest_ += notches;
    const double whole = std::trunc(wheelRest_);
    if (whole == 0.0)
        return;
    wheelRest_ -= whole;
    // Away from the user zooms closer, that is to a lower zoom step.
    zoomAround(state_, -static_cast<int>(whole), plotFraction(pixel.x()));
    Q_EMIT navigated();
}

void TraceView::onMouseMoved(Qt::MouseButtons buttons, QPointF pixel)
{
    if (!dragPixel_ || !(buttons & Qt::LeftButton) || !segmentInsideData(state_))
        return;
    const double width = plotWidthPixels();
    if (width <= 0.0)
        return;
    const double binsPerPixel = static_cast<double>(visibleBinCount(state_.navigator)) / width;
    const auto bins = static_cast<std::int64_t>(std::llround((*dragPixel_ - pixel.x()) * binsPerPixel));
    if (bins == 0)
        return;
    // Keep the part of a bin a slow drag has not yet moved, so the trace follows the mouse.
    *dragPixel_ -= static_cast<double>(bins) / binsPerPixel;
    panByBins(state_, bins);
    Q_EMIT navigated();
}

void TraceView::onDoubleClick()
{
    dragPixel_.reset();
    if (!segmentInsideData(state_))
        return;
    showWholeRecording(state_);
    Q_EMIT navigated();
}

void TraceView::onMousePressed(Qt::MouseButton button, QPointF pixel)
{
    // Without a selection under way the left button drags the trace.
    if (state_.selectionMode == SelectionMode::none) {
        if (button == Qt::LeftButton)
            dragPixel_ = pixel.x();
        return;
    }
    if (button != Qt::LeftButton && button != Qt::RightButton)
        return;
    const std::optional<QPointF> position = chart_->dataPosition(pixel);
    if (!position)
        return;
    const std::optional<chart::NearestPoint> nearest = chart_->nearestPoint(plots_[0], *position);
    if (!nearest)
        return;
    const SelectionClick click = button == Qt::LeftButton ? SelectionClick::start : SelectionClick::end;
    const double y = buffers_->counts.at(static_cast<std::size_t>(state_.activeChannel == 1 ? 1 : 0)).at(nearest->index);
    chart_->moveMarker(selectionMarker(click), nearest->x, y);
    chart_->redraw();
    switch (selectionClick(state_, selection_, click, static_cast<std::uint32_t>(nearest->index))) {
    case SelectionOutcome::backgroundRegion:
        Q_EMIT backgroundRegionSelected();
        break;
    case SelectionOutcome::fcsRegion:
        Q_EMIT fcsRegionSelected();
        break;
    case SelectionOutcome::none:
        break;
    }
}

} // namespace plask::ui
