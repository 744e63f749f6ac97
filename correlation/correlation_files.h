#pragma once
// The correlation curve file ("Save FCS results") and the trace segment
// file ("Save Segment"): tab-delimited Windows-1252 text with CR LF ends.

#include "core/app_state.h"
#include "core/platform.h"
#include "view/trace_points.h"

#include <string>

namespace plask {

inline constexpr int commandSaveFcsResults = 40094;

// The proposed file name: the source name up to its last "." and the
// kind's suffix ("_fcs.txt", "_segfcs.txt", "_fccs.txt", "_segfccs.txt";
// none for another kind).
[[nodiscard]] std::string proposedFcsFileName(const CorrelationResult& result);

// "%s_%u.txt" with the stream's file title up to its last "." and the segment.
[[nodiscard]] std::string proposedSegmentFileName(const PhotonStream& stream, std::uint32_t segment);

// The header of the result's kind, then one line of lag (ms) and G per
// record up to lagCount. Returns a WriteResult code.
[[nodiscard]] int writeFcsResults(const std::string& path, const CorrelationResult& result);

// One line per chart point: time (s) and both channels as displayed.
[[nodiscard]] int writeSegmentFile(const std::string& path, const TraceBuffers& trace);

// "Save FCS results" for the channel's slot; nothing when it holds no curve.
void saveFcsResultsCommand(AppState& state, Platform& platform, int channel);

// "Save Segment": the trace segment shown, from the trace's display buffers.
void saveSegmentCommand(AppState& state, Platform& platform, int channel, const TraceBuffers& trace);

} // namespace plask
