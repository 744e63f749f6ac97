#pragma once
// Maximum-likelihood fit of the 3D Gaussian PCH model (one or two species,
// known background) to a histogram of counts per bin.

#include "core/progress.h"
#include "fitting/fit_types.h"

#include <string>

#include <span>
#include <vector>

namespace plask::fitting {

struct PchFitRequest {
    int species = 1; // 1 or 2
    double binWidthUs = 10.0;
    double backgroundPerBin = 0.0; // mean background counts per bin
};

struct PchFit {
    int species = 1;
    double binWidthUs = 0.0;
    double backgroundPerBin = 0.0;
    double totalBins = 0.0;
    // N, cpmKHz (then N2, cpmKHz2): N molecules in pi^(3/2) w0^2 z0, cpm the
    // mean count rate per molecule in kHz.
    std::vector<FittedParameter> parameters;
    double deviance = 0.0; // 2 (log L(saturated) - log L(fit)), the likelihood chi2
    double chi2Reduced = 0.0; // deviance / (histogram points + tail - free parameters)
    int iterations = 0;
    // The histogram: photons per bin, observed bins, expected bins, observed - expected.
    std::vector<double> photons;
    std::vector<double> frequency;
    std::vector<double> fit;
    std::vector<double> residual;
    // What the user should know about a fit that converged but says less
    // than it seems (a second species the data do not hold).
    std::vector<std::string> warnings;
    [[nodiscard]] const FittedParameter* parameter(std::string_view name) const;
};

// frequency[k]: the number of bins holding k photons. The start comes from
// the histogram's mean and variance. Fails when the histogram has no excess
// variance over Poisson noise, the background is implausible for the data
// (not below the mean count, or more empty bins than that background alone
// would leave), the fit does not converge, or a one-species fit (both
// species of a two-species fit) ends on a bound. A two-species fit whose
// second species is on a bound or not told apart from the first carries a
// warning.
[[nodiscard]] FitOutcome<PchFit> fitPch(std::span<const double> frequency, const PchFitRequest& request);
// The same, reporting each solver iteration; a cancel ends it with fitCancelledText.
[[nodiscard]] FitOutcome<PchFit> fitPch(
    std::span<const double> frequency, const PchFitRequest& request, Progress& progress);

} // namespace plask::fitting
