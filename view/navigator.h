#pragma once
// The stream navigator's arithmetic: zoom steps, segments of 1000 chart
// points, and the mapping between chart points and bins.

#include "core/app_state.h"

#include <cstdint>
#include <optional>
#include <string>

namespace plask {

inline constexpr int commandNextSegment = 40008;
inline constexpr int commandPreviousSegment = 40009;

// Largest zoom step for a stream of n bins: ceil(ln(n / 1000) / ln 2), with
// a divisor a hair above ln 2 so exact powers of two do not round up. Streams
// of 1000 bins or fewer have a single step, 0.
[[nodiscard]] std::uint16_t zoomMaxFor(std::uint32_t displayLength);

// The lowest zoom step the zoom slider offers: 1, or 0 when there is only one.
[[nodiscard]] std::uint16_t lowestZoomStep(const NavigatorState& navigator);

// Starts the zoom over for the current display length: zoomMax, and the zoom
// step at the lowest step.
void resetZoom(AppState& state);

// Recomputes bins per chart point, segment count, segment time and fraction
// for a zoom step (clamped into the slider's range) and goes back to the
// first segment. At the largest step the whole stream is one segment.
void applyZoom(AppState& state, int zoomStep);

// "%g s (%2.2f%%)" of the segment time and its share of the total time.
[[nodiscard]] std::string segmentTimeText(const NavigatorState& navigator);

// "%u" of the segment number counted from 1.
[[nodiscard]] std::string segmentNumberText(const NavigatorState& navigator);

// Page size of the segment slider: a tenth of the segments from 20 on, 1 below.
[[nodiscard]] std::uint32_t segmentPageSize(std::uint32_t segmentsInStream);

// Makes a segment current, clamped to the last one.
void selectSegment(AppState& state, std::uint32_t segment);

// The segment the Right (next) and Left (previous) arrow commands move to,
// or nothing at the last or first segment or for any other command.
[[nodiscard]] std::optional<std::uint32_t> steppedSegment(const NavigatorState& navigator, int command);

// First bin the chart shows: the current segment's, moved on by a pan.
[[nodiscard]] std::uint64_t firstVisibleBin(const NavigatorState& navigator);

// First bin of a chart point of the current segment.
[[nodiscard]] std::uint64_t chartPointToBin(const NavigatorState& navigator, std::uint32_t point);

// Chart point of the current segment that holds a bin; negative before the
// segment, 1000 or more after it.
[[nodiscard]] std::int64_t binToChartPoint(const NavigatorState& navigator, std::uint64_t bin);

} // namespace plask
