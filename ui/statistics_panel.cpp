#include "ui/statistics_panel.h"

#include "chart/chart.h"

#include <QEvent>
#include <QFontMetricsF>

namespace plask::ui {

namespace {
    QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

    constexpr double captionLeft = 0.05;
    constexpr double valueLeft = 0.5;
    constexpr int largestPointSize = 11;
    constexpr int smallestPointSize = 6;
} // namespace

StatisticsPanel::StatisticsPanel(chart::Chart& chart)
    : chart_(chart)
{
    chart_.setFont(QStringLiteral("Arial"), largestPointSize);
    chart_.setAxesVisible(false);
    chart_.setPlotArea(QRectF(QPointF(0.08, 0.1), QPointF(0.98, 0.7)));
    chart_.addText(QStringLiteral("Analysis Results"), QPointF(0.03, 0.08));
    for (int row = 0; row < statisticsRows; ++row)
        chart_.addText(qs(statisticsCaptions[static_cast<std::size_t>(row)]), QPointF(captionLeft, 0.2 + 0.05 * row));
    for (int row = 0; row < statisticsRows; ++row) {
        const chart::TextId id = chart_.addText(QString(19, u'X'), QPointF(valueLeft, 0.2 + 0.05 * row));
        chart_.setTextVisible(id, false);
        values_[static_cast<std::size_t>(row)] = id;
    }
    fitTextFont();
    chart_.installEventFilter(this);
    chart_.redraw();
}

bool StatisticsPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &chart_ && event->type() == QEvent::Resize)
        fitTextFont();
    return QObject::eventFilter(watched, event);
}

// Arial 11 where the panel is wide enough; smaller where the longest caption
// or value would run into its neighbour.
void StatisticsPanel::fitTextFont()
{
    const double width = chart_.width();
    const QString caption = QStringLiteral("Mean photons/burst: ");
    const QString value = QStringLiteral("100.00 ± 10.00 photons");
    QFont font(QStringLiteral("Arial"), largestPointSize);
    for (int size = largestPointSize; size >= smallestPointSize; --size) {
        font.setPointSize(size);
        const QFontMetricsF metrics(font);
        if (metrics.horizontalAdvance(caption) <= (valueLeft - captionLeft) * width
            && metrics.horizontalAdvance(value) <= (1.0 - valueLeft) * width)
            break;
    }
    chart_.setTextFont(font);
}

void StatisticsPanel::showRow(int row, const PhotonStream& stream, const BurstSet& set)
{
    const auto index = static_cast<std::size_t>(row);
    chart_.setText(values_[index], QString::fromStdString(statisticsValueText(row, stream, set)));
    chart_.setTextVisible(values_[index], true);
    shown_[index] = true;
}

void StatisticsPanel::refresh(const AppState& state, int channel)
{
    const auto index = static_cast<std::size_t>(channel);
    const PhotonStream& stream = state.streams.at(index);
    const BurstSet& set = state.burstSets.at(index);
    if (stream.counts.empty()) {
        for (std::size_t row = 0; row < values_.size(); ++row) {
            chart_.setTextVisible(values_[row], false);
            shown_[row] = false;
        }
    } else {
        if (state.loadedFlags.at(index) != 0)
            for (int row = 0; row < firstBurstRow; ++row)
                showRow(row, stream, set);
        if (state.burstDataPresent.at(index) != 0)
            for (int row = firstBurstRow; row < statisticsRows; ++row)
                showRow(row, stream, set);
    }
    chart_.redraw();
}

QString StatisticsPanel::valueText(int row) const { return chart_.text(values_.at(static_cast<std::size_t>(row))); }

bool StatisticsPanel::valueShown(int row) const { return shown_.at(static_cast<std::size_t>(row)); }

} // namespace plask::ui
