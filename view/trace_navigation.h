#pragma once
// Mouse navigation of the trace: zoom around a point, pan by bins, the whole
// recording. Every move is expressed in the navigator's zoom step, segment
// and pan, so the sliders and the burst navigator follow it.

#include "core/app_state.h"

#include <cstdint>

namespace plask {

// Bins the chart shows at the current zoom step.
[[nodiscard]] std::uint64_t visibleBinCount(const NavigatorState& navigator);

// Moves the view to start at a bin, clamped so that it lies wholly inside the displayed length.
void showFromBin(AppState& state, std::int64_t firstBin);

// Moves the view by a number of bins (positive: later in the recording).
void panByBins(AppState& state, std::int64_t bins);

// Zooms by a number of zoom steps (negative: closer) and keeps the bin at
// `fraction` of the chart's width (0 left edge, 1 right edge) where it was.
void zoomAround(AppState& state, int steps, double fraction);

// The whole recording in one view: the largest zoom step.
void showWholeRecording(AppState& state);

} // namespace plask
