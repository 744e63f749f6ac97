#pragma once
// A time-tag file's selected photons as a PhotonStream, as the Open workflow,
// the correlation commands and batch read it.

#include "core/photon_stream.h"
#include "core/platform.h"

#include <string>

namespace plask {

// Result code of a refused time-tag file whose message was shown.
inline constexpr int readTimeTagRefused = 7;

// Reads `path` with `stream.selection` at `binWidthUs` into `stream`
// (counts, length, photons, duration, rate, count range, bin width, source
// resolution). On failure shows the reason (owned by `owner`) and leaves the
// stream without counts; returns readOk, readNoMemory or readTimeTagRefused,
// or readCancelled (no message) when `progress` answered a cancel.
int readTimeTagStream(Platform& platform, Owner owner, const std::string& path, PhotonStream& stream, double binWidthUs,
    Progress& progress = noProgress());

} // namespace plask
