#include "view/navigator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace plask {

namespace {
    constexpr double lnTwoRoundedUp = 0.69314718056;
    constexpr std::uint64_t pointsPerSegment = static_cast<std::uint64_t>(chartPoints);
} // namespace

std::uint16_t zoomMaxFor(std::uint32_t displayLength)
{
    if (displayLength <= minimumStreamLength)
        return 0;
    const double steps = std::ceil(std::log(static_cast<double>(displayLength) / 1000.0) / lnTwoRoundedUp);
    return static_cast<std::uint16_t>(steps);
}

std::uint16_t lowestZoomStep(const NavigatorState& navigator) { return navigator.zoomMax == 0 ? 0 : 1; }

void resetZoom(AppState& state)
{
    state.navigator.zoomMax = zoomMaxFor(state.display.displayLength);
    state.navigator.zoomStep = lowestZoomStep(state.navigator);
}

void applyZoom(AppState& state, int zoomStep)
{
    NavigatorState& nav = state.navigator;
    const int step = std::clamp(zoomStep, static_cast<int>(lowestZoomStep(nav)), static_cast<int>(nav.zoomMax));
    nav.zoomStep = static_cast<std::uint16_t>(step);

    const std::uint32_t n = state.display.displayLength;
    const double perPoint = (static_cast<double>(n) / 1000.0) / std::ldexp(1.0, nav.zoomMax - step);
    nav.binsPerChartPoint = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(perPoint));

    const std::uint64_t binsPerSegment = static_cast<std::uint64_t>(nav.binsPerChartPoint) * pointsPerSegment;
    // A stream shorter than one segment (nothing loaded) still counts as one.
    nav.segmentsInStream = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(n / binsPerSegment));
    nav.segmentTime = static_cast<double>(binsPerSegment) * state.display.displayBinWidth * 1e-6;
    nav.segmentFraction = state.display.totalTime > 0.0 ? nav.segmentTime / state.display.totalTime : 0.0;
    nav.currentSegment = 0;
    nav.panBins = 0;
}

std::string segmentTimeText(const NavigatorState& navigator)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g s (%2.2f%%)", navigator.segmentTime, navigator.segmentFraction * 100.0);
    return text;
}

std::string segmentNumberText(const NavigatorState& navigator)
{
    return std::to_string(static_cast<std::uint64_t>(navigator.currentSegment) + 1);
}

std::uint32_t segmentPageSize(std::uint32_t segmentsInStream)
{
    return segmentsInStream >= 20 ? segmentsInStream / 10 : 1;
}

void selectSegment(AppState& state, std::uint32_t segment)
{
    NavigatorState& nav = state.navigator;
    nav.currentSegment = std::min(segment, nav.segmentsInStream > 0 ? nav.segmentsInStream - 1 : 0);
    nav.panBins = 0;
}

std::optional<std::uint32_t> steppedSegment(const NavigatorState& navigator, int command)
{
    if (command == commandNextSegment && navigator.currentSegment + 1 < navigator.segmentsInStream)
        return navigator.currentSegment + 1;
    if (command == commandPreviousSegment && navigator.currentSegment > 0)
        return navigator.currentSegment - 1;
    return std::nullopt;
}

std::uint64_t firstVisibleBin(const NavigatorState& navigator)
{
    return pointsPerSegment * navigator.currentSegment * navigator.binsPerChartPoint + navigator.panBins;
}

std::uint64_t chartPointToBin(const NavigatorState& navigator, std::uint32_t point)
{
    return firstVisibleBin(navigator) + static_cast<std::uint64_t>(point) * navigator.binsPerChartPoint;
}

std::int64_t binToChartPoint(const NavigatorState& navigator, std::uint64_t bin)
{
    const auto perPoint = static_cast<std::int64_t>(navigator.binsPerChartPoint);
    const auto firstBin = static_cast<std::int64_t>(firstVisibleBin(navigator));
    const std::int64_t offset = static_cast<std::int64_t>(bin) - firstBin;
    // Floor division so bins before the segment map below 0.
    return offset >= 0 ? offset / perPoint : -((-offset + perPoint - 1) / perPoint);
}

} // namespace plask
