#include "chart/chart.h"
#include "chart/chart_page.h"
#include "chart/data_window.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include <gtest/gtest.h>

#include <array>

namespace plask::chart {
namespace {

TEST(ChartPage, ChartsSitAtTheirFractionsAndFollowResizes)
{
    ChartPage page(QStringLiteral("page2"));
    page.resize(1000, 600);
    page.show();
    Chart* left = page.addChart(QRectF(QPointF(0, 0.5), QPointF(0.37, 1)));
    Chart* right = page.addChart(QRectF(QPointF(0.74, 0), QPointF(1, 1)));
    EXPECT_EQ(left->geometry(), QRect(0, 300, 370, 300));
    page.resize(2000, 1000);
    EXPECT_EQ(right->geometry(), QRect(1480, 0, 520, 1000));
    EXPECT_EQ(page.charts().size(), 2u);
}

class ChartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        chart.resize(800, 400);
        for (std::size_t i = 0; i < x.size(); ++i) {
            x[i] = static_cast<double>(i) * 0.5;
            y[i] = static_cast<double>(i * i);
        }
        dataset = chart.createDataset("pch1", x, y);
        plot = chart.addLinePlot(dataset, 2, 0);
        chart.setAxisRange(Axis::x, 0, 4.5);
        chart.setAxisRange(Axis::y, 0, 100);
        chart.show();
        chart.redraw();
    }
    Chart chart;
    std::array<double, 10> x {};
    std::array<double, 10> y {};
    DatasetId dataset;
    PlotId plot;
};

TEST_F(ChartTest, MouseInDataUnitsAndTheNearestPoint)
{
    const QPointF pixel = chart.pixelOf(2.1, 50);
    const auto position = chart.dataPosition(pixel);
    ASSERT_TRUE(position);
    EXPECT_NEAR(position->x(), 2.1, 0.02);
    EXPECT_NEAR(position->y(), 50, 0.5);
    const auto nearest = chart.nearestPoint(plot, *position);
    ASSERT_TRUE(nearest);
    EXPECT_EQ(nearest->index, 4u);
    EXPECT_EQ(nearest->y, 16.0);
    EXPECT_FALSE(chart.dataPosition(QPointF(1, 1))); // outside the plot area
}

TEST_F(ChartTest, ClicksArriveWithTheirButton)
{
    Qt::MouseButton pressed = Qt::NoButton;
    QObject::connect(&chart, &Chart::mousePressed, [&](Qt::MouseButton button, QPointF) { pressed = button; });
    QTest::mouseClick(chart.surface(), Qt::RightButton, {}, QPoint(100, 100));
    EXPECT_EQ(pressed, Qt::RightButton);
}

TEST_F(ChartTest, MarkersHoldOneOrManyPositions)
{
    const MarkerId marker = chart.addMarker(MarkerShape::verticalLine, 0, 10);
    EXPECT_FALSE(chart.markerShown(marker));
    chart.moveMarker(marker, 1.5, 3.0);
    EXPECT_TRUE(chart.markerShown(marker));
    const std::array<double, 3> xs { 1, 2, 3 };
    const std::array<double, 3> ys { 9, 9, 9 };
    chart.placeMarkers(marker, xs, ys);
    EXPECT_EQ(chart.markerPositions(marker).size(), 3u);
    chart.placeMarkers(marker, {}, {});
    EXPECT_FALSE(chart.markerShown(marker));
}

TEST_F(ChartTest, DataWindowCopiesTheValuesAsTabSeparatedLines)
{
    QWidget* window = chart.showDataWindow(plot);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("pch1"));
    auto* data = qobject_cast<DataWindow*>(window);
    ASSERT_NE(data, nullptr);
    const QStringList lines = data->selectedText().split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[3], QStringLiteral("1.5\t9"));
    data->copy();
    EXPECT_EQ(QApplication::clipboard()->text(), data->selectedText());
    window->close();
}

TEST_F(ChartTest, TextsAndTitle)
{
    const TextId label = chart.addText(QStringLiteral("N = 3"), QPointF(0.1, 0.1));
    chart.setText(label, QStringLiteral("N = 4"));
    EXPECT_EQ(chart.text(label), QStringLiteral("N = 4"));
    chart.setTitle(QStringLiteral("PCH"));
    chart.setTitle(QStringLiteral("PCH of PS1"));
    chart.redraw();
}

} // namespace
} // namespace plask::chart
