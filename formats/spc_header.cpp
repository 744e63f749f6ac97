#include "formats/little_endian.h"
#include "formats/tttr_header.h"

#include "core/text_format.h"

#include <numeric>

namespace plask::formats {

namespace {
    // The header record: bits 0-23 the macrotime clock in 0.1 ns, bits 27-30
    // the number of routing bits, bit 31 set when the data are valid.
    constexpr std::uint32_t clockMask = 0x00FFFFFF;
    constexpr double defaultSpc600ClockTenthNs = 500.0; // 50 ns when a SPC-600/630 header gives none

    [[nodiscard]] bool looksLikeSpc130Header(std::uint32_t first)
    {
        const std::uint32_t clock = first & clockMask;
        return clock != 0 && clock <= 100'000 && (first >> 31) != 0;
    }
} // namespace

TttrHeader parseSpcHeader(std::span<const std::uint8_t> file, SpcType type)
{
    TttrHeader h;
    if (file.size() < 4) {
        h.error = "Unknown file type: the .spc file is too short.";
        return h;
    }
    const std::uint32_t first = loadLittleEndian<std::uint32_t>(file.data());
    if (type == SpcType::sniff) {
        // The header record tells the SPC-130 family; otherwise a length of
        // whole 6-byte records suggests the 4096-channel SPC-600/630 layout.
        h.layoutGuessed = true;
        type = looksLikeSpc130Header(first) ? SpcType::spc130
            : file.size() % 6 == 0          ? SpcType::spc600x4096
                                            : SpcType::spc600x256;
    }
    std::uint32_t clockTenthNs = first & clockMask;
    switch (type) {
    case SpcType::spc130:
        h.layout = RecordLayout::spc130;
        h.recordBytes = 4;
        h.microtimeChannels = 4096;
        h.format = "SPC-130 FIFO";
        if (clockTenthNs == 0) {
            h.error = "The macrotime clock of this .spc file is zero (or it is not an SPC-130 family file: see "
                      "--spc-type).";
            return h;
        }
        break;
    case SpcType::spc600x4096:
        h.layout = RecordLayout::spc600x4096;
        h.recordBytes = 6;
        h.microtimeChannels = 4096;
        h.format = "SPC-600/630 FIFO 4096 channels";
        break;
    case SpcType::spc600x256:
        h.layout = RecordLayout::spc600x256;
        h.recordBytes = 4;
        h.microtimeChannels = 256;
        h.format = "SPC-600/630 FIFO 256 channels";
        break;
    case SpcType::sniff:
        break;
    }
    if (type != SpcType::spc130 && (clockTenthNs == 0 || clockTenthNs > 100'000))
        clockTenthNs = static_cast<std::uint32_t>(defaultSpc600ClockTenthNs);
    h.t3 = true;
    h.unit = { clockTenthNs, 10'000'000'000 };
    if (const std::uint64_t g = std::gcd(h.unit.num, h.unit.den); g > 1)
        h.unit = { h.unit.num / g, h.unit.den / g };
    h.syncRateHz = 1.0 / h.unit.seconds();
    h.dataOffset = h.recordBytes; // the first record is the header
    return h;
}

} // namespace plask::formats
