#include "formats/tttr_file.h"

#include "core/text_format.h"
#include "core/whole_file.h"
#include "formats/mapped_file.h"
#include "formats/photon_hdf5.h"
#include "formats/selection_units.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace plask::formats {

namespace {
    constexpr PhotonFormat formats[] = {
        { PhotonFileKind::correlator, "Vireo photon stream file (*.dat)", "*.dat" },
        { PhotonFileKind::photonCount, "Photon count file (*.phc)", "*.phc" },
        { PhotonFileKind::ptu, "PicoQuant unified TTTR file (*.ptu)", "*.ptu" },
        { PhotonFileKind::picoQuantLegacy, "PicoHarp/HydraHarp TTTR file (*.pt3 *.pt2 *.ht3 *.ht2)",
            "*.pt3 *.pt2 *.ht3 *.ht2" },
        { PhotonFileKind::spc, "Becker & Hickl FIFO file (*.spc)", "*.spc" },
        { PhotonFileKind::photonHdf5, "Photon-HDF5 file (*.h5 *.hdf5)", "*.h5 *.hdf5" },
    };

    [[nodiscard]] std::string lowerExtension(const std::string& path)
    {
        std::string ext = std::filesystem::path(path).extension().string();
        std::ranges::transform(ext, ext.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
        return ext;
    }

    // The common pass: header, checks, selection, one decode through a sink.
    struct Pass {
        TttrScan scan;
        ResolvedSelection resolved;
        std::uint64_t kept = 0;
        std::uint64_t lastKept = 0;
    };

    [[nodiscard]] std::uint64_t wholeRecords(const TttrHeader& h, std::size_t fileBytes)
    {
        return h.dataOffset <= fileBytes ? (fileBytes - h.dataOffset) / h.recordBytes : 0;
    }

    [[nodiscard]] std::string checkRecords(const TttrHeader& h, std::size_t fileBytes, std::uint64_t& records)
    {
        if (h.dataOffset > fileBytes)
            return "The file ends inside its header.";
        records = wholeRecords(h, fileBytes);
        const std::size_t tail = (fileBytes - h.dataOffset) % h.recordBytes;
        if (h.announcedRecords > records)
            return formatText("The header announces %llu records but the file holds %llu: it was cut short.",
                static_cast<unsigned long long>(h.announcedRecords), static_cast<unsigned long long>(records));
        if (tail != 0 && (h.announcedRecords == 0 || h.announcedRecords == records))
            return formatText("The file ends inside a record (%zu bytes left over).", tail);
        if (h.announcedRecords != 0)
            records = h.announcedRecords; // bytes past the announced records are not records
        if (records == 0)
            return "The file holds no records.";
        return {};
    }

    template <typename Body>
    Pass runPass(const std::string& path, const PhotonSelection& selection, Progress& progress, Body&& makeSink)
    {
        Pass pass;
        TttrScan& scan = pass.scan;
        const std::optional<SpcType> spcType = spcTypeFromText(selection.spcType);
        if (!spcType) {
            scan.error = "--spc-type takes 130, 600-4096 or 600-256.";
            return pass;
        }
        const PhotonFileKind kind = sniffPhotonFile(path);
        MappedFile file;
        if (kind != PhotonFileKind::photonHdf5) {
            file = MappedFile(path);
            if (!file.ok()) {
                scan.error = "Error opening file.";
                return pass;
            }
        }
        const std::span<const std::uint8_t> bytes = file.bytes();
        DecodeStats hdf5Stats;
        switch (kind) {
        case PhotonFileKind::ptu:
            scan.header = parsePtuHeader(bytes);
            break;
        case PhotonFileKind::picoQuantLegacy:
            scan.header = parseLegacyPicoQuantHeader(bytes);
            break;
        case PhotonFileKind::spc:
            scan.header = parseSpcHeader(bytes, *spcType);
            break;
        case PhotonFileKind::photonHdf5:
            scan.header = readPhotonHdf5(path, nullptr, hdf5Stats, progress);
            break;
        default:
            scan.error = "Unknown file type: not a photon file Plask reads.";
            return pass;
        }
        const TttrHeader& h = scan.header;
        if (!h.error.empty()) {
            scan.error = h.error;
            return pass;
        }
        if (absurdResolution(h.unit)) {
            scan.error = formatText("The time resolution of this file (%g s) is zero or absurd.", h.unit.seconds());
            return pass;
        }
        std::uint64_t records = h.announcedRecords;
        if (kind != PhotonFileKind::photonHdf5) {
            scan.error = checkRecords(h, bytes.size(), records);
            if (!scan.ok())
                return pass;
        }
        scan.recordsInFile = records;
        pass.resolved = resolveSelection(selection, TimeBase { h.unit, h.microtimeUnit, h.microtimeChannels });
        if (!pass.resolved.error.empty()) {
            scan.error = pass.resolved.error;
            return pass;
        }
        PhotonSink sink = makeSink(pass);
        if (kind == PhotonFileKind::photonHdf5) {
            const TttrHeader again = readPhotonHdf5(path, &sink, scan.stats, progress);
            if (!again.error.empty()) {
                scan.error = again.error;
                return pass;
            }
        } else {
            // Only the block being decoded stays resident, whatever the file's size.
            const std::size_t dataOffset = h.dataOffset;
            scan.stats = decodeRecords(bytes.subspan(dataOffset, static_cast<std::size_t>(records) * h.recordBytes), h,
                sink, progress,
                [&file, dataOffset](std::size_t offset, std::size_t next) { file.readingAt(dataOffset + offset, next); });
        }
        scan.channelCounts = sink.channelCounts();
        pass.kept = sink.kept();
        pass.lastKept = sink.lastKept();
        if (scan.stats.cancelled)
            scan.error = "Cancelled.";
        else if (sink.wentBackwards())
            scan.error = h.layoutGuessed
                ? "Photon times go backwards in this file: it is not the .spc layout it seems to be. Choose the "
                  "layout with --spc-type 130|600-4096|600-256."
                : "Photon times go backwards in this file: it is damaged or a diagnostic recording.";
        else if (const std::string missing = missingChannelError(selection, scan.channelCounts); !missing.empty())
            scan.error = missing;
        return pass;
    }

    [[nodiscard]] std::optional<Rational> unitsPerBin(double binWidthUs, const Rational& unit)
    {
        // Bin widths are list values in 0.1 µs steps: w = tenths / 10^7 s.
        const double tenths = std::round(binWidthUs * 10.0);
        if (!(tenths >= 1.0) || tenths > 1e9)
            return std::nullopt;
        return reducedRatio(static_cast<Uint128>(tenths) * unit.den, static_cast<Uint128>(10'000'000) * unit.num);
    }
} // namespace

std::span<const PhotonFormat> photonFormats() { return formats; }

bool isTimeTagKind(PhotonFileKind kind)
{
    return kind == PhotonFileKind::ptu || kind == PhotonFileKind::picoQuantLegacy || kind == PhotonFileKind::spc
        || kind == PhotonFileKind::photonHdf5;
}

std::optional<SpcType> spcTypeFromText(const std::string& text)
{
    if (text.empty())
        return SpcType::sniff;
    if (text == "130")
        return SpcType::spc130;
    if (text == "600-4096")
        return SpcType::spc600x4096;
    if (text == "600-256")
        return SpcType::spc600x256;
    return std::nullopt;
}

PhotonFileKind sniffPhotonFile(const std::string& path)
{
    std::array<std::uint8_t, 16> start {};
    const long n = readFileStart(path, start);
    if (n < 0)
        return PhotonFileKind::none;
    const std::span<const std::uint8_t> got(start.data(), static_cast<std::size_t>(n));
    const auto startsWith = [&](const char* magic) {
        const std::size_t len = std::strlen(magic);
        return got.size() >= len && std::memcmp(got.data(), magic, len) == 0;
    };
    if (startsWith("PHC"))
        return PhotonFileKind::photonCount;
    if (startsWith("PQTTTR"))
        return PhotonFileKind::ptu;
    if (startsWith("HydraHarp") || startsWith("PicoHarp 300"))
        return PhotonFileKind::picoQuantLegacy;
    if (isHdf5File(got))
        return PhotonFileKind::photonHdf5;
    // .spc files have no magic: the extension names them.
    if (lowerExtension(path) == ".spc" && n >= 4)
        return PhotonFileKind::spc;
    if (n >= 2 && (start[0] == 8 || start[0] == 16) && (start[1] == 40 || start[1] == 60))
        return PhotonFileKind::correlator;
    return PhotonFileKind::none;
}

TttrScan scanTttrFile(const std::string& path, const std::string& spcType, Progress& progress)
{
    PhotonSelection everything;
    everything.spcType = spcType;
    Pass pass = runPass(path, everything, progress, [](Pass& p) { return PhotonSink(p.resolved.units); });
    return std::move(pass.scan);
}

TttrStream loadTttrStream(
    const std::string& path, const PhotonSelection& selection, double binWidthUs, Progress& progress)
{
    TttrStream out;
    Binner binner;
    bool started = true;
    Pass pass = runPass(path, selection, progress, [&](Pass& p) {
        const std::optional<Rational> perBin = unitsPerBin(binWidthUs, p.scan.header.unit);
        const std::uint64_t fixed = p.resolved.windowUnits != 0 && perBin
            ? floorMulDiv(p.resolved.windowUnits - 1, perBin->den, perBin->num) + 1
            : 0;
        started = perBin && binner.start(*perBin, fixed);
        return PhotonSink(p.resolved.units, started ? &binner : nullptr);
    });
    out.scan = std::move(pass.scan);
    if (!out.scan.ok())
        return out;
    if (!started) {
        out.scan.error = "Could not reserve needed memory.";
        return out;
    }
    if (pass.kept == 0) {
        out.scan.error = "No photons in the chosen channels, gate and window.";
        return out;
    }
    out.lengthUnits = pass.resolved.windowUnits != 0 ? pass.resolved.windowUnits : pass.lastKept + 1;
    if (!binner.finish(out.lengthUnits)) {
        out.scan.error = "Could not reserve needed memory.";
        return out;
    }
    out.photons = pass.kept;
    out.bins = binner.bins();
    out.counts = std::move(binner.counts());
    return out;
}

TimeTagLoad readTttrTimeTags(const std::string& path, const PhotonSelection& selection, Progress& progress)
{
    TimeTagLoad load;
    Pass pass = runPass(
        path, selection, progress, [&](Pass& p) { return PhotonSink(p.resolved.units, nullptr, &load.times); });
    load.unit = pass.scan.header.unit;
    load.format = pass.scan.header.format;
    load.error = pass.scan.error;
    if (load.ok() && pass.kept == 0)
        load.error = "No photons in the chosen channels, gate and window.";
    if (!load.ok()) {
        load.times.clear();
        return load;
    }
    load.lengthUnits = pass.resolved.windowUnits != 0 ? pass.resolved.windowUnits : pass.lastKept + 1;
    return load;
}

PhotonFileSummary summaryOf(const std::string& path, const TttrScan& scan)
{
    PhotonFileSummary s;
    s.path = path;
    s.format = scan.header.format;
    s.choiceKey = s.format;
    s.durationS = scan.durationS();
    s.hasMicrotimes = scan.header.t3;
    if (!scan.ok()) {
        s.scanError = scan.error;
        return s;
    }
    if (scan.header.microtimeUnit)
        s.microtimeRangeNs = scan.header.microtimeUnit->seconds() * 1e9 * scan.header.microtimeChannels;
    for (std::size_t slot = 0; slot + 1 < channelSlots; ++slot)
        if (scan.channelCounts[slot] != 0) {
            const std::uint64_t n = scan.channelCounts[slot];
            s.channels.push_back({ static_cast<int>(slot) + lowestChannel, n,
                s.durationS > 0.0 ? static_cast<double>(n) / s.durationS : 0.0 });
        }
    return s;
}

} // namespace plask::formats
