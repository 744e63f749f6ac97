#include "gui_fixture.h"
#include "loaded_stream.h"

#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/display_setup_dialog.h"
#include "ui/dialogs/fcs_setup_dialog.h"
#include "ui/dialogs/hist_setup_dialog.h"
#include "ui/results_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>

namespace plask::testing {
namespace {

// Every visible text of a window that its widget cannot show in full, as "name: text".
QStringList clippedTexts(const QWidget& root)
{
    QStringList clipped;
    const auto report = [&clipped](const QWidget& widget, const QString& text) {
        clipped << widget.objectName() + QStringLiteral(": ") + text;
    };
    for (const QLabel* label : root.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&root) || label->wordWrap() || label->text().isEmpty() || label->textFormat() == Qt::RichText)
            continue;
        int needed = 0;
        for (const QString& line : label->text().split(u'\n'))
            needed = std::max(needed, label->fontMetrics().horizontalAdvance(line));
        if (needed > label->contentsRect().width() - 2 * label->margin())
            report(*label, label->text());
    }
    for (const QAbstractButton* button : root.findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(&root) || button->text().isEmpty())
            continue;
        const bool indicator = qobject_cast<const QCheckBox*>(button) || qobject_cast<const QRadioButton*>(button);
        const int needed = indicator ? button->sizeHint().width()
                                     : button->fontMetrics().horizontalAdvance(QString(button->text()).remove(u'&')) + 6;
        if (needed > button->width())
            report(*button, button->text());
    }
    for (const QComboBox* list : root.findChildren<QComboBox*>()) {
        if (!list->isVisibleTo(&root))
            continue;
        int widest = 0;
        for (int i = 0; i < list->count(); ++i)
            widest = std::max(widest, list->fontMetrics().horizontalAdvance(list->itemText(i)));
        // The arrow and frame take about two text heights.
        if (widest + 2 * list->fontMetrics().height() > list->width())
            report(*list, list->currentText());
    }
    return clipped;
}

// Saves a window into the test artifacts, named with its size and pixel ratio.
void saveShot(QWidget& widget, const QString& name)
{
    const QDir artifacts(QStringLiteral(PLASK_ARTIFACT_DIR));
    ASSERT_TRUE(artifacts.mkpath(QStringLiteral(".")));
    const QString file = QStringLiteral("layout_%1_dpr%2.png").arg(name).arg(widget.devicePixelRatioF());
    EXPECT_TRUE(widget.grab().save(artifacts.filePath(file)));
}

class LayoutTest : public GuiTest {
protected:
    void loadStream()
    {
        std::vector<std::uint16_t> counts(1'000'000);
        for (std::size_t i = 0; i < counts.size(); ++i)
            counts[i] = static_cast<std::uint16_t>(i % 7 == 0 ? 3 : i % 97);
        loadCounts(state, 0, counts);
        streamOf(state, 0).rateKHz = 2345.67;
        platform.activeChannelChanged(0);
        platform.resetNavigator();
        platform.enableStreamNavigator(true);
        platform.redrawTrace();
        child<QComboBox>("binWidthList").setCurrentIndex(8); // "100.0", the widest entry
    }
};

// The main window and the results window at the smallest and a large screen:
// no text of the panel, the status bar or the results is cut.
TEST_F(LayoutTest, NoTextIsClippedAtEitherScreenSize)
{
    for (const QSize size : { QSize(1024, 768), QSize(1920, 1080) }) {
        window.reset();
        start(ScreenMetrics { size.width(), size.height(), size.height() - 40 });
        loadStream();
        window->resize(size.width(), size.height() - 40);
        QApplication::processEvents();
        const QString name = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
        EXPECT_LE(window->width(), size.width()) << name.toStdString();
        EXPECT_EQ(clippedTexts(*window), QStringList()) << name.toStdString();
        saveShot(*window, QStringLiteral("main_") + name);

        menu(ui::cmdResults);
        ui::ResultsWindow& results = window->resultsWindow();
        results.resize(std::min(size.width(), 1000), std::min(size.height(), 700));
        QApplication::processEvents();
        EXPECT_EQ(clippedTexts(results), QStringList()) << name.toStdString();
        saveShot(results, QStringLiteral("results_") + name);
    }
}

TEST_F(LayoutTest, SetupDialogsShowTheirTextsInFull)
{
    start();
    ui::DisplaySetupDialog display(state, platform, window.get());
    ui::FcsSetupDialog fcs(state.settings(), window.get());
    ui::HistSetupDialog histograms(state.settings(), window.get());
    ui::AboutDialog about(window.get());
    const std::pair<QDialog*, const char*> dialogs[] = { { &display, "display_setup" }, { &fcs, "fcs_setup" },
        { &histograms, "hist_setup" }, { &about, "about" } };
    for (const auto& [dialog, name] : dialogs) {
        dialog->show();
        QApplication::processEvents();
        EXPECT_EQ(clippedTexts(*dialog), QStringList()) << name;
        saveShot(*dialog, QString::fromLatin1(name));
        dialog->hide();
    }
}

} // namespace
} // namespace plask::testing
