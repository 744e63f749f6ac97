#pragma once
// Least-squares fit of the 3D diffusion model to a correlation curve:
// G(tau) = G0 / ((1 + tau/tauD) sqrt(1 + tau/(kappa^2 tauD))), kappa fixed.
// For each tauD the best G0 is linear; tauD is found on a log grid and then
// refined by golden-section search.

#include <cmath>
#include <vector>

namespace plask::testing {

struct CurvePoint {
    double lagMs = 0.0;
    double g = 0.0;
    double weight = 1.0;
};

struct DiffusionFit {
    double amplitude = 0.0; // G0
    double diffusionTimeMs = 0.0; // tauD
    double residual = 0.0; // weighted sum of squares
};

[[nodiscard]] inline double diffusionShape(double lagMs, double diffusionTimeMs, double kappa)
{
    const double x = lagMs / diffusionTimeMs;
    return 1.0 / ((1.0 + x) * std::sqrt(1.0 + x / (kappa * kappa)));
}

// The best G0 for a given tauD and its weighted sum of squares.
[[nodiscard]] inline DiffusionFit fitAmplitude(
    const std::vector<CurvePoint>& curve, double diffusionTimeMs, double kappa)
{
    double fg = 0.0;
    double ff = 0.0;
    for (const CurvePoint& p : curve) {
        const double f = diffusionShape(p.lagMs, diffusionTimeMs, kappa);
        fg += p.weight * f * p.g;
        ff += p.weight * f * f;
    }
    DiffusionFit fit { ff > 0.0 ? fg / ff : 0.0, diffusionTimeMs, 0.0 };
    for (const CurvePoint& p : curve) {
        const double r = p.g - fit.amplitude * diffusionShape(p.lagMs, diffusionTimeMs, kappa);
        fit.residual += p.weight * r * r;
    }
    return fit;
}

[[nodiscard]] inline DiffusionFit fitDiffusion(const std::vector<CurvePoint>& curve, double kappa)
{
    // Grid from 1 µs to 1 s, 20 points a decade.
    double bestLog = -3.0;
    double bestResidual = fitAmplitude(curve, std::pow(10.0, bestLog), kappa).residual;
    for (double logTau = -3.0; logTau <= 3.0; logTau += 0.05) {
        const double residual = fitAmplitude(curve, std::pow(10.0, logTau), kappa).residual;
        if (residual < bestResidual) {
            bestResidual = residual;
            bestLog = logTau;
        }
    }
    double lo = bestLog - 0.05;
    double hi = bestLog + 0.05;
    const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
    for (int i = 0; i < 60; ++i) {
        const double a = hi - ratio * (hi - lo);
        const double b = lo + ratio * (hi - lo);
        if (fitAmplitude(curve, std::pow(10.0, a), kappa).residual
            < fitAmplitude(curve, std::pow(10.0, b), kappa).residual)
            hi = b;
        else
            lo = a;
    }
    return fitAmplitude(curve, std::pow(10.0, (lo + hi) / 2.0), kappa);
}

} // namespace plask::testing
