#include "gui_fixture.h"
#include "loaded_stream.h"

#include "chart/chart.h"
#include "ui/overview_strip.h"
#include "ui/trace_view.h"
#include "view/navigator.h"

#include <QSlider>
#include <QWheelEvent>

namespace plask::testing {
namespace {

// A 64000-bin ramp at 1 µs in PS1: zoom steps 1..6, 2 bins per point at step 1.
class NavigationTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        start();
        std::vector<std::uint16_t> counts(64000);
        for (std::size_t i = 0; i < counts.size(); ++i)
            counts[i] = static_cast<std::uint16_t>(i / 1000);
        loadCounts(state, 0, counts);
        platform.activeChannelChanged(0);
        platform.resetNavigator();
        platform.enableStreamNavigator(true);
        platform.redrawTrace();
    }

    chart::Chart& chart() const { return window->trace().chart(); }
    QWidget* surface() const { return chart().surface(); }

    // The pixel at a fraction of the trace's x axis, halfway up.
    QPointF pixelAt(double fraction) const
    {
        const auto [x0, x1] = chart().axisRange(chart::Axis::x);
        const auto [y0, y1] = chart().axisRange(chart::Axis::y);
        return chart().pixelOf(x0 + fraction * (x1 - x0), (y0 + y1) / 2.0);
    }

    void wheel(QPointF pixel, int notches) const
    {
        QWheelEvent event(pixel, surface()->mapToGlobal(pixel), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(surface(), &event);
    }

    void mouse(QWidget* widget, QEvent::Type type, QPointF pixel, Qt::MouseButtons buttons) const
    {
        QMouseEvent event(type, pixel, widget->mapToGlobal(pixel), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
            buttons, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }

    [[nodiscard]] std::uint64_t firstBin() const { return firstVisibleBin(state.navigator); }
    [[nodiscard]] int slider(const char* name) const { return child<QSlider>(name).value(); }
};

TEST_F(NavigationTest, WheelDragDoubleClickAndOverviewMoveTheVisibleRange)
{
    // Double-click: the whole recording, the zoom slider at its largest step.
    QTest::mouseDClick(surface(), Qt::LeftButton, {}, pixelAt(0.5).toPoint());
    EXPECT_EQ(state.navigator.zoomStep, 6);
    EXPECT_EQ(slider("zoomSlider"), 6);
    EXPECT_EQ(firstBin(), 0u);
    EXPECT_EQ(text("segmentTime"), QStringLiteral("0.064 s (100.00%)"));

    // Two notches closer around three quarters of the width: 16000 bins, bin 48000 stays put.
    wheel(pixelAt(0.75), 2);
    EXPECT_EQ(state.navigator.zoomStep, 4);
    EXPECT_EQ(slider("zoomSlider"), 4);
    EXPECT_NEAR(static_cast<double>(firstBin()), 48000.0 - 0.75 * 16000.0, 64.0);
    EXPECT_EQ(slider("segmentSlider"), static_cast<int>(state.navigator.currentSegment));
    EXPECT_EQ(child<QSlider>("segmentSlider").maximum(), 3);
    EXPECT_NEAR(chart().axisRange(chart::Axis::x).first, static_cast<double>(firstBin()) * 1e-6, 1e-12);

    // A drag to the left by a tenth of the width shows later bins by a tenth of the view.
    const std::uint64_t before = firstBin();
    const QPointF from = pixelAt(0.6);
    const QPointF to = pixelAt(0.5);
    mouse(surface(), QEvent::MouseButtonPress, from, Qt::LeftButton);
    mouse(surface(), QEvent::MouseMove, (from + to) / 2.0, Qt::LeftButton);
    mouse(surface(), QEvent::MouseMove, to, Qt::LeftButton);
    mouse(surface(), QEvent::MouseButtonRelease, to, Qt::NoButton);
    EXPECT_NEAR(static_cast<double>(firstBin() - before), 1600.0, 40.0);
    EXPECT_EQ(text("segmentNumber"), QString::number(state.navigator.currentSegment + 1));

    // A press on the overview's middle centres the view on the middle of the recording.
    auto& overview = window->overview();
    mouse(&overview, QEvent::MouseButtonPress, QPointF(overview.width() / 2.0, overview.height() / 2.0), Qt::LeftButton);
    EXPECT_NEAR(static_cast<double>(firstBin()), 32000.0 - 8000.0, 64.0);
    const auto [lo, hi] = overview.visibleFraction();
    EXPECT_NEAR(lo, 0.375, 0.002);
    EXPECT_NEAR(hi, 0.625, 0.002);

    // Dragged past the end, the view stops at the last bins; the slider's page move starts at a segment again.
    mouse(&overview, QEvent::MouseMove, QPointF(overview.width() + 50.0, 5.0), Qt::LeftButton);
    EXPECT_EQ(firstBin(), 64000u - 16000u);
    child<QSlider>("segmentSlider").setValue(1);
    EXPECT_EQ(firstBin(), 16000u);
    EXPECT_EQ(window->trace().buffers().counts[0][0], 16.0);

    // Wheel away from the recording beyond the closest step stops there.
    wheel(pixelAt(0.0), 10);
    EXPECT_EQ(state.navigator.zoomStep, 1);
    EXPECT_EQ(firstBin(), 16000u);
}

} // namespace
} // namespace plask::testing
