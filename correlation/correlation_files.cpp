#include "correlation/correlation_files.h"

#include "analysis/export_dialog.h"
#include "analysis/text_file.h"
#include "core/file_names.h"
#include "core/text_format.h"

namespace plask {

namespace {
    constexpr std::string_view textFilter = "Text Data Files (*.txt)";

    const char* suffixOf(std::uint32_t kind)
    {
        switch (kind) {
        case correlationAuto:
            return "_fcs.txt";
        case correlationSegmentalAuto:
            return "_segfcs.txt";
        case correlationCross:
            return "_fccs.txt";
        case correlationSegmentalCross:
            return "_segfccs.txt";
        default:
            return "";
        }
    }

    [[nodiscard]] bool isSegmental(std::uint32_t kind)
    {
        return kind == correlationSegmentalAuto || kind == correlationSegmentalCross;
    }
} // namespace

std::string proposedFcsFileName(const CorrelationResult& result)
{
    return stripExtension(result.sourceName) + suffixOf(result.kind);
}

std::string proposedSegmentFileName(const PhotonStream& stream, std::uint32_t segment)
{
    return formatText("%s_%u.txt", stripExtension(stream.fileTitle).c_str(), segment);
}

int writeFcsResults(const std::string& path, const CorrelationResult& result)
{
    TextFile file(path);
    if (!file.isOpen())
        return writeCannotOpen;
    const bool segmental = isSegmental(result.kind);
    file.print("Header size: \t%d rows\n", segmental ? 6 : 4);
    file.print("PS File: \t%s\n", toWindows1252(result.sourceName).c_str());
    file.print("MT summation step: \t%u\n", static_cast<unsigned>(result.mtStep));
    file.print("Trace length: \t%g sec\n", result.traceLengthS);
    if (segmental) {
        file.print("# segments averaged: \t%d\n", static_cast<int>(result.curveCount));
        file.print("Minimum seg. time: \t%g \xB5s\n", result.minSegmentUs);
    }
    const auto records
        = std::min<std::size_t>(static_cast<std::size_t>(std::max(result.lagCount, 0)), result.lags.capacity());
    for (std::size_t r = 0; r < records; ++r)
        file.print("%f\t%f\n", result.lags[r].lagMs, result.lags[r].g);
    return file.finish() ? writeOk : writeFailed;
}

int writeSegmentFile(const std::string& path, const TraceBuffers& trace)
{
    TextFile file(path);
    if (!file.isOpen())
        return writeCannotOpen;
    for (std::size_t p = 0; p < trace.time.size(); ++p)
        file.print("%g\t%7.0f\t%7.0f\n", trace.time[p], trace.counts[0][p], trace.counts[1][p]);
    return file.finish() ? writeOk : writeFailed;
}

void saveFcsResultsCommand(AppState& state, Platform& platform, int channel)
{
    const CorrelationResult& result = correlationOf(state, channel);
    if (result.lagCount <= 0 || result.lags.empty())
        return;
    const std::optional<std::string> path = chooseTextExport(platform, textFilter, proposedFcsFileName(result));
    if (!path)
        return;
    reportWriteFailure(platform, writeFcsResults(*path, result), Owner::none);
}

void saveSegmentCommand(AppState& state, Platform& platform, int channel, const TraceBuffers& trace)
{
    if (!isLoaded(state, channel)) {
        platform.showMessage("No data in photon stream data selected as active PS.", "Data save error");
        return;
    }
    const std::optional<std::string> path = chooseTextExport(
        platform, textFilter, proposedSegmentFileName(streamOf(state, channel), state.navigator.currentSegment));
    if (!path)
        return;
    const int written = writeSegmentFile(*path, trace);
    if (written == writeCannotOpen)
        platform.showMessage(fileErrorText, "File open error");
    else
        reportWriteFailure(platform, written, Owner::mainWindow);
}

} // namespace plask
