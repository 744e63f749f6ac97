#pragma once
// The fit panel of the results window: a model, its parameters (value,
// fixed, error), the lag range and Fit; the fitted curve is drawn over the
// correlation curve and its residuals in a small chart of the panel. Save
// writes the fit report.

#include "core/correlation_result.h"
#include "core/platform.h"
#include "fitting/correlation_curve.h"
#include "fitting/fcs_fit.h"

#include "ui/fit_view.h"

#include <QWidget>

#include <memory>
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
    // Fits with the panel's choices as a job on the worker; false after a
    // message, or when the fit was cancelled (the previous fit stands).
    bool runFit();
    // The Save dialog, then the report.
    void save();

    [[nodiscard]] const std::optional<fitting::FcsFit>& result() const { return fit_; }
    [[nodiscard]] chart::Chart& residualChart() const { return view_->residualChart(); }

private:
    void adoptCurve(fitting::CorrelationCurve curve, std::string reportName, std::string sourceName);
    void fillParameters();
    [[nodiscard]] fitting::FcsFitRequest request() const;
    void showFit();

    Platform& platform_;
    QComboBox* model_ = nullptr;
    QTableWidget* parameters_ = nullptr;
    QLineEdit* fromMs_ = nullptr;
    QLineEdit* toMs_ = nullptr;
    QLabel* status_ = nullptr;
    std::unique_ptr<FitCurveView> view_;
    fitting::CorrelationCurve curve_;
    std::string reportName_;
    std::string sourceName_;
    std::optional<fitting::FcsFit> fit_;
};

} // namespace plask::ui
