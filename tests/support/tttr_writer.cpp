#include "tttr_writer.h"

#include <hdf5.h>

#include <array>
#include <cstring>

namespace plask::testing {

namespace {
    void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }

    void put64(std::vector<std::uint8_t>& out, std::uint64_t v)
    {
        for (int i = 0; i < 8; ++i)
            out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }

    void putText(std::vector<std::uint8_t>& out, const std::string& text, std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i)
            out.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
    }

    void set32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }

    struct Wrap {
        std::uint64_t period;
        std::uint64_t maxPerRecord; // overflows one overflow record can carry
    };

    Wrap wrapOf(TestLayout layout)
    {
        switch (layout) {
        case TestLayout::picoHarpT2:
            return { 210698240, 1 };
        case TestLayout::picoHarpT3:
            return { 65536, 1 };
        case TestLayout::hydraT2v1:
            return { 33552000, 1 };
        case TestLayout::hydraT2v2:
            return { 33554432, 0x1FFFFFF };
        case TestLayout::hydraT3v1:
            return { 1024, 1 };
        case TestLayout::hydraT3v2:
            return { 1024, 1023 };
        case TestLayout::spc130:
            return { 4096, 0x0FFFFFFF };
        case TestLayout::spc600x4096:
            return { std::uint64_t { 1 } << 24, 1 };
        case TestLayout::spc600x256:
            return { std::uint64_t { 1 } << 17, 0x0FFFFFFF };
        }
        return { 1, 1 };
    }

    void overflowRecord(std::vector<std::uint8_t>& out, TestLayout layout, std::uint64_t n)
    {
        const auto count = static_cast<std::uint32_t>(n);
        switch (layout) {
        case TestLayout::picoHarpT2:
        case TestLayout::picoHarpT3:
            put32(out, 0xF0000000u);
            break;
        case TestLayout::hydraT2v1:
        case TestLayout::hydraT3v1:
            put32(out, 0xFE000000u);
            break;
        case TestLayout::hydraT2v2:
        case TestLayout::hydraT3v2:
            put32(out, 0xFE000000u | count);
            break;
        case TestLayout::spc130:
            put32(out, 0xC0000000u | count);
            break;
        case TestLayout::spc600x4096:
            for (const std::uint8_t b : std::array<std::uint8_t, 6> { 0, 0x30, 0, 0, 0, 0 }) // invalid with the overflow flag
                out.push_back(b);
            break;
        case TestLayout::spc600x256:
            put32(out, 0xC0000000u | count);
            break;
        }
    }

    void markerRecord(std::vector<std::uint8_t>& out, TestLayout layout, std::uint64_t inWrap)
    {
        const auto t = static_cast<std::uint32_t>(inWrap);
        switch (layout) {
        case TestLayout::picoHarpT2:
            put32(out, 0xF0000000u | (t & 0x0FFFFFF0u) | 2u);
            break;
        case TestLayout::picoHarpT3:
            put32(out, 0xF0000000u | (1u << 16) | t);
            break;
        case TestLayout::hydraT2v1:
        case TestLayout::hydraT2v2:
        case TestLayout::hydraT3v1:
        case TestLayout::hydraT3v2:
            put32(out, 0x80000000u | (2u << 25) | t);
            break;
        case TestLayout::spc130:
            put32(out, 0x90000000u | t); // invalid with the marker flag
            break;
        case TestLayout::spc600x4096:
        case TestLayout::spc600x256:
            break; // no markers in these layouts
        }
    }

    void photonRecord(std::vector<std::uint8_t>& out, TestLayout layout, std::uint64_t inWrap, const TestPhoton& p)
    {
        const auto t = static_cast<std::uint32_t>(inWrap);
        const auto ch = static_cast<std::uint32_t>(p.channel);
        const std::uint32_t m = p.microtime;
        switch (layout) {
        case TestLayout::picoHarpT2:
            put32(out, (ch << 28) | t);
            break;
        case TestLayout::picoHarpT3:
            put32(out, (ch << 28) | (m << 16) | t);
            break;
        case TestLayout::hydraT2v1:
        case TestLayout::hydraT2v2:
            put32(out, p.channel < 0 ? (0x80000000u | t) : ((ch << 25) | t));
            break;
        case TestLayout::hydraT3v1:
        case TestLayout::hydraT3v2:
            put32(out, (ch << 25) | (m << 10) | t);
            break;
        case TestLayout::spc130:
            put32(out, ((4095 - m) << 16) | (ch << 12) | t);
            break;
        case TestLayout::spc600x4096: {
            const std::uint32_t adc = 4095 - m;
            const std::array<std::uint8_t, 6> bytes { static_cast<std::uint8_t>(adc), static_cast<std::uint8_t>(adc >> 8),
                static_cast<std::uint8_t>(t >> 16), static_cast<std::uint8_t>(ch), static_cast<std::uint8_t>(t),
                static_cast<std::uint8_t>(t >> 8) };
            for (const std::uint8_t b : bytes)
                out.push_back(b);
            break;
        }
        case TestLayout::spc600x256:
            put32(out, (255 - m) | ((t & 0xFFFF) << 8) | ((t >> 16) << 24) | (ch << 25));
            break;
        }
    }
} // namespace

