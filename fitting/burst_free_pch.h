#pragma once
// The photon counting histogram of the bins outside the bursts of a stream.

#include "core/burst_set.h"
#include "core/photon_stream.h"

#include <vector>

namespace plask::fitting {

// Entry k: the number of bins outside every burst (start to end bin, both
// included) that hold k photons, for k = 0..the stream's largest count.
[[nodiscard]] std::vector<double> burstFreeHistogram(const PhotonStream& stream, const BurstSet& bursts);

// The same over every bin.
[[nodiscard]] std::vector<double> streamHistogram(const PhotonStream& stream);

} // namespace plask::fitting
