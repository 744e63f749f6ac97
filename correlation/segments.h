#pragma once
// The segment table of a segmental correlation: the burst-free stretches of
// a trace (before the first burst, between bursts, after the last), kept in
// the segment fields of a CorrelationResult.

#include "core/burst_set.h"
#include "core/correlation_result.h"

#include <cstdint>

namespace plask {

// A segment's bins at the correlation bin width.
struct CalcStretch {
    std::int64_t first = 0;
    std::int64_t last = -1;
    [[nodiscard]] std::int64_t bins() const { return last - first + 1; }
};

// Segment i mapped from the table's bin width (sourceBinWidthUs) onto the
// correlation bin width (calcBinWidthUs), both ends truncated.
[[nodiscard]] CalcStretch segmentAtCalcWidth(const CorrelationResult& table, int i);

// Builds the table from at most 9999 bursts of the set and the stream's
// length (bin width: the set's), then selects as reselectSegments does.
// Segment i runs from the end of burst i - 1 (bin 0 for the first) to the
// start of burst i (length - 1 for the last), both included; a segment
// whose end lies before its start lasts 0 µs.
void findSegments(const BurstSet& set, CorrelationResult& table, std::uint32_t length, int step);

// Selects the segments that last longer than minSegmentUs and span at least
// 4 x step bins at calcBinWidthUs, so that every selected segment can be
// correlated; curveCount is their number, and the longest of them (the
// first of equals) gives longestSegmentUs and longestSegmentIndex.
void reselectSegments(CorrelationResult& table, int step);

// Moves the segment table (and minimum, bin widths and count) of `from`
// into `to`, leaving the curve of `to` alone.
void adoptSegmentTable(CorrelationResult& to, CorrelationResult& from);

} // namespace plask