std::vector<std::uint8_t> encodeRecords(TestLayout layout, const std::vector<TestPhoton>& photons)
{
    const Wrap wrap = wrapOf(layout);
    std::vector<std::uint8_t> out;
    std::uint64_t wraps = 0;
    for (std::size_t i = 0; i < photons.size(); ++i) {
        const TestPhoton& p = photons[i];
        std::uint64_t needed = p.time / wrap.period - wraps;
        while (needed > 0) {
            const std::uint64_t n = std::min(needed, wrap.maxPerRecord);
            overflowRecord(out, layout, n);
            wraps += n;
            needed -= n;
        }
        photonRecord(out, layout, p.time % wrap.period, p);
        if (i % 7 == 6)
            markerRecord(out, layout, p.time % wrap.period);
    }
    return out;
}

std::vector<std::uint8_t> ptuFile(std::uint32_t recordType, double globalResolution, double resolution,
    const std::vector<std::uint8_t>& records, long long announcedRecords)
{
    std::vector<std::uint8_t> out;
    putText(out, "PQTTTR", 8);
    putText(out, "1.0.00", 8);
    const auto tag = [&](const std::string& ident, std::uint32_t type, std::uint64_t value) {
        putText(out, ident, 32);
        put32(out, 0xFFFFFFFF); // index -1: not an array element
        put32(out, type);
        put64(out, value);
    };
    const std::string comment = "round trip";
    tag("File_Comment", 0x4001FFFF, comment.size());
    putText(out, comment, comment.size());
    tag("Measurement_SubMode", 0x10000008, 3);
    tag("TTResultFormat_TTTRRecType", 0x10000008, recordType);
    std::uint64_t bits = 0;
    std::memcpy(&bits, &globalResolution, 8);
    tag("MeasDesc_GlobalResolution", 0x20000008, bits);
    std::memcpy(&bits, &resolution, 8);
    tag("MeasDesc_Resolution", 0x20000008, bits);
    tag("TTResult_NumberOfRecords", 0x10000008,
        announcedRecords < 0 ? records.size() / 4 : static_cast<std::uint64_t>(announcedRecords));
    tag("Header_End", 0xFFFF0008, 0);
    out.insert(out.end(), records.begin(), records.end());
    return out;
}

std::vector<std::uint8_t> spcFile(
    std::uint32_t clockTenthNs, std::size_t recordBytes, const std::vector<std::uint8_t>& records)
{
    std::vector<std::uint8_t> out(recordBytes + records.size(), 0);
    set32(out, 0, clockTenthNs | (1u << 31) | (4u << 27));
    std::copy(records.begin(), records.end(), out.begin() + static_cast<std::ptrdiff_t>(recordBytes));
    return out;
}

std::vector<std::uint8_t> legacyT2File(bool hydraHarp, const std::vector<std::uint8_t>& records)
{
    // Text header (328 bytes), binary header (208), then the hardware and TTTR parts.
    std::vector<std::uint8_t> out;
    putText(out, hydraHarp ? "HydraHarp" : "PicoHarp 300", 16);
    putText(out, "2.0", 6);
    putText(out, "test", 306);
    out.resize(328 + 208, 0);
    std::size_t tttr = 0;
    if (hydraHarp) {
        set32(out, 328 + 12, 2); // T2 mode
        const std::size_t inputs = 2;
        out.resize(out.size() + 160, 0);
        set32(out, 536 + 128, inputs);
        out.resize(out.size() + inputs * 20, 0);
        tttr = out.size();
        out.resize(tttr + 24, 0);
        set32(out, tttr + 16, static_cast<std::uint32_t>(records.size() / 4)); // records, 64 bits
    } else {
        set32(out, 328 + 12, 1); // one board
        set32(out, 328 + 20, 2); // T2 mode
        out.resize(out.size() + 156, 0);
        tttr = out.size();
        out.resize(tttr + 36, 0);
        set32(out, tttr + 28, static_cast<std::uint32_t>(records.size() / 4));
    }
    out.insert(out.end(), records.begin(), records.end());
    return out;
}

