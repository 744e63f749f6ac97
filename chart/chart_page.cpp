#include "chart/chart_page.h"

#include "chart/chart.h"

#include "chart/qcustomplot_include.h"

#include <QResizeEvent>

#include <cmath>

namespace plask::chart {

ChartPage::ChartPage(const QString& name, QWidget* parent)
    : QWidget(parent)
    , name_(name)
{
    setObjectName(name);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
}

Chart* ChartPage::addChart(QRectF fractions)
{
    auto* chart = new Chart(this);
    placements_.push_back({ chart, fractions });
    chart->setGeometry(placed(fractions, rect()));
    chart->show();
    return chart;
}

std::vector<Chart*> ChartPage::charts() const
{
    std::vector<Chart*> result;
    for (const Placement& placement : placements_)
        result.push_back(placement.chart);
    return result;
}

QRect ChartPage::placed(QRectF fractions, const QRect& area)
{
    const auto at = [](double fraction, int origin, int extent) {
        return origin + static_cast<int>(std::lround(fraction * extent));
    };
    const int left = at(fractions.left(), area.left(), area.width());
    const int top = at(fractions.top(), area.top(), area.height());
    const int right = at(fractions.right(), area.left(), area.width());
    const int bottom = at(fractions.bottom(), area.top(), area.height());
    return { left, top, right - left, bottom - top };
}

void ChartPage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    for (const Placement& placement : placements_)
        placement.chart->setGeometry(placed(placement.fractions, rect()));
}

void ChartPage::renderTo(QCPPainter& painter, const QRect& target)
{
    for (const Placement& placement : placements_)
        placement.chart->renderTo(painter, placed(placement.fractions, target));
}

} // namespace plask::chart
