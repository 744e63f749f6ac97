#include "analysis/background.h"

#include "analysis/count_values.h"

#include <algorithm>
#include <cmath>

namespace plask {

std::optional<std::uint16_t> estimateBackground(const PhotonStream& stream)
{
    return estimateBackground(stream, noProgress());
}

std::optional<std::uint16_t> estimateBackground(const PhotonStream& stream, Progress& progress)
{
    if (!stream.counts)
        return std::nullopt;
    const std::optional<std::vector<std::uint64_t>> counted
        = tallyCountValues(stream.bins(), stream.maxCount, progress);
    if (!counted)
        return std::nullopt;
    const std::vector<std::uint64_t>& tally = *counted;
    // max_element keeps the first of equal frequencies: the smallest value.
    const auto mode = static_cast<double>(std::max_element(tally.begin(), tally.end()) - tally.begin());
    return static_cast<std::uint16_t>(std::min(std::trunc(mode + std::sqrt(mode)), 65535.0));
}

void applyBackgroundEstimate(const PhotonStream& stream, AnalysisSettings& settings, Platform& platform)
{
    const std::optional<std::uint16_t> level = estimateBackground(stream);
    if (!level)
        return;
    settings.backgroundCounts = *level;
    platform.showStreamInfo();
}

void runEstimateBackground(AppState& state, Platform& platform)
{
    // The tally runs on the worker; the setting changes only when it ended.
    const PhotonStream& stream = streamOf(state, state.activeChannel);
    std::optional<std::uint16_t> level;
    const JobOutcome outcome = platform.runJob(
        "Estimate Background", [&](Progress& progress) { level = estimateBackground(stream, progress); });
    if (outcome == JobOutcome::cancelled || !level)
        return;
    state.settings().backgroundCounts = *level;
    platform.showStreamInfo();
}

} // namespace plask
