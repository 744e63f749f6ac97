// Photon-mode correlation in the desktop program, as a user runs it: open a
// .dat, switch "Photon mode" on in FCS Setup, autocorrelate, look at the
// error bars, save the curve; the saved file is byte for byte what
// plask-cli correlate writes for the same options.

#include "../ui_dialogs/dialog_test_support.h"
#include "gui_fixture.h"

#include "chart/chart.h"
#include "chart/qcustomplot_include.h"
#include "correlation/photon_correlation_command.h"
#include "ui/results_window.h"

#include <QDir>
#include <QGroupBox>
#include <QSpinBox>

#include <cstdlib>

namespace plask::testing {
namespace {

class PhotonModeTest : public GuiTest {
protected:
    // Autocorrelation through FCS Setup with photon mode on and these fields.
    void autocorrelate(const QString& minLagNs, const QString& maxLagMs, int parts)
    {
        whenDialogOpens([&](QDialog& dialog) {
            auto& group = childOf<QGroupBox>(dialog, "photonMode");
            offered = group.isEnabled();
            group.setChecked(true);
            type(dialog, "minLagNs", minLagNs);
            type(dialog, "maxLagMs", maxLagMs);
            childOf<QSpinBox>(dialog, "photonParts").setValue(parts);
            press(dialog, "okButton");
        });
        menu(ui::cmdAutocorrelation);
    }

    bool offered = false;
};

TEST_F(PhotonModeTest, DatFileCurveHasErrorBarsAndSavesTheCliFile)
{
    const std::filesystem::path data = testDataPath("fcs_40MHz_1500ms.dat"); // 25 ns ticks
    start();
    platform.script.openFileAnswers.push_back(data.string());
    menu(ui::cmdOpen);
    ASSERT_TRUE(isLoaded(state, 0));

    // 30 ns is no whole number of 25 ns ticks: a message, and no curve.
    autocorrelate(QStringLiteral("30"), QStringLiteral("100"), 10);
    EXPECT_TRUE(offered);
    ASSERT_EQ(platform.script.dialogs().size(), 1u);
    EXPECT_EQ(platform.script.dialogs()[0].text,
        "Minimum lag 30 ns is not a whole multiple of the file's time unit (25 ns).");
    EXPECT_FALSE(state.photonCurves[0]);

    autocorrelate(QStringLiteral("100"), QStringLiteral("100"), 10);
    ASSERT_TRUE(state.photonCurves[0]);
    EXPECT_EQ(platform.script.dialogs().size(), 1u);
    ui::ResultsWindow& results = window->resultsWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&results));

    // The same options on the command line.
    const std::filesystem::path cliFolder = folder / "cli";
    std::filesystem::create_directory(cliFolder);
    const std::string command = std::string("\"") + PLASK_CLI_PATH + "\" correlate \"" + data.string()
        + "\" --min-lag-ns 100 --max-lag-ms 100 --step 8 --parts 10 -o \"" + cliFolder.string() + "\" > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string cliText = readText(cliFolder / "fcs_40MHz_1500ms_corr.csv");
    std::size_t cliPoints = 0;
    const std::size_t header = cliText.find("tau_ms,G,SEM\r\n");
    ASSERT_NE(header, std::string::npos);
    for (std::size_t at = header + 13; (at = cliText.find('\n', at + 1)) != std::string::npos;)
        ++cliPoints; // a line per lag after the column line
    ASSERT_GT(cliPoints, 20u);

    // One visible error-bar plottable with a bar per point, from the smallest lag.
    const ui::CorrelationChart& correlation = results.correlation();
    QCustomPlot* plot = correlation.chart().findChild<QCustomPlot*>();
    ASSERT_NE(plot, nullptr);
    int errorBars = 0;
    for (int i = 0; i < plot->plottableCount(); ++i)
        if (const auto* bars = qobject_cast<QCPErrorBars*>(plot->plottable(i)); bars && bars->visible()) {
            ++errorBars;
            EXPECT_EQ(static_cast<std::size_t>(bars->dataCount()), cliPoints);
        }
    EXPECT_EQ(errorBars, 1);
    EXPECT_DOUBLE_EQ(correlation.lagValues().front(), 100e-6); // 100 ns in ms
    // The fit panel takes the photon-mode curve, weighted by its SEM where every point has one.
    ASSERT_TRUE(results.fitPanel().runFit());
    bool allSem = true;
    for (const PhotonLagPoint& point : state.photonCurves[0]->curve.points)
        allSem = allSem && point.sem > 0.0;
    EXPECT_EQ(results.fitPanel().result()->weighted, allSem);

    // Save proposes the CSV first and writes what the command line wrote.
    const std::filesystem::path saved = folder / "saved.csv";
    platform.script.saveFileAnswers.push_back(saved.string());
    results.menuAction(ui::resultsSave)->trigger();
    ASSERT_FALSE(platform.script.fileRequests.empty());
    EXPECT_EQ(platform.script.fileRequests.back().defaultName, "fcs_40MHz_1500ms_corr.csv");
    EXPECT_EQ(platform.script.fileRequests.back().filters.front().pattern, "*.csv");
    EXPECT_EQ(readText(saved), cliText);

    results.resize(1100, 700);
    QApplication::processEvents();
    const QDir artifacts(QStringLiteral(PLASK_ARTIFACT_DIR));
    ASSERT_TRUE(artifacts.mkpath(QStringLiteral(".")));
    EXPECT_TRUE(results.grab().save(artifacts.filePath(QStringLiteral("photon_mode_results.png"))));

    // Photon mode off: the binned curve is back, without error bars.
    whenDialogOpens([](QDialog& dialog) {
        childOf<QGroupBox>(dialog, "photonMode").setChecked(false);
        press(dialog, "okButton");
    });
    menu(ui::cmdAutocorrelation);
    EXPECT_FALSE(state.photonCurves[0]);
    EXPECT_FALSE(correlation.photonMode());
    EXPECT_EQ(correlation.lagValues().size(), static_cast<std::size_t>(correlationOf(state, 0).lagCount));
}

} // namespace
} // namespace plask::testing
