#include "correlation/segments.h"

#include "correlation/multi_tau.h"

#include <algorithm>
#include <utility>

namespace plask {

CalcStretch segmentAtCalcWidth(const CorrelationResult& table, int i)
{
    const auto index = static_cast<std::size_t>(i);
    return { rescaleBinIndex(table.segmentStart[index], table.sourceBinWidthUs, table.calcBinWidthUs),
        rescaleBinIndex(table.segmentEnd[index], table.sourceBinWidthUs, table.calcBinWidthUs) };
}

void findSegments(const BurstSet& set, CorrelationResult& table, std::uint32_t length, int step)
{
    const std::uint32_t bursts = std::min<std::uint32_t>(set.burstCount, maxSegments - 1);
    table.sourceBinWidthUs = set.binWidthUs;
    table.segmentUs.assign(maxSegments, 0.0);
    table.segmentStart.assign(maxSegments, 0);
    table.segmentEnd.assign(maxSegments, 0);
    table.segmentSelected.assign(maxSegments, 0);
    const std::uint32_t lastBin = length > 0 ? length - 1 : 0;
    for (std::uint32_t i = 0; i <= bursts; ++i) {
        const std::uint32_t start = i == 0 ? 0 : set.endBins[i - 1];
        const std::uint32_t end = i == bursts ? lastBin : set.startBins[i];
        table.segmentStart[i] = static_cast<std::int32_t>(start);
        table.segmentEnd[i] = static_cast<std::int32_t>(end);
        table.segmentUs[i] = end >= start ? static_cast<double>(end - start) * table.sourceBinWidthUs : 0.0;
    }
    table.segmentCount = static_cast<std::int32_t>(bursts + 1);
    reselectSegments(table, step);
}

void reselectSegments(CorrelationResult& table, int step)
{
    const auto needed = static_cast<std::int64_t>(minimumStretchBins(step));
    table.longestSegmentUs = 0.0;
    table.longestSegmentIndex = 0;
    std::fill(table.segmentSelected.begin(), table.segmentSelected.end(), std::uint8_t { 0 });
    std::uint32_t count = 0;
    for (int i = 0; i < table.segmentCount; ++i) {
        const double duration = table.segmentUs[static_cast<std::size_t>(i)];
        if (!(duration > table.minSegmentUs) || segmentAtCalcWidth(table, i).bins() < needed)
            continue;
        table.segmentSelected[static_cast<std::size_t>(i)] = 1;
        ++count;
        if (duration > table.longestSegmentUs) {
            table.longestSegmentUs = duration;
            table.longestSegmentIndex = i;
        }
    }
    table.curveCount = count;
}

void adoptSegmentTable(CorrelationResult& to, CorrelationResult& from)
{
    to.segmentUs = std::move(from.segmentUs);
    to.segmentStart = std::move(from.segmentStart);
    to.segmentEnd = std::move(from.segmentEnd);
    to.segmentSelected = std::move(from.segmentSelected);
    to.segmentCount = from.segmentCount;
    to.curveCount = from.curveCount;
    to.longestSegmentUs = from.longestSegmentUs;
    to.longestSegmentIndex = from.longestSegmentIndex;
    to.minSegmentUs = from.minSegmentUs;
    to.sourceBinWidthUs = from.sourceBinWidthUs;
    to.calcBinWidthUs = from.calcBinWidthUs;
}

} // namespace plask
