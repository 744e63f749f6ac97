#pragma once
// Loading a stream file in plask-cli exactly as the program's "Open" does,
// and the stream's summary for the JSON output.

#include "cli/cli_common.h"
#include "cli/cli_platform.h"
#include "core/app_state.h"

#include <optional>
#include <string>

namespace plask::cli {

// Settings as the program starts with them (plask.ini or --settings), with
// the control panel's bin width list set to `binWidthUs` when given. False
// after a message on stderr (unreadable settings, bin width not in the list).
[[nodiscard]] bool prepareSession(
    const CliRun& run, std::optional<double> binWidthUs, AppState& state, CliPlatform& platform);

// "Open " on a channel with the Open dialog answering `file`. False when the
// program refused it (its message is on stderr).
[[nodiscard]] bool openStreamFile(AppState& state, CliPlatform& platform, const std::string& file, int channel = 0);

// fileType, length, photons, duration, rateKHz, maxCount, minCount,
// binWidth, sourceResolution and the file's path.
[[nodiscard]] nlohmann::json streamSummary(const PhotonStream& stream);

} // namespace plask::cli
