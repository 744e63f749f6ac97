#include "ui/pch_page.h"

#include "analysis/pch.h"
#include "chart/chart.h"
#include "chart/chart_page.h"
#include "chart/printing.h"
#include "ui/page_menu.h"
#include "ui/page_printing.h"

#include "ui/qt_platform.h"

#include <QCloseEvent>
#include <QDockWidget>
#include <QMenuBar>
#include <QTimer>

#include <span>

namespace plask::ui {

namespace {
    constexpr MenuEntry fileMenu[] = { { pchSave, "Save" }, { pchPrint, "Print" }, { pchPrintSetup, "Print Setup" },
        { pchPrinterOptions, "Printer Options" }, { 0, nullptr }, { pchClose, "Close" } };
    constexpr MenuEntry dataMenu[] = { { pchShowData, "Show Data" } };

    const QRectF printMargins(QPointF(0.05, 0.05), QPointF(0.95, 0.95));
    constexpr int colourPs1 = 0;
    constexpr int colourPs2 = 4;
} // namespace

PchPage::PchPage(AppState& state, Platform& platform, QWidget* parent)
    : QMainWindow(parent, Qt::Window)
    , state_(state)
    , platform_(platform)
    , page_(new chart::ChartPage(QStringLiteral("pch_page"), this))
{
    setObjectName(QStringLiteral("pch_page"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Photon Count Histogram"));
    setCentralWidget(page_);
    buildMenu();
    buildChart(state_.pch);
    buildFitPanel();
    setGeometry(300, 100, 550, 350);
}

void PchPage::buildFitPanel()
{
    // Docked beside the chart like the results window's; the page itself is unchanged.
    fitPanel_ = new PchFitPanel(state_, platform_, *chart_, this);
    fitDock_ = addFitDock(*this, *fitPanel_, QStringLiteral("pchFit"));

    const int channel = state_.activeChannel;
    const PhotonStream& stream = streamOf(state_, channel);
    fitPanel_->setHistogram(frequency_, { channel, stream.filePath, stream.fileTitle, stream.binWidth });
    connect(fitPanel_, &PchFitPanel::fitEnded, this, [this] {
        if (closeAfterFit_) {
            closeAfterFit_ = false;
            QTimer::singleShot(0, this, &QWidget::close);
        }
    });
}

void PchPage::closeEvent(QCloseEvent* event)
{
    // The page deletes itself on close: not while its fit runs on the stack.
    if (fitPanel_->fitRunning()) {
        if (auto* qt = dynamic_cast<QtPlatform*>(&platform_))
            qt->jobs().cancel();
        closeAfterFit_ = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void PchPage::buildMenu()
{
    const auto run = [this](int id) { runCommand(id); };
    addCommandMenu(menuBar(), QStringLiteral("File"), fileMenu, this, run, actions_);
    addCommandMenu(menuBar(), QStringLiteral("Data"), dataMenu, this, run, actions_);
}

void PchPage::buildChart(const PchResult& pch)
{
    // The result's arrays go with the next PCH command or "Close"; the chart
    // draws from copies that live as long as the page.
    const std::size_t points
        = std::min<std::size_t>(pch.pointCount, std::min(pch.photonsPerBin.capacity(), pch.frequency.capacity()));
    photonsPerBin_.assign(pch.photonsPerBin.data(), pch.photonsPerBin.data() + points);
    frequency_.assign(pch.frequency.data(), pch.frequency.data() + points);

    chart_ = page_->addChart(QRectF(0, 0, 1, 1));
    chart_->setFont(QStringLiteral("Arial"), 12);
    chart_->setPlotArea(QRectF(QPointF(0.2, 0.1), QPointF(0.9, 0.7)));
    const chart::DatasetId dataset = chart_->createDataset("pch1", photonsPerBin_, frequency_);
    chart_->setAxisRange(chart::Axis::x, 0.0, pch.maxPhotons);
    chart_->setAxisRange(chart::Axis::y, 0.0, pch.maxFrequency);
    chart_->setAxisTitle(chart::Axis::x, QStringLiteral("Photons/bin"));
    chart_->setAxisTitle(chart::Axis::y, QStringLiteral("Freq."));
    plot_ = chart_->addLinePlot(dataset, 2, state_.activeChannel == 1 ? colourPs2 : colourPs1);
    connect(chart_, &chart::Chart::doubleClicked, this, [this] { chart_->showDataWindow(plot_); });
    chart_->redraw();
}

QAction* PchPage::menuAction(int id) const
{
    const auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second;
}

void PchPage::runCommand(int id)
{
    switch (id) {
    case pchSave:
        savePchCommand(state_, platform_);
        break;
    case pchPrint:
        printPage(*page_, printMargins, platform_, state_.pch.name + "_PCH.pdf");
        break;
    case pchPrintSetup:
        chart::runPrintSetup(this);
        break;
    case pchPrinterOptions:
        chart::runPrinterOptions(this);
        break;
    case pchClose:
        releasePch(state_.pch);
        close();
        break;
    case pchShowData:
        chart_->showDataWindow(plot_);
        break;
    default:
        break;
    }
}

PchPage* runPchPageCommand(AppState& state, Platform& platform, QWidget* owner)
{
    if (!runPchCommand(state, platform))
        return nullptr;
    auto* page = new PchPage(state, platform, owner); // deletes itself on close
    page->show();
    return page;
}

} // namespace plask::ui
