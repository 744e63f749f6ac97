// Photon count files: any header must be refused cleanly or give counts that
// pack and unpack to themselves.

#include "formats/correlator_file.h"
#include "formats/photon_count_file.h"
#include "core/silent_platform.h"
#include "memory_file.h"

#include <algorithm>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    plask::SilentPlatform platform;
    plask::PhotonStream decoded;
    const int result = plask::decodePhotonCountFile(
        platform, plask::Owner::none, std::span<const std::uint8_t>(data, size), decoded);
    require(result == plask::readOk || result == plask::readNothing || result == plask::readRefused);

    const MemoryFile file(data, size);
    require(file.valid());
    plask::PhotonStream read;
    require(plask::readPhotonCountFile(platform, plask::Owner::none, file.path(), read) == result);
    if (result != plask::readOk) {
        require(!decoded.counts && decoded.length == 0);
        return 0;
    }
    require(std::ranges::equal(decoded.bins(), read.bins()));
    require(decoded.binWidth > 0.0 && decoded.length >= 1);

    const auto packing = plask::packingFor(plask::countRange(decoded.bins()).max);
    std::vector<std::uint8_t> packed(2 * decoded.length);
    packed.resize(plask::packCounts(decoded.bins(), packing, packed));
    std::vector<std::uint16_t> again(decoded.length);
    require(plask::unpackCounts(packed, packing, again));
    require(std::ranges::equal(again, decoded.bins()));
    return 0;
}
