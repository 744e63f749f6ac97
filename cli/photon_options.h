#pragma once
// The options that pick the photons of a time-tag file, shared by every
// command that reads a stream file: --channel, --gate, --window, --spc-type
// (and --cross-channel where a second stream is read).

#include "core/app_state.h"
#include "core/photon_selection.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace plask::cli {

struct PhotonOptions {
    std::string channel; // C[,C...]
    std::string gate; // LO:HI in ns
    std::string window; // START:DURATION in s
    std::string spcType;
    std::string crossChannel; // the other stream's channels (fcs --cross)
};

void addPhotonOptions(CLI::App& command, PhotonOptions& options, bool withCrossChannel = false);

// Only --channel, --gate and --window (the batch job's choice for each of its files).
void addPhotonChoiceOptions(CLI::App& command, PhotonOptions& options);

// The selection the options describe, with `--cross-channel` in place of
// `--channel` when `forCross`. Empty after a message on stderr.
[[nodiscard]] std::optional<PhotonSelection> photonSelectionFrom(const PhotonOptions& options, bool forCross = false);

// Sets the choice the next Open makes for a time-tag file. False after a message.
[[nodiscard]] bool applyPhotonOptions(const PhotonOptions& options, AppState& state, bool forCross = false);

// format, recordType, resolutionSeconds, microtimeResolutionSeconds,
// syncRateHz, recordCount, overflowCount, markerCount and channels of a
// time-tag file (the whole file, whatever the selection).
void addTimeTagFacts(nlohmann::json& summary, const PhotonStream& stream);

// Adds the photon choice as typed (channel, gate, window, spcType and, with
// `withCross`, crossChannel) to the summary's "parameters": which photons
// made the stream is part of what produced the result.
void addPhotonParameters(nlohmann::json& summary, const PhotonOptions& options, bool withCross = false);

} // namespace plask::cli
