#pragma once
// The integer sums of one stretch on the multi-tau lag grid, before they are
// pooled into a CorrelationResult.

#include "core/progress.h"

#include <cstdint>
#include <span>

namespace plask {

struct LagSums {
    std::uint64_t products = 0; // sum of direct x delayed
    std::uint64_t direct = 0; // sum of the undelayed values of the pairs
    std::uint64_t delayed = 0; // sum of the delayed values of the pairs
    std::uint32_t pairs = 0;
};

// Records on the grid of step d with `levels` coarse levels: 2d lags at
// level 0 and d at each coarse level.
[[nodiscard]] constexpr int lagRecordCount(int step, int levels) { return (levels + 2) * step; }

// Lag in bins of record r; level 0 covers 1 ... 2d, level h covers
// (d + 1) 2^h ... 2d 2^h in steps of 2^h.
[[nodiscard]] std::uint64_t lagBinsOfRecord(int record, int step);

enum class LagSumStatus { ok, noMemory, stretchTooShort, cancelled };

// Sums of the pairs (direct[i], delayed[i + tau]) over one stretch, both
// streams the same length; levels are coarsened by adding neighbouring bins
// (an odd last bin stands alone). `out` needs lagRecordCount(step, levels)
// entries. Every level must keep more than 2d bins. The working memory is
// fixed (a few blocks per level), however long the stretch. Progress is
// reported every few hundred thousand bins; a cancel stops the sums half done.
[[nodiscard]] LagSumStatus computeLagSums(std::span<const std::uint16_t> direct, std::span<const std::uint16_t> delayed,
    int step, int levels, std::span<LagSums> out, Progress& progress = noProgress());

} // namespace plask
