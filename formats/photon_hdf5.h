#pragma once
// Photon-HDF5 files: /photon_data/timestamps with its unit, detectors and
// nanotimes when present, read through libhdf5 in fixed-size slabs.

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
