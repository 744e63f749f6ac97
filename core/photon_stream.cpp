#include "core/photon_stream.h"

#include <algorithm>

namespace plask {

CountRange countRange(std::span<const std::uint16_t> counts)
{
    CountRange range;
    if (counts.empty())
        return range;
    range.max = counts[0];
    range.min = counts[0];
    for (const std::uint16_t value : counts) {
        range.max = std::max(range.max, value);
        range.min = std::min(range.min, value);
        range.sum += value;
    }
    return range;
}

int releaseStream(PhotonStream& stream)
{
    if (!stream.counts)
        return 2;
    stream.counts.reset();
    stream.length = 0;
    stream.fileType = fileTypeNone;
    stream.smoothPasses = 0;
    stream.maxCount = 0;
    stream.binWidth = 0.0;
    stream.sourceResolution = 0.0;
    stream.rateKHz = 0.0;
    stream.duration = 0.0;
    stream.photons = 0.0;
    stream.fileTitle.clear();
    return 0;
}

} // namespace plask
