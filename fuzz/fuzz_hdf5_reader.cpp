// Photon-HDF5 files: the header groups, then every slab of photons, read
// through libhdf5 in this process (the program itself runs that part in a
// child process, which would hide coverage and crashes from the fuzzer).
// The library opens files by name and resolves links first, so a memory
// file's /proc name will not do: each input is written to one scratch file
// in /dev/shm (memory) per process.
#include "formats/hdf5_datasets.h"
#include "memory_file.h"

#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {
const std::string& scratchPath()
{
    static const std::string path = "/dev/shm/plask-fuzz-hdf5-" + std::to_string(getpid()) + ".h5";
    return path;
}

void writeScratch(const std::uint8_t* data, std::size_t size)
{
    const int fd = open(scratchPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    require(fd >= 0);
    require(size == 0 || write(fd, data, size) == static_cast<ssize_t>(size));
    close(fd);
}

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
    setenv("HDF5_USE_FILE_LOCKING", "FALSE", 1);
    std::atexit([] { unlink(scratchPath().c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    writeScratch(data, size);
    CheckingReceiver receiver;
    const plask::formats::TttrHeader header = plask::formats::readHdf5Datasets(scratchPath(), &receiver);
    if (header.error.empty())
        require(receiver.received == receiver.announced);
    return 0;
}
