#pragma once
// The correlator written as plainly as possible: a 32-bit copy of the
// stretch, one loop per lag with all three sums, coarsening in place. The
// fast correlator must give exactly the same sums and G; the benchmark
// times it as the baseline.

#include "core/correlation_result.h"
#include "correlation/multi_tau.h"

#include <cstdint>
#include <span>
#include <vector>

namespace plask::reference {

namespace detail {
    inline void sumLag(std::span<const std::uint32_t> a, std::span<const std::uint32_t> b, std::size_t n,
        std::size_t lag, LagChannel& record)
    {
        // Unsigned, so that sums past 2^63 wrap as the 64-bit fields do.
        auto products = static_cast<std::uint64_t>(record.sumProducts);
        auto direct = static_cast<std::uint64_t>(record.sumDirect);
        auto delayed = static_cast<std::uint64_t>(record.sumDelayed);
        for (std::size_t i = 0; i + lag < n; ++i) {
            products += std::uint64_t { a[i] } * b[i + lag];
            direct += a[i];
            delayed += b[i + lag];
        }
        record.sumProducts = static_cast<std::int64_t>(products);
        record.sumDirect = static_cast<std::int64_t>(direct);
        record.sumDelayed = static_cast<std::int64_t>(delayed);
        normaliseLag(record, static_cast<std::uint32_t>(n - lag));
    }

    inline std::size_t coarsen(std::vector<std::uint32_t>& values, std::size_t n)
    {
        const std::size_t half = (n + 1) / 2;
        for (std::size_t k = 0; k < n / 2; ++k)
            values[k] = values[2 * k] + values[2 * k + 1];
        if (n % 2 != 0)
            values[half - 1] = values[n - 1];
        return half;
    }
} // namespace detail

// Adds bins first ... last of `direct` (undelayed) and `delayed` to the
// result, on the grid set by prepareCorrelation.
inline void correlate(std::span<const std::uint16_t> direct, std::span<const std::uint16_t> delayed,
    CorrelationResult& result, std::uint32_t first, std::uint32_t last)
{
    std::size_t n = std::size_t { last } - first + 1;
    result.correlatedBins = static_cast<std::uint32_t>(n);
    std::vector<std::uint32_t> a(direct.begin() + first, direct.begin() + first + static_cast<std::ptrdiff_t>(n));
    std::vector<std::uint32_t> b(delayed.begin() + first, delayed.begin() + first + static_cast<std::ptrdiff_t>(n));
    const auto d = static_cast<std::size_t>(result.mtStep);
    const double binMs = result.calcBinWidthUs / 1000;
    for (std::size_t tau = 1; tau <= 2 * d; ++tau) {
        LagChannel& record = result.lags[tau - 1];
        detail::sumLag(a, b, n, tau, record);
        record.lagMs = binMs * static_cast<double>(tau);
    }
    double scale = 1;
    for (int h = 1; h <= static_cast<int>(result.levelCount); ++h) {
        detail::coarsen(a, n);
        n = detail::coarsen(b, n);
        scale *= 2;
        for (std::size_t o = d + 1; o <= 2 * d; ++o) {
            LagChannel& record = result.lags[2 * d + static_cast<std::size_t>(h - 1) * d + (o - d - 1)];
            detail::sumLag(a, b, n, o, record);
            record.lagMs = binMs * scale * static_cast<double>(o);
        }
    }
}

} // namespace plask::reference
