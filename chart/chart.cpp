#include "chart/chart.h"

#include "chart/data_window.h"

#include "chart/qcustomplot_include.h"

#include <QResizeEvent>

#include <algorithm>
#include <cmath>

namespace plask::chart {

struct Chart::Dataset {
    std::string name;
    std::span<const double> x;
    std::span<const double> y;
};

struct Chart::Plot {
    QCPAbstractPlottable* plottable = nullptr; // QCPGraph, QCPBars or QCPErrorBars, owned by the plot
    int dataset = -1;
    std::span<const double> errors; // QCPErrorBars only
};

struct Chart::Marker {
    QCPGraph* graph = nullptr; // owned by the plot
    MarkerShape shape = MarkerShape::verticalLine;
    std::vector<double> x;
    std::vector<double> y;
};

namespace {
    QVector<double> toVector(std::span<const double> values) { return QVector<double>(values.begin(), values.end()); }

    QCPAxis* axisOf(QCustomPlot* plot, Axis axis) { return axis == Axis::x ? plot->xAxis : plot->yAxis; }
} // namespace

QColor paletteColour(int index)
{
    static const QColor colours[16] = { Qt::black, Qt::red, Qt::green, QColor(200, 160, 0), Qt::blue, Qt::magenta,
        Qt::cyan, Qt::gray, Qt::darkGray, Qt::lightGray, Qt::darkGreen, Qt::darkBlue, Qt::darkRed, Qt::darkCyan,
        Qt::darkMagenta, Qt::darkYellow };
    return colours[static_cast<std::size_t>(((index % 16) + 16) % 16)];
}

Chart::Chart(QWidget* parent)
    : QWidget(parent)
    , plot_(new QCustomPlot(this))
{
    plot_->setBackground(Qt::white);
    plot_->setPlottingHints(QCP::phCacheLabels | QCP::phFastPolylines);
    connect(plot_, &QCustomPlot::mousePress, this,
        [this](QMouseEvent* event) { Q_EMIT mousePressed(event->button(), event->position()); });
    connect(plot_, &QCustomPlot::mouseMove, this,
        [this](QMouseEvent* event) { Q_EMIT mouseMoved(event->buttons(), event->position()); });
    connect(plot_, &QCustomPlot::mouseRelease, this,
        [this](QMouseEvent* event) { Q_EMIT mouseReleased(event->button(), event->position()); });
    connect(plot_, &QCustomPlot::mouseWheel, this, [this](QWheelEvent* event) {
        Q_EMIT wheelTurned(event->angleDelta().y() / 120.0, event->position());
        event->accept();
    });
    connect(plot_, &QCustomPlot::mouseDoubleClick, this,
        [this](QMouseEvent* event) { Q_EMIT doubleClicked(event->position()); });
}

Chart::~Chart() = default;

void Chart::setPlotArea(QRectF fractions)
{
    plotArea_ = fractions;
    applyPlotArea();
}

void Chart::applyPlotArea()
{
    const QSize size = this->size();
    const auto px = [](double fraction, int extent) { return static_cast<int>(std::lround(fraction * extent)); };
    plot_->axisRect()->setMinimumMargins(QMargins(px(plotArea_.left(), size.width()),
        px(plotArea_.top(), size.height()), px(1.0 - plotArea_.right(), size.width()),
        px(1.0 - plotArea_.bottom(), size.height())));
}

void Chart::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    plot_->setGeometry(rect());
    applyPlotArea();
}

void Chart::setFont(const QString& family, int pointSize)
{
    const QFont font(family, pointSize);
    for (QCPAxis* axis : { plot_->xAxis, plot_->yAxis }) {
        axis->setTickLabelFont(font);
        axis->setLabelFont(font);
    }
}

DatasetId Chart::createDataset(std::string name, std::span<const double> x, std::span<const double> y)
{
    datasets_.push_back({ std::move(name), x, y.first(std::min(x.size(), y.size())) });
    return { static_cast<int>(datasets_.size()) - 1 };
}

void Chart::setDatasetArrays(DatasetId dataset, std::span<const double> x, std::span<const double> y)
{
    Dataset& entry = datasets_.at(static_cast<std::size_t>(dataset.index));
    entry.x = x;
    entry.y = y.first(std::min(x.size(), y.size()));
}

std::string Chart::datasetName(DatasetId dataset) const
{
    return datasets_.at(static_cast<std::size_t>(dataset.index)).name;
}

PlotId Chart::addLinePlot(DatasetId dataset, int penWidth, int colourIndex)
{
    QCPGraph* graph = plot_->addGraph();
    graph->setPen(QPen(paletteColour(colourIndex), penWidth));
    graph->setAdaptiveSampling(true);
    plots_.push_back({ graph, dataset.index, {} });
    return { static_cast<int>(plots_.size()) - 1 };
}

