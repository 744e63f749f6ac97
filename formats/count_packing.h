#pragma once
// The packings of a photon count file's bins. Packing types 3, 4 and 5 hold
// one run per byte: the count in the low 4, 5 or 6 bits, the run length (1 to
// 16, 8 or 4; the cap is stored as 0) in the bits above. Type 8 holds one
// little-endian u16 per bin. These loops touch every bin, apart from the
// file's header, so they live in a file of their own.

#include "core/progress.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace plask {

enum PhcPacking : std::uint8_t {
    phcPackNibble = 3, // counts below 16, runs up to 16
    phcPackFiveBits = 4, // counts below 32, runs up to 8
    phcPackSixBits = 5, // counts below 64, runs up to 4
    phcPackWords = 8, // any count, one u16 per bin
};

// Bits of the count in one packed byte; the run length sits above them.
[[nodiscard]] constexpr int phcCountBits(std::uint8_t packing) { return packing + 1; }
[[nodiscard]] constexpr bool isPhcRunPacking(std::uint8_t packing)
{
    return packing == phcPackNibble || packing == phcPackFiveBits || packing == phcPackSixBits;
}
// The longest run one byte of a run packing holds.
[[nodiscard]] constexpr std::size_t phcRunCap(std::uint8_t packing)
{
    return std::size_t { 1 } << (8 - phcCountBits(packing));
}

// The packing a stream whose largest count is `maxCount` is written with.
[[nodiscard]] PhcPacking packingFor(std::uint16_t maxCount);

// Packs the counts into `out`, which holds at least 2 bytes per bin (every
// count must fit the packing); returns the bytes used.
[[nodiscard]] std::size_t packCounts(
    std::span<const std::uint16_t> counts, PhcPacking packing, std::span<std::uint8_t> out);

// The same, reporting as it goes; nothing when `progress` answers a cancel.
[[nodiscard]] std::optional<std::size_t> packCounts(
    std::span<const std::uint16_t> counts, PhcPacking packing, std::span<std::uint8_t> out, Progress& progress);

// Fills exactly `counts.size()` bins from the packed bytes. False when the
// bytes end early, a run passes the last bin, or bytes are left over.
[[nodiscard]] bool unpackCounts(
    std::span<const std::uint8_t> packed, std::uint8_t packing, std::span<std::uint16_t> counts);

enum class UnpackResult { done, damaged, cancelled };
// The same, reporting every 4 MB of packed bytes and stopping when
// `progress` answers a cancel.
[[nodiscard]] UnpackResult unpackCounts(
    std::span<const std::uint8_t> packed, std::uint8_t packing, std::span<std::uint16_t> counts, Progress& progress);

} // namespace plask
