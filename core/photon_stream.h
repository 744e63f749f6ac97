#pragma once
// One channel's photon stream: counts per bin and what was learnt at load.

#include "core/page_block.h"
#include "core/photon_selection.h"

#include <cstdint>
#include <span>
#include <string>

namespace plask {

enum FileType : std::uint32_t {
    fileTypeNone = 0,
    fileTypePhotonCount = 1, // .phc
    fileTypeCorrelator = 2, // .dat
    fileTypeTimeTagged = 3, // TCSPC time-tag files (.ptu, .pt3, .ht3, .pt2, .ht2, .spc, .h5)
};

struct PhotonStream {
    std::string filePath; // full path as the Open dialog returned it
    std::string fileTitle; // file name without directory
    std::uint32_t fileType = fileTypeNone;
    std::string fileFormat; // time-tag files: the format as read, e.g. "PTU HydraHarp v2 T3"
    std::uint32_t phcEncoding = 0; // packing type of a loaded .phc file
    std::uint32_t phcHeaderByte3 = 0; // carried through load and save unchanged
    std::uint32_t smoothPasses = 0;
    std::uint32_t length = 0; // bins in use (may be below the counts capacity)
    std::uint32_t backgroundStart = 0;
    std::uint32_t backgroundEnd = 0;
    std::uint32_t regionStart = 0;
    std::int32_t regionEnd = 0;
    std::uint16_t maxCount = 0;
    std::uint16_t minCount = 0;
    double rateKHz = 0.0;
    double binWidth = 0.0; // µs
    double sourceResolution = 0.0; // µs: clock period, or the stored .phc bin width
    double duration = 0.0; // s
    double photons = 0.0;
    double backgroundMean = 0.0;
    double backgroundSd = 0.0;
    PhotonSelection selection; // the photons of a time-tag file this stream holds
    PageArray<std::uint16_t> counts; // empty while the channel is empty

    [[nodiscard]] std::span<std::uint16_t> bins() const { return counts.first(length); }
};

struct CountRange {
    std::uint16_t max = 0;
    std::uint16_t min = 0;
    std::uint32_t sum = 0; // wraps modulo 2^32
};

// Scans n >= 1 bins; bin 0 is both the first maximum and the first minimum.
[[nodiscard]] CountRange countRange(std::span<const std::uint16_t> counts);

// The sum of the counts, without wrapping.
[[nodiscard]] std::uint64_t countTotal(std::span<const std::uint16_t> counts);

// Frees the counts and clears what described them. Returns 2 (and changes
// nothing) when the stream holds no counts, 0 otherwise. filePath, minCount,
// the region, the background fields and the .phc header fields are kept.
int releaseStream(PhotonStream& stream);

// What releaseStream would leave of `stream`, as a new record without
// counts; `stream` itself is not touched.
[[nodiscard]] PhotonStream releasedCopy(const PhotonStream& stream);

} // namespace plask
