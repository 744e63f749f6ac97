#pragma once
// The photons of a file as arrival times, for computations that work on the
// times themselves (photon-mode correlation) rather than on binned counts.
// Every photon file Plask reads answers this: correlator streams (.dat,
// whose clock ticks are time tags) and the time-tagged TCSPC formats.

#include "core/photon_selection.h"
#include "core/progress.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace plask::formats {

// A time unit in seconds as an exact fraction num / den.
struct Rational {
    std::uint64_t num = 0;
    std::uint64_t den = 1;
    [[nodiscard]] double seconds() const { return static_cast<double>(num) / static_cast<double>(den); }
    bool operator==(const Rational&) const = default;
};

// Which photons of a file make a stream (channels, gate, window).
using plask::PhotonSelection;

struct TimeTagLoad {
    std::vector<std::uint64_t> times; // sorted, in `unit`, counted from time zero (file start or window start)
    Rational unit; // seconds per time unit
    // Length of the record in units: the window's duration when a window was
    // chosen, otherwise the last photon's time + 1.
    std::uint64_t lengthUnits = 0;
    std::string format; // short description, e.g. "PTU HydraHarp v2 T3"
    std::string error; // empty on success; otherwise the message for the user
    [[nodiscard]] bool ok() const { return error.empty(); }
};

// Reads the selected photons' arrival times from any photon file Plask reads.
[[nodiscard]] TimeTagLoad readTimeTags(
    const std::string& path, const PhotonSelection& selection, Progress& progress = noProgress());

} // namespace plask::formats
