// Photon-HDF5 files: the header groups, then every photon through a sink
// that counts and collects times. The library opens files by name and
// resolves links first, so a memory file's /proc name will not do: each
// input is written to one scratch file in /dev/shm (memory) per process.
#include "formats/photon_hdf5.h"
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
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("HDF5_USE_FILE_LOCKING", "FALSE", 1);
    std::atexit([] { unlink(scratchPath().c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace plask::formats;
    writeScratch(data, size);
    DecodeStats stats;
    const TttrHeader header = readPhotonHdf5(scratchPath(), nullptr, stats, plask::noProgress());
    if (!header.error.empty())
        return 0;
    UnitSelection everything;
    everything.wanted.fill(1);
    std::vector<std::uint64_t> times;
    PhotonSink sink(everything, nullptr, &times);
    const TttrHeader again = readPhotonHdf5(scratchPath(), &sink, stats, plask::noProgress());
    if (again.error.empty() && !sink.wentBackwards())
        require(times.size() == sink.kept() && stats.records >= times.size());
    return 0;
}
