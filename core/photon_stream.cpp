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

std::uint64_t countTotal(std::span<const std::uint16_t> counts)
{
    std::uint64_t total = 0;
    for (const std::uint16_t value : counts)
        total += value;
    return total;
}

namespace {
    // What describes the counts, cleared with them.
    void clearDescription(PhotonStream& stream)
    {
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
    }
} // namespace

int releaseStream(PhotonStream& stream)
{
    if (!stream.counts)
        return 2;
    stream.counts.reset();
    clearDescription(stream);
    return 0;
}

PhotonStream releasedCopy(const PhotonStream& stream)
{
    // Every field but the counts.
    PhotonStream copy;
    copy.filePath = stream.filePath;
    copy.fileTitle = stream.fileTitle;
    copy.fileType = stream.fileType;
    copy.fileFormat = stream.fileFormat;
    copy.phcEncoding = stream.phcEncoding;
    copy.phcHeaderByte3 = stream.phcHeaderByte3;
    copy.smoothPasses = stream.smoothPasses;
    copy.length = stream.length;
    copy.backgroundStart = stream.backgroundStart;
    copy.backgroundEnd = stream.backgroundEnd;
    copy.regionStart = stream.regionStart;
    copy.regionEnd = stream.regionEnd;
    copy.maxCount = stream.maxCount;
    copy.minCount = stream.minCount;
    copy.rateKHz = stream.rateKHz;
    copy.binWidth = stream.binWidth;
    copy.sourceResolution = stream.sourceResolution;
    copy.duration = stream.duration;
    copy.photons = stream.photons;
    copy.backgroundMean = stream.backgroundMean;
    copy.backgroundSd = stream.backgroundSd;
    copy.selection = stream.selection;
    // A stream without counts is left as it is by releaseStream.
    if (stream.counts)
        clearDescription(copy);
    return copy;
}

} // namespace plask
