#pragma once
// Correlator photon stream files (.dat): byte 0 is the data word size (8 for
// byte data), byte 1 the correlator clock in MHz, then one entry per photon:
// zero or more 0xFF bytes (255 ticks each) and one final byte 0x00..0xFE, the
// interval since the previous photon in clock ticks.

#include "core/photon_stream.h"
#include "core/progress.h"
#include "core/whole_file.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace plask {

class Platform;

// Result codes of the stream readers, beyond readOk .. readNothing.
inline constexpr int readWordData = 4; // a word-data correlator file (message shown)
inline constexpr int readBinBelowTick = 5; // bin width shorter than one clock tick (message shown)
inline constexpr int readRefused = 6; // a photon count file refused (message shown where one is due)

// 1 for a photon count file ("PHC"), 2 for a correlator stream file (byte 0
// is 8 or 16, byte 1 is 40 or 60), 0 otherwise and when it cannot be read.
[[nodiscard]] int sniffFileType(const std::string& path);

// Reads a correlator stream file and bins its photons at `binWidthUs` into
// `stream` (counts, length, photons, duration, rate, count range, bin width
// and clock period). Returns readOk, readCannotOpen, readNoMemory,
// readNothing (no bytes, or no photon in the file), readWordData or
// readBinBelowTick; the last two show their own message, owned by no window.
// Arrival times are summed in 64 bits, a bin saturates at 65535 and a
// trailing run of 0xFF bytes without its final byte is ignored.
// The read reports progress as it reads and bins, block by block, and ends
// with readCancelled (no counts taken) when
// `progress` answers a cancel.
int readCorrelatorStream(Platform& platform, const std::string& path, PhotonStream& stream, double binWidthUs,
    Progress& progress = noProgress());

// The same for a file already in memory (header included).
int decodeCorrelatorStream(
    Platform& platform, std::span<const std::uint8_t> file, PhotonStream& stream, double binWidthUs);

// Ticks per bin: clock (MHz) times bin width (µs), truncated toward zero.
[[nodiscard]] std::uint64_t ticksPerBin(unsigned clockMHz, double binWidthUs);

// Writing streams (simulations, tests): the two header bytes, and one photon
// entry for an interval of `ticks`.
void appendCorrelatorHeader(std::vector<std::uint8_t>& out, unsigned clockMHz);
void appendCorrelatorEntry(std::vector<std::uint8_t>& out, std::uint64_t ticks);

} // namespace plask
