#pragma once
// Puts counts into a channel as a load would, without a file.

#include "core/app_state.h"
#include "view/navigator.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace plask::testing {

inline void loadCounts(AppState& state, int channel, const std::vector<std::uint16_t>& counts, double binWidthUs = 1.0)
{
    PhotonStream& stream = streamOf(state, channel);
    stream.counts = PageArray<std::uint16_t>::allocate(counts.size());
    std::copy(counts.begin(), counts.end(), stream.counts.data());
    stream.length = static_cast<std::uint32_t>(counts.size());
    stream.binWidth = binWidthUs;
    const CountRange range = countRange(counts);
    stream.maxCount = range.max;
    stream.minCount = range.min;
    stream.regionStart = 0;
    stream.regionEnd = static_cast<std::int32_t>(counts.size()) - 1;
    state.loadedFlags.at(static_cast<std::size_t>(channel)) = 1;
    state.activeChannel = channel;
    std::uint32_t shortest = stream.length;
    if (isLoaded(state, otherChannel(channel)))
        shortest = std::min(shortest, streamOf(state, otherChannel(channel)).length);
    state.display.displayLength = shortest;
    state.display.displayBinWidth = binWidthUs;
    state.display.totalTime = binWidthUs * shortest * 1e-6;
    state.loadedBinWidth = binWidthUs;
    resetZoom(state);
    applyZoom(state, state.navigator.zoomStep);
}

} // namespace plask::testing
