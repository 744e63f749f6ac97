#pragma once
// The burst markers of the trace chart and the burst navigator that steps a
// cursor through them.

#include "core/app_state.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace plask {

inline constexpr std::size_t maxBurstMarkers = 10000;
inline constexpr int commandPreviousBurst = 1085;
inline constexpr int commandNextBurst = 1086;

// One burst of the current segment, in chart points.
struct BurstMarker {
    std::uint32_t startPoint = 0;
    std::uint32_t endPoint = 0; // clamped to the segment's last point
    std::uint32_t middlePoint = 0; // the cursor's place: the middle, rounded toward the end
    std::uint32_t burst = 0; // index into the channel's BurstSet
};

// The markers placed by the last redraw, for one channel only.
struct BurstMarkerTable {
    int channel = -1; // channel the markers belong to; -1 when none are placed
    std::vector<BurstMarker> markers;

    BurstMarkerTable() { markers.reserve(maxBurstMarkers); }
    void clear()
    {
        channel = -1;
        markers.clear();
    }
};

// Rebuilds the table from the channel's bursts that start inside the current
// segment (the first 10000, in stored order) and puts the navigator before
// the first of them.
void placeBurstMarkers(AppState& state, int channel, BurstMarkerTable& table);

// What the burst navigator shows for the current burst.
struct BurstCursor {
    std::uint32_t point = 0; // chart point of the cursor marker
    std::string numberText; // "%3.5f sec" of the peak time
    std::string descriptionText; // "#%d: %u photons (Peak = %u)     Width = %u µs"
};

// Moves the navigator: 1085 to the previous marker, 1086 to the next (both
// stop at the ends), any other command stays. Returns the burst now current,
// or nothing when the channel has no burst results or the table holds no
// markers of that channel.
std::optional<BurstCursor> stepBurst(AppState& state, const BurstMarkerTable& table, int command, int channel);

} // namespace plask
