// Photon count files: any header must be refused cleanly or give counts that
// pack and unpack to themselves.

#include "formats/correlator_file.h"
#include "formats/photon_count_file.h"
#include "core/silent_platform.h"
#include "memory_file.h"
#include "stream_checks.h"

#include <memory>
#include <span>

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
    requireSameCounts(decoded.bins(), read.bins());
    require(decoded.binWidth > 0.0 && decoded.length >= 1);

    // Every byte the packing uses is written and every bin is unpacked into
    // before they are read, so the buffers need no zeroing (traced, the
    // zeroing of a vector cost more than the packing).
    const auto packing = plask::packingFor(decoded.maxCount);
    const auto packed = std::make_unique_for_overwrite<std::uint8_t[]>(2 * decoded.length);
    const std::size_t used = plask::packCounts(decoded.bins(), packing, { packed.get(), 2 * decoded.length });
    const auto again = std::make_unique_for_overwrite<std::uint16_t[]>(decoded.length);
    const std::span<std::uint16_t> unpacked(again.get(), decoded.length);
    require(plask::unpackCounts({ packed.get(), used }, packing, unpacked));
    requireSameCounts(unpacked, decoded.bins());
    return 0;
}
