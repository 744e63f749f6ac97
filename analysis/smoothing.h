#pragma once
// Savitzky-Golay smoothing of a photon stream, in place.

#include "core/app_state.h"
#include "core/progress.h"
#include "core/platform.h"

#include <cstdint>
#include <span>
#include <string>

namespace plask {

inline constexpr int commandSmoothData = 40109;

enum class SmoothResult {
    done,
    skipped, // a width outside 5..13 (odd), or a stream shorter than the window: counts unchanged
    noMemory, // counts unchanged
    cancelled, // a Progress answered a cancel: output incomplete
};

// The quadratic/cubic smoothing filter on single-precision data. Every
// position with a full window gets the weighted sum of its window, added term
// by term in single precision onto what `output` holds (cleared first with
// `clearOutput`), divided by the weights' sum. The h = (width - 1) / 2
// positions at each end repeat the nearest smoothed value. Returns false and
// writes nothing for an unsupported width, for input shorter than the window,
// or when output is shorter than input.
bool savitzkyGolay(std::span<const float> input, int width, std::span<float> output, bool clearOutput);

// The same filter written as the plain double loop, kept as the reference
// the fast version must match bit for bit.
bool savitzkyGolayReference(std::span<const float> input, int width, std::span<float> output, bool clearOutput);

// Smooths the counts with the given width. Smoothed values are truncated
// towards zero and kept within 0..65535; the count range is recomputed and
// smoothPasses counts the pass.
SmoothResult smoothStream(PhotonStream& stream, int width);

// The smoothed counts of smoothStream written to `out` (as long as `counts`,
// which it may be), reporting progress every 2^20 positions.
SmoothResult smoothCounts(
    std::span<const std::uint16_t> counts, int width, std::span<std::uint16_t> out, Progress& progress = noProgress());

// The question asked before smoothing data that were smoothed before.
[[nodiscard]] std::string alreadyFilteredQuestion(std::uint32_t passes);

// "Smooth Data" on the active channel with the panel's filter width.
void runSmoothCommand(AppState& state, Platform& platform);

} // namespace plask
