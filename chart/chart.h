#pragma once
// One chart: a plot area with two axes, line and bar plots of datasets,
// text labels, markers, and the mouse in data units. The datasets are the
// caller's arrays; the chart copies them into the plot at every redraw.

#include "chart/chart_types.h"

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QWidget>

#include <optional>
#include <span>
#include <string>
#include <vector>

class QCustomPlot;
class QCPItemText;
class QCPPainter;
class QCPTextElement;
class QMouseEvent;

namespace plask::chart {

struct NearestPoint {
    std::size_t index = 0;
    double x = 0.0;
    double y = 0.0;
};

class Chart : public QWidget {
    Q_OBJECT
public:
    explicit Chart(QWidget* parent = nullptr);
    ~Chart() override;
    Chart(const Chart&) = delete;
    Chart& operator=(const Chart&) = delete;

    // Plot area as fractions (left, top, right, bottom) of the chart window;
    // the axes' labels widen it where they need more room.
    void setPlotArea(QRectF fractions);
    void setFont(const QString& family, int pointSize);

    DatasetId createDataset(std::string name, std::span<const double> x, std::span<const double> y);
    void setDatasetArrays(DatasetId dataset, std::span<const double> x, std::span<const double> y);
    [[nodiscard]] std::string datasetName(DatasetId dataset) const;

    PlotId addLinePlot(DatasetId dataset, int penWidth, int colourIndex);
    PlotId addBarPlot(DatasetId dataset, double barWidth, int colourIndex);
    // Vertical error bars on the points of a line plot: one half-length per
    // point of its dataset (the caller's array, copied at every redraw); a
    // NaN draws no bar at its point.
    PlotId addErrorBars(PlotId linePlot, int colourIndex);
    void setErrorArray(PlotId errorBars, std::span<const double> halfLengths);
    void setPlotDataset(PlotId plot, DatasetId dataset);
    void setBarWidth(PlotId plot, double width);
    void setPlotVisible(PlotId plot, bool visible);

    void setAxisRange(Axis axis, double min, double max);
    [[nodiscard]] std::pair<double, double> axisRange(Axis axis) const;
    void setLogarithmicX(bool logarithmic);
    void setAxisTitle(Axis axis, const QString& title);
    // Tick labels as powers of ten (for log axes spanning many decades, whose
    // plain labels would run into each other), or back to plain numbers.
    void setPowerTickLabels(Axis axis, bool powers);
    // A chart of texts only: no axes, ticks or grid.
    void setAxesVisible(bool visible);

    // Texts at fractions of the chart window, and one title above the plot area.
    TextId addText(const QString& text, QPointF fraction);
    void setText(TextId id, const QString& text);
    void setTextVisible(TextId id, bool visible);
    [[nodiscard]] QString text(TextId id) const;
    // The font of every text of the chart, those to come included.
    void setTextFont(const QFont& font);
    void setTitle(const QString& title);

    // A marker holds one or many positions; it starts hidden.
    MarkerId addMarker(MarkerShape shape, int size, int colourIndex);
    void moveMarker(MarkerId marker, double x, double y, bool shown = true);
    void placeMarkers(MarkerId marker, std::span<const double> x, std::span<const double> y);
    void hideMarker(MarkerId marker);
    [[nodiscard]] bool markerShown(MarkerId marker) const;
    [[nodiscard]] std::vector<QPointF> markerPositions(MarkerId marker) const;

    // Copies the datasets into their plots and draws the chart again.
    void redraw();
    // Points a plot (or error bars) holds since the last redraw.
    [[nodiscard]] std::size_t drawnPointCount(PlotId plot) const;

    // A window with the x and y values of a plot's dataset, ready to copy.
    QWidget* showDataWindow(PlotId plot);

    // The data position under a pixel of the chart window, or nothing
    // outside the plot area.
    [[nodiscard]] std::optional<QPointF> dataPosition(QPointF pixel) const;
    [[nodiscard]] QPointF pixelOf(double x, double y) const;
    // The point of a plot's dataset closest in x to a data position.
    [[nodiscard]] std::optional<NearestPoint> nearestPoint(PlotId plot, QPointF position) const;

    // Draws the chart into a painter on another device (printing).
    void renderTo(QCPPainter& painter, const QRect& target);
    // The widget the mouse talks to.
    [[nodiscard]] QWidget* surface() const;

Q_SIGNALS:
    void mousePressed(Qt::MouseButton button, QPointF pixel);
    void mouseMoved(Qt::MouseButtons buttons, QPointF pixel);
    void mouseReleased(Qt::MouseButton button, QPointF pixel);
    // Wheel turns in notches (120 eighths of a degree each); positive away from the user.
    void wheelTurned(double notches, QPointF pixel);
    void doubleClicked(QPointF pixel);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Dataset;
    struct Plot;
    struct Marker;
    void applyPlotArea();
    void copyMarker(const Marker& marker);
    [[nodiscard]] const Dataset* datasetOf(PlotId plot) const;

    QCustomPlot* plot_ = nullptr;
    QRectF plotArea_ { 0.0, 0.0, 1.0, 1.0 };
    std::vector<Dataset> datasets_;
    std::vector<Plot> plots_;
    std::vector<Marker> markers_;
    std::vector<QCPItemText*> texts_; // owned by the plot
    std::optional<QFont> textFont_;
    QCPTextElement* title_ = nullptr; // owned by the plot
};

} // namespace plask::chart
