#pragma once
// Records shared by the curve and histogram fits: what the user chose for a
// parameter, a fitted parameter, and a failure as a value.

#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plask::fitting {

// The user's choice for one parameter; unset fields keep the model's defaults.
struct ParameterChoice {
    std::optional<double> fixedValue; // fixed at this value
    std::optional<double> initValue; // start here (frees a parameter fixed by default)
    std::optional<double> lower; // bounds (also free a parameter fixed by default)
    std::optional<double> upper;
};

using ParameterChoices = std::map<std::string, ParameterChoice, std::less<>>;

struct FittedParameter {
    std::string name;
    double value = 0.0;
    double error = std::numeric_limits<double>::quiet_NaN(); // NaN: fixed, or not determined
    bool fixed = false;
};

// The failure of a fit stopped by a cancel.
inline constexpr std::string_view fitCancelledText = "The fit was cancelled.";

// What went wrong, with the message the user sees.
struct FitFailure {
    std::string message;
};

// A small expected-like result: a value or a failure.
template <typename T> class FitOutcome {
public:
    FitOutcome(T value)
        : value_(std::move(value))
    {
    }
    FitOutcome(FitFailure failure)
        : failure_(std::move(failure))
    {
    }
    [[nodiscard]] bool ok() const { return value_.has_value(); }
    [[nodiscard]] const T& value() const { return *value_; }
    [[nodiscard]] T& value() { return *value_; }
    [[nodiscard]] const std::string& message() const { return failure_.message; }

private:
    std::optional<T> value_;
    FitFailure failure_;
};

} // namespace plask::fitting
