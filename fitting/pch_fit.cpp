#include "fitting/pch_fit.h"

#include "fitting/pch_model.h"
#include "fitting/solver_options.h"

#include <ceres/ceres.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

namespace plask::fitting {

namespace {
    std::string formatNumber(double value)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%.4g", value);
        return text;
    }

    constexpr double smallestExpected = 1e-300;
    constexpr std::array parameterNames { "N", "cpmKHz", "N2", "cpmKHz2" };

    // Signed square roots of the Poisson deviance terms of the histogram and
    // of the tail above it: their half sum of squares is -log L up to a constant.
    struct DevianceResiduals {
        const std::vector<double>* frequency;
        double totalBins = 0.0;
        double background = 0.0;
        double binWidthMs = 0.0;
        int species = 1;

        bool operator()(const double* const p, double* residuals) const
        {
            std::vector<PchSpecies> list;
            for (int s = 0; s < species; ++s)
                list.push_back({ p[2 * s], p[2 * s + 1] * binWidthMs });
            const int top = static_cast<int>(frequency->size()) - 1;
            const std::vector<double> probability = pchProbabilities(list, background, top);
            if (probability.empty())
                return false;
            for (std::size_t k = 0; k < probability.size(); ++k) {
                const double observed = k < frequency->size() ? (*frequency)[k] : 0.0;
                const double expected = std::max(totalBins * probability[k], smallestExpected);
                const double term = 2.0 * ((observed > 0.0 ? observed * std::log(observed / expected) : 0.0) - (observed - expected));
                residuals[k] = std::copysign(std::sqrt(std::max(term, 0.0)), expected - observed);
            }
            return true;
        }
    };


    // Every bin holds its background photons and more: P(0) <= exp(-b). More
    // empty bins than that (beyond three standard errors) rule the background out.
    std::optional<std::string> emptyBinsRuleOut(double emptyBins, double bins, double background)
    {
        const double allowed = std::exp(-background);
        const double spread = std::sqrt(allowed * (1.0 - allowed) / bins);
        const double observed = emptyBins / bins;
        if (!(observed > allowed + 3.0 * spread + 1e-12))
            return std::nullopt;
        return "The background (" + formatNumber(background) + " counts per bin) is implausible for these data: "
            + formatNumber(100.0 * observed) + " % of the bins are empty, more than the "
            + formatNumber(100.0 * allowed) + " % that background alone would leave. The background cannot exceed "
            + formatNumber(-std::log(observed)) + " counts per bin here; set the Background Counts level (--background).";
    }

    // Far below any start the histogram's moments give: the solver has run
    // a parameter into its lower bound.
    constexpr double boundReach = 1e-4;

    template <int P> ceres::CostFunction* makeCost(const DevianceResiduals& residuals)
    {
        return new ceres::NumericDiffCostFunction<DevianceResiduals, ceres::CENTRAL, ceres::DYNAMIC, P>(
            new DevianceResiduals(residuals), ceres::TAKE_OWNERSHIP,
            static_cast<int>(residuals.frequency->size()) + 1);
    }
} // namespace

const FittedParameter* PchFit::parameter(std::string_view name) const
{
    for (const FittedParameter& p : parameters)
        if (p.name == name)
            return &p;
    return nullptr;
}

FitOutcome<PchFit> fitPch(std::span<const double> frequency, const PchFitRequest& request)
{
    return fitPch(frequency, request, noProgress());
}

