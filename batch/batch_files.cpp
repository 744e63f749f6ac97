#include "batch/batch_files.h"

#include "analysis/text_file.h"
#include "core/photon_choice_text.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace plask {

namespace {
    // A C cast to int: truncation toward zero, here kept within int's range.
    int truncatedToInt(double value)
    {
        if (!(value == value))
            return 0;
        const double whole = std::trunc(value);
        if (whole >= static_cast<double>(std::numeric_limits<int>::max()))
            return std::numeric_limits<int>::max();
        if (whole <= static_cast<double>(std::numeric_limits<int>::min()))
            return std::numeric_limits<int>::min();
        return static_cast<int>(whole);
    }

    // Keeps `count` values of `array` in a block of at least `needed` values.
    bool ensureCapacity(PageArray<double>& array, std::size_t count, std::size_t needed)
    {
        if (array.capacity() >= needed)
            return true;
        // Growing by half again keeps the copies linear over a long run.
        const std::size_t grown = std::max({ needed, array.capacity() + array.capacity() / 2, std::size_t { 1024 } });
        PageArray<double> bigger = PageArray<double>::allocate(grown);
        if (!bigger)
            return false;
        std::copy_n(array.data(), count, bigger.data());
        array = std::move(bigger);
        return true;
    }

    // Log lines end in CR LF already; TextFile turns each LF into CR LF.
    std::string withoutCarriageReturns(std::string_view text)
    {
        std::string out;
        out.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i)
            if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
                out.push_back(text[i]);
        return out;
    }
} // namespace

std::filesystem::path batchBurstsPath(const std::string& directory, const std::string& baseName)
{
    return std::filesystem::path(directory) / (baseName + "_bursts.txt");
}

std::filesystem::path batchInfoPath(const std::string& directory, const std::string& baseName)
{
    return std::filesystem::path(directory) / (baseName + "_info.txt");
}

bool appendBursts(BurstSet& accumulated, const BurstSet& file)
{
    const std::size_t previous = accumulated.burstCount;
    const std::size_t n = file.burstCount;
    const std::size_t total = previous + n;
    if (total > std::numeric_limits<std::uint32_t>::max())
        return false;
    PageArray<double>* const targets[]
        = { &accumulated.photons, &accumulated.peaks, &accumulated.widths, &accumulated.intervals };
    for (PageArray<double>* target : targets)
        if (!ensureCapacity(*target, previous, total))
            return false;
    std::copy_n(file.photons.data(), n, accumulated.photons.data() + previous);
    std::copy_n(file.peaks.data(), n, accumulated.peaks.data() + previous);
    std::copy_n(file.widths.data(), n, accumulated.widths.data() + previous);
    std::copy_n(file.intervals.data(), n, accumulated.intervals.data() + previous);
    accumulated.burstCount = static_cast<std::uint32_t>(total);
    return true;
}

int writeBatchBurstTable(const std::filesystem::path& path, const BurstSet& accumulated)
{
    TextFile file(path.string());
    if (!file.isOpen())
        return writeCannotOpen;
    file.print("%s\t%s\t%s\t%s\t%s\n", "no.", "photons", "peak", "width", "interval");
    for (std::uint32_t j = 0; j < accumulated.burstCount; ++j)
        file.print("%d\t%d\t%d\t%d\t%f\n", truncatedToInt(j + 1.0), truncatedToInt(accumulated.photons[j]),
            truncatedToInt(accumulated.peaks[j]), truncatedToInt(accumulated.widths[j]), accumulated.intervals[j]);
    return file.finish() ? writeOk : writeFailed;
}

int appendBurstsAndWrite(
    BurstSet& accumulated, const BurstSet& file, const std::string& directory, const std::string& baseName)
{
    if (!appendBursts(accumulated, file))
        return writeFailed;
    return writeBatchBurstTable(batchBurstsPath(directory, baseName), accumulated);
}

int writeProcessLog(const BatchJob& job, bool smoothed, std::string_view statusLog)
{
    TextFile file(batchInfoPath(job.directory, job.saveAsName).string());
    if (!file.isOpen())
        return writeCannotOpen;
    file.print("Total number of bursts found = %d\n", truncatedToInt(job.accumulated.burstCount));
    file.print("Min. photons/burst = %d\n", job.minPhotons);
    file.print("Allowed sub-min bins = %d\n", job.subMinBins);
    file.print("Trigger value = %d\n", job.triggerLevel);
    file.print("Binwidth (\xB5s) = %f\n", job.binWidth);
    if (job.fileKind == batchTimeTagFiles)
        file.print("Photons = %s\n", photonChoiceDescription(job.photons).c_str());
    if (smoothed)
        file.print("SG Filter width = %d\n", job.sgWidth);
    else
        file.print("%s\n", "Data sets not SG Filtered");
    file.print("Files:\n");
    for (std::size_t i = 0; i < job.fileNames.size(); ++i)
        file.print("%s (background level used = %d)\n", toWindows1252(job.fileNames[i]).c_str(),
            i < job.backgrounds.size() ? job.backgrounds[i] : 0);
    file.print("%s\n", "Process log:");
    file.print("%s", toWindows1252(withoutCarriageReturns(statusLog)).c_str());
    return file.finish() ? writeOk : writeFailed;
}

} // namespace plask
