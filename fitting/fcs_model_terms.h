#pragma once
// The model formulas over any number type, so that the fit can take exact
// derivatives with dual numbers. Included by the fitting sources only.

#include "fitting/fcs_models.h"

#include <cmath>

namespace plask::fitting::detail {

// 3D diffusion factor (1 + x)^-1 (1 + x / kappa^2)^-1/2 with x = tau / tauD.
template <typename T> T diffusion3d(const T& x, const T& kappa)
{
    using std::sqrt;
    return T(1.0) / ((T(1.0) + x) * sqrt(T(1.0) + x / (kappa * kappa)));
}

// p holds the parameters in modelParameters order.
template <typename T> T modelValue(FcsModel model, const T* p, double tauMs)
{
    using std::exp;
    using std::pow;
    const T tau(tauMs);
    switch (model) {
    case FcsModel::diff3d: // N, tauD_ms, kappa, offset
        return diffusion3d(tau / p[1], p[2]) / p[0] + p[3];
    case FcsModel::diff3dTriplet: { // N, tauD_ms, kappa, T, tauT_us, offset
        const T triplet = (T(1.0) - p[3] + p[3] * exp(-tau * 1000.0 / p[4])) / (T(1.0) - p[3]);
        return diffusion3d(tau / p[1], p[2]) * triplet / p[0] + p[5];
    }
    case FcsModel::diff2d: // N, tauD_ms, offset
        return T(1.0) / ((T(1.0) + tau / p[1]) * p[0]) + p[2];
    case FcsModel::diff3d2comp: // N, tauD_ms, kappa, tauD2_ms, fraction2, offset
        return ((T(1.0) - p[4]) * diffusion3d(tau / p[1], p[2]) + p[4] * diffusion3d(tau / p[3], p[2])) / p[0]
            + p[5];
    case FcsModel::diff3dAnomalous: // N, tauD_ms, kappa, alpha, offset
        return diffusion3d(pow(tau / p[1], p[3]), p[2]) / p[0] + p[4];
    }
    return T(0.0);
}

} // namespace plask::fitting::detail
