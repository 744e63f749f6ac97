#pragma once
// Streams and results for the correlation tests.

#include "core/app_state.h"
#include "core/correlation_result.h"
#include "formats/correlator_file.h"
#include "formats/load_workflow.h"
#include "core/photon_stream.h"
#include "fake_platform.h"
#include "test_files.h"

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace plask::testing {

// A loaded-looking stream over the given counts.
inline PhotonStream makeStream(const std::vector<std::uint16_t>& counts, double binWidth = 1.0)
{
    PhotonStream stream;
    stream.counts = PageArray<std::uint16_t>::allocate(counts.size());
    for (std::size_t i = 0; i < counts.size(); ++i)
        stream.counts[i] = counts[i];
    stream.length = static_cast<std::uint32_t>(counts.size());
    stream.binWidth = binWidth;
    stream.regionStart = 0;
    stream.regionEnd = static_cast<std::int32_t>(counts.size()) - 1;
    return stream;
}

inline std::vector<std::uint16_t> rampCounts(std::uint16_t last)
{
    std::vector<std::uint16_t> counts;
    for (std::uint16_t v = 1; v <= last; ++v)
        counts.push_back(v);
    return counts;
}

// Poisson counts with a mean that drifts, so that neighbouring bins
// correlate; with `spikes`, now and then a value far above the 16-bit fast
// path's limit.
inline std::vector<std::uint16_t> randomCounts(std::size_t n, double mean, bool spikes, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint16_t> counts(n);
    double level = mean;
    std::uniform_real_distribution<double> drift(-0.1, 0.1);
    std::uniform_int_distribution<int> spikeChance(0, 4999);
    std::uniform_int_distribution<int> spikeValue(1000, 65535);
    for (std::size_t i = 0; i < n; ++i) {
        level = std::max(0.0, level + drift(random) * mean);
        std::poisson_distribution<int> poisson(level);
        int value = poisson(random);
        if (spikes && spikeChance(random) == 0)
            value = spikeValue(random);
        counts[i] = static_cast<std::uint16_t>(std::min(value, 65535));
    }
    return counts;
}

// A 40 MHz correlator file whose 1 µs bins hold `counts` (photons of one
// bin on consecutive ticks from the bin's start).
inline std::string writeCorrelatorFile(const std::filesystem::path& path, const std::vector<std::uint16_t>& counts)
{
    std::vector<std::uint8_t> file;
    appendCorrelatorHeader(file, 40);
    std::uint64_t previous = 0;
    for (std::size_t bin = 0; bin < counts.size(); ++bin)
        for (std::uint16_t k = 0; k < counts[bin]; ++k) {
            const std::uint64_t tick = bin * 40 + k;
            appendCorrelatorEntry(file, tick - previous);
            previous = tick;
        }
    writeBytes(path, file);
    return path.string();
}

// "Open " into a channel at the bin width of the control panel's list entry.
inline void openInto(
    AppState& state, FakePlatform& platform, int channel, const std::string& path, std::size_t binWidthIndex = 2)
{
    state.activeChannel = channel;
    platform.panel.binWidthIndex = binWidthIndex;
    platform.openFileAnswers.push_back(path);
    openCommand(state, platform);
    platform.clear();
}

} // namespace plask::testing
