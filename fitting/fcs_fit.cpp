#include "fitting/fcs_fit.h"

#include "fitting/fcs_model_terms.h"
#include "fitting/solver_options.h"

#include <ceres/ceres.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>

namespace plask::fitting {

namespace {
    [[nodiscard]] double scalarOf(double value) { return value; }
    template <typename J> [[nodiscard]] double scalarOf(const J& jet) { return jet.a; }

    // The points in range with their weights (1 / SEM, or 1).
    struct FitPoints {
        std::vector<double> tauMs;
        std::vector<double> g;
        std::vector<double> weight;
        bool weighted = false;
    };

    FitPoints selectPoints(const CorrelationCurve& curve, const FcsFitRequest& request)
    {
        FitPoints points;
        bool allErrors = curve.hasErrors();
        for (std::size_t i = 0; i < curve.size(); ++i) {
            const double tau = curve.tauMs[i];
            // tau = 0 is no lag of a multi-tau curve and would make (tau/tauD)^alpha singular.
            if (!(tau > 0.0) || tau < request.fromMs || tau > request.toMs || !std::isfinite(curve.g[i]))
                continue;
            points.tauMs.push_back(tau);
            points.g.push_back(curve.g[i]);
            const double sem = curve.hasErrors() ? curve.sem[i] : 0.0;
            allErrors = allErrors && sem > 0.0 && std::isfinite(sem);
            points.weight.push_back(sem);
        }
        points.weighted = allErrors && request.weighting == Weighting::automatic;
        for (double& w : points.weight)
            w = points.weighted ? 1.0 / w : 1.0;
        return points;
    }

    // Weighted residuals of all points against a P-parameter model.
    template <int P> struct CurveResiduals {
        FcsModel model;
        const FitPoints* points;
        template <typename T> bool operator()(const T* const p, T* residuals) const
        {
            for (std::size_t i = 0; i < points->tauMs.size(); ++i) {
                residuals[i] = (T(points->g[i]) - detail::modelValue(model, p, points->tauMs[i])) * points->weight[i];
                if (!std::isfinite(scalarOf(residuals[i])))
                    return false;
            }
            return true;
        }
    };

    template <int P> ceres::CostFunction* makeCost(FcsModel model, const FitPoints& points)
    {
        return new ceres::AutoDiffCostFunction<CurveResiduals<P>, ceres::DYNAMIC, P>(
            new CurveResiduals<P> { model, &points }, static_cast<int>(points.tauMs.size()));
    }

    ceres::CostFunction* makeCost(FcsModel model, const FitPoints& points, std::size_t parameterCount)
    {
        switch (parameterCount) {
        case 3:
            return makeCost<3>(model, points);
        case 4:
            return makeCost<4>(model, points);
        case 5:
            return makeCost<5>(model, points);
        case 6:
            return makeCost<6>(model, points);
        default:
            return nullptr;
        }
    }

    // One Levenberg-Marquardt run from a start; the problem keeps pointing at `values`.
    struct SolvedFit {
        std::vector<double> values;
        std::unique_ptr<ceres::Problem> problem;
        ceres::Solver::Summary summary;

        explicit SolvedFit(std::vector<double> start)
            : values(std::move(start))
        {
        }

        // False when the progress answered a cancel.
        bool solve(FcsModel model, const FitPoints& points, const std::vector<bool>& fixed,
            const std::vector<double>& lower, const std::vector<double>& upper, Progress& progress)
        {
            const auto count = values.size();
            problem = std::make_unique<ceres::Problem>();
            problem->AddResidualBlock(makeCost(model, points, count), nullptr, values.data());
            std::vector<int> constant;
            for (std::size_t i = 0; i < count; ++i) {
                if (fixed[i]) {
                    constant.push_back(static_cast<int>(i));
                    continue;
                }
                if (std::isfinite(lower[i]))
                    problem->SetParameterLowerBound(values.data(), static_cast<int>(i), lower[i]);
                if (std::isfinite(upper[i]))
                    problem->SetParameterUpperBound(values.data(), static_cast<int>(i), upper[i]);
            }
            if (!constant.empty())
                problem->SetManifold(values.data(), new ceres::SubsetManifold(static_cast<int>(count), constant));
            ceres::Solver::Options options = leastSquaresOptions();
            IterationProgress iterations(progress, options.max_num_iterations);
            options.callbacks.push_back(&iterations);
            ceres::Solve(options, problem.get(), &summary);
            return !iterations.cancelled();
        }

