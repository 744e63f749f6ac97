#include "gui_fixture.h"

#include "ui/overview_strip.h"

#include "chart/chart_page.h"
#include "core/settings_file.h"
#include "ui/results_window.h"

#include <QComboBox>
#include <QMenuBar>
#include <QSlider>

namespace plask::testing {
namespace {

using StartupTest = GuiTest;

TEST_F(StartupTest, TooSmallAScreenShowsTheDisplayErrorAndNoWindow)
{
    EXPECT_FALSE(ui::startProgram(state, platform, { 1000, 768, 740 }));
    const auto messages = platform.script.callsNamed("unownedMessage");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Program requires 1024 x 768 of larger screen resolution.");
    EXPECT_EQ(messages[0].caption, "Display error");
    EXPECT_FALSE(std::filesystem::exists(folder / "plask.ini"));
}

TEST_F(StartupTest, FirstStartWritesDefaultsAndBuildsTheWindow)
{
    ui::MainWindow& w = start();
    const auto ini = readBytes(folder / "plask.ini");
    ASSERT_EQ(ini.size(), 208u);
    EXPECT_EQ(std::vector<std::uint8_t>(ini.begin(), ini.begin() + 4), (std::vector<std::uint8_t> { 5, 0, 0, 0 }));
    EXPECT_EQ(std::vector<std::uint8_t>(ini.end() - 4, ini.end()), (std::vector<std::uint8_t> { 0x5B, 0x04, 0, 0 }));

    EXPECT_EQ(w.windowTitle(), QStringLiteral("Plask.exe - Photon Stream Analysis"));
    EXPECT_EQ(w.geometry().width(), 1280);
    EXPECT_EQ(w.geometry().height(), 492);
    EXPECT_FALSE(w.resultsWindow().isVisible());
    EXPECT_EQ(w.resultsWindow().windowTitle(), QStringLiteral("PS Analysis Results"));
    EXPECT_EQ(w.resultsWindow().geometry().y(), 492);
}

TEST_F(StartupTest, MenuHoldsEveryCaptionAndSeparatorInOrder)
{
    start();
    QStringList lines;
    for (QAction* top : window->menuBar()->actions()) {
        lines << top->text() + u':';
        for (QAction* item : top->menu()->actions())
            lines << (item->isSeparator() ? QStringLiteral("-") : item->text());
    }
    const QStringList expected = QStringLiteral(
        "File:|Open |Close|Recent files|Save Data|-|Save Burst Data |Save Histograms|Save Segment|Save FCS results|-|"
        "Print Burst Hist.|Print Setup|Printer Options|-|Exit|"
        "Analysis:|Autocorrelation|Cross-Correlation|Burst Analysis|Analyze Co-Bursts|Seg. Autocorrelation|"
        "Seg. Cross-Correlation|Estimate Background|-|Analysis Batch mode|"
        "Math:|PS1 = PS1 - C1|PS1 = PS1 + C1|PS2 = PS2 - C2|PS2 = PS2 + C2|PS1 = a1 * PS1|PS2 = a2 * PS2|"
        "PS1 = PS1 + PS2|PS1 = PS1 - PS2|PS1 = PS1 + Noise|PS2 = PS2 + Noise|Bleedthrough Correction|"
        "Setup:|Select Background Level|Select Region for FCS|-|PS Display Setup|FCS Setup|Seg. FCS Setup|"
        "Histogram Setup|Smooth Data|"
        "Window:|Results |PS Data|Help:|Index|About Plask.exe")
                                   .split(u'|');
    EXPECT_EQ(lines, expected);
}

TEST_F(StartupTest, PanelStartsEmptyWithItsListsAndNavigatorsDisabled)
{
    start();
    EXPECT_EQ(text("segmentNumber"), QStringLiteral("- - - "));
    EXPECT_EQ(text("burstNumber"), QStringLiteral("- - - "));
    EXPECT_EQ(text("burstDescription"), QStringLiteral("- - - "));
    EXPECT_EQ(text("ps1Rate"), QStringLiteral("0.00 KHz"));
    EXPECT_EQ(text("ps2Range"), QStringLiteral("0 to 0"));
    EXPECT_EQ(child<QLineEdit>("minPhotons").text(), QStringLiteral("10"));
    EXPECT_EQ(child<QLineEdit>("triggerLevel").text(), QStringLiteral("5"));
    EXPECT_EQ(child<QLineEdit>("backgroundCounts").text(), QStringLiteral("1"));
    auto& binWidths = child<QComboBox>("binWidthList");
    ASSERT_EQ(binWidths.count(), 11);
    EXPECT_EQ(binWidths.itemText(0), QStringLiteral("0.1 µs"));
    EXPECT_EQ(binWidths.itemText(10), QStringLiteral("500 µs"));
    EXPECT_EQ(binWidths.currentText(), QStringLiteral("1.0 µs"));
    EXPECT_EQ(child<QComboBox>("filterWidthList").currentText(), QStringLiteral("5"));
    EXPECT_FALSE(child<QSlider>("segmentSlider").isEnabled());
    EXPECT_FALSE(child<QAbstractButton>("ps1Button").isEnabled());
    EXPECT_FALSE(child<QAbstractButton>("nextButton").isEnabled());
    EXPECT_TRUE(child<QAbstractButton>("analyzeButton").isEnabled());
    EXPECT_TRUE(child<QAbstractButton>("autoscaleHist").isChecked());
    EXPECT_FALSE(child<QAbstractButton>("autoscaleY").isChecked());
}

TEST_F(StartupTest, PanelStaysDockedAtFullWidthWhenTheWindowIsResized)
{
    start();
    window->resize(1600, 700);
    QApplication::processEvents();
    const auto& panel = window->panel();
    const QWidget& trace = window->tracePage();
    EXPECT_EQ(panel.width(), window->centralWidget()->width());
    EXPECT_EQ(panel.geometry().bottom(), window->centralWidget()->height() - 1);
    // The overview strip of the whole recording lies between the trace and the panel.
    const QWidget& overview = window->overview();
    EXPECT_EQ(trace.geometry().bottom() + 1, overview.geometry().top());
    EXPECT_EQ(overview.geometry().bottom() + 1, panel.geometry().top());
    EXPECT_EQ(trace.width(), panel.width());
}

TEST_F(StartupTest, ToggledCheckBoxesAndPanelFieldsAreSavedAtExitInTheStartFolder)
{
    start();
    click("autoscaleY");
    EXPECT_TRUE(child<QAbstractButton>("autoscaleY").isChecked());
    click("subtractBackground");
    EXPECT_TRUE(child<QAbstractButton>("subtractBackground").isChecked());
    child<QLineEdit>("triggerLevel").setText(QStringLiteral("20"));
    child<QComboBox>("binWidthList").setCurrentIndex(9);
    menu(ui::cmdResults);
    TempDir elsewhere;
    std::filesystem::current_path(elsewhere.path()); // a file dialog moved the current folder
    menu(ui::cmdExit);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->resultsWindow().isVisible());
    EXPECT_EQ(child<QLineEdit>("minPhotons").text(), QStringLiteral("20"));
    EXPECT_FALSE(std::filesystem::exists(elsewhere / "plask.ini"));
    AnalysisSettings saved;
    ASSERT_TRUE(readSettingsFile(folder / "plask.ini", saved));
    EXPECT_EQ(saved.triggerLevel, 20);
    EXPECT_EQ(saved.minPhotonsPerBurst, 20);
    EXPECT_EQ(saved.binWidth, 250.0);
    EXPECT_EQ(saved.autoscaleY, 1);
    EXPECT_EQ(saved.subtractBackground, 1);
}

TEST_F(StartupTest, HelpIndexAndResultsToggle)
{
    start();
    menu(ui::cmdHelpIndex);
    ASSERT_EQ(platform.script.dialogs().size(), 1u);
    EXPECT_EQ(platform.script.dialogs()[0].text, "Help file not yet created");
    menu(ui::cmdResults);
    EXPECT_TRUE(window->resultsWindow().isVisible());
    EXPECT_TRUE(window->menuAction(ui::cmdResults)->isChecked());
    window->resultsWindow().close(); // the window frame's close hides it like the menu
    EXPECT_FALSE(window->resultsWindow().isVisible());
    EXPECT_FALSE(window->menuAction(ui::cmdResults)->isChecked());
    EXPECT_FALSE(state.resultsShown);
}

TEST_F(StartupTest, SelectionModesNeedDataAndCheckTheirItems)
{
    start();
    menu(ui::cmdSelectBackground);
    EXPECT_FALSE(window->menuAction(ui::cmdSelectBackground)->isChecked());
    EXPECT_EQ(state.selectionMode, SelectionMode::none);
}

} // namespace
} // namespace plask::testing
