#include "formats/little_endian.h"
#include "formats/rational_math.h"
#include "formats/tttr_header.h"

#include "core/text_format.h"

#include <cstring>
#include <string_view>

namespace plask::formats {

namespace {
    // PTU tag types whose value is the byte length of data that follows.
    constexpr std::uint32_t tyFloat8Array = 0x2001FFFF;
    constexpr std::uint32_t tyAnsiString = 0x4001FFFF;
    constexpr std::uint32_t tyWideString = 0x4002FFFF;
    constexpr std::uint32_t tyBinaryBlob = 0xFFFFFFFF;
    constexpr std::uint32_t tyFloat8 = 0x20000008;
    constexpr std::size_t ptuTagBytes = 48; // ident[32], index, type, value
    constexpr std::size_t ptuFirstTag = 16; // magic and version

    struct RecordTypeName {
        std::uint32_t code;
        const char* name;
        RecordLayout layout;
        bool t3;
    };

    constexpr RecordTypeName recordTypes[] = {
        { 0x00010203, "PicoHarp T2", RecordLayout::picoHarpT2, false },
        { 0x00010303, "PicoHarp T3", RecordLayout::picoHarpT3, true },
        { 0x00010204, "HydraHarp v1 T2", RecordLayout::hydraT2v1, false },
        { 0x00010304, "HydraHarp v1 T3", RecordLayout::hydraT3v1, true },
        { 0x01010204, "HydraHarp v2 T2", RecordLayout::hydraT2v2, false },
        { 0x01010304, "HydraHarp v2 T3", RecordLayout::hydraT3v2, true },
        { 0x00010205, "TimeHarp 260 N T2", RecordLayout::hydraT2v2, false },
        { 0x00010305, "TimeHarp 260 N T3", RecordLayout::hydraT3v2, true },
        { 0x00010206, "TimeHarp 260 P T2", RecordLayout::hydraT2v2, false },
        { 0x00010306, "TimeHarp 260 P T3", RecordLayout::hydraT3v2, true },
        { 0x00010207, "MultiHarp T2", RecordLayout::hydraT2v2, false },
        { 0x00010307, "MultiHarp T3", RecordLayout::hydraT3v2, true },
    };

    [[nodiscard]] const RecordTypeName* recordTypeOf(std::uint32_t code)
    {
        for (const RecordTypeName& r : recordTypes)
            if (r.code == code)
                return &r;
        return nullptr;
    }

    [[nodiscard]] std::uint32_t microtimeChannelsOf(RecordLayout layout)
    {
        return layout == RecordLayout::picoHarpT3 ? 4096u : 32768u;
    }

    [[nodiscard]] bool setLayout(TttrHeader& h, std::uint32_t code, const char* prefix)
    {
        const RecordTypeName* type = recordTypeOf(code);
        if (type == nullptr) {
            h.error = formatText("Unknown record type 0x%08X in this file.", code);
            return false;
        }
        h.recordType = code;
        h.layout = type->layout;
        h.t3 = type->t3;
        h.format = std::string(prefix) + type->name;
        if (h.t3)
            h.microtimeChannels = microtimeChannelsOf(h.layout);
        return true;
    }

    template <typename T> [[nodiscard]] T field(std::span<const std::uint8_t> file, std::size_t at)
    {
        return at + sizeof(T) <= file.size() ? loadLittleEndian<T>(file.data() + at) : T {};
    }

    [[nodiscard]] std::string textField(std::span<const std::uint8_t> file, std::size_t at, std::size_t n)
    {
        if (at + n > file.size())
            return {};
        const char* p = reinterpret_cast<const char*>(file.data() + at);
        return std::string(p, strnlen(p, n));
    }

