#pragma once
// Writes a correlator stream file at 40 MHz whose 1 µs bins hold given
// counts: each photon of bin i arrives on tick 40 i + k.

#include "test_files.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace plask::testing {

inline void writeCorrelatorFile(const std::filesystem::path& path, const std::vector<std::uint16_t>& counts)
{
    std::vector<std::uint8_t> bytes { 8, 40 };
    std::uint64_t previous = 0;
    for (std::size_t bin = 0; bin < counts.size(); ++bin) {
        for (std::uint16_t k = 0; k < counts[bin]; ++k) {
            const std::uint64_t tick = bin * 40 + k;
            const std::uint64_t interval = tick - previous;
            bytes.insert(bytes.end(), interval / 255, 0xFF);
            bytes.push_back(static_cast<std::uint8_t>(interval % 255));
            previous = tick;
        }
    }
    writeBytes(path, bytes);
}

} // namespace plask::testing
