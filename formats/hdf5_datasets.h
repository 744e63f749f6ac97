#pragma once
// The datasets of a Photon-HDF5 file read through libhdf5 in this process:
// the header facts from /photon_data and /setup, then the timestamps with
// their detectors and nanotimes in fixed-size slabs. readPhotonHdf5 runs this
// in a child process; the fuzz target runs it directly on its input's bytes.

#include "formats/tttr_header.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace plask::formats {

// Photons are read in slabs of at most this many.
inline constexpr std::size_t hdf5SlabPhotons = std::size_t { 1 } << 18;

// Where one slab is read to: room for hdf5SlabPhotons of each dataset the
// file has (`detectors`/`nanotimes` are not touched when it has none).
struct Hdf5SlabBuffers {
    std::int64_t* times = nullptr;
    std::int32_t* detectors = nullptr;
    std::uint32_t* nanotimes = nullptr;
};

class Hdf5PhotonReceiver {
public:
    virtual ~Hdf5PhotonReceiver() = default;
    // The header of a file whose photons can be read; false: no photons wanted.
    virtual bool header(const TttrHeader& header, bool hasDetectors, bool hasNanotimes) = 0;
    // The buffers for the next slab; null times: stop.
    virtual Hdf5SlabBuffers nextBuffers() = 0;
    // The next slab's `count` photons are in the buffers. False: stop.
    virtual bool slab(std::size_t count) = 0;
};

// The header (with `error` set when the file is not a readable Photon-HDF5
// file); with a receiver that wants them, every photon first. A slab that
// cannot be read sets `error` after the slabs before it were received.
[[nodiscard]] TttrHeader readHdf5Datasets(const std::string& path, Hdf5PhotonReceiver* receiver);

// The same for a file's bytes in memory (read through the library's
// in-memory driver, with no file of its own).
[[nodiscard]] TttrHeader readHdf5Image(std::span<const std::uint8_t> image, Hdf5PhotonReceiver* receiver);

} // namespace plask::formats
