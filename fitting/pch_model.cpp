#include "fitting/pch_model.h"

#include <boost/math/quadrature/exp_sinh.hpp>

#include <cmath>
#include <limits>
#include <numbers>

namespace plask::fitting {

namespace {
    constexpr double quadratureTolerance = 1e-12;

    // In coordinates u with W = exp(-u^2) (u^2 = 2x^2/w0^2 + ... ) the density
    // N / (pi^(3/2) w0^2 z0) integrates as N / sqrt(2 pi) * 2 u^2 du over the half line.
    template <typename F> double focusIntegral(const F& f)
    {
        thread_local boost::math::quadrature::exp_sinh<double> integrator;
        const auto integrand = [&f](double u) {
            const double value = 2.0 * u * u * f(u * u);
            return std::isfinite(value) ? value : 0.0;
        };
        return integrator.integrate(integrand, 0.0, std::numeric_limits<double>::infinity(), quadratureTolerance)
            / std::sqrt(2.0 * std::numbers::pi);
    }

    // lambda[k]: mean number of molecules per bin that give exactly k photons
    // (k >= 1); lambda[0]: the mean number giving any.
    void addSpecies(const PchSpecies& s, std::vector<double>& lambda)
    {
        const double centre = s.countsPerMolecule * std::pow(2.0, 1.5);
        const double logCentre = std::log(centre);
        lambda[0] += s.molecules * focusIntegral([centre](double x) { return -std::expm1(-centre * std::exp(-x)); });
        for (std::size_t k = 1; k < lambda.size(); ++k) {
            const double kd = static_cast<double>(k);
            const double logFactorial = std::lgamma(kd + 1.0);
            lambda[k] += s.molecules * focusIntegral([=](double x) {
                return std::exp(kd * (logCentre - x) - centre * std::exp(-x) - logFactorial);
            });
        }
    }
} // namespace

std::vector<double> pchProbabilities(std::span<const PchSpecies> species, double backgroundPerBin, int maxCount)
{
    if (maxCount < 0 || !(backgroundPerBin >= 0.0) || !std::isfinite(backgroundPerBin))
        return {};
    for (const PchSpecies& s : species)
        if (!(s.molecules > 0.0 && s.countsPerMolecule > 0.0) || !std::isfinite(s.molecules)
            || !std::isfinite(s.countsPerMolecule))
            return {};
    const std::size_t top = static_cast<std::size_t>(maxCount);
    std::vector<double> lambda(top + 1, 0.0);
    for (const PchSpecies& s : species)
        addSpecies(s, lambda);
    // Background photons arrive one at a time, uncorrelated with the molecules.
    lambda[0] += backgroundPerBin;
    if (top >= 1)
        lambda[1] += backgroundPerBin;

    // The count is compound Poisson: Panjer's recursion gives its distribution.
    std::vector<double> p(top + 2, 0.0);
    p[0] = std::exp(-lambda[0]);
    double sum = p[0];
    for (std::size_t n = 1; n <= top; ++n) {
        double value = 0.0;
        for (std::size_t k = 1; k <= n; ++k)
            value += static_cast<double>(k) * lambda[k] * p[n - k];
        p[n] = value / static_cast<double>(n);
        sum += p[n];
    }
    p[top + 1] = std::max(0.0, 1.0 - sum);
    return p;
}

} // namespace plask::fitting