PlotId Chart::addBarPlot(DatasetId dataset, double barWidth, int colourIndex)
{
    auto* bars = new QCPBars(plot_->xAxis, plot_->yAxis); // owned by the plot
    bars->setWidth(barWidth);
    bars->setPen(QPen(paletteColour(colourIndex)));
    bars->setBrush(paletteColour(colourIndex).lighter(150));
    plots_.push_back({ bars, dataset.index, {} });
    return { static_cast<int>(plots_.size()) - 1 };
}

PlotId Chart::addErrorBars(PlotId linePlot, int colourIndex)
{
    auto* bars = new QCPErrorBars(plot_->xAxis, plot_->yAxis); // owned by the plot
    bars->setDataPlottable(plots_.at(static_cast<std::size_t>(linePlot.index)).plottable);
    bars->setErrorType(QCPErrorBars::etValueError);
    bars->setPen(QPen(paletteColour(colourIndex), 1));
    bars->setWhiskerWidth(5);
    plots_.push_back({ bars, -1, {} });
    return { static_cast<int>(plots_.size()) - 1 };
}

void Chart::setErrorArray(PlotId errorBars, std::span<const double> halfLengths)
{
    plots_.at(static_cast<std::size_t>(errorBars.index)).errors = halfLengths;
}

void Chart::setPlotDataset(PlotId plot, DatasetId dataset)
{
    plots_.at(static_cast<std::size_t>(plot.index)).dataset = dataset.index;
}

void Chart::setBarWidth(PlotId plot, double width)
{
    if (auto* bars = qobject_cast<QCPBars*>(plots_.at(static_cast<std::size_t>(plot.index)).plottable))
        bars->setWidth(width);
}

void Chart::setPlotVisible(PlotId plot, bool visible)
{
    plots_.at(static_cast<std::size_t>(plot.index)).plottable->setVisible(visible);
}

void Chart::setAxisRange(Axis axis, double min, double max) { axisOf(plot_, axis)->setRange(min, max); }

std::pair<double, double> Chart::axisRange(Axis axis) const
{
    const QCPRange range = axisOf(plot_, axis)->range();
    return { range.lower, range.upper };
}

void Chart::setLogarithmicX(bool logarithmic)
{
    QCPAxis* axis = plot_->xAxis;
    axis->setScaleType(logarithmic ? QCPAxis::stLogarithmic : QCPAxis::stLinear);
    if (logarithmic)
        axis->setTicker(QSharedPointer<QCPAxisTickerLog>::create());
    else
        axis->setTicker(QSharedPointer<QCPAxisTicker>::create());
}

void Chart::setAxisTitle(Axis axis, const QString& title) { axisOf(plot_, axis)->setLabel(title); }

void Chart::setPowerTickLabels(Axis axis, bool powers)
{
    // QCustomPlot's own default is "gb" with 6 digits.
    axisOf(plot_, axis)->setNumberFormat(powers ? QStringLiteral("eb") : QStringLiteral("gb"));
    axisOf(plot_, axis)->setNumberPrecision(powers ? 0 : 6);
}

void Chart::setAxesVisible(bool visible)
{
    for (QCPAxis* axis : { plot_->xAxis, plot_->yAxis }) {
        axis->setVisible(visible);
        axis->grid()->setVisible(visible);
    }
}

TextId Chart::addText(const QString& text, QPointF fraction)
{
    auto* item = new QCPItemText(plot_); // owned by the plot
    item->position->setType(QCPItemPosition::ptViewportRatio);
    item->position->setCoords(fraction.x(), fraction.y());
    item->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
    item->setClipToAxisRect(false);
    item->setText(text);
    if (textFont_)
        item->setFont(*textFont_);
    texts_.push_back(item);
    return { static_cast<int>(texts_.size()) - 1 };
}

void Chart::setText(TextId id, const QString& text) { texts_.at(static_cast<std::size_t>(id.index))->setText(text); }

void Chart::setTextVisible(TextId id, bool visible)
{
    texts_.at(static_cast<std::size_t>(id.index))->setVisible(visible);
}

QString Chart::text(TextId id) const { return texts_.at(static_cast<std::size_t>(id.index))->text(); }

void Chart::setTextFont(const QFont& font)
{
    textFont_ = font;
    for (QCPItemText* item : texts_)
        item->setFont(font);
}

void Chart::setTitle(const QString& title)
{
    if (title_ == nullptr) {
        plot_->plotLayout()->insertRow(0);
        title_ = new QCPTextElement(plot_, title); // owned by the layout
        plot_->plotLayout()->addElement(0, 0, title_);
    }
    title_->setText(title);
}

MarkerId Chart::addMarker(MarkerShape shape, int size, int colourIndex)
{
    QCPGraph* graph = plot_->addGraph();
    const QColor colour = paletteColour(colourIndex);
    if (shape == MarkerShape::verticalLine) {
        graph->setLineStyle(QCPGraph::lsImpulse);
        graph->setPen(QPen(colour, 1, Qt::DashLine));
    } else {
        graph->setLineStyle(QCPGraph::lsNone);
        graph->setPen(QPen(colour));
        graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssTriangleInverted, colour, colour, size));
    }
    graph->setVisible(false);
    markers_.push_back({ graph, shape, {}, {} });
    return { static_cast<int>(markers_.size()) - 1 };
}

