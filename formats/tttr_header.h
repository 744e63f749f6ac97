#pragma once
// What a time-tagged file's header says: the record layout, the time units
// and the counts it announces. One parser per family fills it.

#include "formats/time_tags.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace plask::formats {

enum class RecordLayout {
    none,
    picoHarpT2, // 28-bit time tag, 4-bit channel
    picoHarpT3, // 16-bit nsync, 12-bit dtime, 4-bit channel
    hydraT2v1, // 25-bit time tag, overflow of 33552000 per record
    hydraT2v2, // overflow records carry their count
    hydraT3v1, // 10-bit nsync, 15-bit dtime, 6-bit channel, special bit
    hydraT3v2,
    spc130, // 4-byte SPC-130/134/140/150/160/830 FIFO records
    spc600x4096, // 6-byte SPC-600/630 records, 4096 microtime channels
    spc600x256, // 4-byte SPC-600/630 records, 256 microtime channels
    photonHdf5, // datasets, decoded through libhdf5
};

// The layout of a .spc file cannot always be told from its bytes.
enum class SpcType { sniff, spc130, spc600x4096, spc600x256 };

struct TttrHeader {
    std::string format; // e.g. "PTU HydraHarp v2 T3"
    std::uint32_t recordType = 0; // the PTU record type code (legacy files: the code of the same records)
    RecordLayout layout = RecordLayout::none;
    bool t3 = false;
    Rational unit; // seconds per time unit: the sync period (T3) or the time tag resolution (T2)
    std::optional<Rational> microtimeUnit; // seconds per microtime channel, when the file says
    std::uint32_t microtimeChannels = 0;
    double syncRateHz = 0.0;
    std::size_t dataOffset = 0; // first record byte
    std::size_t recordBytes = 4;
    std::uint64_t announcedRecords = 0; // 0: the header does not say
    bool layoutGuessed = false; // sniffed, not stated (a .spc file without --spc-type)
    bool v1OverflowCountInField = false; // a v1.0 .ht3 file storing overflow counts in nsync
    std::string error;
};

// Parsers of the headers: PTU tags, legacy PicoHarp/HydraHarp binary
// headers, and the .spc header record. They only read `file`.
[[nodiscard]] TttrHeader parsePtuHeader(std::span<const std::uint8_t> file);
[[nodiscard]] TttrHeader parseLegacyPicoQuantHeader(std::span<const std::uint8_t> file);
[[nodiscard]] TttrHeader parseSpcHeader(std::span<const std::uint8_t> file, SpcType type);

// A resolution that no instrument has: not positive, or outside 1 fs .. 1 s.
[[nodiscard]] bool absurdResolution(const Rational& unit);

} // namespace plask::formats
