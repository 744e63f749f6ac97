#include "correlator_file_writer.h"
#include "gui_fixture.h"

#include "chart/chart.h"
#include "ui/results_window.h"
#include "ui/trace_view.h"

#include <QComboBox>
#include <QDir>
#include <QSlider>

namespace plask::testing {
namespace {

// 20000 bins of 1 µs: one photon in every fourth bin and in the last, and
// three bursts of 20 bins with 5 photons each.
std::vector<std::uint16_t> simulatedCounts()
{
    std::vector<std::uint16_t> counts(20000);
    for (std::size_t i = 0; i < counts.size(); ++i)
        counts[i] = (i % 4 == 0 || i == counts.size() - 1) ? 1 : 0;
    for (const std::size_t start : { 3000u, 9000u, 15000u })
        std::fill_n(counts.begin() + static_cast<std::ptrdiff_t>(start), 20, std::uint16_t { 5 });
    return counts;
}

class WorkflowTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        start();
        writeCorrelatorFile(folder / "run1.dat", simulatedCounts());
    }

    void open(const std::filesystem::path& path)
    {
        platform.script.openFileAnswers.push_back(path.string());
        menu(ui::cmdOpen);
    }

    void focusOn(const char* name)
    {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        child<QWidget>(name).setFocus();
    }

    void clickPoint(std::size_t point, Qt::MouseButton button)
    {
        chart::Chart& chart = window->trace().chart();
        const QPointF pixel = chart.pixelOf(window->trace().buffers().time.at(point), 1.0);
        QTest::mouseClick(chart.surface(), button, {}, pixel.toPoint());
    }
};

TEST_F(WorkflowTest, OpenZoomPageSelectAndClose)
{
    open(folder / "run1.dat");
    ASSERT_TRUE(platform.script.dialogs().empty()) << platform.script.dialogs()[0];
    const FileDialogRequest& request = platform.script.fileRequests.at(0);
    EXPECT_EQ(ui::nameFilter(request.filters.at(0)), QStringLiteral("Vireo photon stream file (*.dat)"));
    EXPECT_EQ(state.streams[0].length, 20000u);
    EXPECT_EQ(text("ps1Rate"), QStringLiteral("264.31 KHz")); // 5286 photons in 0.019999 s
    EXPECT_EQ(text("ps1Range"), QStringLiteral("0 to 5"));
    EXPECT_EQ(text("segmentNumber"), QStringLiteral("1"));
    auto& zoom = child<QSlider>("zoomSlider");
    auto& segments = child<QSlider>("segmentSlider");
    EXPECT_TRUE(zoom.isEnabled());
    EXPECT_EQ(zoom.maximum(), 5);
    EXPECT_EQ(segments.maximum(), 19);
    EXPECT_EQ(text("segmentTime"), QStringLiteral("0.001 s (5.00%)"));
    EXPECT_EQ(window->trace().buffers().counts[0][0], 1.0);

    zoom.setValue(3); // 5 bins a point
    EXPECT_EQ(text("segmentTime"), QStringLiteral("0.005 s (25.00%)"));
    EXPECT_EQ(segments.maximum(), 3);
    focusOn("segmentSlider");
    QTest::keyClick(&segments, Qt::Key_Right);
    QTest::keyClick(&segments, Qt::Key_Right);
    EXPECT_EQ(text("segmentNumber"), QStringLiteral("3"));
    EXPECT_DOUBLE_EQ(window->trace().chart().axisRange(chart::Axis::x).first, 0.010);

    menu(ui::cmdSelectRegion);
    clickPoint(100, Qt::LeftButton);
    clickPoint(40, Qt::RightButton);
    EXPECT_EQ(state.streams[0].regionStart, 10200u); // (2000 + 40) x 5
    EXPECT_EQ(state.streams[0].regionEnd, 10500);

    menu(ui::cmdClose);
    EXPECT_EQ(state.loadedFlags[0], 0);
    EXPECT_FALSE(zoom.isEnabled());
    EXPECT_FALSE(child<QAbstractButton>("ps2Button").isEnabled());
}

