#pragma once
// Selecting a background region or a correlation region with two clicks on
// the trace chart: the left click sets point A, the right click point B.

#include "core/app_state.h"

#include <cstdint>

namespace plask {

// The chart points (0..999) under the two selection markers. Every trace
// redraw starts them over at the whole segment.
struct TraceSelection {
    std::uint32_t startPoint = 0;
    std::uint32_t endPoint = chartPoints - 1;
};

enum class SelectionClick { start, end };

// What a click did.
enum class SelectionOutcome { none, backgroundRegion, fcsRegion };

// A click at a chart point while a selection mode is on: moves point A (left
// click) or B (right click) and selects the region between A and B for the
// mode. Without a mode nothing changes.
SelectionOutcome selectionClick(AppState& state, TraceSelection& selection, SelectionClick click, std::uint32_t point);

// The active channel's correlation region: the bins of the chart points
// between a and b (in either order) of the current segment.
void selectFcsRegion(AppState& state, std::uint32_t a, std::uint32_t b);

// The active channel's background region, its mean and standard deviation,
// and the background counts setting (the mean truncated). Returns false and
// changes nothing when the active channel holds no data.
bool selectBackgroundRegion(AppState& state, std::uint32_t a, std::uint32_t b);

// Mean and population standard deviation of the counts from backgroundStart
// to backgroundEnd inclusive, into backgroundMean and backgroundSd. The
// region is cut to the stream's bins; an empty stream gives 0 and 0.
void regionMeanSd(PhotonStream& stream);

} // namespace plask
