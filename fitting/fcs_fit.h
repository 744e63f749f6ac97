#pragma once
// Least-squares fit of a correlation model to a curve: Levenberg-Marquardt
// with exact derivatives, bounds, fixed parameters and errors from the
// covariance at the minimum.

#include "fitting/correlation_curve.h"
#include "fitting/fcs_models.h"
#include "core/progress.h"
#include "fitting/fit_types.h"

#include <limits>

namespace plask::fitting {

enum class Weighting {
    automatic, // 1/SEM^2 when every point in range has an error bar, none otherwise
    none,
};

struct FcsFitRequest {
    FcsModel model = FcsModel::diff3d;
    ParameterChoices choices;
    double fromMs = 0.0; // points with fromMs <= tau <= toMs
    double toMs = std::numeric_limits<double>::infinity();
    Weighting weighting = Weighting::automatic;
};

struct FcsFit {
    FcsModel model = FcsModel::diff3d;
    std::vector<FittedParameter> parameters; // modelParameters order
    bool weighted = false;
    double chi2 = 0.0; // weighted sum of squared residuals
    double chi2Reduced = 0.0; // chi2 / (points - free parameters)
    int freeParameters = 0;
    int iterations = 0;
    double fromMs = 0.0;
    double toMs = 0.0;
    // The fitted points: data, model and data - model.
    std::vector<double> tauMs;
    std::vector<double> g;
    std::vector<double> fit;
    std::vector<double> residual;
    [[nodiscard]] int points() const { return static_cast<int>(tauMs.size()); }
    [[nodiscard]] const FittedParameter* parameter(std::string_view name) const;
};

// The starting values estimated from the curve (before the user's choices),
// in modelParameters order.
[[nodiscard]] std::vector<double> estimateStart(FcsModel model, const CorrelationCurve& curve);

// Fits the model to the points in range. Fails with a message for unknown
// parameter names, an empty or too short range, a curve without a positive
// amplitude and a fit that does not converge.
[[nodiscard]] FitOutcome<FcsFit> fitCorrelation(const CorrelationCurve& curve, const FcsFitRequest& request);
// The same, reporting each solver iteration; a cancel ends it with fitCancelledText.
[[nodiscard]] FitOutcome<FcsFit> fitCorrelation(
    const CorrelationCurve& curve, const FcsFitRequest& request, Progress& progress);

} // namespace plask::fitting
