#pragma once
// One pass over a file's records: overflows, markers and photons, every
// photon handed to the sink with its absolute time, channel and microtime.

#include "core/progress.h"
#include "formats/photon_sink.h"
#include "formats/tttr_header.h"

#include <cstdint>
#include <functional>
#include <span>

namespace plask::formats {

struct DecodeStats {
    std::uint64_t records = 0;
    std::uint64_t overflowRecords = 0; // records that only carry overflows
    std::uint64_t markerRecords = 0;
    std::uint64_t invalidRecords = 0; // .spc records flagged invalid (not overflows, not markers)
    std::uint64_t gapRecords = 0; // .spc records flagged with lost data before them
    std::uint64_t endTime = 0; // the time reached by the last record, overflows included
    bool cancelled = false;
};

// Told before each block which bytes of the records come next (offset and
// length within the records), so that a mapped file can bring them in and
// let go of those already decoded.
using ReadingAt = std::function<void(std::size_t offset, std::size_t next)>;

// Decodes whole records of `records` (the file past its header) in the
// header's layout. Stops early when the sink sees time going backwards.
[[nodiscard]] DecodeStats decodeRecords(std::span<const std::uint8_t> records, const TttrHeader& header,
    PhotonSink& sink, Progress& progress, const ReadingAt& readingAt = {});

} // namespace plask::formats
