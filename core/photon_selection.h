#pragma once
// Which photons of a time-tagged file make a stream, and what a file offers
// to choose from. Plain values shared by the readers, the Open workflow and
// the platform seam.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace plask {

struct PhotonSelection {
    std::vector<int> channels; // raw channel/routing numbers, merged; empty: every detector channel
    std::optional<double> gateFromNs; // microtime gate [from, to) in ns (T3 formats only)
    std::optional<double> gateToNs;
    std::optional<double> windowStartS; // time window; time zero is the window start
    std::optional<double> windowDurationS;
    std::string spcType; // .spc layout: "" (sniffed), "130", "600-4096" or "600-256"
    bool operator==(const PhotonSelection&) const = default;
};

struct PhotonChannelInfo {
    int channel = 0;
    std::uint64_t photons = 0;
    double rateHz = 0.0;
};

struct PhotonFileSummary;

// Scans the file again with another .spc layout (PhotonSelection::spcType):
// fills `into` and returns "", or returns the reader's message.
using PhotonFileRescan = std::function<std::string(const std::string& spcType, PhotonFileSummary& into)>;

// What the "Photon file" dialog shows before a load.
struct PhotonFileSummary {
    std::string path;
    std::string format; // e.g. "PTU HydraHarp v2 T3"
    std::string choiceKey; // the format the choice is remembered under: the one first sniffed
    std::vector<PhotonChannelInfo> channels; // channels with photons, in number order
    bool hasMicrotimes = false;
    double microtimeRangeNs = 0.0; // 0 when the file gives no microtime resolution
    double durationS = 0.0;
    std::string scanError; // why the file could not be read with its layout; then no channels
    PhotonFileRescan rescan; // .spc files; empty when the layout cannot be chosen
};

} // namespace plask
