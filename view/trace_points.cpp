#include "view/trace_points.h"

#include "view/axis_range.h"
#include "view/navigator.h"

#include <algorithm>

namespace plask {

std::uint64_t sumOfBins(std::span<const std::uint16_t> bins)
{
    // 65537 counts of at most 65535 fit a 32-bit sum; the narrow inner sum vectorises well.
    constexpr std::size_t chunk = 65536;
    std::uint64_t total = 0;
    for (std::size_t start = 0; start < bins.size(); start += chunk) {
        const std::size_t end = std::min(bins.size(), start + chunk);
        std::uint32_t partial = 0;
        for (std::size_t i = start; i < end; ++i)
            partial += bins[i];
        total += partial;
    }
    return total;
}

void thinCounts(std::span<const std::uint16_t> bins, std::uint32_t binsPerPoint, std::int32_t displayMode,
    std::span<double> points)
{
    const std::size_t n = binsPerPoint;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const std::span<const std::uint16_t> group = bins.subspan(i * n, n);
        switch (displayMode) {
        case displayAverage:
            points[i] = static_cast<double>(sumOfBins(group) / n);
            break;
        case displaySum:
            points[i] = static_cast<double>(sumOfBins(group));
            break;
        default:
            points[i] = group.front();
            break;
        }
    }
}

bool segmentInsideData(const AppState& state)
{
    const NavigatorState& nav = state.navigator;
    const std::uint64_t needed = firstVisibleBin(nav) + static_cast<std::uint64_t>(nav.binsPerChartPoint) * chartPoints;
    return nav.binsPerChartPoint > 0 && needed <= state.display.displayLength;
}

bool fillTraceBuffers(const AppState& state, TraceBuffers& buffers)
{
    return fillTraceBuffers(state, buffers, ChannelEnvelopes {});
}

bool fillTraceBuffers(const AppState& state, TraceBuffers& buffers, const ChannelEnvelopes& envelopes)
{
    if (!segmentInsideData(state))
        return false;
    const NavigatorState& nav = state.navigator;
    const std::uint64_t perPoint = nav.binsPerChartPoint;
    const std::uint64_t firstBin = firstVisibleBin(nav);
    const std::uint64_t binsShown = perPoint * chartPoints;

    for (int channel = 0; channel < channelCount; ++channel) {
        std::array<double, chartPoints>& points = buffers.counts.at(static_cast<std::size_t>(channel));
        const PhotonStream& stream = state.streams.at(static_cast<std::size_t>(channel));
        // A stream never holds fewer bins than are displayed; stay inside its counts all the same.
        if (!isLoaded(state, channel) || firstBin + binsShown > stream.length || stream.counts.empty()) {
            points.fill(0.0);
            continue;
        }
        const TraceEnvelope* envelope = envelopes.at(static_cast<std::size_t>(channel));
        if (envelope != nullptr && envelope->describes(stream.bins()))
            envelope->thin(stream.bins(), firstBin, nav.binsPerChartPoint, state.currentDisplayMode, points);
        else
            thinCounts(stream.bins().subspan(firstBin, binsShown), nav.binsPerChartPoint, state.currentDisplayMode, points);
    }
    const double secondsPerBin = state.display.displayBinWidth * 1e-6;
    for (std::size_t i = 0; i < buffers.time.size(); ++i)
        buffers.time[i] = static_cast<double>(firstBin + i * perPoint) * secondsPerBin;
    return true;
}

double traceTop(const AppState& state, const TraceBuffers& buffers)
{
    double top = 0.0;
    if (state.settings().autoscaleY != 0) {
        for (int channel = 0; channel < channelCount; ++channel) {
            if (!isLoaded(state, channel))
                continue;
            const auto& points = buffers.counts.at(static_cast<std::size_t>(channel));
            top = std::max(top, *std::max_element(points.begin(), points.end()));
        }
        top = tidyAxisRange(0.0, top).max;
    } else {
        top = std::max(state.streams[0].maxCount, state.streams[1].maxCount);
    }
    return std::max(top, 1.0);
}

} // namespace plask
