#pragma once
// The photon counting histogram: how many bins hold 0, 1, 2, ... photons.

#include "core/page_block.h"

#include <cstdint>
#include <string>

namespace plask {

struct PchResult {
    std::string name; // analysed fileTitle without extension, at most 127 characters
    std::uint32_t pointCount = 0; // maxCount + 1
    PageArray<double> photonsPerBin;
    PageArray<double> frequency;
    double maxPhotons = 0.0;
    double maxFrequency = 0.0;
};

} // namespace plask
