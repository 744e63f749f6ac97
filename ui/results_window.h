#pragma once
// The results window "PS Analysis Results": a top-level window holding the
// results page "page2" with the three burst histograms, the correlation
// chart and the statistics panel, under the menu "RESULTSPAGEMENU". Hidden
// at start; the "Results " command and the analyses show it. Every chart
// exists from construction on, before the first refresh.

#include "core/app_state.h"
#include "core/platform.h"
#include "ui/correlation_chart.h"
#include "ui/fit_panel.h"
#include "ui/histogram_chart.h"
#include "ui/statistics_panel.h"

#include <QMainWindow>

#include <array>
#include <map>
#include <memory>

class QAction;
class QDockWidget;

namespace plask::chart {
class ChartPage;
} // namespace plask::chart

namespace plask::ui {

// "RESULTSPAGEMENU".
enum ResultsCommand : int {
    resultsSave = 40031,
    resultsClose = 40032,
    resultsAutoSave = 40082,
    resultsPrintSetup = 40095,
    resultsPrinterOptions = 40096,
    resultsPrint = 40097,
    resultsAutoSaveName = 40102,
};

class ResultsWindow : public QMainWindow {
    Q_OBJECT
public:
    ResultsWindow(AppState& state, Platform& platform, QWidget* parent = nullptr);
    ~ResultsWindow() override;
    ResultsWindow(const ResultsWindow&) = delete;
    ResultsWindow& operator=(const ResultsWindow&) = delete;

    [[nodiscard]] chart::ChartPage& page() const { return *page_; }
    [[nodiscard]] const HistogramChart& histogram(int row) const
    {
        return histograms_.at(static_cast<std::size_t>(row));
    }
    [[nodiscard]] const CorrelationChart& correlation() const { return *correlation_; }
    [[nodiscard]] const StatisticsPanel& statistics() const { return *statistics_; }
    // The fit panel docked beside the page, hidden until the Fit menu shows it.
    [[nodiscard]] FitPanel& fitPanel() const { return *fitPanel_; }
    [[nodiscard]] QDockWidget* fitDock() const { return fitDock_; }
    [[nodiscard]] QAction* menuAction(int id) const;

    // What the platform seam announces.
    void refreshHistogram(int row);
    void releaseHistograms();
    void refreshStatistics(int channel);
    void showCorrelation(int slot);

    // The page menu's commands.
    void runCommand(int id);
    // Prints the page within the results margins (command 400 of the main window too).
    void print();

Q_SIGNALS:
    // "Close" or the window manager's close: the owner hides the window
    // through the results toggle so its check mark follows.
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();
    void autoSave();
    void autoSaveWithName();
    [[nodiscard]] std::string proposedName() const;
    bool saveWithPhotonCurve();

    AppState& state_;
    Platform& platform_;
    chart::ChartPage* page_ = nullptr; // owned by the window
    std::vector<HistogramChart> histograms_;
    std::unique_ptr<CorrelationChart> correlation_;
    std::unique_ptr<StatisticsPanel> statistics_;
    QDockWidget* fitDock_ = nullptr; // owned by the window
    FitPanel* fitPanel_ = nullptr; // owned by the dock
    std::map<int, QAction*> actions_;
    std::shared_ptr<const PhotonModeCurve> shownPhotonCurve_; // the photon-mode curve on the chart, if any
};

} // namespace plask::ui
