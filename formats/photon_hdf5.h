#pragma once
// Photon-HDF5 files: /photon_data/timestamps with its unit, detectors and
// nanotimes when present, read through libhdf5 in fixed-size slabs. The
// library runs in a child process: on a damaged file it can crash or try to
// allocate absurd sizes, and that must end in a message, not in a crash of
// the program that asked.

#include "core/progress.h"
#include "formats/photon_sink.h"
#include "formats/tttr_decode.h"
#include "formats/tttr_header.h"

#include <string>

namespace plask::formats {

[[nodiscard]] bool isHdf5File(std::span<const std::uint8_t> start);

// The header facts; with a sink, also every photon through it.
[[nodiscard]] TttrHeader readPhotonHdf5(
    const std::string& path, PhotonSink* sink, DecodeStats& stats, Progress& progress);

} // namespace plask::formats
