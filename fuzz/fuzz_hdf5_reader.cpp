// Photon-HDF5 files: the header groups, then every slab of photons, read
// through libhdf5 in this process (the program itself runs that part in a
// child process, which would hide coverage and crashes from the fuzzer).
// The input is opened as a file image in memory: no file is written per input.
#include "formats/hdf5_datasets.h"
#include "memory_file.h"

#include <span>
#include <vector>

#include <hdf5.h>

namespace {
// The slabs must add up to what the header announced.
class CheckingReceiver final : public plask::formats::Hdf5PhotonReceiver {
public:
    std::uint64_t announced = 0;
    std::uint64_t received = 0;
    bool header(const plask::formats::TttrHeader& header, bool, bool) override
    {
        require(header.error.empty() && header.unit.num > 0 && header.unit.den > 0);
        announced = header.announcedRecords;
        return true;
    }
    plask::formats::Hdf5SlabBuffers nextBuffers() override
    {
        // Allocated once: a fresh 4 MB per input would cost more than most inputs.
        static std::vector<std::int64_t> times(plask::formats::hdf5SlabPhotons);
        static std::vector<std::int32_t> detectors(plask::formats::hdf5SlabPhotons);
        static std::vector<std::uint32_t> nanotimes(plask::formats::hdf5SlabPhotons);
        return { times.data(), detectors.data(), nanotimes.data() };
    }
    bool slab(std::size_t count) override
    {
        require(count > 0 && count <= plask::formats::hdf5SlabPhotons);
        received += count;
        require(received <= announced);
        return true;
    }
};
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // No limits on the library's free lists: an open file's metadata cache
    // (half a megabyte) is over the default limit of one list, so every
    // input would map, fault in and unmap it afresh.
    H5set_free_list_limits(-1, -1, -1, -1, -1, -1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CheckingReceiver receiver;
    const plask::formats::TttrHeader header
        = plask::formats::readHdf5Image(std::span<const std::uint8_t>(data, size), &receiver);
    if (header.error.empty())
        require(receiver.received == receiver.announced);
    return 0;
}
