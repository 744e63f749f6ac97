#pragma once
// A correlation curve on the multi-tau lag grid, with the exact integer sums
// behind it so further stretches can be pooled into the same curve.

#include "core/page_block.h"

#include <cstdint>
#include <string>
#include <vector>

namespace plask {

enum CorrelationKind : std::uint32_t {
    correlationNone = 0,
    correlationAuto = 1,
    correlationSegmentalAuto = 2,
    correlationCross = 3,
    correlationSegmentalCross = 4,
};

inline constexpr int maxSegments = 10000;

struct LagChannel {
    double lagMs = 0.0;
    std::uint32_t pairCount = 0;
    std::int64_t sumProducts = 0;
    std::int64_t sumDirect = 0;
    std::int64_t sumDelayed = 0;
    double g = 0.0;
};

struct CorrelationResult {
    std::string sourceName; // filePath (auto/cross) or fileTitle (segmental)
    std::uint32_t kind = correlationNone;
    std::int32_t mtStep = 0;
    double calcBinWidthUs = 0.0;
    double sourceBinWidthUs = 0.0;
    double minSegmentUs = 0.0;
    double traceLengthS = 0.0;
    double longestSegmentUs = 0.0;
    double levelCount = 0.0; // coarse levels after level 0 (integral)
    // Segmental mode only; at most maxSegments entries each.
    std::vector<double> segmentUs;
    std::vector<std::int32_t> segmentStart;
    std::vector<std::int32_t> segmentEnd;
    std::vector<std::uint8_t> segmentSelected;
    std::int32_t segmentCount = 0;
    std::uint32_t curveCount = 0;
    std::int32_t lagCount = 0; // (levelCount + 2) x mtStep
    std::uint32_t correlatedBins = 0;
    std::int32_t longestSegmentIndex = 0;
    PageArray<LagChannel> lags; // capacity may exceed lagCount after pooling
    std::string curveTitle; // the chart's title: the command's description of the curve
    double elapsedSeconds = 0.0; // computing time of the last run
};

} // namespace plask
