#pragma once
// How often each count value occurs in a stream: the table behind the photon
// counting histogram and the background estimate.

#include <cstdint>
#include <span>
#include <vector>

namespace plask {

// Entry v = number of bins holding v photons, for v = 0..top. Bins above
// `top` are not tallied. One pass over the counts.
[[nodiscard]] std::vector<std::uint64_t> tallyCountValues(std::span<const std::uint16_t> counts, std::uint16_t top);

} // namespace plask
