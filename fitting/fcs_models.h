#pragma once
// The models of a normalised correlation curve G(tau) (tau in ms, G -> 0 at
// long lags): their names, parameters, defaults and values.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plask::fitting {

enum class FcsModel { diff3d, diff3dTriplet, diff2d, diff3d2comp, diff3dAnomalous };

struct ParameterDefinition {
    std::string_view name;
    double defaultValue = 0.0; // used when fixed by default; free ones start from the curve
    bool fixedByDefault = false;
    double lower = 0.0;
    double upper = 0.0;
};

// "diff3d", "diff3d-triplet", "diff2d", "diff3d-2comp", "diff3d-anomalous".
[[nodiscard]] std::string_view modelName(FcsModel model);
[[nodiscard]] std::optional<FcsModel> modelFromName(std::string_view name);
[[nodiscard]] std::span<const FcsModel> allModels();

// The model's parameters in the order evaluateModel takes their values.
[[nodiscard]] std::span<const ParameterDefinition> modelParameters(FcsModel model);

// G(tau) for parameter values in modelParameters order.
[[nodiscard]] double evaluateModel(FcsModel model, std::span<const double> values, double tauMs);

} // namespace plask::fitting
