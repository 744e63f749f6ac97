#include "gui_fixture.h"
#include "loaded_stream.h"

#include "chart/chart.h"
#include "chart/printing.h"
#include "view/trace_points.h"
#include "chart/chart_page.h"
#include "ui/results_window.h"
#include "ui/trace_view.h"

#include <QSlider>
#include <QTableWidget>

namespace plask::testing {
namespace {

// A 64000-bin stream at 1 µs in PS1 (2 bins per chart point at the first
// zoom step, 32 segments) with a pattern 0 1 2 3, loaded as Open would.
class TraceTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        start();
        counts.resize(64000);
        for (std::size_t i = 0; i < counts.size(); ++i)
            counts[i] = static_cast<std::uint16_t>(i % 4);
        load(0, counts);
    }

    void load(int channel, const std::vector<std::uint16_t>& values)
    {
        loadCounts(state, channel, values);
        streamOf(state, channel).rateKHz = 1500.0;
        platform.activeChannelChanged(channel);
        platform.resetNavigator();
        platform.enableStreamNavigator(true);
        platform.redrawTrace();
    }

    // Three bursts in the first segment of PS1, one in the second.
    void analyse()
    {
        BurstSet& set = burstSetOf(state, 0);
        set.startBins = PageArray<std::uint32_t>::allocate(4);
        set.endBins = PageArray<std::uint32_t>::allocate(4);
        set.photons = PageArray<double>::allocate(4);
        set.peaks = PageArray<double>::allocate(4);
        set.widths = PageArray<double>::allocate(4);
        set.peakTimes = PageArray<double>::allocate(4);
        const std::uint32_t starts[] = { 200, 900, 1500, 2500 };
        for (std::size_t j = 0; j < 4; ++j) {
            set.startBins[j] = starts[j];
            set.endBins[j] = starts[j] + 40;
            set.photons[j] = 30.0 + static_cast<double>(j);
            set.peaks[j] = 6;
            set.widths[j] = 41;
            set.peakTimes[j] = (starts[j] + 20) * 1e-6;
        }
        set.burstCount = 4;
        state.burstDataPresent[0] = 1;
        platform.enableBurstNavigator(true);
        window->redrawTrace();
    }

    void focusOn(const char* name)
    {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        child<QWidget>(name).setFocus();
        ASSERT_TRUE(child<QWidget>(name).hasFocus());
    }

    void pressKey(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }

    chart::Chart& chart() const { return window->trace().chart(); }

    // Clicks the trace chart over a chart point.
    void clickPoint(std::size_t point, Qt::MouseButton button)
    {
        const TraceBuffers& buffers = window->trace().buffers();
        const QPointF pixel = chart().pixelOf(buffers.time.at(point), 1.0);
        QTest::mouseClick(chart().surface(), button, {}, pixel.toPoint());
    }

    std::vector<std::uint16_t> counts;
};

TEST_F(TraceTest, LoadResetsTheNavigatorAndShowsTheStream)
{
    EXPECT_EQ(text("ps1Rate"), QStringLiteral("1500.00 KHz"));
    EXPECT_EQ(text("ps1Range"), QStringLiteral("0 to 3"));
    EXPECT_EQ(text("segmentNumber"), QStringLiteral("1"));
    auto& zoom = child<QSlider>("zoomSlider");
    auto& segment = child<QSlider>("segmentSlider");
    EXPECT_TRUE(zoom.isEnabled());
    EXPECT_EQ(zoom.minimum(), 1);
    EXPECT_EQ(zoom.maximum(), 6);
    EXPECT_EQ(segment.maximum(), 31);
    EXPECT_EQ(segment.pageStep(), 3);
    EXPECT_TRUE(child<QAbstractButton>("ps1Button").isChecked());
    EXPECT_FALSE(child<QAbstractButton>("ps2Button").isChecked());
    const auto [x0, x1] = chart().axisRange(chart::Axis::x);
    EXPECT_DOUBLE_EQ(x0, 0.0);
    EXPECT_DOUBLE_EQ(x1, 0.001998);
    EXPECT_EQ(chart().axisRange(chart::Axis::y).second, 3.0); // maxCount without autoscale
    EXPECT_EQ(window->trace().buffers().counts[0][1], 2.0); // single point mode: bin 2
}

