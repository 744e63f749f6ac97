#include "formats/photon_count_file.h"

#include "core/app_state.h"
#include "formats/correlator_file.h"
#include "core/file_names.h"
#include "formats/little_endian.h"
#include "core/text_format.h"
#include "core/whole_file.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace plask {

namespace {
    constexpr std::size_t offsetByte3 = 3;
    constexpr std::size_t offsetPacking = 4;
    constexpr std::size_t offsetPackedSize = 8;
    constexpr std::size_t offsetBins = 12;
    constexpr std::size_t offsetMaxCount = 16;
    constexpr std::size_t offsetBinWidth = 18;
    constexpr std::size_t offsetOne = 20;
    constexpr std::size_t offsetScale = 24;
    constexpr std::size_t offsetExactBinWidth = 32;

    constexpr const char* errorCaption = "PHC file error";

    // The bin width the file gives: the exact one when it is usable, else the
    // whole microseconds; 0 when neither is.
    double storedBinWidth(const std::uint8_t* header)
    {
        const double exact = loadLittleEndian<double>(header + offsetExactBinWidth);
        if (std::isfinite(exact) && exact > 0.0)
            return exact;
        return loadLittleEndian<std::uint16_t>(header + offsetBinWidth);
    }

    int refuse(Platform& platform, Owner owner, const char* text)
    {
        platform.showMessage(text, errorCaption, owner);
        return readRefused;
    }
} // namespace

PhcHeader encodePhcHeader(
    const PhotonStream& stream, PhcPacking packing, std::uint32_t packedSize, std::uint16_t maxCount)
{
    PhcHeader header {};
    header[0] = 'P';
    header[1] = 'H';
    header[2] = 'C';
    header[offsetByte3] = static_cast<std::uint8_t>(stream.phcHeaderByte3);
    header[offsetPacking] = packing;
    storeLittleEndian(header.data() + offsetPackedSize, packedSize);
    storeLittleEndian(header.data() + offsetBins, stream.length);
    storeLittleEndian(header.data() + offsetMaxCount, maxCount);
    const double whole = std::isfinite(stream.binWidth) ? std::clamp(stream.binWidth, 0.0, 65535.0) : 0.0;
    storeLittleEndian(header.data() + offsetBinWidth, static_cast<std::uint16_t>(whole));
    header[offsetOne] = 1;
    storeLittleEndian(header.data() + offsetScale, 1.0F);
    storeLittleEndian(header.data() + offsetExactBinWidth, stream.binWidth);
    return header;
}

int writePhotonCountData(const PhotonStream& stream, const std::string& path)
{
    return writePhotonCountData(stream, path, noProgress());
}

int writePhotonCountData(const PhotonStream& stream, const std::string& path, Progress& progress)
{
    const std::span<const std::uint16_t> bins = stream.bins();
    // Counts may have changed since the load, so the packing follows the
    // counts as they are now, not the largest count found at load.
    const std::uint16_t maxCount = bins.empty() ? 0 : countRange(bins).max;
    const PhcPacking packing = packingFor(maxCount);
    PageArray<std::uint8_t> buffer = PageArray<std::uint8_t>::allocate(std::max<std::size_t>(2 * bins.size(), 1));
    if (!buffer)
        return 2;
    // Packing takes half the time, writing the other half.
    PhaseProgress packingPhase(progress, 0.0, 0.5);
    WatchedProgress packingProgress(packingPhase);
    const std::optional<std::size_t> packed = packCounts(bins, packing, buffer.span(), packingProgress);
    if (!packed)
        return 3;
    const std::size_t packedSize = *packed;
    const PhcHeader header = encodePhcHeader(stream, packing, static_cast<std::uint32_t>(packedSize), maxCount);
    PhaseProgress writingPhase(progress, 0.5, 1.0);
    WatchedProgress writing(writingPhase);
    if (!writeFileAtomically(path, { std::span<const std::uint8_t>(header), buffer.first(packedSize) }, writing))
        return writing.cancelled() ? 3 : 1;
    return 0;
}

namespace {
    std::optional<std::string> choosePhotonCountPath(Platform& platform, const PhotonStream& stream)
    {
        FileDialogRequest request;
        request.filters = { { "Photon Count File (*.phc)", "*.phc" } };
        request.defaultName = stripExtension(stream.fileTitle) + ".phc";
        request.defaultExtension = ".phc";
        std::optional<std::string> path = platform.chooseSaveFile(request);
        if (path && path->empty())
            return std::nullopt;
        return path;
    }
} // namespace

int writePhotonCountFile(Platform& platform, const PhotonStream& stream, bool pack)
{
    const std::optional<std::string> path = choosePhotonCountPath(platform, stream);
    if (!path)
        return 4;
    if (!pack)
        return 0;
    return writePhotonCountData(stream, *path);
}

