#pragma once
// The fit panel of the PCH page: one or two species of the 3D Gaussian PCH
// model, fitted to the page's histogram or to the bins outside the bursts,
// with the background of the control panel's Background Counts level. The
// fit runs as a job; N and the brightness (kHz) with errors and the reduced
// chi2 are shown, the fitted histogram over the page's chart and its
// residuals below. Save writes the fit report plask-cli pchfit writes.

#include "core/app_state.h"
#include "core/platform.h"
#include "fitting/pch_fit.h"
#include "ui/fit_view.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QTableWidget;

namespace plask::ui {

// What the page's histogram was counted from.
struct PchSource {
    int channel = 0;
    std::string filePath;
    std::string fileTitle;
    double binWidthUs = 0.0;
};

class PchFitPanel : public QWidget {
    Q_OBJECT
public:
    PchFitPanel(AppState& state, Platform& platform, chart::Chart& pchChart, QWidget* parent = nullptr);

    // The histogram to fit (frequency[k]: bins holding k photons) and its source.
    void setHistogram(std::vector<double> frequency, PchSource source);
    // Fits as a job; false after a message, or when cancelled (the previous fit stands).
    bool runFit();
    // The Save dialog, then the report.
    void save();

    [[nodiscard]] const std::optional<fitting::PchFit>& result() const { return fit_; }
    [[nodiscard]] bool fitRunning() const { return running_; }
    [[nodiscard]] chart::Chart& residualChart() const { return view_->residualChart(); }

Q_SIGNALS:
    void fitEnded();

private:
    // The panel's choices with the control panel's background level.
    [[nodiscard]] fitting::PchFitRequest request() const;
    void showFit();

    AppState& state_;
    Platform& platform_;
    QComboBox* species_ = nullptr;
    QCheckBox* burstFree_ = nullptr;
    QLabel* background_ = nullptr;
    QTableWidget* results_ = nullptr;
    QLabel* status_ = nullptr;
    std::unique_ptr<FitCurveView> view_;
    std::vector<double> frequency_;
    PchSource source_;
    std::optional<fitting::PchFit> fit_;
    bool fitBurstFree_ = false; // the choice the shown fit was made with
    bool running_ = false;
};

} // namespace plask::ui
