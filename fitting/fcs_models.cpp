#include "fitting/fcs_models.h"

#include "fitting/fcs_model_terms.h"

#include <array>
#include <limits>

namespace plask::fitting {

namespace {
    constexpr double inf = std::numeric_limits<double>::infinity();
    // Lower bounds keep the formulas finite; N, times and kappa are positive.
    constexpr double tiny = 1e-9;

    constexpr ParameterDefinition n { "N", 1.0, false, tiny, inf };
    constexpr ParameterDefinition tauD { "tauD_ms", 0.1, false, tiny, inf };
    constexpr ParameterDefinition kappa { "kappa", 5.0, true, 0.1, 1000.0 };
    constexpr ParameterDefinition triplet { "T", 0.1, false, 0.0, 0.99 };
    constexpr ParameterDefinition tauT { "tauT_us", 5.0, false, tiny, inf };
    constexpr ParameterDefinition tauD2 { "tauD2_ms", 1.0, false, tiny, inf };
    constexpr ParameterDefinition fraction2 { "fraction2", 0.3, false, 0.0, 1.0 };
    constexpr ParameterDefinition alpha { "alpha", 1.0, false, 0.05, 3.0 };
    constexpr ParameterDefinition offset { "offset", 0.0, true, -inf, inf };

    constexpr std::array diff3dParameters { n, tauD, kappa, offset };
    constexpr std::array tripletParameters { n, tauD, kappa, triplet, tauT, offset };
    constexpr std::array diff2dParameters { n, tauD, offset };
    constexpr std::array twoCompParameters { n, tauD, kappa, tauD2, fraction2, offset };
    constexpr std::array anomalousParameters { n, tauD, kappa, alpha, offset };

    constexpr std::array models { FcsModel::diff3d, FcsModel::diff3dTriplet, FcsModel::diff2d, FcsModel::diff3d2comp,
        FcsModel::diff3dAnomalous };
} // namespace

std::string_view modelName(FcsModel model)
{
    switch (model) {
    case FcsModel::diff3d:
        return "diff3d";
    case FcsModel::diff3dTriplet:
        return "diff3d-triplet";
    case FcsModel::diff2d:
        return "diff2d";
    case FcsModel::diff3d2comp:
        return "diff3d-2comp";
    case FcsModel::diff3dAnomalous:
        return "diff3d-anomalous";
    }
    return "";
}

std::optional<FcsModel> modelFromName(std::string_view name)
{
    for (FcsModel model : models)
        if (modelName(model) == name)
            return model;
    return std::nullopt;
}

std::span<const FcsModel> allModels() { return models; }

std::span<const ParameterDefinition> modelParameters(FcsModel model)
{
    switch (model) {
    case FcsModel::diff3d:
        return diff3dParameters;
    case FcsModel::diff3dTriplet:
        return tripletParameters;
    case FcsModel::diff2d:
        return diff2dParameters;
    case FcsModel::diff3d2comp:
        return twoCompParameters;
    case FcsModel::diff3dAnomalous:
        return anomalousParameters;
    }
    return {};
}

double evaluateModel(FcsModel model, std::span<const double> values, double tauMs)
{
    if (values.size() != modelParameters(model).size())
        return std::numeric_limits<double>::quiet_NaN();
    return detail::modelValue(model, values.data(), tauMs);
}

} // namespace plask::fitting
