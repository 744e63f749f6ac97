#include "formats/time_tags.h"

#include "core/photon_stream.h"
#include "core/whole_file.h"
#include "formats/correlator_file.h"
#include "formats/selection_units.h"
#include "formats/tttr_file.h"

namespace plask::formats {

namespace {
    constexpr std::uint8_t runByte = 0xFF;

    // A correlator stream: one channel (0), clock ticks as time tags.
    TimeTagLoad readCorrelatorTimes(const std::string& path, const PhotonSelection& selection, Progress& progress)
    {
        TimeTagLoad load;
        // Reading and collecting take about as long as each other.
        PhaseProgress reading(progress, 0.0, 0.5);
        const WholeFile file = readWholeFile(path, {}, reading);
        const std::span<const std::uint8_t> bytes = file.bytes();
        if (file.result == readCancelled) {
            load.error = "Cancelled.";
            return load;
        }
        if (file.result != readOk || bytes.size() < 2) {
            load.error = "Error opening file.";
            return load;
        }
        if (bytes[0] != 8) {
            load.error = "Vireo file was WORD data -- save as BYTE.";
            return load;
        }
        load.unit = { 1, std::uint64_t { bytes[1] } * 1'000'000 };
        load.format = "Vireo correlator stream";
        const ResolvedSelection resolved = resolveSelection(selection, TimeBase { load.unit, std::nullopt, 0 });
        if (!resolved.error.empty()) {
            load.error = resolved.error;
            return load;
        }
        PhotonSink sink(resolved.units, nullptr, &load.times);
        PhaseProgress collecting(progress, 0.5, 1.0);
        std::uint64_t time = 0;
        constexpr std::size_t block = std::size_t { 1 } << 22;
        for (std::size_t i = 2; i < bytes.size(); ++i) {
            time += bytes[i];
            if (bytes[i] != runByte)
                sink.photon(time, 0, 0);
            if (i % block == 0 && !collecting.step(static_cast<double>(i) / static_cast<double>(bytes.size()))) {
                load.error = "Cancelled.";
                load.times.clear();
                return load;
            }
        }
        load.error = missingChannelError(selection, sink.channelCounts());
        if (load.error.empty() && sink.kept() == 0)
            load.error = "No photons in the chosen channels and window.";
        if (!load.ok()) {
            load.times.clear();
            return load;
        }
        load.lengthUnits = resolved.windowUnits != 0 ? resolved.windowUnits : sink.lastKept() + 1;
        return load;
    }
} // namespace

TimeTagLoad readTimeTags(const std::string& path, const PhotonSelection& selection, Progress& progress)
{
    if (sniffFileType(path) == fileTypeCorrelator)
        return readCorrelatorTimes(path, selection, progress);
    return readTttrTimeTags(path, selection, progress);
}

} // namespace plask::formats
