#pragma once
// The background level of a stream from the distribution of its counts.

#include "core/app_state.h"
#include "core/platform.h"
#include "core/progress.h"

#include <cstdint>
#include <optional>

namespace plask {

inline constexpr int commandEstimateBackground = 1140;

// trunc(m + sqrt(m)) for the most frequent count m (the smallest of equally
// frequent ones), counting the values 0..maxCount. Nothing without counts.
[[nodiscard]] std::optional<std::uint16_t> estimateBackground(const PhotonStream& stream);
// The same with progress; nothing also when `progress` answered a cancel.
[[nodiscard]] std::optional<std::uint16_t> estimateBackground(const PhotonStream& stream, Progress& progress);

// Estimates the level and puts it into the "Background Counts" setting and
// field; does nothing for a stream without counts.
void applyBackgroundEstimate(const PhotonStream& stream, AnalysisSettings& settings, Platform& platform);

// "Estimate Background" on the active channel.
void runEstimateBackground(AppState& state, Platform& platform);

} // namespace plask
