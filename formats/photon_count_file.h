#pragma once
// Photon count files (.phc): a 1032-byte little-endian header and the bin
// counts, run-length packed. Layout of the header:
//   0  "PHC"          3  byte carried through load and save   4  packing type
//   8  u32 packed size   12 u32 bins   16 u16 largest count
//   18 u16 bin width in whole µs (truncated)   20 u8 1   24 f32 1.0
//   32 f64 exact bin width in µs (0 in files that predate it)
// Packing types 3, 4 and 5 hold one run per byte: the count in the low 4, 5
// or 6 bits, the run length (1 to 16, 8 or 4; the cap is stored as 0) in the
// bits above. Type 8 holds one little-endian u16 per bin.

#include "core/photon_stream.h"
#include "core/platform.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace plask {

struct AppState;

inline constexpr std::size_t phcHeaderSize = 1032;

enum PhcPacking : std::uint8_t {
    phcPackNibble = 3, // counts below 16, runs up to 16
    phcPackFiveBits = 4, // counts below 32, runs up to 8
    phcPackSixBits = 5, // counts below 64, runs up to 4
    phcPackWords = 8, // any count, one u16 per bin
};

using PhcHeader = std::array<std::uint8_t, phcHeaderSize>;

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

// The header for the stream's counts as packed.
[[nodiscard]] PhcHeader encodePhcHeader(
    const PhotonStream& stream, PhcPacking packing, std::uint32_t packedSize, std::uint16_t maxCount);

// Writes the stream's `length` bins to `path`, replacing it whole. Returns 0,
// 1 when the file cannot be written, 2 when the packing buffer cannot be had.
int writePhotonCountData(const PhotonStream& stream, const std::string& path);
// The same, reporting as it packs and writes; 3 when `progress` answered a
// cancel (no file is left, an existing one stays as it was).
int writePhotonCountData(const PhotonStream& stream, const std::string& path, Progress& progress);

// The Save dialog (proposing the file title with ".phc"), then the file
// unless `pack` is clear. Returns 0 (written, or nothing to write), 1, 2 as
// above, or 4 when the dialog was cancelled.
int writePhotonCountFile(Platform& platform, const PhotonStream& stream, bool pack);

// The message for a failed write (1 or 2); nothing for the other results.
void showPhotonCountWriteFailure(Platform& platform, int result);

// "Save Data" on the active channel: asks before saving a stream binned
// coarser than its source, then writes it.
void saveDataCommand(AppState& state, Platform& platform);

// Reads a photon count file into the stream at the file's own bin width.
// Returns 0, 1 (cannot open), 2 (memory), 3 (no bytes, or no bins), or 6
// (not a photon count file, a packing type that cannot be read, no usable
// bin width, or packed data that do not match the header; all but the first
// show a message owned by `owner`). Reports while it reads and unpacks, and
// returns readCancelled (no counts taken) when `progress` answers a cancel.
int readPhotonCountFile(
    Platform& platform, Owner owner, const std::string& path, PhotonStream& stream, Progress& progress = noProgress());

// The same for a file already in memory.
int decodePhotonCountFile(Platform& platform, Owner owner, std::span<const std::uint8_t> file, PhotonStream& stream,
    Progress& progress = noProgress());

} // namespace plask
