#pragma once
// Invariants of a decoded stream that look at every bin. They live in a file
// of their own, built without comparison tracing: traced, the per-bin
// comparisons would cost most of a run and guide the fuzzer nowhere.

#include "core/photon_stream.h"

#include <cstdint>
#include <span>

// The stream read from the file equals the one decoded in memory, its bins
// add up to its photons (unless a bin saturated), the last bin holds the last
// photon, and maxCount is the highest bin.
void checkDecodedBins(const plask::PhotonStream& decoded, const plask::PhotonStream& read);

// Two runs of counts are equal, bin by bin.
void requireSameCounts(std::span<const std::uint16_t> a, std::span<const std::uint16_t> b);
