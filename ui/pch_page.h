#pragma once
// The PCH page "pch_page", "Photon Count Histogram": a window with a line
// chart of the photon counting histogram and the menu "PCHPAGEMENU" (Save,
// Print, Print Setup, Printer Options, Close, Show Data). Every PCH command
// opens a new page; each keeps its own copy of the histogram, while "Save"
// writes the current result.

#include "chart/chart_types.h"
#include "core/app_state.h"
#include "core/platform.h"

#include "ui/pch_fit_panel.h"

#include <QMainWindow>

#include <map>
#include <vector>

class QAction;
class QDockWidget;

namespace plask::chart {
class Chart;
class ChartPage;
} // namespace plask::chart

namespace plask::ui {

enum PchPageCommand : int {
    pchSave = 40035,
    pchShowData = 40061,
    pchPrintSetup = 40095,
    pchPrinterOptions = 40096,
    pchPrint = 40103,
    pchClose = 40104,
};

class PchPage : public QMainWindow {
    Q_OBJECT
public:
    // A page over a copy of the current PCH result, drawn in the colour of
    // the active channel. It deletes itself when closed.
    PchPage(AppState& state, Platform& platform, QWidget* parent);

    [[nodiscard]] chart::ChartPage& page() const { return *page_; }
    [[nodiscard]] chart::Chart& chart() const { return *chart_; }
    [[nodiscard]] chart::PlotId plot() const { return plot_; }
    [[nodiscard]] QAction* menuAction(int id) const;
    // The fit panel, docked beside the chart; hidden until "Fit Panel".
    [[nodiscard]] QDockWidget* fitDock() const { return fitDock_; }
    [[nodiscard]] PchFitPanel& fitPanel() const { return *fitPanel_; }

    void runCommand(int id);

protected:
    // A close while the page's fit runs cancels the fit and closes once it has ended.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildFitPanel();
    void buildMenu();
    void buildChart(const PchResult& pch);

    AppState& state_;
    Platform& platform_;
    chart::ChartPage* page_ = nullptr; // owned by the window
    chart::Chart* chart_ = nullptr; // owned by the page
    chart::PlotId plot_;
    std::vector<double> photonsPerBin_; // the page's own copies
    std::vector<double> frequency_;
    std::map<int, QAction*> actions_;
    QDockWidget* fitDock_ = nullptr;
    PchFitPanel* fitPanel_ = nullptr;
    bool closeAfterFit_ = false;
};

// The "PCH" command of the control panel: computes the histogram of the
// active channel and opens a page for it. The page, or null when there is
// nothing to show (a message said why).
PchPage* runPchPageCommand(AppState& state, Platform& platform, QWidget* owner);

} // namespace plask::ui