void Chart::moveMarker(MarkerId marker, double x, double y, bool shown)
{
    Marker& entry = markers_.at(static_cast<std::size_t>(marker.index));
    entry.x.assign(1, x);
    entry.y.assign(1, y);
    entry.graph->setVisible(shown);
}

void Chart::placeMarkers(MarkerId marker, std::span<const double> x, std::span<const double> y)
{
    Marker& entry = markers_.at(static_cast<std::size_t>(marker.index));
    entry.x.assign(x.begin(), x.end());
    entry.y.assign(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(std::min(x.size(), y.size())));
    entry.x.resize(entry.y.size());
    entry.graph->setVisible(!entry.x.empty());
}

void Chart::hideMarker(MarkerId marker) { markers_.at(static_cast<std::size_t>(marker.index)).graph->setVisible(false); }

bool Chart::markerShown(MarkerId marker) const
{
    return markers_.at(static_cast<std::size_t>(marker.index)).graph->visible();
}

std::vector<QPointF> Chart::markerPositions(MarkerId marker) const
{
    const Marker& entry = markers_.at(static_cast<std::size_t>(marker.index));
    std::vector<QPointF> positions;
    for (std::size_t i = 0; i < entry.x.size(); ++i)
        positions.emplace_back(entry.x[i], entry.y[i]);
    return positions;
}

void Chart::copyMarker(const Marker& marker)
{
    QVector<double> y = toVector(marker.y);
    // Vertical lines reach the top of the plot area whatever height they were given.
    if (marker.shape == MarkerShape::verticalLine)
        std::fill(y.begin(), y.end(), plot_->yAxis->range().upper);
    marker.graph->setData(toVector(marker.x), y);
}

void Chart::redraw()
{
    for (const Plot& plot : plots_) {
        const Dataset* dataset = plot.dataset >= 0 ? &datasets_.at(static_cast<std::size_t>(plot.dataset)) : nullptr;
        const QVector<double> x = dataset ? toVector(dataset->x) : QVector<double>();
        const QVector<double> y = dataset ? toVector(dataset->y) : QVector<double>();
        if (auto* graph = qobject_cast<QCPGraph*>(plot.plottable))
            graph->setData(x, y, true);
        else if (auto* bars = qobject_cast<QCPBars*>(plot.plottable))
            bars->setData(x, y, true);
        else if (auto* errorBars = qobject_cast<QCPErrorBars*>(plot.plottable))
            errorBars->setData(toVector(plot.errors));
    }
    for (const Marker& marker : markers_)
        copyMarker(marker);
    plot_->replot();
}

std::size_t Chart::drawnPointCount(PlotId plot) const
{
    QCPAbstractPlottable* plottable = plots_.at(static_cast<std::size_t>(plot.index)).plottable;
    return static_cast<std::size_t>(plottable->interface1D()->dataCount());
}

const Chart::Dataset* Chart::datasetOf(PlotId plot) const
{
    const int index = plots_.at(static_cast<std::size_t>(plot.index)).dataset;
    return index >= 0 ? &datasets_.at(static_cast<std::size_t>(index)) : nullptr;
}

QWidget* Chart::showDataWindow(PlotId plot)
{
    const Dataset* dataset = datasetOf(plot);
    if (dataset == nullptr)
        return nullptr;
    auto* window = new DataWindow(QString::fromStdString(dataset->name), dataset->x, dataset->y, this);
    window->show();
    return window;
}

std::optional<QPointF> Chart::dataPosition(QPointF pixel) const
{
    const QPointF local = plot_->mapFrom(this, pixel);
    if (!plot_->axisRect()->rect().contains(local.toPoint()))
        return std::nullopt;
    return QPointF(plot_->xAxis->pixelToCoord(local.x()), plot_->yAxis->pixelToCoord(local.y()));
}

QPointF Chart::pixelOf(double x, double y) const
{
    return plot_->mapTo(this, QPointF(plot_->xAxis->coordToPixel(x), plot_->yAxis->coordToPixel(y)));
}

std::optional<NearestPoint> Chart::nearestPoint(PlotId plot, QPointF position) const
{
    const Dataset* dataset = datasetOf(plot);
    if (dataset == nullptr || dataset->x.empty())
        return std::nullopt;
    const std::span<const double> x = dataset->x;
    std::size_t best = 0;
    for (std::size_t i = 1; i < x.size(); ++i)
        if (std::abs(x[i] - position.x()) < std::abs(x[best] - position.x()))
            best = i;
    return NearestPoint { best, x[best], dataset->y.empty() ? 0.0 : dataset->y[std::min(best, dataset->y.size() - 1)] };
}

void Chart::renderTo(QCPPainter& painter, const QRect& target)
{
    painter.save();
    painter.translate(target.topLeft());
    plot_->toPainter(&painter, target.width(), target.height());
    painter.restore();
}

QWidget* Chart::surface() const { return plot_; }

} // namespace plask::chart
