#pragma once
// The fit panel of the results window: a model, its parameters (value,
// fixed, error), the lag range and Fit; the fitted curve is drawn over the
// correlation curve and its residuals in a small chart of the panel. Save
// writes the fit report.

#include "core/correlation_result.h"
#include "core/platform.h"
#include "fitting/correlation_curve.h"
#include "fitting/fcs_fit.h"

#include "chart/chart_types.h"

#include <QWidget>

#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace plask::chart {
class Chart;
} // namespace plask::chart

namespace plask {
struct PhotonModeCurve;
} // namespace plask

namespace plask::ui {

class FitPanel : public QWidget {
    Q_OBJECT
public:
    // Draws the fitted curve on `correlationChart`.
    FitPanel(Platform& platform, chart::Chart& correlationChart, QWidget* parent = nullptr);

    // The curve to fit from now on: the result's records, its file name for Save.
    void setCurve(const CorrelationResult& result);
    // A photon-mode curve, its SEM as the fit's weights.
    void setCurve(const PhotonModeCurve& photonCurve);
    // Fits with the panel's choices; false after a message.
    bool runFit();
    // The Save dialog, then the report.
    void save();

    [[nodiscard]] const std::optional<fitting::FcsFit>& result() const { return fit_; }
    [[nodiscard]] chart::Chart& residualChart() const { return *residuals_; }

private:
    void adoptCurve(fitting::CorrelationCurve curve, std::string reportName, std::string sourceName);
    void fillParameters();
    [[nodiscard]] fitting::FcsFitRequest request() const;
    void showFit();

    Platform& platform_;
    chart::Chart& correlationChart_;
    QComboBox* model_ = nullptr;
    QTableWidget* parameters_ = nullptr;
    QLineEdit* fromMs_ = nullptr;
    QLineEdit* toMs_ = nullptr;
    QLabel* status_ = nullptr;
    chart::Chart* residuals_ = nullptr;
    fitting::CorrelationCurve curve_;
    std::string reportName_;
    std::string sourceName_;
    std::optional<fitting::FcsFit> fit_;
    // The charts read these arrays at every redraw.
    std::vector<double> fitTau_;
    std::vector<double> fitG_;
    std::vector<double> residual_;
    chart::DatasetId fitDataset_;
    chart::PlotId fitPlot_;
    chart::DatasetId residualDataset_;
    chart::PlotId residualPlot_;
};

} // namespace plask::ui
