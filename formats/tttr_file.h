#pragma once
// Time-tagged TCSPC photon files: which format a file is, its header facts,
// and its photons binned into a stream or collected as arrival times.

#include "formats/time_tags.h"

#include <string>

namespace plask::formats {

// readTimeTags for the time-tagged formats.
[[nodiscard]] TimeTagLoad readTttrTimeTags(const std::string& path, const PhotonSelection& selection, Progress& progress);

} // namespace plask::formats
