#include "fitting/solver_options.h"

#include <algorithm>

namespace plask::fitting {

ceres::Solver::Options leastSquaresOptions()
{
    ceres::Solver::Options options;
    options.linear_solver_type = ceres::DENSE_QR;
    options.trust_region_strategy_type = ceres::LEVENBERG_MARQUARDT;
    options.max_num_iterations = 200;
    options.function_tolerance = 1e-12;
    options.parameter_tolerance = 1e-12;
    options.gradient_tolerance = 1e-14;
    options.logging_type = ceres::SILENT;
    options.minimizer_progress_to_stdout = false;
    options.num_threads = 1;
    return options;
}

ceres::CallbackReturnType IterationProgress::operator()(const ceres::IterationSummary& summary)
{
    const double done = std::min(1.0, (summary.iteration + 1.0) / std::max(maxIterations_, 1));
    return progress_.step(done) ? ceres::SOLVER_CONTINUE : ceres::SOLVER_ABORT;
}

std::vector<double> covarianceDiagonal(ceres::Problem& problem, const double* block, int size)
{
    ceres::Covariance::Options options;
    options.algorithm_type = ceres::DENSE_SVD;
    options.num_threads = 1;
    ceres::Covariance covariance(options);
    const std::vector<std::pair<const double*, const double*>> blocks { { block, block } };
    if (!covariance.Compute(blocks, &problem))
        return {};
    std::vector<double> full(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    if (!covariance.GetCovarianceBlock(block, block, full.data()))
        return {};
    std::vector<double> diagonal;
    for (int i = 0; i < size; ++i)
        diagonal.push_back(full[static_cast<std::size_t>(i * size + i)]);
    return diagonal;
}

} // namespace plask::fitting
