#include "view/trace_selection.h"

#include "view/navigator.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace plask {

namespace {
    struct BinRange {
        std::uint64_t first = 0;
        std::uint64_t last = 0;
    };

    // First bins of the chart points a and b (in either order) of the current segment.
    BinRange binsBetween(const NavigatorState& nav, std::uint32_t a, std::uint32_t b)
    {
        return { chartPointToBin(nav, std::min(a, b)), chartPointToBin(nav, std::max(a, b)) };
    }

    std::uint32_t toBinIndex(std::uint64_t bin)
    {
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(bin, std::numeric_limits<std::uint32_t>::max()));
    }
} // namespace

SelectionOutcome selectionClick(AppState& state, TraceSelection& selection, SelectionClick click, std::uint32_t point)
{
    if (state.selectionMode == SelectionMode::none)
        return SelectionOutcome::none;
    point = std::min<std::uint32_t>(point, chartPoints - 1);
    (click == SelectionClick::start ? selection.startPoint : selection.endPoint) = point;
    if (state.selectionMode == SelectionMode::background) {
        return selectBackgroundRegion(state, selection.startPoint, selection.endPoint) ? SelectionOutcome::backgroundRegion
                                                                                        : SelectionOutcome::none;
    }
    selectFcsRegion(state, selection.startPoint, selection.endPoint);
    return SelectionOutcome::fcsRegion;
}

void selectFcsRegion(AppState& state, std::uint32_t a, std::uint32_t b)
{
    const BinRange bins = binsBetween(state.navigator, a, b);
    PhotonStream& stream = streamOf(state, state.activeChannel);
    stream.regionStart = toBinIndex(bins.first);
    stream.regionEnd = static_cast<std::int32_t>(
        std::min<std::uint64_t>(bins.last, static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())));
}

bool selectBackgroundRegion(AppState& state, std::uint32_t a, std::uint32_t b)
{
    const int channel = state.activeChannel;
    PhotonStream& stream = streamOf(state, channel);
    if (!isLoaded(state, channel) || stream.length == 0 || stream.counts.empty())
        return false;
    const BinRange bins = binsBetween(state.navigator, a, b);
    stream.backgroundStart = toBinIndex(bins.first);
    stream.backgroundEnd = toBinIndex(bins.last);
    regionMeanSd(stream);
    state.settings().backgroundCounts = static_cast<std::int32_t>(std::trunc(stream.backgroundMean));
    return true;
}

void regionMeanSd(PhotonStream& stream)
{
    stream.backgroundMean = 0.0;
    stream.backgroundSd = 0.0;
    if (stream.length == 0 || stream.counts.empty() || stream.backgroundStart >= stream.length)
        return;
    const std::uint32_t last = std::min(stream.backgroundEnd, stream.length - 1);
    if (last < stream.backgroundStart)
        return;
    const std::span<const std::uint16_t> bins
        = stream.bins().subspan(stream.backgroundStart, std::size_t { last } - stream.backgroundStart + 1);
    const auto n = static_cast<double>(bins.size());
    double sum = 0.0;
    for (const std::uint16_t count : bins)
        sum += count;
    const double mean = sum / n;
    double squares = 0.0;
    for (const std::uint16_t count : bins)
        squares += (mean - count) * (mean - count);
    stream.backgroundMean = mean;
    stream.backgroundSd = std::sqrt(squares / n);
}

} // namespace plask