FitOutcome<PchFit> fitPch(std::span<const double> frequency, const PchFitRequest& request, Progress& progress)
{
    if (request.species != 1 && request.species != 2)
        return FitFailure { "The PCH model has 1 or 2 species." };
    if (!(request.binWidthUs > 0.0) || !(request.backgroundPerBin >= 0.0))
        return FitFailure { "The bin width must be positive and the background not negative." };
    // Trailing empty entries carry no information.
    std::vector<double> histogram(frequency.begin(), frequency.end());
    while (!histogram.empty() && histogram.back() <= 0.0)
        histogram.pop_back();
    double bins = 0.0;
    double sum = 0.0;
    double squares = 0.0;
    for (std::size_t k = 0; k < histogram.size(); ++k) {
        const double kd = static_cast<double>(k);
        bins += histogram[k];
        sum += kd * histogram[k];
        squares += kd * kd * histogram[k];
    }
    const int freeCount = 2 * request.species;
    if (static_cast<int>(histogram.size()) + 1 <= freeCount || bins <= 0.0)
        return FitFailure { "The histogram has too few count values to fit " + std::to_string(freeCount)
            + " parameters." };
    const double mean = sum / bins;
    const double excess = squares / bins - mean * mean - mean;
    const double signal = mean - request.backgroundPerBin;
    if (signal <= 0.0)
        return FitFailure { "The background (" + formatNumber(request.backgroundPerBin)
            + " counts per bin) is implausible for these data: it is not below the mean count per bin ("
            + formatNumber(mean) + "), so there is no signal to fit. Set the Background Counts level (--background)." };
    if (const std::optional<std::string> ruledOut = emptyBinsRuleOut(histogram[0], bins, request.backgroundPerBin))
        return FitFailure { *ruledOut };
    if (excess <= 0.0)
        return FitFailure { "The counts vary no more than Poisson noise: the histogram shows no molecules to fit." };

    // Mean and excess variance: signal = N c, excess = N c^2 (c: counts per molecule and bin).
    const double binWidthMs = request.binWidthUs / 1000.0;
    const double n0 = signal * signal / excess;
    const double cpm0 = signal / n0 / binWidthMs;
    std::vector<double> values { n0, cpm0 };
    if (request.species == 2)
        values = { n0 * 0.8, cpm0 * 0.7, n0 * 0.1, cpm0 * 2.5 };

    DevianceResiduals residuals { &histogram, bins, request.backgroundPerBin, binWidthMs, request.species };
    ceres::Problem problem;
    problem.AddResidualBlock(
        request.species == 1 ? makeCost<2>(residuals) : makeCost<4>(residuals), nullptr, values.data());
    for (int i = 0; i < freeCount; ++i)
        problem.SetParameterLowerBound(values.data(), i, 1e-6);

    ceres::Solver::Summary summary;
    ceres::Solver::Options options = leastSquaresOptions();
    // Numerical derivatives of an integral: tolerances at its precision.
    options.function_tolerance = 1e-10;
    options.parameter_tolerance = 1e-9;
    options.gradient_tolerance = 1e-12;
    IterationProgress iterations(progress, options.max_num_iterations);
    options.callbacks.push_back(&iterations);
    ceres::Solve(options, &problem, &summary);
    if (iterations.cancelled())
        return FitFailure { std::string(fitCancelledText) };
    const bool finite = std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
    if (summary.termination_type != ceres::CONVERGENCE || !finite)
        return FitFailure { "The PCH fit did not converge (" + std::to_string(summary.iterations.size())
            + " iterations): " + summary.message + "." };

    // A species whose number or brightness the solver ran down to the bound,
    // or (of two) one carrying a vanishing share of the signal.
    const auto onBound = [&](int s) {
        const double n = values[static_cast<std::size_t>(2 * s)];
        const double c = values[static_cast<std::size_t>(2 * s + 1)];
        return n < boundReach * n0 || c < boundReach * cpm0 || n * c * binWidthMs < boundReach * signal;
    };
    std::vector<std::string> warnings;
    if (request.species == 1 && onBound(0))
        return FitFailure { "The PCH fit ended on a bound (N " + formatNumber(values[0]) + ", brightness "
            + formatNumber(values[1]) + " kHz): the background of " + formatNumber(request.backgroundPerBin)
            + " counts per bin is implausible for these data. Set the Background Counts level (--background)." };
    if (request.species == 2) {
        if (onBound(0) && onBound(1))
            return FitFailure { "The two-species PCH fit ended on a bound for both species: the background of "
                + formatNumber(request.backgroundPerBin)
                + " counts per bin is implausible for these data. Set the Background Counts level (--background)." };
        if (onBound(0) || onBound(1)) {
            const int s = onBound(0) ? 1 : 2;
            warnings.push_back("Species " + std::to_string(s) + " ended on a bound (N "
                + formatNumber(values[static_cast<std::size_t>(2 * s - 2)]) + ", brightness "
                + formatNumber(values[static_cast<std::size_t>(2 * s - 1)])
                + " kHz): the data hold one species; fit one species.");
        }
    }

    PchFit fit;
    fit.species = request.species;
    fit.binWidthUs = request.binWidthUs;
    fit.backgroundPerBin = request.backgroundPerBin;
    fit.totalBins = bins;
    fit.iterations = static_cast<int>(summary.iterations.size());
    // 2 x the final cost is the deviance.
    fit.deviance = 2.0 * summary.final_cost;
    fit.chi2Reduced = fit.deviance / static_cast<double>(static_cast<int>(histogram.size()) + 1 - freeCount);
    const std::vector<double> variance = covarianceDiagonal(problem, values.data(), freeCount);
    for (int i = 0; i < freeCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        FittedParameter p { parameterNames[at], values[at], std::numeric_limits<double>::quiet_NaN(), false };
        if (at < variance.size() && variance[at] >= 0.0)
            p.error = std::sqrt(variance[at]);
        fit.parameters.push_back(p);
    }
    if (request.species == 2 && warnings.empty()) {
        // Brightnesses within their joint error (or 5 %) of each other: one species fits as well.
        const FittedParameter& c1 = fit.parameters[1];
        const FittedParameter& c2 = fit.parameters[3];
        const double joint = std::hypot(c1.error, c2.error);
        const double apart = std::abs(c1.value - c2.value);
        if (!(apart > 0.05 * std::max(c1.value, c2.value)) || !(apart > joint))
            warnings.push_back("The two species' brightnesses (" + formatNumber(c1.value) + " and "
                + formatNumber(c2.value) + " kHz) cannot be told apart: the data hold one species; fit one species.");
    }
    // A deviance this far above its degrees of freedom: the model does not describe the histogram.
    if (fit.chi2Reduced > 10.0)
        warnings.push_back("The model does not describe the histogram (reduced chi2 " + formatNumber(fit.chi2Reduced)
            + "): check the background level and the number of species.");
    fit.warnings = std::move(warnings);

    std::vector<PchSpecies> list;
    for (int s = 0; s < request.species; ++s)
        list.push_back({ values[static_cast<std::size_t>(2 * s)], values[static_cast<std::size_t>(2 * s + 1)] * binWidthMs });
    const std::vector<double> probability
        = pchProbabilities(list, request.backgroundPerBin, static_cast<int>(histogram.size()) - 1);
    for (std::size_t k = 0; k < histogram.size(); ++k) {
        fit.photons.push_back(static_cast<double>(k));
        fit.frequency.push_back(histogram[k]);
        fit.fit.push_back(bins * probability[k]);
        fit.residual.push_back(histogram[k] - bins * probability[k]);
    }
    return fit;
}

} // namespace plask::fitting
