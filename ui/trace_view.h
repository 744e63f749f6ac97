#pragma once
// The trace chart on the trace page: both channels of the current segment
// as line plots over time, the burst markers and the navigator's cursor, and
// the two selection markers set by clicks.

#include "chart/chart_types.h"
#include "core/app_state.h"
#include "view/burst_markers.h"
#include "view/trace_envelope.h"
#include "view/trace_points.h"
#include "view/trace_selection.h"

#include <QObject>

#include <array>
#include <memory>
#include <optional>

namespace plask::chart {
class Chart;
class ChartPage;
} // namespace plask::chart

namespace plask::ui {

class TraceView : public QObject {
    Q_OBJECT
public:
    // Builds the chart on the page: datasets "count1" and "count2", axes,
    // markers and the two line plots.
    TraceView(AppState& state, chart::ChartPage& page);
    ~TraceView() override;
    TraceView(const TraceView&) = delete;
    TraceView& operator=(const TraceView&) = delete;

    // Refills the buffers for the current segment, rescales, and places the
    // burst markers of the active channel when it has results and markers
    // are on. Returns the burst the navigator shows first, if any.
    std::optional<BurstCursor> redraw();
    // Steps the burst navigator (1085, 1086) and moves the cursor.
    std::optional<BurstCursor> stepBurst(int command);
    // Hides both selection markers.
    void parkSelectionMarkers();
    // The streams' counts changed: the envelopes are built again at the next redraw.
    void streamsChanged();
    // The envelope of a loaded channel's counts, built on first use; null when
    // the channel is empty or the memory is refused.
    [[nodiscard]] const TraceEnvelope* envelopeOf(int channel);

    [[nodiscard]] chart::Chart& chart() const { return *chart_; }
    [[nodiscard]] chart::PlotId plotOf(int channel) const;
    [[nodiscard]] const TraceBuffers& buffers() const { return *buffers_; }
    [[nodiscard]] const BurstMarkerTable& markers() const { return *markerTable_; }
    [[nodiscard]] const TraceSelection& selection() const { return selection_; }
    [[nodiscard]] double top() const { return top_; }
    [[nodiscard]] chart::MarkerId selectionMarker(SelectionClick click) const;
    [[nodiscard]] chart::MarkerId cursorMarker() const { return cursor_; }
    [[nodiscard]] chart::MarkerId burstStartMarkers() const { return burstStarts_; }

Q_SIGNALS:
    // A click selected a background region (the settings' background counts changed).
    void backgroundRegionSelected();
    void fcsRegionSelected();
    // The mouse moved the view (zoom, pan or the whole recording); the sliders follow.
    void navigated();

private:
    void onMousePressed(Qt::MouseButton button, QPointF pixel);
    void onMouseMoved(Qt::MouseButtons buttons, QPointF pixel);
    void onWheel(double notches, QPointF pixel);
    void onDoubleClick();
    // Where a pixel falls across the plot area: 0 at its left edge, 1 at its right.
    [[nodiscard]] double plotFraction(double pixelX) const;
    [[nodiscard]] double plotWidthPixels() const;
    void placeMarkers();
    void showCursor(const std::optional<BurstCursor>& cursor);

    AppState& state_;
    chart::Chart* chart_ = nullptr; // owned by the page
    std::unique_ptr<TraceBuffers> buffers_; // the chart reads these arrays
    std::unique_ptr<BurstMarkerTable> markerTable_;
    TraceSelection selection_;
    double top_ = 100.0;
    chart::PlotId plots_[2];
    chart::MarkerId selectionStart_;
    chart::MarkerId selectionEnd_;
    chart::MarkerId cursor_;
    chart::MarkerId burstStarts_;
    chart::MarkerId burstEnds_;
    std::array<std::optional<TraceEnvelope>, channelCount> envelopes_;
    std::optional<double> dragPixel_; // x of the last drag position while the left button pans
    double wheelRest_ = 0.0; // part of a notch a touchpad has turned so far
    std::vector<double> markerX_; // scratch for marker positions, sized once
    std::vector<double> markerY_;
};

} // namespace plask::ui