void writePhotonHdf5(const std::filesystem::path& path, const std::vector<TestPhoton>& photons, double timestampUnit,
    double nanotimeUnit)
{
    const hid_t file = H5Fcreate(path.string().c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
    const hid_t group = H5Gcreate2(file, "/photon_data", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
    const auto dataset = [&](const char* name, hid_t fileType, hid_t memoryType, const void* data, hsize_t n) {
        const hid_t space = n == 0 ? H5Screate(H5S_SCALAR) : H5Screate_simple(1, &n, nullptr);
        const hid_t set = H5Dcreate2(file, name, fileType, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
        H5Dwrite(set, memoryType, H5S_ALL, H5S_ALL, H5P_DEFAULT, data);
        H5Dclose(set);
        H5Sclose(space);
    };
    std::vector<std::int64_t> times;
    std::vector<std::uint8_t> detectors;
    std::vector<std::uint16_t> nanotimes;
    for (const TestPhoton& p : photons) {
        times.push_back(static_cast<std::int64_t>(p.time));
        detectors.push_back(static_cast<std::uint8_t>(p.channel));
        nanotimes.push_back(static_cast<std::uint16_t>(p.microtime));
    }
    const hsize_t n = photons.size();
    dataset("/photon_data/timestamps", H5T_STD_I64LE, H5T_NATIVE_INT64, times.data(), n);
    dataset("/photon_data/detectors", H5T_STD_U8LE, H5T_NATIVE_UINT8, detectors.data(), n);
    const hid_t specs = H5Gcreate2(file, "/photon_data/timestamps_specs", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
    dataset("/photon_data/timestamps_specs/timestamps_unit", H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, &timestampUnit, 0);
    H5Gclose(specs);
    if (nanotimeUnit > 0.0) {
        dataset("/photon_data/nanotimes", H5T_STD_U16LE, H5T_NATIVE_UINT16, nanotimes.data(), n);
        const hid_t nspecs = H5Gcreate2(file, "/photon_data/nanotimes_specs", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
        dataset("/photon_data/nanotimes_specs/tcspc_unit", H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, &nanotimeUnit, 0);
        const double bins = 4096;
        dataset("/photon_data/nanotimes_specs/tcspc_num_bins", H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, &bins, 0);
        H5Gclose(nspecs);
        // Two lasers (alternating excitation): one rate each, the first one counts.
        const double rates[] = { 20e6, 40e6 };
        H5Gclose(H5Gcreate2(file, "/setup", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT));
        dataset("/setup/laser_repetition_rates", H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, rates, 2);
    }
    H5Gclose(group);
    H5Fclose(file);
}

void writeUnstoredPhotonHdf5(const std::filesystem::path& path, unsigned long long claimed, double timestampUnit)
{
    const hid_t file = H5Fcreate(path.string().c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
    H5Gclose(H5Gcreate2(file, "/photon_data", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT));
    H5Gclose(H5Gcreate2(file, "/photon_data/timestamps_specs", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT));
    const hsize_t n = claimed;
    const hid_t space = H5Screate_simple(1, &n, nullptr);
    H5Dclose(H5Dcreate2(file, "/photon_data/timestamps", H5T_STD_I64LE, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT));
    H5Sclose(space);
    const hid_t scalar = H5Screate(H5S_SCALAR);
    const hid_t unit = H5Dcreate2(file, "/photon_data/timestamps_specs/timestamps_unit", H5T_IEEE_F64LE, scalar,
        H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
    H5Dwrite(unit, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, &timestampUnit);
    H5Dclose(unit);
    H5Sclose(scalar);
    H5Fclose(file);
}

} // namespace plask::testing