    [[nodiscard]] bool unitFromDouble(TttrHeader& h, double seconds, std::optional<Rational>& out, const char* what)
    {
        out = rationalFromDouble(seconds);
        if (!out || absurdResolution(*out)) {
            h.error = formatText("The %s of this file (%g s) is zero or absurd.", what, seconds);
            return false;
        }
        return true;
    }
} // namespace

bool absurdResolution(const Rational& unit)
{
    // 1 fs to 1 s covers every TCSPC clock.
    return unit.num == 0 || unit.den == 0 || unit.seconds() < 1e-15 || unit.seconds() > 1.0;
}

TttrHeader parsePtuHeader(std::span<const std::uint8_t> file)
{
    TttrHeader h;
    if (file.size() < ptuFirstTag || std::memcmp(file.data(), "PQTTTR", 6) != 0) {
        h.error = "Unknown file type: not a PTU file.";
        return h;
    }
    std::optional<std::uint32_t> recordType;
    double globalResolution = 0.0;
    double resolution = 0.0;
    double syncRate = 0.0;
    std::size_t at = ptuFirstTag;
    for (;;) {
        if (at + ptuTagBytes > file.size()) {
            h.error = "The PTU header ends before its Header_End tag.";
            return h;
        }
        const std::string ident = textField(file, at, 32);
        const std::uint32_t type = field<std::uint32_t>(file, at + 36);
        const std::uint64_t value = field<std::uint64_t>(file, at + 40);
        at += ptuTagBytes;
        if (type == tyFloat8Array || type == tyAnsiString || type == tyWideString || type == tyBinaryBlob) {
            if (value > file.size() - at) {
                h.error = "A PTU header tag claims more bytes than the file holds.";
                return h;
            }
            at += static_cast<std::size_t>(value);
        }
        const double asDouble = std::bit_cast<double>(value);
        if (ident == "Header_End")
            break;
        if (ident == "TTResultFormat_TTTRRecType")
            recordType = static_cast<std::uint32_t>(value);
        else if (ident == "MeasDesc_GlobalResolution" && type == tyFloat8)
            globalResolution = asDouble;
        else if (ident == "MeasDesc_Resolution" && type == tyFloat8)
            resolution = asDouble;
        else if (ident == "TTResult_NumberOfRecords")
            h.announcedRecords = value;
        else if (ident == "TTResult_SyncRate")
            syncRate = static_cast<double>(static_cast<std::int64_t>(value));
    }
    h.dataOffset = at;
    if (!recordType) {
        h.error = "The PTU header has no record type (TTResultFormat_TTTRRecType).";
        return h;
    }
    if (!setLayout(h, *recordType, "PTU "))
        return h;
    std::optional<Rational> unit;
    if (!unitFromDouble(h, globalResolution, unit, "time resolution (MeasDesc_GlobalResolution)"))
        return h;
    h.unit = *unit;
    if (h.t3) {
        if (!unitFromDouble(h, resolution, h.microtimeUnit, "microtime resolution (MeasDesc_Resolution)"))
            return h;
        h.syncRateHz = syncRate > 0.0 ? syncRate : 1.0 / globalResolution;
    }
    return h;
}

TttrHeader parseLegacyPicoQuantHeader(std::span<const std::uint8_t> file)
{
    // Text header: ident[16], version[6], creator[18], creator version[12],
    // file time[18], CRLF[2], comment[256]; then the binary header.
    constexpr std::size_t binaryHeader = 328;
    TttrHeader h;
    const std::string ident = textField(file, 0, 16);
    const std::string version = textField(file, 16, 6);
    if (file.size() < binaryHeader + 208) {
        h.error = "Unknown file type: the header is incomplete.";
        return h;
    }
    if (ident == "HydraHarp") {
        const bool v1 = version == "1.0";
        if (!v1 && version != "2.0") {
            h.error = formatText("HydraHarp file version %s is not supported.", version.c_str());
            return h;
        }
        const std::int32_t mode = field<std::int32_t>(file, binaryHeader + 12);
        const double resolutionPs = field<double>(file, binaryHeader + 24);
        const std::size_t hardware = binaryHeader + 208;
        const std::int32_t inputs = field<std::int32_t>(file, hardware + 128);
        if (inputs < 0 || inputs > 64) {
            h.error = "The HydraHarp header names an impossible number of inputs.";
            return h;
        }
        const std::size_t tttr = hardware + 160 + static_cast<std::size_t>(inputs) * 20;
        const std::int32_t syncRate = field<std::int32_t>(file, tttr);
        const std::int32_t imageWords = field<std::int32_t>(file, tttr + 12);
        const std::int64_t records = field<std::int64_t>(file, tttr + 16);
        if (imageWords < 0 || records < 0 || tttr + 24 > file.size()) {
            h.error = "The HydraHarp header is damaged.";
            return h;
        }
        h.dataOffset = tttr + 24 + static_cast<std::size_t>(imageWords) * 4;
        h.announcedRecords = static_cast<std::uint64_t>(records);
        const std::string prefix = formatText(".ht%d v%s ", mode == 2 ? 2 : 3, version.c_str());
        if (mode == 3) {
            if (!setLayout(h, v1 ? 0x00010304 : 0x01010304, prefix.c_str()))
                return h;
            if (syncRate <= 0) {
                h.error = "The sync rate of this file is zero or absurd.";
                return h;
            }
            h.unit = { 1, static_cast<std::uint64_t>(syncRate) };
            h.syncRateHz = syncRate;
            h.v1OverflowCountInField = v1;
            if (!unitFromDouble(h, resolutionPs * 1e-12, h.microtimeUnit, "microtime resolution"))
                return h;
        } else if (mode == 2) {
            if (!setLayout(h, v1 ? 0x00010204 : 0x01010204, prefix.c_str()))
                return h;
            h.unit = { 1, 1'000'000'000'000 }; // 1 ps time tags
        } else {
            h.error = formatText("Measurement mode %d is not a time-tagged mode.", mode);
        }
        return h;
    }
    if (ident == "PicoHarp 300") {
        if (version != "2.0") {
            h.error = formatText("PicoHarp file version %s is not supported.", version.c_str());
            return h;
        }
        const std::int32_t mode = field<std::int32_t>(file, binaryHeader + 20);
        const std::int32_t boards = field<std::int32_t>(file, binaryHeader + 12);
        if (boards < 1 || boards > 4) {
            h.error = "The PicoHarp header names an impossible number of boards.";
            return h;
        }
        constexpr std::size_t board = binaryHeader + 208;
        const float resolutionNs = field<float>(file, board + 48);
        const std::size_t tttr = board + static_cast<std::size_t>(boards) * 156;
        const std::int32_t syncRate = field<std::int32_t>(file, tttr + 12);
        const std::int32_t records = field<std::int32_t>(file, tttr + 28);
        const std::int32_t imageWords = field<std::int32_t>(file, tttr + 32);
        if (imageWords < 0 || records < 0 || tttr + 36 > file.size()) {
            h.error = "The PicoHarp header is damaged.";
            return h;
        }
        h.dataOffset = tttr + 36 + static_cast<std::size_t>(imageWords) * 4;
        h.announcedRecords = static_cast<std::uint64_t>(records);
        if (mode == 3) {
            if (!setLayout(h, 0x00010303, ".pt3 v2.0 "))
                return h;
            if (syncRate <= 0) {
                h.error = "The sync rate of this file is zero or absurd.";
                return h;
            }
            h.unit = { 1, static_cast<std::uint64_t>(syncRate) };
            h.syncRateHz = syncRate;
            if (!unitFromDouble(h, static_cast<double>(resolutionNs) * 1e-9, h.microtimeUnit, "microtime resolution"))
                return h;
        } else if (mode == 2) {
            if (!setLayout(h, 0x00010203, ".pt2 v2.0 "))
                return h;
            h.unit = { 4, 1'000'000'000'000 }; // 4 ps time tags
        } else {
            h.error = formatText("Measurement mode %d is not a time-tagged mode.", mode);
        }
        return h;
    }
    h.error = "Unknown file type: not a PicoHarp or HydraHarp file.";
    return h;
}

} // namespace plask::formats
