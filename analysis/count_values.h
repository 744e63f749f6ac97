#pragma once
// How often each count value occurs in a stream: the table behind the photon
// counting histogram and the background estimate.

#include "core/progress.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace plask {

// Entry v = number of bins holding v photons, for v = 0..top. Bins above
// `top` are not tallied. One pass over the counts.
[[nodiscard]] std::vector<std::uint64_t> tallyCountValues(std::span<const std::uint16_t> counts, std::uint16_t top);

// The same in pieces of 2^22 bins with a progress report after each; nothing
// when `progress` answered a cancel.
[[nodiscard]] std::optional<std::vector<std::uint64_t>> tallyCountValues(
    std::span<const std::uint16_t> counts, std::uint16_t top, Progress& progress);

} // namespace plask
