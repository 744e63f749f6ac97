#include "analysis/burst_files.h"

#include "analysis/export_dialog.h"
#include "core/file_names.h"

#include <algorithm>
#include <cmath>

namespace plask {

namespace {
    constexpr std::string_view burstFileFilter = "Tab-delimited text files (*.txt)";
    constexpr int burstHeaderRows = 12;

    void markSaved(AppState& state)
    {
        state.burstDataSaved.at(static_cast<std::size_t>(state.activeChannel)) = 1;
    }
} // namespace

std::uint32_t truncatedForTable(double value)
{
    // Values a 64-bit integer cannot hold come out as its "indefinite" value, whose low half is 0.
    if (!(std::fabs(value) < 9.2e18))
        return 0;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(value)));
}

int writeBurstFile(const std::string& path, const BurstSet& set)
{
    TextFile file(path);
    if (!file.isOpen())
        return writeCannotOpen;
    file.print("Header size:\t%d rows\n", burstHeaderRows);
    file.print("PS File:\t%s\n", toWindows1252(set.sourceName).c_str());
    file.print("Number of bursts:\t%u\n", set.burstCount);
    file.print("Binwidth:\t%4.1f \xB5s\n", set.binWidthUs);
    file.print("Background:\t%u\n", set.backgroundCounts);
    file.print("Triggerlevel:\t%u\n", static_cast<std::uint32_t>(set.triggerLevel));
    file.print("Min. photons/burst:\t%u\n", set.minPhotons);
    file.print("Allowed bins below bkgrd:\t%u\n", set.subMinBins);
    file.print("Mean photons/burst:\t%u\xB1%u\n", truncatedForTable(set.photonStats.mean),
        truncatedForTable(set.photonStats.sd));
    file.print("Mean peak photons:\t%u\xB1%u\n", truncatedForTable(set.peakStats.mean),
        truncatedForTable(set.peakStats.sd));
    file.print("Mean burst width:\t%u\xB1%u \xB5s\n", truncatedForTable(set.widthStats.mean),
        truncatedForTable(set.widthStats.sd));
    file.print("Mean interval:\t%4.2f\xB1%4.2f sec\n", set.intervalStats.mean, set.intervalStats.sd);
    // The intervals are in seconds, like the mean above.
    file.print("%s\t%s\t%s\t%s\t%s\n", "time(s)", "hv/burst", "peak", "width(\xB5s)", "interval(s)");
    for (std::uint32_t k = 0; k < set.burstCount; ++k)
        file.print("%5.6f\t%8.0f\t%8.0f\t%8.0f\t%8.6f\n", set.peakTimes[k], set.photons[k], set.peaks[k],
            set.widths[k], set.intervals[k]);
    return file.finish() ? writeOk : writeFailed;
}

int writeHistogramFile(const std::string& path, const BurstHistograms& histograms)
{
    TextFile file(path);
    if (!file.isOpen())
        return writeCannotOpen;
    file.print("%s\t\t%s\t\t%s\n", "hv/burst", "width", "interval");
    int rows = 0;
    for (const BurstHistogram& h : histograms)
        rows = std::max(rows, std::clamp(h.binCount, 0, histogramCapacity));
    for (int i = 0; i < rows; ++i) {
        for (const BurstHistogram& h : histograms) {
            const auto bin = static_cast<std::size_t>(i);
            if (i < h.binCount)
                file.print("%g\t%7.0f\t", h.binEdges[bin], h.binCounts[bin]);
            else
                file.print("%s\t%s\t", "--", "--");
        }
        file.write("\n");
    }
    return file.finish() ? writeOk : writeFailed;
}

int saveBurstData(AppState& state, Platform& platform)
{
    const BurstSet& set = burstSetOf(state, state.activeChannel);
    const auto path = chooseTextExport(platform, burstFileFilter, stripExtension(set.sourceName) + "_bursts.txt");
    if (!path)
        return 1;
    const int result = writeBurstFile(*path, set);
    if (result != writeOk) {
        reportWriteFailure(platform, result, Owner::none);
        return 1;
    }
    markSaved(state);
    return 0;
}

int saveHistograms(AppState& state, Platform& platform)
{
    const PhotonStream& stream = streamOf(state, state.activeChannel);
    const auto path = chooseTextExport(platform, burstFileFilter, stripExtension(stream.fileTitle) + "_hist.txt");
    if (!path)
        return 1;
    const int result = writeHistogramFile(*path, state.histograms);
    if (result != writeOk) {
        reportWriteFailure(platform, result, Owner::mainWindow);
        return 1;
    }
    markSaved(state);
    return 0;
}

} // namespace plask
