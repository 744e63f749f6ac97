// The PCH page's fit panel on a simulated recording, as a user works it, and
// the report it saves against the one plask-cli pchfit writes.

#include "cli_run.h"
#include "dialog_test_support.h"
#include "gui_fixture.h"
#include "pch_page_support.h"

#include "ui/pch_page.h"

#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QPointer>
#include <QTableWidget>

namespace plask::testing {
namespace {

    class PchFitTest : public GuiTest {
    protected:
        // Runs `during` from the event loop while the job waits at its first
        // progress report, then lets it go on.
        void whileRunning(std::function<void()> during)
        {
            auto* poll = new QTimer(window.get());
            QObject::connect(poll, &QTimer::timeout, poll, [this, poll, during = std::move(during)] {
                if (!platform.jobHeld.load())
                    return;
                during();
                platform.releaseJob();
                poll->deleteLater();
            });
            poll->start(2);
        }

        ui::PchPage* pressPch() { return pressPchButton(*window); }
    };

    // 2 molecules of 50 kHz without background, 10 µs bins, 3 s.
    TEST_F(PchFitTest, FitRecoversTheSimulationSavesTheCliReportAndCancelKeepsIt)
    {
        start();
        const std::string file = (folder / "sim.dat").string();
        ASSERT_EQ(runCli("simulate sim.dat --seconds 3 --molecules 2 --brightness-khz 50 --background-khz 0",
                      folder.path())
                      .exitCode,
            0);
        child<QComboBox>("binWidthList").setCurrentIndex(5);
        platform.script.openFileAnswers.push_back(file);
        menu(ui::cmdOpen);
        ASSERT_TRUE(isLoaded(state, 0));
        // No background in the simulation: the level typed on the control panel.
        child<QLineEdit>("backgroundCounts").setText(QStringLiteral("0"));
        ASSERT_EQ(state.streams[0].binWidth, 10.0);

        ui::PchPage* page = pressPch();
        ASSERT_NE(page, nullptr);
        page->fitDock()->show();
        page->resize(1100, 520);
        ui::PchFitPanel& panel = page->fitPanel();
        press(panel, "pchFitButton");
        ASSERT_TRUE(panel.result().has_value()) << childOf<QLabel>(panel, "pchFitStatus").text().toStdString();
        const fitting::PchFit fit = *panel.result();
        std::cout << "PCH page fit: N " << fit.parameters[0].value << " ± " << fit.parameters[0].error << ", cpm "
                  << fit.parameters[1].value << " ± " << fit.parameters[1].error << " kHz\n";
        EXPECT_NEAR(fit.parameter("N")->value, 2.0, 0.3);
        EXPECT_NEAR(fit.parameter("cpmKHz")->value, 50.0, 7.5);
        const auto& table = childOf<QTableWidget>(panel, "pchFitResults");
        ASSERT_EQ(table.rowCount(), 2);
        EXPECT_EQ(table.item(1, 0)->text(), QStringLiteral("cpm (kHz)"));
        EXPECT_NEAR(table.item(0, 1)->text().toDouble(), fit.parameters[0].value, 1e-4);
        EXPECT_NE(table.item(0, 2)->text(), QStringLiteral("-"));
        EXPECT_TRUE(childOf<QLabel>(panel, "pchFitStatus").text().startsWith(QStringLiteral("Reduced chi2")));
        QDir().mkpath(QStringLiteral(PLASK_ARTIFACT_DIR));
        EXPECT_TRUE(page->grab().save(QStringLiteral(PLASK_ARTIFACT_DIR "/pch_page_fit.png")));

        // Save writes the bytes plask-cli pchfit writes for the same file and choices.
        platform.script.saveFileAnswers.push_back((folder / "gui_fit.txt").string());
        press(panel, "pchFitSaveButton");
        EXPECT_EQ(platform.script.fileRequests.back().defaultName, "sim_PCH_fit.txt");
        const auto cli = runCli("pchfit " + testing::quoted(folder / "sim.dat") + " --binwidth 10 --background 0 -o cli", folder.path());
        ASSERT_EQ(cli.exitCode, 0) << cli.err;
        EXPECT_EQ(readText(folder / "gui_fit.txt"), readText(folder / "cli" / "sim_PCH_fit.txt"));

        // A cancelled fit (two species this time) leaves the fit shown before.
        platform.holdJobs = true;
        pick(panel, "pchFitSpecies", 1);
        whileRunning([this] { click("jobCancel"); });
        press(panel, "pchFitButton");
        ASSERT_TRUE(panel.result().has_value());
        EXPECT_EQ(panel.result()->species, 1);
        EXPECT_EQ(panel.result()->parameters[0].value, fit.parameters[0].value);
        EXPECT_EQ(table.rowCount(), 2);
        EXPECT_EQ(childOf<QLabel>(panel, "pchFitStatus").text(), QStringLiteral("Fit cancelled; the previous fit stands."));
        EXPECT_TRUE(panel.isEnabled());

        // Closing the page while its fit runs cancels the fit, then closes the page.
        QPointer<ui::PchPage> guard(page);
        whileRunning([page] { page->close(); });
        press(panel, "pchFitButton");
        QTest::qWait(50);
        EXPECT_TRUE(guard.isNull());
        EXPECT_TRUE(platform.script.dialogs().empty());
    }

} // namespace
} // namespace plask::testing