TEST_F(TraceTest, ZoomSliderToTheLargestStepShowsTheWholeStream)
{
    child<QSlider>("zoomSlider").setValue(6);
    EXPECT_EQ(text("segmentTime"), QStringLiteral("0.064 s (100.00%)"));
    EXPECT_EQ(child<QSlider>("segmentSlider").maximum(), 0);
    EXPECT_DOUBLE_EQ(chart().axisRange(chart::Axis::x).second, 999 * 64e-6);
}

TEST_F(TraceTest, SegmentSliderAndRightArrowPage)
{
    child<QSlider>("segmentSlider").setValue(4);
    EXPECT_EQ(text("segmentNumber"), QStringLiteral("5"));
    EXPECT_DOUBLE_EQ(chart().axisRange(chart::Axis::x).first, 0.008);

    focusOn("segmentSlider");
    pressKey(Qt::Key_Right);
    EXPECT_EQ(text("segmentNumber"), QStringLiteral("6"));
    EXPECT_EQ(child<QSlider>("segmentSlider").value(), 5);
    pressKey(Qt::Key_Left);
    pressKey(Qt::Key_Left);
    EXPECT_EQ(text("segmentNumber"), QStringLiteral("4"));

    focusOn("triggerLevel");
    pressKey(Qt::Key_Right);
    EXPECT_EQ(text("segmentNumber"), QStringLiteral("4"));
}

TEST_F(TraceTest, SumModeThinsBySums)
{
    state.currentDisplayMode = displaySum;
    window->redrawTrace();
    EXPECT_EQ(window->trace().buffers().counts[0][0], 1.0); // 0 + 1
    EXPECT_EQ(window->trace().buffers().counts[0][1], 5.0); // 2 + 3
}

TEST_F(TraceTest, BurstNavigatorStepsWithPageKeysEvenFromAnEditField)
{
    analyse();
    EXPECT_EQ(window->trace().markers().markers.size(), 3u);
    EXPECT_EQ(text("burstNumber"), QStringLiteral("0.00022 sec"));
    EXPECT_EQ(text("burstDescription"), QStringLiteral("#1: 30 photons (Peak = 6)     Width = 41 µs"));
    EXPECT_TRUE(chart().markerShown(window->trace().cursorMarker()));

    focusOn("triggerLevel");
    pressKey(Qt::Key_PageDown);
    EXPECT_EQ(text("burstDescription").left(4), QStringLiteral("#2: "));
    pressKey(Qt::Key_PageDown);
    pressKey(Qt::Key_PageDown); // stays on the last burst of the segment
    EXPECT_EQ(text("burstDescription").left(4), QStringLiteral("#3: "));
    click("backButton");
    EXPECT_EQ(text("burstDescription").left(4), QStringLiteral("#2: "));
    const double cursorX = chart().markerPositions(window->trace().cursorMarker()).at(0).x();
    EXPECT_DOUBLE_EQ(cursorX, window->trace().buffers().time[460]); // middle of bins 900..940

    // A segment without bursts leaves the texts alone.
    child<QSlider>("segmentSlider").setValue(10);
    EXPECT_EQ(text("burstDescription").left(4), QStringLiteral("#2: "));
    EXPECT_FALSE(chart().markerShown(window->trace().burstStartMarkers()));
}

TEST_F(TraceTest, ChangingTheChannelRedrawsAndDropsTheOtherChannelsMarkers)
{
    analyse();
    load(1, std::vector<std::uint16_t>(64000, 2));
    click("ps1Button");
    EXPECT_EQ(window->trace().markers().markers.size(), 3u);
    click("ps2Button");
    EXPECT_TRUE(child<QAbstractButton>("ps2Button").isChecked());
    EXPECT_FALSE(child<QAbstractButton>("ps1Button").isChecked());
    EXPECT_EQ(state.activeChannel, 1);
    EXPECT_TRUE(window->trace().markers().markers.empty());
    EXPECT_FALSE(chart().markerShown(window->trace().burstStartMarkers()));
    const QString before = text("burstDescription");
    click("nextButton");
    EXPECT_EQ(text("burstDescription"), before);
}

