#pragma once
// What the correlation and PCH fit panels share: the fitted curve drawn over
// the data chart with its residuals in a small chart of the panel, the fit
// run as a job on the worker, the report saved through the one writer, and
// how numbers are shown.

#include "core/platform.h"
#include "fitting/fit_report.h"
#include "fitting/fit_types.h"

#include "chart/chart_types.h"

#include <QString>

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

class QDockWidget;
class QLabel;
class QMainWindow;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace plask::chart {
class Chart;
} // namespace plask::chart

namespace plask::ui {

// The Fit and Save buttons side by side and the status line under them,
// added to a panel's layout; `prefix` starts their object names
// ("fit": fitButton, fitSaveButton, fitStatus).
struct FitControls {
    QPushButton* fit = nullptr;
    QPushButton* save = nullptr;
    QLabel* status = nullptr;
};
[[nodiscard]] FitControls addFitControls(QWidget& panel, QVBoxLayout& layout, const QString& prefix);

// Docks `panel` on the right of `window`, hidden, with "Fit Panel" in a
// "Fit" menu to show it; `prefix` starts the object names of the dock
// (prefix + "Dock"), the menu action (prefix + "PanelAction") and the menu
// (prefix + "Menu").
QDockWidget* addFitDock(QMainWindow& window, QWidget& panel, const QString& prefix);

// Six significant digits; "-" for a value that is not determined.
[[nodiscard]] QString fitNumber(double value);

class FitCurveView {
public:
    // The residual chart becomes a child of `parent`; the fitted curve is
    // drawn on `dataChart` in the colour `colourIndex`.
    FitCurveView(chart::Chart& dataChart, QWidget* parent, const QString& xTitle, bool logarithmicX, int colourIndex);

    [[nodiscard]] chart::Chart& residualChart() const { return *residuals_; }
    // Draws the fit and its residuals (copies kept for the charts' redraws).
    void show(std::span<const double> x, std::span<const double> fit, std::span<const double> residual);
    // Hides the fitted curve (a new curve to fit).
    void clear();

private:
    chart::Chart& dataChart_;
    chart::Chart* residuals_ = nullptr;
    int colourIndex_ = 1;
    std::vector<double> x_;
    std::vector<double> fit_;
    std::vector<double> residual_;
    chart::DatasetId fitDataset_;
    chart::PlotId fitPlot_;
    chart::DatasetId residualDataset_;
    chart::PlotId residualPlot_;
};

// Disables a panel for as long as it lives (its fit runs).
class PanelBusy {
public:
    explicit PanelBusy(QWidget& panel);
    ~PanelBusy();
    PanelBusy(const PanelBusy&) = delete;
    PanelBusy& operator=(const PanelBusy&) = delete;

private:
    QWidget& panel_;
};

// Runs `fit` as a job ("Fit") with the job's progress, `panel` disabled
// meanwhile. Nothing when the job was cancelled (or another job runs): the
// caller keeps its previous fit.
template <typename T>
[[nodiscard]] std::optional<fitting::FitOutcome<T>> runFitJob(
    Platform& platform, QWidget& panel, const std::function<fitting::FitOutcome<T>(Progress&)>& fit)
{
    const PanelBusy busy(panel);
    std::optional<fitting::FitOutcome<T>> outcome;
    if (platform.runJob("Fit", [&](Progress& progress) { outcome.emplace(fit(progress)); }) == JobOutcome::cancelled
        || !outcome || (!outcome->ok() && outcome->message() == fitting::fitCancelledText))
        return std::nullopt;
    return outcome;
}

// The status line after a cancelled fit.
[[nodiscard]] QString fitCancelledStatus();

// The Save dialog with `proposedName`, then the report through writeFitReport.
void saveFitReport(Platform& platform, const std::string& proposedName, const fitting::FitReport& report);

} // namespace plask::ui
