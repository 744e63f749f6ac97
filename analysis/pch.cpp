#include "analysis/pch.h"

#include "analysis/count_values.h"
#include "analysis/export_dialog.h"
#include "analysis/text_file.h"
#include "core/file_names.h"
#include "view/panel_settings.h"

#include <algorithm>

namespace plask {

namespace {
    constexpr std::size_t pchNameLimit = 127;

    // At most `limit` bytes, never cutting a UTF-8 character in two.
    std::string clipUtf8(std::string text, std::size_t limit)
    {
        if (text.size() <= limit)
            return text;
        std::size_t end = limit;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            --end;
        text.resize(end);
        return text;
    }
} // namespace

void releasePch(PchResult& pch)
{
    pch.photonsPerBin.reset();
    pch.frequency.reset();
    pch.pointCount = 0;
    pch.maxPhotons = 0.0;
    pch.maxFrequency = 0.0;
}

bool computePch(const PhotonStream& stream, PchResult& pch, std::uint32_t first, std::uint32_t last)
{
    return computePch(stream, pch, first, last, noProgress());
}

bool computePch(
    const PhotonStream& stream, PchResult& pch, std::uint32_t first, std::uint32_t last, Progress& progress)
{
    releasePch(pch);
    const std::span<std::uint16_t> bins = stream.bins();
    const std::size_t end = std::min<std::size_t>(std::size_t { last } + 1, bins.size());
    const std::size_t begin = std::min<std::size_t>(first, end);
    const std::uint32_t points = std::uint32_t { stream.maxCount } + 1;
    auto photonsPerBin = PageArray<double>::allocate(points);
    auto frequency = PageArray<double>::allocate(points);
    if (!photonsPerBin || !frequency)
        return false;
    const std::optional<std::vector<std::uint64_t>> counted
        = tallyCountValues(bins.subspan(begin, end - begin), stream.maxCount, progress);
    if (!counted)
        return false;
    const std::vector<std::uint64_t>& tally = *counted;
    for (std::uint32_t v = 0; v < points; ++v) {
        photonsPerBin[v] = v;
        frequency[v] = static_cast<double>(tally[v]);
    }
    pch.photonsPerBin = std::move(photonsPerBin);
    pch.frequency = std::move(frequency);
    pch.pointCount = points;
    pch.maxPhotons = stream.maxCount;
    pch.maxFrequency = *std::max_element(pch.frequency.data(), pch.frequency.data() + points);
    pch.name = clipUtf8(stripExtension(stream.fileTitle), pchNameLimit);
    return true;
}

int savePch(const std::string& path, const PchResult& pch)
{
    TextFile file(path);
    if (!file.isOpen())
        return writeCannotOpen;
    for (std::uint32_t i = 0; i < pch.pointCount; ++i)
        file.print("%f\t%f\n", pch.photonsPerBin[i], pch.frequency[i]);
    return file.finish() ? writeOk : writeFailed;
}

bool runPchCommand(AppState& state, Platform& platform)
{
    const int channel = state.activeChannel;
    if (!isLoaded(state, channel)) {
        platform.showMessage(pchNotLoadedText, pchErrorCaption, Owner::mainWindow);
        return false;
    }
    endBackgroundSelection(state, platform);
    const PhotonStream& stream = streamOf(state, channel);
    // Counted into a scratch result on the worker; a cancel keeps the last one.
    PchResult scratch;
    bool computed = false;
    const JobOutcome outcome = platform.runJob("PCH", [&](Progress& progress) {
        computed = computePch(stream, scratch, 0, stream.length - 1, progress);
    });
    if (outcome == JobOutcome::cancelled)
        return false;
    if (!computed) {
        releasePch(state.pch);
        return false;
    }
    state.pch = std::move(scratch);
    return true;
}

int savePchCommand(AppState& state, Platform& platform)
{
    const auto path = chooseTextExport(platform, "Tab delimited Data Files (*.txt)", state.pch.name + "_PCH.txt");
    if (!path)
        return 1;
    const int result = savePch(*path, state.pch);
    reportWriteFailure(platform, result, Owner::none);
    return result == writeOk ? 0 : 1;
}

} // namespace plask
