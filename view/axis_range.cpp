#include "view/axis_range.h"

#include <cmath>
#include <utility>

namespace plask {

namespace {
    // The smallest of 1, 2, 5 x 10^k not below raw.
    double tidyStep(double raw)
    {
        const double power = std::pow(10.0, std::floor(std::log10(raw)));
        for (const double factor : { 1.0, 2.0, 5.0 })
            if (factor * power >= raw * (1.0 - 1e-12))
                return factor * power;
        return 10.0 * power;
    }
} // namespace

AxisRange tidyAxisRange(double min, double max)
{
    if (!std::isfinite(min) || !std::isfinite(max))
        return { min, max };
    if (min > max)
        std::swap(min, max);
    if (max - min <= 0.0)
        return { min, min + 1.0 };
    const double step = tidyStep((max - min) / 5.0);
    return { std::floor(min / step) * step, std::ceil(max / step) * step };
}

AxisRange tidyLogAxisRange(double min, double max)
{
    if (!std::isfinite(min) || !std::isfinite(max) || min <= 0.0 || max <= 0.0)
        return { min, max };
    if (min > max)
        std::swap(min, max);
    // A little slack so that exact decades, whose logarithms are not exact, stay put.
    constexpr double slack = 1e-9;
    const double low = std::pow(10.0, std::floor(std::log10(min) + slack));
    double high = std::pow(10.0, std::ceil(std::log10(max) - slack));
    if (high <= low)
        high = low * 10.0;
    return { low, high };
}

} // namespace plask