void showPhotonCountWriteFailure(Platform& platform, int result)
{
    if (result == 1)
        platform.showMessage("Could not write the photon count file.", "File I/O Error");
    else if (result == 2)
        platform.showMessage("Could not reserve needed memory.", "Memory Error");
}

void saveDataCommand(AppState& state, Platform& platform)
{
    const PhotonStream& stream = streamOf(state, state.activeChannel);
    if (!isLoaded(state, state.activeChannel) || !stream.counts)
        return;
    if (stream.binWidth != stream.sourceResolution
        && !platform.askYesNo(formatText("Original binwidth = %2.2f µs, new binwidth = %3.1f µs - continue?",
                                  stream.sourceResolution, stream.binWidth),
            "Binwidth change"))
        return;
    const std::optional<std::string> path = choosePhotonCountPath(platform, stream);
    if (!path)
        return;
    // Packed and written on the worker into a temporary file that is renamed
    // over the chosen one only when complete: a cancel leaves no file.
    int result = 3;
    const JobOutcome outcome = platform.runJob(
        "Save Data", [&](Progress& progress) { result = writePhotonCountData(stream, *path, progress); });
    if (outcome == JobOutcome::completed)
        showPhotonCountWriteFailure(platform, result);
}

int readPhotonCountFile(
    Platform& platform, Owner owner, const std::string& path, PhotonStream& stream, Progress& progress)
{
    // Reading takes about as long as unpacking.
    PhaseProgress reading(progress, 0.0, 0.5);
    const WholeFile file = readWholeFile(path, {}, reading);
    if (file.result != readOk)
        return file.result;
    PhaseProgress unpacking(progress, 0.5, 1.0);
    return decodePhotonCountFile(platform, owner, file.bytes(), stream, unpacking);
}

int decodePhotonCountFile(
    Platform& platform, Owner owner, std::span<const std::uint8_t> file, PhotonStream& stream, Progress& progress)
{
    if (file.empty())
        return readNothing;
    if (file.size() < 3 || file[0] != 'P' || file[1] != 'H' || file[2] != 'C')
        return readRefused;
    const char* damaged = "This PHC file is damaged: its packed data do not match its header.";
    if (file.size() < phcHeaderSize)
        return refuse(platform, owner, damaged);
    const std::uint8_t* header = file.data();
    const std::uint8_t packing = header[offsetPacking];
    stream.fileType = fileTypePhotonCount;
    stream.phcHeaderByte3 = header[offsetByte3];
    stream.phcEncoding = packing;
    const double binWidth = storedBinWidth(header);
    stream.binWidth = binWidth;
    stream.sourceResolution = binWidth;
    if (!isPhcRunPacking(packing) && packing != phcPackWords)
        return refuse(platform, owner, "This type of PHC file is not yet supported.");
    if (binWidth <= 0.0)
        return refuse(platform, owner, "This PHC file gives no usable bin width.");

    // Every size in the header is checked against the bytes that are there
    // before anything is allocated.
    const std::uint32_t packedSize = loadLittleEndian<std::uint32_t>(header + offsetPackedSize);
    const std::uint32_t bins = loadLittleEndian<std::uint32_t>(header + offsetBins);
    const std::span<const std::uint8_t> body = file.subspan(phcHeaderSize);
    if (packedSize > body.size())
        return refuse(platform, owner, damaged);
    const std::span<const std::uint8_t> packed = body.first(packedSize);
    const std::uint64_t mostBins = packing == phcPackWords ? packed.size() / 2 : packed.size() * phcRunCap(packing);
    if (bins > mostBins)
        return refuse(platform, owner, damaged);
    if (bins == 0)
        return packed.empty() ? readNothing : refuse(platform, owner, damaged);

    PageArray<std::uint16_t> counts = PageArray<std::uint16_t>::allocate(bins);
    if (!counts)
        return readNoMemory;
    const UnpackResult unpacked = unpackCounts(packed, packing, counts.span(), progress);
    if (unpacked == UnpackResult::cancelled)
        return readCancelled;
    if (unpacked == UnpackResult::damaged)
        return refuse(platform, owner, damaged);

    const std::uint64_t photons = countTotal(counts.span());
    const CountRange range = countRange(counts.span());
    stream.counts = std::move(counts);
    stream.length = bins;
    stream.maxCount = range.max;
    stream.minCount = range.min;
    stream.photons = static_cast<double>(photons);
    stream.duration = static_cast<double>(bins) * binWidth * 1e-6;
    stream.rateKHz = stream.duration > 0.0 ? stream.photons / stream.duration / 1000.0 : 0.0;
    stream.smoothPasses = 0;
    return readOk;
}

} // namespace plask
