#pragma once
// The result of one burst analysis of a channel: per-burst arrays and the
// parameters of the run.

#include "core/page_block.h"

#include <cstdint>
#include <string>

namespace plask {

struct SeriesStats {
    double mean = 0.0;
    double sd = 0.0; // population standard deviation
    double max = 0.0;
    double min = 0.0;
    bool operator==(const SeriesStats&) const = default;
};

inline constexpr std::int32_t burstMaxSpanUs = 500000;

struct BurstSet {
    std::string sourceName; // the analysed stream's fileTitle
    std::uint32_t burstCount = 0;
    double binWidthUs = 0.0;
    std::int32_t triggerLevel = 0;
    std::uint32_t minPhotons = 0;
    std::int32_t maxSpanUs = 0;
    std::uint32_t backgroundCounts = 0; // edge level is this + 1
    std::uint32_t subMinBins = 0;
    std::int32_t arrayBytes = 0; // bytes of each per-burst array: 16 x a
    std::int32_t capacity = 0; // bursts the arrays hold: 2 x a
    double backgroundPerBin = 0.0;
    PageArray<double> photons;
    SeriesStats photonStats;
    PageArray<double> widths; // µs
    SeriesStats widthStats;
    PageArray<double> intervals; // s, peak to previous peak
    SeriesStats intervalStats;
    PageArray<double> peaks;
    SeriesStats peakStats;
    PageArray<double> peakTimes; // s
    PageArray<std::uint32_t> startBins;
    PageArray<std::uint32_t> endBins; // included in the photon sum
};

// Frees the seven arrays and zeroes burstCount, arrayBytes, capacity,
// backgroundCounts, binWidthUs and backgroundPerBin. The caller tells the
// display that the histogram data went away.
void releaseBurstSet(BurstSet& set);

} // namespace plask
