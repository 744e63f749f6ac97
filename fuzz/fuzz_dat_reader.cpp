// Correlator stream files: any bytes must give a clean result code, and a
// stream read from a file must equal the one decoded in memory.

#include "formats/correlator_file.h"
#include "core/silent_platform.h"
#include "memory_file.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    plask::SilentPlatform platform;
    const std::span<const std::uint8_t> bytes(data, size);
    const MemoryFile file(data, size);
    require(file.valid());
    for (const double width : { 0.1, 1.0, 500.0, 0.01 }) {
        plask::PhotonStream decoded;
        const int result = plask::decodeCorrelatorStream(platform, bytes, decoded, width);
        require(result >= plask::readOk && result <= plask::readBinBelowTick);
        plask::PhotonStream read;
        require(plask::readCorrelatorStream(platform, file.path(), read, width) == result);
        if (result != plask::readOk) {
            require(!decoded.counts && decoded.length == 0);
            continue;
        }
        require(decoded.length >= 1 && decoded.counts.capacity() >= decoded.length);
        require(std::ranges::equal(decoded.bins(), read.bins()));
        std::uint64_t sum = 0;
        bool saturated = false;
        for (const std::uint16_t count : decoded.bins()) {
            sum += count;
            saturated = saturated || count == 0xFFFF;
        }
        require(saturated ? sum <= decoded.photons : sum == decoded.photons);
        require(decoded.bins().back() > 0); // the last photon ends the stream
        require(decoded.maxCount == *std::ranges::max_element(decoded.bins()));
    }
    return 0;
}
