// Fitting speed: a diff3d-triplet fit of a 200-point curve and a one-species
// PCH fit of a million bins, with the plain grid-and-golden-section diff3d
// fit of the tests beside the library's diff3d fit for scale.

#include "diffusion_fit.h"
#include "fitting/fcs_fit.h"
#include "fitting/pch_fit.h"
#include "fitting/pch_model.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using namespace plask::fitting;

// 200 log-spaced lags from 1 µs to 1 s with 1 % noise.
CorrelationCurve noisyCurve(FcsModel model, const std::vector<double>& truth)
{
    std::mt19937 random(5);
    CorrelationCurve curve;
    for (int i = 0; i < 200; ++i) {
        const double tau = 0.001 * std::pow(10.0, 6.0 * i / 199.0);
        const double g = evaluateModel(model, truth, tau);
        curve.tauMs.push_back(tau);
        curve.g.push_back(g + std::normal_distribution<double>(0.0, 0.01 * g + 1e-4)(random));
    }
    return curve;
}

void BM_TripletFit200(benchmark::State& state)
{
    const CorrelationCurve curve = noisyCurve(FcsModel::diff3dTriplet, { 3.0, 0.1, 5.0, 0.2, 3.0, 0.0 });
    FcsFitRequest request;
    request.model = FcsModel::diff3dTriplet;
    for (auto _ : state)
        benchmark::DoNotOptimize(fitCorrelation(curve, request).ok());
}
BENCHMARK(BM_TripletFit200)->Unit(benchmark::kMillisecond);

void BM_Diff3dFit200(benchmark::State& state)
{
    const CorrelationCurve curve = noisyCurve(FcsModel::diff3d, { 3.0, 0.1, 5.0, 0.0 });
    for (auto _ : state)
        benchmark::DoNotOptimize(fitCorrelation(curve, {}).ok());
}
BENCHMARK(BM_Diff3dFit200)->Unit(benchmark::kMillisecond);

void BM_Diff3dGridReference200(benchmark::State& state)
{
    const CorrelationCurve curve = noisyCurve(FcsModel::diff3d, { 3.0, 0.1, 5.0, 0.0 });
    std::vector<plask::testing::CurvePoint> points;
    for (std::size_t i = 0; i < curve.size(); ++i)
        points.push_back({ curve.tauMs[i], curve.g[i], 1.0 });
    for (auto _ : state)
        benchmark::DoNotOptimize(plask::testing::fitDiffusion(points, 5.0).amplitude);
}
BENCHMARK(BM_Diff3dGridReference200)->Unit(benchmark::kMillisecond);

void BM_PchFitOneSpecies(benchmark::State& state)
{
    const std::vector<PchSpecies> truth { { 2.0, 0.5 } };
    const std::vector<double> p = pchProbabilities(truth, 0.01, 30);
    std::vector<double> histogram;
    for (std::size_t k = 0; k <= 30; ++k)
        histogram.push_back(std::round(1e6 * p[k]));
    for (auto _ : state)
        benchmark::DoNotOptimize(fitPch(histogram, { 1, 10.0, 0.01 }).ok());
}
BENCHMARK(BM_PchFitOneSpecies)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
