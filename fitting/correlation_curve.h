#pragma once
// A correlation curve to fit: lags in ms, G, and the standard error of each
// point when the file has one.

#include <string>
#include <vector>

namespace plask::fitting {

struct CorrelationCurve {
    std::vector<double> tauMs;
    std::vector<double> g;
    std::vector<double> sem; // empty, or one per point
    [[nodiscard]] bool hasErrors() const { return !sem.empty() && sem.size() == tauMs.size(); }
    [[nodiscard]] std::size_t size() const { return tauMs.size(); }
};

} // namespace plask::fitting