TEST_F(WorkflowTest, AnalyzeButtonThenPageDownStepsThroughTheBursts)
{
    open(folder / "run1.dat");
    child<QSlider>("zoomSlider").setValue(5); // the whole stream, 20 bins a point
    click("analyzeButton");
    ASSERT_TRUE(platform.script.dialogs().empty()) << platform.script.dialogs()[0];
    ASSERT_EQ(state.burstDataPresent[0], 1);
    EXPECT_EQ(state.burstSets[0].burstCount, 3u);
    EXPECT_TRUE(window->resultsWindow().isVisible());
    EXPECT_TRUE(window->menuAction(ui::cmdResults)->isChecked());
    EXPECT_TRUE(child<QAbstractButton>("nextButton").isEnabled());
    // The markers of the new run show at once.
    EXPECT_EQ(window->trace().markers().markers.size(), 3u);
    // The end bin, the first below the edge level, counts: 20 x 5 photons and one of background.
    EXPECT_EQ(text("burstDescription").toStdString(), "#1: 101 photons (Peak = 5)     Width = 20 µs");
    EXPECT_EQ(text("burstNumber").toStdString(), "0.00300 sec");

    focusOn("minPhotons");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    EXPECT_TRUE(text("burstDescription").startsWith(QStringLiteral("#2: 101 photons")));
    EXPECT_TRUE(text("burstNumber").startsWith(QStringLiteral("0.009")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    EXPECT_TRUE(text("burstDescription").startsWith(QStringLiteral("#3: ")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp);
    EXPECT_TRUE(text("burstDescription").startsWith(QStringLiteral("#2: ")));

    // Closing the channel drops its bursts without a question.
    menu(ui::cmdClose);
    EXPECT_EQ(state.burstDataPresent[0], 0);
    EXPECT_FALSE(child<QAbstractButton>("nextButton").isEnabled());
    EXPECT_TRUE(platform.script.dialogs().empty());
}

// A new user's first run: the bundled burst example at 100 µs, a quarter of
// it per segment, analysed and stepped through. The window is saved as
// test-artifacts/main_window.png in the build tree.
TEST_F(WorkflowTest, BundledExampleAnalysedAndStepped)
{
    child<QComboBox>("binWidthList").setCurrentIndex(8);
    open(examplePath("bursts_example.dat"));
    ASSERT_EQ(state.loadedFlags[0], 1);
    EXPECT_EQ(state.streams[0].binWidth, 100.0);
    child<QSlider>("zoomSlider").setValue(4);
    EXPECT_EQ(child<QSlider>("segmentSlider").maximum(), 3);
    click("analyzeButton");
    ASSERT_GT(state.burstSets[0].burstCount, 1u);
    const std::size_t marked = window->trace().markers().markers.size();
    ASSERT_GT(marked, 0u);
    EXPECT_TRUE(text("burstDescription").startsWith(QStringLiteral("#1: ")));
    if (marked > 1) {
        click("nextButton");
        EXPECT_TRUE(text("burstDescription").startsWith(QStringLiteral("#2: ")));
    }
    window->resize(1280, 492);
    QApplication::processEvents();
    const QDir artifacts(QStringLiteral(PLASK_ARTIFACT_DIR));
    ASSERT_TRUE(artifacts.mkpath(QStringLiteral(".")));
    EXPECT_TRUE(window->grab().save(artifacts.filePath(QStringLiteral("main_window.png"))));
}

TEST_F(WorkflowTest, FileNamedAtStartOpensIntoPs1WithoutTheDialog)
{
    ui::openAtStart(*window, platform, QString::fromStdString((folder / "run1.dat").string()));
    EXPECT_TRUE(platform.script.callsNamed("chooseOpenFile").empty());
    EXPECT_EQ(state.loadedFlags[0], 1);
    EXPECT_EQ(state.streams[0].fileTitle, "run1.dat");
}

TEST_F(WorkflowTest, StreamOfExactlyOneSegmentShowsWhole)
{
    std::vector<std::uint16_t> counts(1000, 2);
    writeCorrelatorFile(folder / "short.dat", counts);
    open(folder / "short.dat");
    ASSERT_EQ(state.streams[0].length, 1000u);
    EXPECT_EQ(child<QSlider>("zoomSlider").maximum(), 0);
    EXPECT_EQ(child<QSlider>("segmentSlider").maximum(), 0);
    EXPECT_EQ(text("segmentTime"), QStringLiteral("0.001 s (100.00%)"));
    const auto [x0, x1] = window->trace().chart().axisRange(chart::Axis::x);
    EXPECT_DOUBLE_EQ(x0, 0.0);
    EXPECT_DOUBLE_EQ(x1, 999e-6);
    EXPECT_EQ(window->trace().buffers().counts[0][999], 2.0);
}

TEST_F(WorkflowTest, UnknownFileIsRefusedWithItsMessage)
{
    writeBytes(folder / "notes.dat", { 'h', 'i' });
    open(folder / "notes.dat");
    ASSERT_EQ(platform.script.dialogs().size(), 1u);
    EXPECT_EQ(platform.script.dialogs()[0].text, "Error opening file.");
    EXPECT_EQ(state.loadedFlags[0], 0);
}

} // namespace
} // namespace plask::testing
