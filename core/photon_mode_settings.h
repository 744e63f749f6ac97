#pragma once
// The desktop program's photon-mode choices for the correlation commands:
// on a stream whose photons carry arrival times (.dat and time-tagged files)
// the correlation can run on those times instead of on binned counts. Kept in
// the application state for the session only: "plask.ini" has a fixed layout
// that holds no such fields.

#include <optional>

namespace plask {

struct PhotonModeSettings {
    bool enabled = false;
    std::optional<double> minLagNs; // nothing: one time unit of the file
    std::optional<double> maxLagMs; // nothing: a tenth of the record
    int parts = 10; // equal parts for the standard error; 1: none
    bool operator==(const PhotonModeSettings&) const = default;
};

} // namespace plask
