#include "view/burst_markers.h"

#include "view/navigator.h"

#include <algorithm>
#include <cstdio>

namespace plask {

namespace {
    // Bursts the set's arrays really hold.
    std::size_t usableBursts(const BurstSet& set)
    {
        std::size_t count = set.burstCount;
        for (const std::size_t capacity : { set.startBins.capacity(), set.endBins.capacity(), set.photons.capacity(),
                 set.peaks.capacity(), set.widths.capacity(), set.peakTimes.capacity() })
            count = std::min(count, capacity);
        return count;
    }

    // A burst measure as the panel shows it: truncated toward zero.
    unsigned truncated(double value)
    {
        return value > 0.0 && value < 4294967295.0 ? static_cast<unsigned>(value) : 0U;
    }
} // namespace

void placeBurstMarkers(AppState& state, int channel, BurstMarkerTable& table)
{
    table.clear();
    table.channel = channel;
    state.navigator.currentBurst = -1;
    const BurstSet& set = burstSetOf(state, channel);
    const NavigatorState& nav = state.navigator;
    const std::uint64_t firstBin = chartPointToBin(nav, 0);
    const std::uint64_t lastBin = chartPointToBin(nav, chartPoints - 1);
    const std::size_t bursts = usableBursts(set);
    for (std::size_t j = 0; j < bursts && table.markers.size() < maxBurstMarkers; ++j) {
        const std::uint32_t start = set.startBins[j];
        if (start < firstBin || start > lastBin)
            continue;
        const auto p = static_cast<std::uint32_t>(binToChartPoint(nav, start));
        const std::int64_t end = binToChartPoint(nav, std::max(set.endBins[j], start));
        const auto q = static_cast<std::uint32_t>(std::min<std::int64_t>(end, chartPoints - 1));
        table.markers.push_back({ p, q, q - (q - p) / 2, static_cast<std::uint32_t>(j) });
    }
}

std::optional<BurstCursor> stepBurst(AppState& state, const BurstMarkerTable& table, int command, int channel)
{
    if (channel < 0 || channel >= channelCount || state.burstDataPresent.at(static_cast<std::size_t>(channel)) == 0)
        return std::nullopt;
    if (table.channel != channel)
        return std::nullopt;
    std::int32_t& current = state.navigator.currentBurst;
    const auto lastMarker = static_cast<std::int32_t>(table.markers.size()) - 1;
    if (command == commandPreviousBurst && current > 0)
        --current;
    else if (command == commandNextBurst && current < lastMarker)
        ++current;
    current = std::min(current, lastMarker);
    if (current < 0)
        return std::nullopt;

    const BurstMarker& marker = table.markers[static_cast<std::size_t>(current)];
    const BurstSet& set = burstSetOf(state, channel);
    if (marker.burst >= usableBursts(set))
        return std::nullopt;
    const std::size_t j = marker.burst;
    BurstCursor cursor;
    cursor.point = marker.middlePoint;
    char text[160];
    std::snprintf(text, sizeof text, "%3.5f sec", set.peakTimes[j]);
    cursor.numberText = text;
    std::snprintf(text, sizeof text, "#%d: %u photons (Peak = %u)     Width = %u µs", static_cast<int>(j) + 1,
        truncated(set.photons[j]), truncated(set.peaks[j]), truncated(set.widths[j]));
    cursor.descriptionText = text;
    return cursor;
}

} // namespace plask
