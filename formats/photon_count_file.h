#pragma once
// Photon count files (.phc): a 1032-byte little-endian header and the bin
// counts, run-length packed. Layout of the header:
//   0  "PHC"          3  byte carried through load and save   4  packing type
//   8  u32 packed size   12 u32 bins   16 u16 largest count
//   18 u16 bin width in whole µs (truncated)   20 u8 1   24 f32 1.0
//   32 f64 exact bin width in µs (0 in files that predate it)
// The bin counts are packed as formats/count_packing.h describes.

#include "core/photon_stream.h"
#include "formats/count_packing.h"
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

using PhcHeader = std::array<std::uint8_t, phcHeaderSize>;

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