        [[nodiscard]] bool converged() const
        {
            return summary.termination_type == ceres::CONVERGENCE
                && std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
        }
    };

    // Lag where the curve first falls to half of `g0`, interpolated on log tau.
    double halfDecayLag(const std::vector<double>& tau, const std::vector<double>& g, double g0)
    {
        for (std::size_t i = 1; i < tau.size(); ++i) {
            if (g[i] > g0 / 2.0)
                continue;
            const double f = std::clamp((g[i - 1] - g0 / 2.0) / (g[i - 1] - g[i]), 0.0, 1.0);
            return std::exp(std::log(tau[i - 1]) + f * (std::log(tau[i]) - std::log(tau[i - 1])));
        }
        return tau.empty() ? 0.1 : tau.back();
    }

    std::string parameterList(FcsModel model)
    {
        std::string list;
        for (const ParameterDefinition& definition : modelParameters(model))
            list += (list.empty() ? "" : ", ") + std::string(definition.name);
        return list;
    }

    std::string formatNumber(double value)
    {
        std::ostringstream out;
        out << value;
        return out.str();
    }
} // namespace

const FittedParameter* FcsFit::parameter(std::string_view name) const
{
    for (const FittedParameter& p : parameters)
        if (p.name == name)
            return &p;
    return nullptr;
}

std::vector<double> estimateStart(FcsModel model, const CorrelationCurve& curve)
{
    const std::span<const ParameterDefinition> definitions = modelParameters(model);
    std::vector<double> start;
    for (const ParameterDefinition& definition : definitions)
        start.push_back(definition.defaultValue);
    const std::size_t head = std::min<std::size_t>(3, curve.size());
    double g0 = 0.0;
    for (std::size_t i = 0; i < head; ++i)
        g0 += curve.g[i] / static_cast<double>(head);
    const double tauHalf = halfDecayLag(curve.tauMs, curve.g, g0);
    start[0] = g0 > 0.0 ? 1.0 / g0 : std::numeric_limits<double>::quiet_NaN();
    start[1] = tauHalf;
    if (model == FcsModel::diff3dTriplet)
        start[4] = std::min(5.0, tauHalf * 1000.0 / 20.0);
    if (model == FcsModel::diff3d2comp) {
        start[1] = tauHalf / 3.0;
        start[3] = tauHalf * 3.0;
        start[4] = 0.5;
    }
    return start;
}

FitOutcome<FcsFit> fitCorrelation(const CorrelationCurve& curve, const FcsFitRequest& request)
{
    return fitCorrelation(curve, request, noProgress());
}

FitOutcome<FcsFit> fitCorrelation(const CorrelationCurve& curve, const FcsFitRequest& request, Progress& progress)
{
    const FcsModel model = request.model;
    const std::span<const ParameterDefinition> definitions = modelParameters(model);
    for (const auto& [name, choice] : request.choices) {
        const bool known
            = std::any_of(definitions.begin(), definitions.end(), [&name](const ParameterDefinition& s) { return s.name == name; });
        if (!known)
            return FitFailure { "Model " + std::string(modelName(model)) + " has no parameter " + name
                + "; its parameters are " + parameterList(model) + "." };
        if (choice.lower && choice.upper && !(*choice.lower < *choice.upper))
            return FitFailure { "The bounds of " + name + " are empty: the lower one must be below the upper one." };
    }

    const FitPoints points = selectPoints(curve, request);
    CorrelationCurve inRange { points.tauMs, points.g, {} };
    std::vector<double> values = estimateStart(model, inRange);

    const std::size_t count = definitions.size();
    std::vector<bool> fixed(count);
    std::vector<double> lower(count);
    std::vector<double> upper(count);
    int freeCount = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const ParameterDefinition& definition = definitions[i];
        const auto found = request.choices.find(definition.name);
        const ParameterChoice choice = found != request.choices.end() ? found->second : ParameterChoice {};
        lower[i] = choice.lower.value_or(definition.lower);
        upper[i] = choice.upper.value_or(definition.upper);
        const bool freed = choice.initValue || choice.lower || choice.upper;
        fixed[i] = choice.fixedValue.has_value() || (definition.fixedByDefault && !freed);
        if (choice.fixedValue)
            values[i] = *choice.fixedValue;
        else if (choice.initValue)
            values[i] = *choice.initValue;
        if (!fixed[i]) {
            ++freeCount;
            if (!(lower[i] < upper[i]))
                return FitFailure { "The bounds of " + std::string(definition.name) + " are empty." };
            // A start on a bound or outside it is moved just inside.
            const double span = std::isfinite(upper[i] - lower[i]) ? upper[i] - lower[i] : 1.0;
            if (!(values[i] > lower[i]))
                values[i] = std::isfinite(lower[i]) ? lower[i] + 1e-3 * span : values[i];
            if (!(values[i] < upper[i]))
                values[i] = std::isfinite(upper[i]) ? upper[i] - 1e-3 * span : values[i];
        }
        if (!std::isfinite(values[i]))
            return FitFailure { "The curve has no positive amplitude in the range, so " + std::string(definition.name)
                + " cannot be estimated; give --init " + std::string(definition.name) + "=VALUE." };
    }
    if (freeCount == 0)
        return FitFailure { "Every parameter is fixed: there is nothing to fit." };
    const int pointCount = static_cast<int>(points.tauMs.size());
    if (pointCount <= freeCount)
        return FitFailure { "The range " + formatNumber(request.fromMs) + " to " + formatNumber(request.toMs)
            + " ms holds " + std::to_string(pointCount) + " points; fitting " + std::to_string(freeCount)
            + " free parameters needs at least " + std::to_string(freeCount + 1) + "." };

