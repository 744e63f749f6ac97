#pragma once
// A photon selection in seconds and nanoseconds turned into a file's own
// time and microtime units.

#include "formats/photon_sink.h"
#include "formats/time_tags.h"

#include <optional>
#include <string>

namespace plask::formats {

struct TimeBase {
    Rational unit; // seconds per time unit
    std::optional<Rational> microtimeUnit; // seconds per microtime channel (T3 formats)
    std::uint32_t microtimeChannels = 0; // microtimes are below this
};

struct ResolvedSelection {
    UnitSelection units;
    std::uint64_t windowUnits = 0; // the window's duration in time units; 0: no window
    std::string error; // empty when the selection fits the file
};

[[nodiscard]] ResolvedSelection resolveSelection(const PhotonSelection& selection, const TimeBase& base);

// The message for a chosen channel without photons, or empty when every
// chosen channel has some.
[[nodiscard]] std::string missingChannelError(
    const PhotonSelection& selection, const std::array<std::uint64_t, channelSlots>& counts);

} // namespace plask::formats
