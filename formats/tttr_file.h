#pragma once
// Time-tagged TCSPC photon files: the table of formats Open sniffs with, the
// header facts and channel counts of a file, and its selected photons binned
// into a stream or collected as arrival times, in one pass.

#include "core/page_block.h"
#include "core/photon_selection.h"
#include "formats/photon_sink.h"
#include "formats/time_tags.h"
#include "formats/tttr_decode.h"
#include "formats/tttr_header.h"

#include <array>
#include <span>
#include <string>

namespace plask::formats {

enum class PhotonFileKind { none, photonCount, correlator, ptu, picoQuantLegacy, spc, photonHdf5 };

struct PhotonFormat {
    PhotonFileKind kind = PhotonFileKind::none;
    const char* filterName = ""; // the Open dialog's filter text
    const char* patterns = ""; // space-separated globs
};

// Every format Plask reads, in the order of the Open dialog's filters.
[[nodiscard]] std::span<const PhotonFormat> photonFormats();

// The kind of a file from its first bytes (and, for .spc, which has no
// magic, its extension).
[[nodiscard]] PhotonFileKind sniffPhotonFile(const std::string& path);
[[nodiscard]] bool isTimeTagKind(PhotonFileKind kind);

// "" sniffs; "130", "600-4096", "600-256" name a layout. Empty when unknown.
[[nodiscard]] std::optional<SpcType> spcTypeFromText(const std::string& text);

struct TttrScan {
    TttrHeader header;
    DecodeStats stats;
    std::array<std::uint64_t, channelSlots> channelCounts {}; // by channel + 1, the whole file
    std::uint64_t recordsInFile = 0;
    std::string error; // empty on success
    [[nodiscard]] bool ok() const { return error.empty(); }
    [[nodiscard]] double durationS() const { return static_cast<double>(stats.endTime) * header.unit.seconds(); }
};

struct TttrStream {
    TttrScan scan;
    PageArray<std::uint16_t> counts;
    std::uint64_t bins = 0;
    std::uint64_t photons = 0; // photons kept by the selection
    std::uint64_t lengthUnits = 0; // the stream's length in time units
};

// Header and per-channel counts of the whole file (no selection).
[[nodiscard]] TttrScan scanTttrFile(const std::string& path, const std::string& spcType, Progress& progress = noProgress());

// The selected photons binned at `binWidthUs` (a list value, 0.1 µs steps).
[[nodiscard]] TttrStream loadTttrStream(const std::string& path, const PhotonSelection& selection, double binWidthUs,
    Progress& progress = noProgress());

// readTimeTags for the time-tagged formats.
[[nodiscard]] TimeTagLoad readTttrTimeTags(const std::string& path, const PhotonSelection& selection, Progress& progress);

// The dialog's view of a scanned file; a failed scan gives its message and no channels.
[[nodiscard]] PhotonFileSummary summaryOf(const std::string& path, const TttrScan& scan);

} // namespace plask::formats
