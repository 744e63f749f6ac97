#pragma once
// The trace chart's data: one segment of both channels thinned to 1000 chart
// points, and the top of its y axis.

#include "core/app_state.h"
#include "view/trace_envelope.h"

#include <array>
#include <cstdint>
#include <span>

namespace plask {

// The three display buffers of the trace chart; the chart reads them in place.
struct TraceBuffers {
    std::array<double, chartPoints> time {}; // s, start of each chart point
    std::array<std::array<double, chartPoints>, channelCount> counts {}; // photons per chart point
};

// Sum of the bins, exact for any length.
[[nodiscard]] std::uint64_t sumOfBins(std::span<const std::uint16_t> bins);

// Thins bins to points, binsPerPoint bins each, in a display mode: the
// integer mean (truncated), the sum, or the first bin of each group.
// `bins` holds points.size() x binsPerPoint values.
void thinCounts(std::span<const std::uint16_t> bins, std::uint32_t binsPerPoint, std::int32_t displayMode,
    std::span<double> points);

// Whether the current segment lies wholly inside the displayed length.
[[nodiscard]] bool segmentInsideData(const AppState& state);

// Refills the buffers for the current segment: time axis, and both channels
// (zeros for a channel that is not loaded). Returns false and leaves the
// buffers alone when the segment does not lie wholly inside the data.
bool fillTraceBuffers(const AppState& state, TraceBuffers& buffers);

// The same, reading the channels' envelopes where they describe the stream
// (a null entry, or one built over other counts, thins the bins plainly).
using ChannelEnvelopes = std::array<const TraceEnvelope*, channelCount>;
bool fillTraceBuffers(const AppState& state, TraceBuffers& buffers, const ChannelEnvelopes& envelopes);

// Top of the trace's y axis: with autoscale the largest point of the loaded
// channels, rounded up to a tidy value; otherwise the larger maxCount of the
// two channels. Never below 1, so the axis keeps a height.
[[nodiscard]] double traceTop(const AppState& state, const TraceBuffers& buffers);

} // namespace plask
