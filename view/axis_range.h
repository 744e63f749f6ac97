#pragma once
// Rounding an axis range outwards to tidy values for chart axes.

namespace plask {

struct AxisRange {
    double min = 0.0;
    double max = 0.0;
    bool operator==(const AxisRange&) const = default;
};

// Widens [min, max] to multiples of a step of 1, 2 or 5 times a power of ten,
// chosen so the range holds about five steps. An empty range around v
// becomes [v, v + 1]; non-finite input comes back unchanged.
[[nodiscard]] AxisRange tidyAxisRange(double min, double max);

// Widens [min, max] to whole decades for a logarithmic axis (0.001 to 0.256
// becomes 0.001 to 1). Ranges that are not positive and finite come back
// unchanged.
[[nodiscard]] AxisRange tidyLogAxisRange(double min, double max);

} // namespace plask
