#pragma once
// The solver settings every fit shares, and the covariance at its minimum.
// Included by the fitting sources only (Ceres headers are heavy).

#include <ceres/ceres.h>

#include <vector>

namespace plask::fitting {

// Levenberg-Marquardt, dense QR, quiet, with tolerances tight enough that the
// parameters are exact to well below their errors.
[[nodiscard]] ceres::Solver::Options leastSquaresOptions();

// The diagonal of the covariance of one parameter block of `size` values at
// the current point ((J^T J)^-1 for cost 1/2 sum r^2); empty when it is singular.
[[nodiscard]] std::vector<double> covarianceDiagonal(ceres::Problem& problem, const double* block, int size);

} // namespace plask::fitting
