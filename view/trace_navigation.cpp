#include "view/trace_navigation.h"

#include "view/navigator.h"

#include <algorithm>
#include <cmath>

namespace plask {

std::uint64_t visibleBinCount(const NavigatorState& navigator)
{
    return static_cast<std::uint64_t>(navigator.binsPerChartPoint) * chartPoints;
}

void showFromBin(AppState& state, std::int64_t firstBin)
{
    NavigatorState& nav = state.navigator;
    const std::uint64_t shown = visibleBinCount(nav);
    const std::uint64_t length = state.display.displayLength;
    const std::uint64_t lastStart = length > shown ? length - shown : 0;
    const std::uint64_t first = std::min(static_cast<std::uint64_t>(std::max<std::int64_t>(firstBin, 0)), lastStart);
    const std::uint64_t lastSegment = nav.segmentsInStream > 0 ? nav.segmentsInStream - 1 : 0;
    const std::uint64_t segment = std::min(first / shown, lastSegment);
    nav.currentSegment = static_cast<std::uint32_t>(segment);
    // Below one segment past the last whole one, so it fits the pan field.
    nav.panBins = static_cast<std::uint32_t>(first - segment * shown);
}

void panByBins(AppState& state, std::int64_t bins)
{
    showFromBin(state, static_cast<std::int64_t>(firstVisibleBin(state.navigator)) + bins);
}

void zoomAround(AppState& state, int steps, double fraction)
{
    fraction = std::clamp(fraction, 0.0, 1.0);
    const double anchor = static_cast<double>(firstVisibleBin(state.navigator))
        + fraction * static_cast<double>(visibleBinCount(state.navigator));
    applyZoom(state, state.navigator.zoomStep + steps);
    const double first = anchor - fraction * static_cast<double>(visibleBinCount(state.navigator));
    showFromBin(state, static_cast<std::int64_t>(std::llround(first)));
}

void showWholeRecording(AppState& state) { applyZoom(state, state.navigator.zoomMax); }

} // namespace plask
