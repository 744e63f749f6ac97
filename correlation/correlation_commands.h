#pragma once
// "Autocorrelation" and "Cross-Correlation": the correlation curve of the
// selected region, from the data in memory or from the file read again at
// the correlation bin width.

#include "core/app_state.h"
#include "core/platform.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace plask {

inline constexpr int commandAutocorrelation = 40024;
inline constexpr int commandCrossCorrelation = 40041;

inline constexpr std::string_view analyzeErrorCaption = "Analyze Error";
inline constexpr std::string_view memoryErrorText = "Could not reserve needed memory.";
inline constexpr std::string_view memoryErrorCaption = "Memory Error";

// Autocorrelation of the channel's region, filed in the channel's slot.
void autocorrelationCommand(AppState& state, Platform& platform, int channel);

// Cross-correlation of the channel's region: undelayed values from the
// channel's stream, delayed ones from PS1. With PS1 active it is PS1's
// autocorrelation, filed as a cross-correlation. The region is clipped to
// the shorter of the two streams.
void crossCorrelationCommand(AppState& state, Platform& platform, int channel);

// Clips bins first ... last to both streams; false after a message when
// fewer than 4 x step bins remain.
[[nodiscard]] bool fitRegion(Platform& platform, const PhotonStream& direct, const PhotonStream& delayed,
    std::int64_t& first, std::int64_t& last, int step, double calcBinWidthUs);

// Prepares the result for a fitted region, allocates it and correlates;
// `direct` and `delayed` may be one stream. Returns the computing time (also
// kept in the result), or nothing after the memory message, the slot then
// holding no curve; nothing without a message when `progress` cancelled.
[[nodiscard]] std::optional<double> correlateRegion(Platform& platform, CorrelationResult& result,
    const PhotonStream& direct, const PhotonStream& delayed, std::uint32_t first, std::uint32_t last, int step,
    double calcBinWidthUs, Progress& progress = noProgress());

// Shows the memory message and leaves the slot without a curve.
void dropCurveForMemory(Platform& platform, CorrelationResult& result);

} // namespace plask
