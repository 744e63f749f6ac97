#include "formats/time_tag_stream.h"

#include "core/whole_file.h"
#include "formats/tttr_file.h"

namespace plask {

int readTimeTagStream(
    Platform& platform, Owner owner, const std::string& path, PhotonStream& stream, double binWidthUs, Progress& progress)
{
    formats::TttrStream loaded = formats::loadTttrStream(path, stream.selection, binWidthUs, progress);
    stream.binWidth = binWidthUs;
    stream.sourceResolution = loaded.scan.header.unit.seconds() * 1e6;
    if (!loaded.scan.ok()) {
        if (loaded.scan.stats.cancelled)
            return readCancelled;
        if (loaded.scan.error == "Could not reserve needed memory.")
            return readNoMemory;
        platform.showMessage(loaded.scan.error, "Load Error", owner);
        return readTimeTagRefused;
    }
    stream.fileType = fileTypeTimeTagged;
    stream.fileFormat = loaded.scan.header.format;
    stream.counts = std::move(loaded.counts);
    stream.length = static_cast<std::uint32_t>(loaded.bins);
    stream.photons = static_cast<double>(loaded.photons);
    stream.duration = static_cast<double>(loaded.lengthUnits) * loaded.scan.header.unit.seconds();
    stream.rateKHz = stream.duration > 0.0 ? stream.photons / stream.duration / 1000.0 : 0.0;
    const CountRange range = countRange(stream.bins());
    stream.maxCount = range.max;
    stream.minCount = range.min;
    stream.smoothPasses = 0;
    return readOk;
}

} // namespace plask
