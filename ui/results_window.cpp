#include "ui/results_window.h"

#include "chart/chart.h"
#include "chart/chart_page.h"
#include "chart/printing.h"
#include "core/file_names.h"
#include "correlation/photon_correlation_file.h"
#include "ui/page_menu.h"
#include "ui/page_printing.h"

#include <QCloseEvent>
#include <QDockWidget>
#include <QMenuBar>

namespace plask::ui {

namespace {
    // The results page prints inside these fractions of the sheet.
    const QRectF printMargins(QPointF(0.05, 0.15), QPointF(0.95, 0.95));

    QRectF fractions(double left, double top, double right, double bottom)
    {
        return { QPointF(left, top), QPointF(right, bottom) };
    }

    constexpr MenuEntry fileMenu[]
        = { { resultsSave, "Save" }, { resultsAutoSave, "Auto Save" }, { resultsAutoSaveName, "Auto Save Name" },
              { 0, nullptr }, { resultsPrint, "Print" }, { resultsPrintSetup, "Print Setup" },
              { resultsPrinterOptions, "Printer Options" }, { 0, nullptr }, { resultsClose, "Close" } };
} // namespace

ResultsWindow::ResultsWindow(AppState& state, Platform& platform, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint)
    , state_(state)
    , platform_(platform)
    , page_(new chart::ChartPage(QStringLiteral("page2"), this))
{
    setObjectName(QStringLiteral("resultsWindow"));
    setWindowTitle(QStringLiteral("PS Analysis Results"));
    setCentralWidget(page_);
    buildMenu();

    // The five charts in page order, each built at once.
    const QRectF histogramPlaces[3]
        = { fractions(0, 0, 0.37, 0.5), fractions(0, 0.5, 0.37, 1), fractions(0.37, 0, 0.74, 0.5) };
    histograms_.reserve(3);
    for (int row = 0; row < 3; ++row)
        histograms_.emplace_back(
            *page_->addChart(histogramPlaces[row]), row, state_.histograms.at(static_cast<std::size_t>(row)));
    correlation_ = std::make_unique<CorrelationChart>(*page_->addChart(fractions(0.37, 0.5, 0.74, 1)));
    statistics_ = std::make_unique<StatisticsPanel>(*page_->addChart(fractions(0.74, 0, 1, 1)));

    // The fit panel docks beside the page; the page's own layout is unchanged.
    fitPanel_ = new FitPanel(platform_, correlation_->chart(), this);
    fitDock_ = addFitDock(*this, *fitPanel_, QStringLiteral("fit"));
}

ResultsWindow::~ResultsWindow() = default;

void ResultsWindow::buildMenu()
{
    QMenu* menu = addCommandMenu(
        menuBar(), QStringLiteral("File"), fileMenu, this, [this](int id) { runCommand(id); }, actions_);
    menu->setObjectName(QStringLiteral("RESULTSPAGEMENU"));
}

QAction* ResultsWindow::menuAction(int id) const
{
    const auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second;
}

void ResultsWindow::refreshHistogram(int row)
{
    histograms_.at(static_cast<std::size_t>(row)).refresh(state_.histograms.at(static_cast<std::size_t>(row)));
}

void ResultsWindow::releaseHistograms()
{
    for (HistogramChart& histogram : histograms_)
        histogram.release();
}

void ResultsWindow::refreshStatistics(int channel) { statistics_->refresh(state_, channel); }

void ResultsWindow::showCorrelation(int slot)
{
    // A photon-mode curve stands in the slot's place until the next binned run.
    if (const std::shared_ptr<const PhotonModeCurve>& photon = state_.photonCurves.at(static_cast<std::size_t>(slot))) {
        if (correlation_->show(*photon)) {
            shownPhotonCurve_ = photon;
            fitPanel_->setCurve(*photon);
        }
        return;
    }
    if (correlation_->show(correlationOf(state_, slot))) {
        shownPhotonCurve_.reset();
        fitPanel_->setCurve(correlationOf(state_, slot));
    }
}

// With a photon-mode curve on the chart the Save dialog offers its CSV file
// first ("<base>_corr.csv", written by the correlation file writer); the page
// images stay on offer.
bool ResultsWindow::saveWithPhotonCurve()
{
    const PhotonModeCurve& curve = *shownPhotonCurve_;
    const FileDialogRequest request { { { "Photon-mode correlation (*.csv)", "*.csv" },
                                          { "PNG image (*.png)", "*.png" }, { "SVG drawing (*.svg)", "*.svg" },
                                          { "PDF document (*.pdf)", "*.pdf" } },
        photonCorrelationFileName(curve.run.source, curve.run.cross()), ".csv" };
    const std::optional<std::string> path = platform_.chooseSaveFile(request);
    if (!path)
        return false;
    if (!QString::fromStdString(*path).endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        return writePageImage(*page_, platform_, *path);
    if (writePhotonCorrelationCsv(*path, photonCorrelationCsv(curve.curve, curve.run)))
        return true;
    platform_.showMessage("File cannot be opened", "FILE ERROR", Owner::none);
    return false;
}

void ResultsWindow::runCommand(int id)
{
    switch (id) {
    case resultsSave:
        if (shownPhotonCurve_)
            saveWithPhotonCurve();
        else
            savePageAs(*page_, platform_, proposedName());
        break;
    case resultsAutoSave:
        autoSave();
        break;
    case resultsAutoSaveName:
        autoSaveWithName();
        break;
    case resultsPrint:
        print();
        break;
    case resultsPrintSetup:
        chart::runPrintSetup(this);
        break;
    case resultsPrinterOptions:
        chart::runPrinterOptions(this);
        break;
    case resultsClose:
        Q_EMIT closeRequested();
        break;
    default:
        break;
    }
}

void ResultsWindow::print() { printPage(*page_, printMargins, platform_, stripExtension(proposedName()) + ".pdf"); }

std::string ResultsWindow::proposedName() const
{
    const PhotonStream& stream = streamOf(state_, state_.activeChannel);
    const std::string path = autoSavePath(stream);
    return path.empty() ? std::string("results.png") : fileNameOf(path);
}

// Writes the page next to the active channel's data file without asking.
void ResultsWindow::autoSave()
{
    const std::string path = autoSavePath(streamOf(state_, state_.activeChannel));
    if (path.empty()) {
        platform_.showMessage("No data loaded", "Auto Save");
        return;
    }
    writePageImage(*page_, platform_, path);
}

// The Save dialog opens in the data file's folder with the auto-save name,
// so the name (and the format) can be changed.
void ResultsWindow::autoSaveWithName()
{
    const std::string path = autoSavePath(streamOf(state_, state_.activeChannel));
    if (path.empty()) {
        platform_.showMessage("No data loaded", "Auto Save");
        return;
    }
    savePageAs(*page_, platform_, path);
}

void ResultsWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    Q_EMIT closeRequested();
}

} // namespace plask::ui
