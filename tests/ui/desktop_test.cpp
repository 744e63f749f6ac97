#include "correlator_file_writer.h"
#include "gui_fixture.h"

#include "chart/chart.h"
#include "ui/correlation_chart.h"
#include "ui/desktop_store.h"
#include "ui/results_window.h"
#include "view/shell_commands.h"

#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>

namespace plask::testing {
namespace {

class DesktopTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        ui::forgetRecentFiles();
        start();
        std::vector<std::uint16_t> counts(5000);
        for (std::size_t i = 0; i < counts.size(); ++i)
            counts[i] = i % 5 == 0 ? 1 : 0;
        writeCorrelatorFile(folder / "first.dat", counts);
        writeCorrelatorFile(folder / "second.dat", std::vector<std::uint16_t>(3000, 1));
    }

    // Drops a file from a file manager onto the window; true when the window took it.
    bool drop(const std::filesystem::path& path) const
    {
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(QString::fromStdString(path.string())) });
        const QPoint centre = window->rect().center();
        QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(centre), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &dropped);
        return dropped.isAccepted();
    }

    [[nodiscard]] std::string loadedTitle() const { return isLoaded(state, 0) ? state.streams[0].fileTitle : ""; }
};

TEST_F(DesktopTest, DropOpensThroughTheQuestionsAndRecentFilesReopen)
{
    EXPECT_EQ(window->statusText(), QStringLiteral("No data"));
    ASSERT_TRUE(drop(folder / "first.dat"));
    EXPECT_EQ(loadedTitle(), "first.dat");
    EXPECT_EQ(window->statusText().toStdString(),
        "PS1: first.dat | correlator stream (.dat) | channels PS1 | bin 1 \xC2\xB5s | 1000 photons | 200.20 kHz");

    // A second drop asks before overwriting; No keeps the first file.
    platform.script.yesNoAnswers = { false };
    ASSERT_TRUE(drop(folder / "second.dat"));
    EXPECT_EQ(loadedTitle(), "first.dat");
    ASSERT_EQ(platform.script.dialogs().size(), 1u);
    EXPECT_EQ(platform.script.dialogs()[0].text, "PS1 array contains data - overwrite?");
    platform.script.yesNoAnswers = { true };
    ASSERT_TRUE(drop(folder / "second.dat"));
    EXPECT_EQ(loadedTitle(), "second.dat");

    // Newest first; after Close the first file comes back from the menu.
    window->recentFilesMenu().aboutToShow();
    const QList<QAction*> recent = window->recentFilesMenu().actions();
    ASSERT_EQ(recent.size(), 2);
    EXPECT_EQ(recent[0]->text(), QStringLiteral("&1 second.dat"));
    EXPECT_EQ(recent[1]->toolTip(), QString::fromStdString((folder / "first.dat").string()));
    menu(ui::cmdClose);
    EXPECT_EQ(window->statusText(), QStringLiteral("No data"));
    recent[1]->trigger();
    EXPECT_EQ(loadedTitle(), "first.dat");
    EXPECT_EQ(ui::recentFiles().constFirst(), QString::fromStdString((folder / "first.dat").string()));

    // A recent file that has gone since says so and leaves the channel as it was.
    std::filesystem::remove(folder / "second.dat");
    platform.script.clear();
    window->recentFilesMenu().aboutToShow();
    window->recentFilesMenu().actions().at(1)->trigger();
    EXPECT_EQ(loadedTitle(), "first.dat");
    ASSERT_EQ(platform.script.dialogs().size(), 1u);
    EXPECT_EQ(platform.script.dialogs()[0].text, "Error opening file.");
}

TEST_F(DesktopTest, RecentFilesKeepTheLastEight)
{
    for (int i = 0; i < 10; ++i)
        ui::rememberRecentFile(QStringLiteral("/data/run%1.dat").arg(i));
    ui::rememberRecentFile(QStringLiteral("/data/run4.dat"));
    EXPECT_EQ(ui::recentFiles(),
        QStringLiteral("/data/run4.dat|/data/run9.dat|/data/run8.dat|/data/run7.dat|/data/run6.dat|/data/run5.dat|"
                       "/data/run3.dat|/data/run2.dat")
            .split(u'|'));
}

TEST_F(DesktopTest, CtrlOAndF1ReachTheirCommands)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    platform.script.openFileAnswers.push_back((folder / "first.dat").string());
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(loadedTitle(), "first.dat");
    QTest::keyClick(window.get(), Qt::Key_F1);
    ASSERT_FALSE(platform.script.dialogs().empty());
    EXPECT_EQ(platform.script.dialogs().back().text, helpIndexText);
    EXPECT_EQ(window->menuAction(ui::cmdSaveData)->shortcut(), QKeySequence(QKeySequence::Save));
    EXPECT_FALSE(window->windowIcon().isNull());
}

TEST_F(DesktopTest, DoubleClickOnAResultsChartShowsItsData)
{
    menu(ui::cmdResults);
    // The results window lays out its page once it is on screen.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window->resultsWindow()));
    chart::Chart& chart = window->resultsWindow().correlation().chart();
    EXPECT_EQ(chart.findChild<QWidget*>(QStringLiteral("dataWindow")), nullptr);
    QTest::mouseDClick(chart.surface(), Qt::LeftButton, {}, chart.surface()->rect().center());
    const QWidget* data = chart.findChild<QWidget*>(QStringLiteral("dataWindow"));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->windowTitle(), QStringLiteral("correlation"));
}

} // namespace
} // namespace plask::testing
