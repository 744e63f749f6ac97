#include "dialog_test_support.h"
#include "gui_fixture.h"

#include "ui/dialogs/batch_dialog.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <filesystem>

namespace plask::testing {
namespace {

    class BatchDialogTest : public GuiTest {
    protected:
        // A folder "run" holding two copies of the bundled burst recording.
        std::filesystem::path makeRunFolder()
        {
            const std::filesystem::path dir = folder / "run";
            std::filesystem::create_directory(dir);
            for (const char* name : { "a.dat", "b.dat" })
                std::filesystem::copy_file(examplePath("bursts_example.dat"), dir / name);
            return dir;
        }

        static void waitUntilEnded(const ui::BatchDialog& dialog)
        {
            QElapsedTimer clock;
            clock.start();
            while ((dialog.phase() == BatchPhase::running || dialog.phase() == BatchPhase::aborting)
                && clock.elapsed() < 60000)
                QTest::qWait(10);
            ASSERT_EQ(dialog.phase(), BatchPhase::finished);
        }

        void expectOnlyMessage(std::string_view text, std::string_view caption) const
        {
            const auto messages = platform.script.callsNamed("showMessage");
            ASSERT_EQ(messages.size(), 1U);
            EXPECT_EQ(messages[0].text, text);
            EXPECT_EQ(messages[0].caption, caption);
        }

        static bool enabled(const QWidget& dialog, const char* name)
        {
            return childOf<QPushButton>(dialog, name).isEnabled();
        }
        static QString log(const QWidget& dialog) { return childOf<QPlainTextEdit>(dialog, "statusLog").toPlainText(); }
        static const QProgressBar& progress(const QWidget& dialog) { return childOf<QProgressBar>(dialog, "progress"); }
    };

    TEST_F(BatchDialogTest, RunOverAFolderLogsEveryFileWritesBothFilesAndCloses)
    {
        start();
        const std::filesystem::path dir = makeRunFolder();
        const std::filesystem::path before = std::filesystem::current_path();
        ui::BatchDialog dialog(state, platform, window.get());
        showDialog(dialog);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Batch burst/FCS processor"));
        for (const char* box : { "smooth", "estimateBackground", "traceFcs", "segFcs", "vireoFiles" })
            EXPECT_TRUE(childOf<QCheckBox>(dialog, box).isChecked()) << box;
        EXPECT_TRUE(enabled(dialog, "startButton"));
        EXPECT_FALSE(enabled(dialog, "abortButton"));

        // Start before Browse only complains.
        press(dialog, "startButton");
        expectOnlyMessage("Select a data directory for analysis", "Batch Processing Error");
        EXPECT_EQ(dialog.phase(), BatchPhase::idle);

        platform.script.folderAnswers.push_back(dir.string());
        press(dialog, "browseButton");
        EXPECT_EQ(fieldText(dialog, "workingDir"), QString::fromStdString(dir.string()));
        EXPECT_EQ(fieldText(dialog, "saveAs"), QStringLiteral("run"));

        childOf<QCheckBox>(dialog, "smooth").setChecked(false);
        press(dialog, "startButton");
        EXPECT_FALSE(enabled(dialog, "startButton"));
        EXPECT_FALSE(enabled(dialog, "closeButton"));
        waitUntilEnded(dialog);

        const QString text = log(dialog);
        EXPECT_TRUE(
            text.contains(QStringLiteral("Found 2 *.dat files in %1").arg(QString::fromStdString(dir.string()))))
            << text.toStdString();
        for (const char* name : { "a.dat", "b.dat" }) {
            EXPECT_TRUE(text.contains(QStringLiteral("Loading file: %1").arg(QLatin1String(name))));
            EXPECT_TRUE(text.contains(QStringLiteral("Data file %1 analysed").arg(QLatin1String(name))))
                << text.toStdString();
        }
        EXPECT_FALSE(text.contains(QStringLiteral("filtered with SG width")));
        EXPECT_TRUE(text.trimmed().endsWith(QStringLiteral("Processing complete.")));
        EXPECT_EQ(progress(dialog).maximum(), 2);
        EXPECT_EQ(progress(dialog).value(), 2);
        EXPECT_TRUE(std::filesystem::is_regular_file(dir / "run_bursts.txt"));
        EXPECT_TRUE(std::filesystem::is_regular_file(dir / "run_info.txt"));
        EXPECT_EQ(state.settings().batchSmooth, 0);
        EXPECT_TRUE(enabled(dialog, "closeButton"));
        EXPECT_FALSE(enabled(dialog, "abortButton"));
        EXPECT_FALSE(enabled(dialog, "startButton"));

        press(dialog, "closeButton");
        EXPECT_EQ(dialog.phase(), BatchPhase::closed);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(std::filesystem::current_path(), before);
    }

    TEST_F(BatchDialogTest, AbortStopsAfterTheCurrentFileAndCloseFirstExplains)
    {
        start();
        const std::filesystem::path dir = makeRunFolder();
        ui::BatchDialog dialog(state, platform, window.get());
        showDialog(dialog);
        platform.script.folderAnswers.push_back(dir.string());
        press(dialog, "browseButton");
        // Abort while the worker waits for the first file's progress to be shown:
        // it ends before the second file.
        QObject::connect(
            &childOf<QProgressBar>(dialog, "progress"), &QProgressBar::valueChanged, &dialog, [&dialog](int done) {
                if (done == 1)
                    childOf<QPushButton>(dialog, "abortButton").click();
            });
        press(dialog, "startButton");
        waitUntilEnded(dialog);
        EXPECT_TRUE(enabled(dialog, "closeButton"));
        EXPECT_EQ(progress(dialog).value(), 1);
        EXPECT_FALSE(log(dialog).contains(QStringLiteral("Loading file: b.dat")));
        EXPECT_TRUE(log(dialog).trimmed().endsWith(QStringLiteral("Processing complete.")));

        press(dialog, "closeButton");
        expectOnlyMessage("Abort selected - Press Close again to exit dialogbox.", "Processing aborted");
        EXPECT_EQ(dialog.phase(), BatchPhase::finished);
        EXPECT_TRUE(dialog.isVisible());
        press(dialog, "closeButton");
        EXPECT_EQ(dialog.phase(), BatchPhase::closed);
    }

    TEST_F(BatchDialogTest, DestroyingTheDialogDuringARunWaitsForTheWorker)
    {
        start();
        const std::filesystem::path dir = makeRunFolder();
        {
            ui::BatchDialog dialog(state, platform, window.get());
            platform.script.folderAnswers.push_back(dir.string());
            press(dialog, "browseButton");
            press(dialog, "startButton");
            EXPECT_EQ(dialog.phase(), BatchPhase::running);
        }
        EXPECT_TRUE(state.batchLog.ends_with("Processing complete.\r\n"));
    }

    TEST_F(BatchDialogTest, TheMenuCommandOpensTheDialogModally)
    {
        start();
        QString title;
        whenDialogOpens([&title](QDialog& dialog) {
            title = dialog.windowTitle();
            press(dialog, "closeButton");
        });
        menu(ui::cmdBatch);
        EXPECT_EQ(title, QStringLiteral("Batch burst/FCS processor"));
    }

} // namespace
} // namespace plask::testing
