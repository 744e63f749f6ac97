#pragma once
// The "Burst Analysis" command and the run behind it, shared with the batch
// processor.

#include "analysis/burst_histograms.h"
#include "core/app_state.h"
#include "core/platform.h"

namespace plask {

inline constexpr int commandBurstAnalysis = 40016;

// The per-bin background taken off each burst's photons when "Bkgd sub." is
// on: the mean over a background region picked on the trace when there is
// one, else the run's "Background Counts".
[[nodiscard]] double backgroundPerBinFor(const PhotonStream& stream, const AnalysisSettings& settings);

// The run with settings already in hand: copies the parameters into the set,
// finds the bursts, computes statistics and histograms (announcing each
// histogram) and the peak statistics. Returns 0, or a code with a text in
// burstMessageText. A negative sub-minimum or minimum photon count is refused
// before anything changes.
[[nodiscard]] int measureBursts(const PhotonStream& stream, BurstSet& set, const AnalysisSettings& settings,
    BurstHistograms& histograms, Platform& platform, Progress& progress = noProgress());

// The run as the program performs it: ends a pending background selection,
// takes the control panel into the settings, measures, marks the channel's
// result present and unsaved when `set` is that channel's own, and refreshes
// the statistics panel of the active channel. The search runs as a job into
// scratch data: burstCancelled leaves the set and the histograms as they were,
// and so do the codes of a run that could not start (memory, no trigger,
// refused parameters).
[[nodiscard]] int analyseBursts(AppState& state, Platform& platform, const PhotonStream& stream, BurstSet& set,
    int channel);

// "Burst Analysis" on the active channel.
void runBurstAnalysis(AppState& state, Platform& platform);

} // namespace plask
