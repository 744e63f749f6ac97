#pragma once
// Autocorrelation and two-channel cross-correlation in photon mode: the
// photons' arrival times are read from the stream's file again and
// correlated from the minimum lag up, with the standard error from equal
// parts. The curve is filed in the slot's photon-mode curve, which the
// results window then shows instead of the binned curve.

#include "core/app_state.h"
#include "core/correlation_result.h"
#include "core/platform.h"
#include "correlation/photon_correlation_file.h"
#include "correlation/photon_correlator.h"

#include <string>

namespace plask {

struct PhotonModeCurve {
    PhotonCorrelation curve;
    PhotonCorrelationRun run; // what the CSV file says about the run
    std::uint32_t kind = correlationAuto; // correlationAuto or correlationCross
    std::string title; // the chart's title
    double elapsedSeconds = 0.0;
};

// True when the stream's photons carry arrival times: a .dat or a
// time-tagged file, not a .phc of counts.
[[nodiscard]] bool hasArrivalTimes(const PhotonStream& stream);

// Whether photon mode can serve the command on `channel`: its stream (and
// for a cross-correlation PS1's too) has arrival times.
[[nodiscard]] bool photonModeOffered(const AppState& state, int channel, CorrelationKind kind);

// Runs the photon-mode correlation of the channel's region as a job. Errors
// are messages; a cancel leaves the slot as it was.
void photonCorrelationCommand(AppState& state, Platform& platform, int channel, CorrelationKind kind);

// The photons chosen as the CSV file describes them, in the form plask-cli's
// options take: "all" or "C[,C...]"; "LO:HI ns" or "none"; "START:DURATION s"
// or "whole record".
[[nodiscard]] std::string channelsText(const PhotonSelection& selection);
[[nodiscard]] std::string gateText(const PhotonSelection& selection);
[[nodiscard]] std::string windowText(const PhotonSelection& selection);

} // namespace plask