TEST_F(TraceTest, ShowMarkersOffStopsThePlacingAtTheNextRedraw)
{
    analyse();
    click("showMarkers");
    EXPECT_FALSE(child<QAbstractButton>("showMarkers").isChecked());
    EXPECT_FALSE(state.showMarkers);
    child<QSlider>("segmentSlider").setValue(1);
    EXPECT_TRUE(window->trace().markers().markers.empty());
}

TEST_F(TraceTest, BackgroundSelectionWithTwoClicks)
{
    clickPoint(100, Qt::LeftButton); // no mode: nothing
    EXPECT_EQ(window->trace().selection().startPoint, 0u);

    menu(ui::cmdSelectBackground);
    EXPECT_TRUE(window->menuAction(ui::cmdSelectBackground)->isChecked());
    clickPoint(300, Qt::RightButton);
    clickPoint(100, Qt::LeftButton);
    const PhotonStream& stream = state.streams[0];
    EXPECT_EQ(stream.backgroundStart, 200u);
    EXPECT_EQ(stream.backgroundEnd, 600u);
    EXPECT_DOUBLE_EQ(stream.backgroundMean, (100 * 6 + 0) / 401.0);
    EXPECT_EQ(child<QLineEdit>("backgroundCounts").text(), QStringLiteral("1"));
    EXPECT_TRUE(chart().markerShown(window->trace().selectionMarker(SelectionClick::start)));

    menu(ui::cmdSelectRegion); // straight into the other mode: only its item is checked
    EXPECT_FALSE(window->menuAction(ui::cmdSelectBackground)->isChecked());
    EXPECT_TRUE(window->menuAction(ui::cmdSelectRegion)->isChecked());
    clickPoint(10, Qt::LeftButton);
    clickPoint(20, Qt::RightButton);
    EXPECT_EQ(stream.regionStart, 20u);
    EXPECT_EQ(stream.regionEnd, 40);
    // Clicks on the results window's charts are theirs, not a selection.
    menu(ui::cmdResults);
    for (chart::Chart* other : window->resultsWindow().page().charts())
        QTest::mouseClick(other->surface(), Qt::LeftButton, {}, other->rect().center());
    EXPECT_EQ(stream.regionStart, 20u);
    EXPECT_EQ(window->trace().selection().startPoint, 10u);
    menu(ui::cmdSelectRegion);
    EXPECT_EQ(stream.regionEnd, 63999);
    EXPECT_FALSE(window->menuAction(ui::cmdSelectRegion)->isChecked());
    EXPECT_FALSE(chart().markerShown(window->trace().selectionMarker(SelectionClick::start)));
}

TEST_F(TraceTest, CloseEmptiesTheChannelAndDisablesTheNavigators)
{
    analyse();
    menu(ui::cmdClose);
    EXPECT_EQ(state.loadedFlags[0], 0);
    EXPECT_EQ(state.loadedBinWidth, 0.0);
    EXPECT_FALSE(child<QSlider>("segmentSlider").isEnabled());
    EXPECT_FALSE(child<QAbstractButton>("nextButton").isEnabled());
    EXPECT_EQ(window->trace().buffers().counts[0][1], 0.0);
    EXPECT_EQ(text("ps1Rate"), QStringLiteral("0.00 KHz"));
    EXPECT_EQ(text("ps1Range"), QStringLiteral("0 to 0"));
    EXPECT_TRUE(platform.script.dialogs().empty());
}

TEST_F(TraceTest, PsDataListsTheTraceOfTheActiveChannel)
{
    menu(ui::cmdShowData);
    auto* table = window->findChild<QTableWidget*>();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 1000);
    EXPECT_EQ(table->item(3, 1)->text(), QStringLiteral("2")); // bin 6
    EXPECT_EQ(table->item(3, 0)->text(), QStringLiteral("6e-06"));
}

TEST_F(TraceTest, PrintWithoutAPrinterWritesAPdf)
{
    if (chart::printerAvailable())
        GTEST_SKIP() << "a printer is installed";
    const auto pdf = folder / "results.pdf";
    platform.script.saveFileAnswers.push_back(pdf.string());
    menu(ui::cmdPrintBurstHist);
    const auto bytes = readBytes(pdf);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "%PDF");
}

} // namespace
} // namespace plask::testing
