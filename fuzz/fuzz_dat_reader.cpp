// Correlator stream files: any bytes must give a clean result code, and a
// stream read from a file must equal the one decoded in memory. The input's
// last byte picks the bin width, so each run decodes once from memory and
// once from the file instead of four times each, and the fuzzer still steers
// every width (including one below a clock tick).

#include "formats/correlator_file.h"
#include "core/silent_platform.h"
#include "memory_file.h"
#include "stream_checks.h"

#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    plask::SilentPlatform platform;
    const std::span<const std::uint8_t> bytes(data, size);
    const MemoryFile file(data, size);
    require(file.valid());
    constexpr double widths[] = { 0.1, 1.0, 500.0, 0.01 };
    const double width = widths[size > 0 ? data[size - 1] % 4 : 0];
    plask::PhotonStream decoded;
    const int result = plask::decodeCorrelatorStream(platform, bytes, decoded, width);
    require(result >= plask::readOk && result <= plask::readBinBelowTick);
    plask::PhotonStream read;
    require(plask::readCorrelatorStream(platform, file.path(), read, width) == result);
    if (result != plask::readOk) {
        require(!decoded.counts && decoded.length == 0);
        return 0;
    }
    require(decoded.length >= 1 && decoded.counts.capacity() >= decoded.length);
    checkDecodedBins(decoded, read);
    return 0;
}
