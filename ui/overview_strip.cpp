#include "ui/overview_strip.h"

#include "ui/trace_view.h"
#include "view/navigator.h"
#include "view/trace_navigation.h"
#include "view/trace_points.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace plask::ui {

namespace {
    constexpr int stripHeight = 36;
} // namespace

OverviewStrip::OverviewStrip(AppState& state, TraceView& trace, QWidget* parent)
    : QWidget(parent)
    , state_(state)
    , trace_(trace)
{
    setObjectName(QStringLiteral("overviewStrip"));
    setMinimumHeight(stripHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setToolTip(QStringLiteral("Whole recording: click or drag to move the trace"));
}

QSize OverviewStrip::sizeHint() const { return { 400, stripHeight }; }

std::pair<double, double> OverviewStrip::visibleFraction() const
{
    const double length = state_.display.displayLength;
    if (length <= 0.0 || !segmentInsideData(state_))
        return { 0.0, 0.0 };
    const auto first = static_cast<double>(firstVisibleBin(state_.navigator));
    return { first / length, (first + static_cast<double>(visibleBinCount(state_.navigator))) / length };
}

void OverviewStrip::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(245, 245, 245));
    painter.setPen(QColor(200, 200, 200));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const std::uint32_t length = state_.display.displayLength;
    const int channel = state_.activeChannel;
    const TraceEnvelope* envelope = trace_.envelopeOf(channel);
    if (envelope == nullptr || length == 0 || width() < 2)
        return;

    const std::span<const std::uint16_t> bins = state_.streams.at(static_cast<std::size_t>(channel)).bins();
    columns_.resize(static_cast<std::size_t>(width()));
    envelope->columns(bins, 0, std::min<std::uint64_t>(length, bins.size()), columns_);
    std::uint16_t top = 1;
    for (const CountEnvelope& column : columns_)
        top = std::max(top, column.max);
    const double scale = static_cast<double>(height() - 4) / top;
    const int base = height() - 2;
    // A light band, so the marked window stands out over a dense recording.
    painter.setPen(channel == 1 ? QColor(140, 140, 230) : QColor(150, 150, 150));
    for (int x = 0; x < width(); ++x) {
        const CountEnvelope& column = columns_[static_cast<std::size_t>(x)];
        const int low = base - static_cast<int>(std::lround(column.min * scale));
        const int high = base - static_cast<int>(std::lround(column.max * scale));
        painter.drawLine(x, low, x, high);
    }

    const auto [first, last] = visibleFraction();
    if (last > first) {
        const double left = first * width();
        const double right = std::max(left + 3.0, last * width());
        const QRectF window(QPointF(left, 0.5), QPointF(right, height() - 0.5));
        painter.fillRect(window, QColor(255, 160, 0, 70));
        painter.setPen(QPen(QColor(220, 110, 0), 1.0));
        painter.drawRect(window);
    }
}

void OverviewStrip::centreAt(double pixelX)
{
    if (!segmentInsideData(state_) || width() <= 0)
        return;
    const double at = std::clamp(pixelX / width(), 0.0, 1.0) * state_.display.displayLength;
    const double half = static_cast<double>(visibleBinCount(state_.navigator)) / 2.0;
    showFromBin(state_, static_cast<std::int64_t>(std::llround(at - half)));
    Q_EMIT navigated();
}

void OverviewStrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        centreAt(event->position().x());
}

void OverviewStrip::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        centreAt(event->position().x());
}

} // namespace plask::ui