    // Models with a fast or a second process can settle in a local minimum
    // from one start: a few more starts, and the best converged fit wins.
    std::vector<std::vector<double>> starts { values };
    auto addStarts = [&](std::size_t index, std::initializer_list<double> factors) {
        const auto found = request.choices.find(definitions[index].name);
        if (fixed[index] || (found != request.choices.end() && found->second.initValue))
            return;
        for (double factor : factors) {
            std::vector<double> other = values;
            other[index] = std::clamp(values[index] * factor, lower[index], upper[index]);
            starts.push_back(other);
        }
    };
    if (model == FcsModel::diff3dTriplet)
        addStarts(4, { 0.2, 4.0 });
    if (model == FcsModel::diff3d2comp)
        addStarts(4, { 0.4, 1.6 });

    std::unique_ptr<SolvedFit> best;
    for (const std::vector<double>& from : starts) {
        auto solved = std::make_unique<SolvedFit>(from);
        if (!solved->solve(model, points, fixed, lower, upper, progress))
            return FitFailure { std::string(fitCancelledText) };
        if (solved->converged() && (!best || solved->summary.final_cost < best->summary.final_cost))
            best = std::move(solved);
        else if (!best && from == starts.back())
            return FitFailure { "The fit did not converge (" + std::to_string(solved->summary.iterations.size())
                + " iterations): " + solved->summary.message
                + ". Try other starting values (--init) or a narrower range." };
    }
    values = best->values;
    ceres::Problem& problem = *best->problem;
    const ceres::Solver::Summary& summary = best->summary;

    FcsFit fit;
    fit.model = model;
    fit.weighted = points.weighted;
    fit.freeParameters = freeCount;
    fit.iterations = static_cast<int>(summary.iterations.size());
    fit.fromMs = points.tauMs.front();
    fit.toMs = points.tauMs.back();
    for (std::size_t i = 0; i < points.tauMs.size(); ++i) {
        const double value = detail::modelValue(model, values.data(), points.tauMs[i]);
        fit.tauMs.push_back(points.tauMs[i]);
        fit.g.push_back(points.g[i]);
        fit.fit.push_back(value);
        fit.residual.push_back(points.g[i] - value);
        const double r = (points.g[i] - value) * points.weight[i];
        fit.chi2 += r * r;
    }
    fit.chi2Reduced = fit.chi2 / (pointCount - freeCount);

    const std::vector<double> variance = covarianceDiagonal(problem, best->values.data(), static_cast<int>(count));
    // Unweighted residuals carry no scale of their own: the reduced chi2 estimates it.
    const double scale = fit.weighted ? 1.0 : fit.chi2Reduced;
    for (std::size_t i = 0; i < count; ++i) {
        FittedParameter p { std::string(definitions[i].name), values[i], std::numeric_limits<double>::quiet_NaN(),
            fixed[i] };
        if (!fixed[i] && i < variance.size() && variance[i] >= 0.0)
            p.error = std::sqrt(variance[i] * scale);
        fit.parameters.push_back(p);
    }
    return fit;
}

} // namespace plask::fitting
