#pragma once
// The solver settings every fit shares, and the covariance at its minimum.
// Included by the fitting sources only (Ceres headers are heavy).

#include "core/progress.h"

#include <ceres/ceres.h>

#include <vector>

namespace plask::fitting {

// Levenberg-Marquardt, dense QR, quiet, with tolerances tight enough that the
// parameters are exact to well below their errors.
[[nodiscard]] ceres::Solver::Options leastSquaresOptions();

// Reports each solver iteration to a Progress (as a fraction of the
// iteration limit) and stops the solver when it answers a cancel.
class IterationProgress final : public ceres::IterationCallback {
public:
    IterationProgress(Progress& progress, int maxIterations)
        : progress_(progress)
        , maxIterations_(maxIterations)
    {
    }
    ceres::CallbackReturnType operator()(const ceres::IterationSummary& summary) override;
    [[nodiscard]] bool cancelled() const { return progress_.cancelled(); }

private:
    WatchedProgress progress_;
    int maxIterations_;
};

// The diagonal of the covariance of one parameter block of `size` values at
// the current point ((J^T J)^-1 for cost 1/2 sum r^2); empty when it is singular.
[[nodiscard]] std::vector<double> covarianceDiagonal(ceres::Problem& problem, const double* block, int size);

} // namespace plask::fitting
