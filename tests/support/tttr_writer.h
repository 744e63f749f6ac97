#pragma once
// Small time-tag files written from the vendors' published record layouts,
// with overflow and marker records, for round trips through the readers.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace plask::testing {

struct TestPhoton {
    std::uint64_t time = 0; // in the file's time unit
    int channel = 0;
    std::uint32_t microtime = 0;
};

enum class TestLayout { picoHarpT2, picoHarpT3, hydraT2v1, hydraT2v2, hydraT3v1, hydraT3v2, spc130, spc600x4096, spc600x256 };

// Records of `photons` (sorted) with overflow records wherever the time
// wraps and a marker record after every 7th photon. T2 layouts with sync
// records write channel -1 photons as sync records.
[[nodiscard]] std::vector<std::uint8_t> encodeRecords(TestLayout layout, const std::vector<TestPhoton>& photons);

// A PTU file: magic, a few tags of several types, Header_End, the records.
// `announcedRecords` < 0 writes the true count.
[[nodiscard]] std::vector<std::uint8_t> ptuFile(std::uint32_t recordType, double globalResolution, double resolution,
    const std::vector<std::uint8_t>& records, long long announcedRecords = -1);

// A .spc file: the header record with the macrotime clock in 0.1 ns, then the records.
[[nodiscard]] std::vector<std::uint8_t> spcFile(
    std::uint32_t clockTenthNs, std::size_t recordBytes, const std::vector<std::uint8_t>& records);

// A legacy .ht2 (HydraHarp v2.0, T2) or .pt2 (PicoHarp v2.0, T2) file.
[[nodiscard]] std::vector<std::uint8_t> legacyT2File(bool hydraHarp, const std::vector<std::uint8_t>& records);

// A Photon-HDF5 file with timestamps, detectors and (when `nanotimeUnit` > 0)
// nanotimes and two laser repetition rates, 20 and 40 MHz.
void writePhotonHdf5(const std::filesystem::path& path, const std::vector<TestPhoton>& photons, double timestampUnit,
    double nanotimeUnit);

// A Photon-HDF5 file whose timestamps dataset claims `claimed` photons but
// was never written (no storage), with a valid unit.
void writeUnstoredPhotonHdf5(const std::filesystem::path& path, unsigned long long claimed, double timestampUnit);

} // namespace plask::testing
