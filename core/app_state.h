#pragma once
// Every process-wide record of the program in one place. The program's main
// owns one AppState and passes it down; tests make a fresh one.

#include "core/burst_histogram.h"
#include "core/burst_set.h"
#include "core/correlation_result.h"
#include "core/pch_result.h"
#include "core/photon_mode_settings.h"
#include "core/photon_stream.h"
#include "core/settings_file.h"

#include <array>
#include <map>
#include <memory>
#include <string>
#include <cstdint>
#include <string>

namespace plask {

// A photon-mode correlation curve with the description of its run; defined
// with the photon-mode command (correlation/photon_correlation_command.h).
struct PhotonModeCurve;

inline constexpr int channelCount = 2;
inline constexpr int chartPoints = 1000;
inline constexpr std::uint32_t minimumStreamLength = 1000;

enum class SelectionMode { none, background, region };

// What the trace chart and its navigator show.
struct DisplayState {
    std::uint32_t displayLength = 0; // bins shown: the shorter loaded stream
    double displayBinWidth = 0.0; // µs, for time axes
    double totalTime = 0.0; // s
};

// Zoom and segment arithmetic of the stream navigator.
struct NavigatorState {
    std::uint16_t zoomMax = 0;
    std::uint16_t zoomStep = 0;
    std::uint32_t binsPerChartPoint = 1;
    std::uint32_t segmentsInStream = 1;
    std::uint32_t currentSegment = 0;
    std::uint32_t panBins = 0; // bins the view starts after its segment's first bin (mouse pan)
    double segmentTime = 0.0;
    double segmentFraction = 0.0;
    std::int32_t currentBurst = -1; // burst navigator position; -1 before the first step
};

struct AppState {
    SettingsStore store; // the settings and the folder "plask.ini" lives in
    std::array<PhotonStream, channelCount> streams;
    std::array<BurstSet, channelCount> burstSets;
    std::array<CorrelationResult, channelCount> correlations;
    // The photon-mode curve of a slot, shown instead of the binned curve
    // until the next binned run into that slot; empty otherwise.
    std::array<std::shared_ptr<const PhotonModeCurve>, channelCount> photonCurves;
    PhotonModeSettings photonMode; // FCS Setup's "Photon mode" fields
    std::array<BurstHistogram, 3> histograms;
    PchResult pch;
    std::map<std::string, PhotonSelection> photonChoices; // the last "Photon file" choice per format
    PhotonSelection photonPreset; // the choice the next Open of a time-tag file starts from (plask-cli options)

    std::array<std::int32_t, channelCount> loadedFlags {};
    std::array<std::int32_t, channelCount> burstDataPresent {};
    std::array<std::int32_t, channelCount> burstDataSaved {};
    double loadedBinWidth = 0.0; // µs shared by the data in memory; 0 when none
    std::int32_t activeChannel = 0;

    DisplayState display;
    NavigatorState navigator;
    SelectionMode selectionMode = SelectionMode::none;
    bool resultsShown = false;
    bool showMarkers = true;
    std::int32_t currentDisplayMode = displaySinglePoint;
    // The batch processor's status log: every line of the program's lifetime, CR LF ends.
    std::string batchLog;

    AnalysisSettings& settings() { return store.settings; }
    const AnalysisSettings& settings() const { return store.settings; }
};

// Brings the shell values that derive from the settings up to date, as at
// start-up: display mode, bin width for time axes, bleed-through factors.
void initialiseShellState(AppState& state);

[[nodiscard]] inline PhotonStream& streamOf(AppState& state, int channel) { return state.streams.at(static_cast<std::size_t>(channel)); }
[[nodiscard]] inline BurstSet& burstSetOf(AppState& state, int channel) { return state.burstSets.at(static_cast<std::size_t>(channel)); }
[[nodiscard]] inline CorrelationResult& correlationOf(AppState& state, int channel)
{
    return state.correlations.at(static_cast<std::size_t>(channel));
}
[[nodiscard]] inline bool isLoaded(const AppState& state, int channel)
{
    return state.loadedFlags.at(static_cast<std::size_t>(channel)) != 0;
}
[[nodiscard]] inline int otherChannel(int channel) { return channel == 0 ? 1 : 0; }

} // namespace plask
