#include "formats/hdf5_datasets.h"
#include "formats/tttr_file.h"
#include "test_files.h"
#include "tttr_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace plask::formats {
namespace {

    using namespace plask::testing;

    struct LayoutCase {
        const char* name;
        TestLayout layout;
        std::uint32_t ptuType; // 0: not a PTU layout
        std::vector<int> channels;
        std::uint32_t microtimes; // 0: T2
        double unit; // seconds
    };

    std::vector<TestPhoton> randomPhotons(const LayoutCase& c, std::uint64_t maxGap, std::mt19937_64& rng)
    {
        std::vector<TestPhoton> photons;
        std::uint64_t t = 0;
        std::uniform_int_distribution<std::uint64_t> gap(0, maxGap);
        std::uniform_int_distribution<std::size_t> channel(0, c.channels.size() - 1);
        std::uniform_int_distribution<std::uint32_t> micro(0, c.microtimes == 0 ? 0 : c.microtimes - 1);
        for (int i = 0; i < 3000; ++i) {
            // Mostly short gaps, now and then one over many wraps.
            t += i % 500 == 499 ? gap(rng) * 200000 : gap(rng);
            photons.push_back({ t, c.channels[channel(rng)], micro(rng) });
        }
        return photons;
    }

    std::vector<std::uint8_t> fileOf(const LayoutCase& c, const std::vector<std::uint8_t>& records)
    {
        if (c.layout == TestLayout::spc130 || c.layout == TestLayout::spc600x256)
            return spcFile(static_cast<std::uint32_t>(c.unit * 1e10 + 0.5), 4, records);
        if (c.layout == TestLayout::spc600x4096)
            return spcFile(static_cast<std::uint32_t>(c.unit * 1e10 + 0.5), 6, records);
        return ptuFile(c.ptuType, c.unit, 25e-12, records);
    }

    std::string spcTypeOf(TestLayout layout)
    {
        return layout == TestLayout::spc600x4096 ? "600-4096" : layout == TestLayout::spc600x256 ? "600-256" : "";
    }

    // Every record type: random photons written with overflow and marker
    // records come back as the photons of the chosen channel, gate and
    // window, binned exactly as floor(time · unit / bin width).
    TEST(TimeTagRoundTrip, EveryRecordTypeGivesBackTheSelectedPhotons)
    {
        const std::vector<LayoutCase> cases = {
            { "PicoHarp T2", TestLayout::picoHarpT2, 0x00010203, { 0, 1 }, 0, 4e-12 },
            { "PicoHarp T3", TestLayout::picoHarpT3, 0x00010303, { 1, 2 }, 4096, 100e-9 },
            { "HydraHarp v1 T2", TestLayout::hydraT2v1, 0x00010204, { 0, 3, -1 }, 0, 1e-12 },
            { "HydraHarp v1 T3", TestLayout::hydraT3v1, 0x00010304, { 0, 1 }, 32768, 12.5e-9 },
            { "HydraHarp v2 T2", TestLayout::hydraT2v2, 0x01010204, { 0, 1, -1 }, 0, 1e-12 },
            { "HydraHarp v2 T3", TestLayout::hydraT3v2, 0x01010304, { 0, 1 }, 32768, 12.5e-9 },
            { "TimeHarp 260 N T2", TestLayout::hydraT2v2, 0x00010205, { 0, 1 }, 0, 250e-12 },
            { "TimeHarp 260 N T3", TestLayout::hydraT3v2, 0x00010305, { 0, 1 }, 32768, 25e-9 },
            { "TimeHarp 260 P T2", TestLayout::hydraT2v2, 0x00010206, { 0, 1 }, 0, 25e-12 },
            { "TimeHarp 260 P T3", TestLayout::hydraT3v2, 0x00010306, { 0, 1 }, 32768, 31.249e-9 },
            { "MultiHarp T2", TestLayout::hydraT2v2, 0x00010207, { 0, 5 }, 0, 5e-12 },
            { "MultiHarp T3", TestLayout::hydraT3v2, 0x00010307, { 2, 5 }, 32768, 50e-9 },
            { "SPC-130", TestLayout::spc130, 0, { 0, 8, 9 }, 4096, 13.5e-9 },
            { "SPC-600 4096", TestLayout::spc600x4096, 0, { 0, 1 }, 4096, 50e-9 },
            { "SPC-600 256", TestLayout::spc600x256, 0, { 0, 2 }, 256, 50e-9 },
        };
        std::mt19937_64 rng(11);
        TempDir dir;
        for (const LayoutCase& c : cases) {
            SCOPED_TRACE(c.name);
            const double gapSeconds = 2e-6;
            const std::vector<TestPhoton> photons = randomPhotons(c, static_cast<std::uint64_t>(gapSeconds / c.unit), rng);
            const std::string path = (dir / (std::string(c.name) + (c.ptuType != 0 ? ".ptu" : ".spc"))).string();
            writeBytes(path, fileOf(c, encodeRecords(c.layout, photons)));

            const TttrScan scan = scanTttrFile(path, spcTypeOf(c.layout));
            ASSERT_TRUE(scan.ok()) << scan.error;
            std::uint64_t inChannel0 = 0;
            for (const TestPhoton& p : photons)
                inChannel0 += p.channel == c.channels[0] ? 1 : 0;
            EXPECT_EQ(scan.channelCounts[static_cast<std::size_t>(c.channels[0] + 1)], inChannel0);
            if (c.layout != TestLayout::spc600x4096 && c.layout != TestLayout::spc600x256) {
                EXPECT_EQ(scan.stats.markerRecords, photons.size() / 7);
            }
            EXPECT_GT(scan.stats.overflowRecords, 0u);

            PhotonSelection selection;
            selection.spcType = spcTypeOf(c.layout);
            selection.channels = { c.channels[0] };
            const Rational unit = scan.header.unit;
            const std::uint64_t start = photons[photons.size() / 4].time;
            const std::uint64_t end = photons[3 * photons.size() / 4].time;
            selection.windowStartS = static_cast<double>(start) * unit.seconds();
            selection.windowDurationS = static_cast<double>(end - start) * unit.seconds();
            const bool gated = c.microtimes != 0 && c.layout != TestLayout::spc130 && c.layout != TestLayout::spc600x4096
                && c.layout != TestLayout::spc600x256;
            const double microNs = gated ? scan.header.microtimeUnit->seconds() * 1e9 : 0.0;
            if (gated) {
                selection.gateFromNs = microNs * c.microtimes / 4;
                selection.gateToNs = microNs * c.microtimes / 2;
            }
            const TimeTagLoad times = readTimeTags(path, selection);
            ASSERT_TRUE(times.ok()) << times.error;
            const TttrStream stream = loadTttrStream(path, selection, 2.0);
            ASSERT_TRUE(stream.scan.ok()) << stream.scan.error;

            std::vector<std::uint64_t> expected;
            std::vector<std::uint16_t> bins(stream.bins, 0);
            const Rational perBin = *reducedRatio(static_cast<Uint128>(20) * unit.den, static_cast<Uint128>(10'000'000) * unit.num);
            const std::uint64_t windowStart = unitsAtOrAfter(*rationalFromDouble(*selection.windowStartS), unit);
            for (const TestPhoton& p : photons) {
                if (p.channel != c.channels[0] || p.time < windowStart || p.time - windowStart >= times.lengthUnits)
                    continue;
                if (gated
                    && (p.microtime * microNs < *selection.gateFromNs - 1e-9 || p.microtime * microNs >= *selection.gateToNs - 1e-9))
                    continue;
                expected.push_back(p.time - windowStart);
                ++bins.at(floorMulDiv(p.time - windowStart, perBin.den, perBin.num));
            }
            EXPECT_EQ(times.times, expected);
            EXPECT_EQ(stream.photons, expected.size());
            EXPECT_EQ(std::vector<std::uint16_t>(stream.counts.data(), stream.counts.data() + stream.bins), bins);
        }
    }

    // A bin fuller than 65535 photons stays at 65535, also when its photons
    // span two decoding blocks (2^20 records; the second block alone holds
    // fewer than 65535 of them) and other channels.
    TEST(TimeTagRoundTrip, CountsSaturateAcrossDecodingBlocks)
    {
        std::vector<TestPhoton> photons;
        for (int i = 0; i < 1'000'000; ++i)
            photons.push_back({ 5, i % 3 == 0 ? 1 : 0, 0 });
        photons.push_back({ 100, 0, 0 });
        photons.push_back({ 170, 0, 0 });
        photons.push_back({ 170, 1, 0 });
        TempDir dir;
        const std::string path = (dir / "full.ptu").string();
        writeBytes(path, ptuFile(0x01010304, 12.5e-9, 1e-12, encodeRecords(TestLayout::hydraT3v2, photons)));
        PhotonSelection zero;
        zero.channels = { 0 };
        const TttrStream stream = loadTttrStream(path, zero, 1.0);
        ASSERT_TRUE(stream.scan.ok()) << stream.scan.error;
        EXPECT_EQ(stream.photons, 666'668u);
        EXPECT_EQ(std::vector<std::uint16_t>(stream.counts.data(), stream.counts.data() + stream.bins),
            (std::vector<std::uint16_t> { 65535, 1, 1 }));
    }

    // Loads with no gate and no window against a plain count: random streams
    // past one decoding block and the first counts array, on one or two of
    // three channels, with dense bursts that saturate bins, long gaps over
    // many overflows, at integer and non-integer bin widths in time units.
    TEST(TimeTagRoundTrip, WholeFileBinsMatchAPlainCount)
    {
        std::mt19937_64 rng(17);
        TempDir dir;
        for (int round = 0; round < 4; ++round) {
            SCOPED_TRACE(round);
            std::vector<TestPhoton> photons;
            std::uint64_t t = 0;
            for (int i = 0; i < 1'200'000; ++i) {
                const std::uint64_t r = rng();
                const bool burst = i % 400'000 < 150'000; // 75 000 photons at each of two times on channel 0
                if (burst)
                    t += i % 75'000 == 0 ? 1 : 0;
                else
                    t += i % 4099 == 0 ? (r % 1000) * 1024 : r % 200;
                photons.push_back({ t, burst ? 0 : static_cast<int>((r >> 20) % 3), 0 });
            }
            const double unit = round % 2 == 0 ? 12.5e-9 : 31.249e-9;
            const std::string path = (dir / ("whole" + std::to_string(round) + ".ptu")).string();
            writeBytes(path, ptuFile(0x01010304, unit, 1e-12, encodeRecords(TestLayout::hydraT3v2, photons)));
            PhotonSelection selection;
            selection.channels = round < 2 ? std::vector<int> { 0 } : std::vector<int> { 0, 2 };
            const double binUs = 0.1 * static_cast<double>(1 + rng() % 30);
            const TttrStream stream = loadTttrStream(path, selection, binUs);
            ASSERT_TRUE(stream.scan.ok()) << stream.scan.error;

            const Rational fileUnit = stream.scan.header.unit;
            const Rational perBin = *reducedRatio(static_cast<Uint128>(std::llround(binUs * 10.0)) * fileUnit.den,
                static_cast<Uint128>(10'000'000) * fileUnit.num);
            std::vector<std::uint16_t> bins;
            std::uint64_t kept = 0;
            std::uint64_t lastKept = 0;
            for (const TestPhoton& p : photons) {
                if (std::ranges::find(selection.channels, p.channel) == selection.channels.end())
                    continue;
                const std::uint64_t bin = floorMulDiv(p.time, perBin.den, perBin.num);
                if (bin >= bins.size())
                    bins.resize(bin + 1, 0);
                bins[bin] = static_cast<std::uint16_t>(bins[bin] + (bins[bin] != 0xFFFF ? 1 : 0));
                ++kept;
                lastKept = p.time;
            }
            EXPECT_EQ(stream.photons, kept);
            EXPECT_EQ(stream.lengthUnits, lastKept + 1);
            EXPECT_TRUE(std::ranges::find(bins, 0xFFFF) != bins.end());
            EXPECT_EQ(std::vector<std::uint16_t>(stream.counts.data(), stream.counts.data() + stream.bins), bins);
        }
    }

    TEST(TimeTagRoundTrip, LegacyT2FilesAndPhotonHdf5)
    {
        std::mt19937_64 rng(3);
        TempDir dir;
        const LayoutCase hh { "ht2", TestLayout::hydraT2v2, 0, { 0, 1 }, 0, 1e-12 };
        const std::vector<TestPhoton> photons = randomPhotons(hh, 2'000'000, rng);
        writeBytes(dir / "a.ht2", legacyT2File(true, encodeRecords(TestLayout::hydraT2v2, photons)));
        const LayoutCase ph { "pt2", TestLayout::picoHarpT2, 0, { 0, 1 }, 0, 4e-12 };
        const std::vector<TestPhoton> picoPhotons = randomPhotons(ph, 500'000, rng);
        writeBytes(dir / "a.pt2", legacyT2File(false, encodeRecords(TestLayout::picoHarpT2, picoPhotons)));
        writePhotonHdf5(dir / "a.h5", photons, 1e-12, 16e-12);

        for (const auto& [name, source] : { std::pair { "a.ht2", &photons }, std::pair { "a.pt2", &picoPhotons },
                 std::pair { "a.h5", &photons } }) {
            SCOPED_TRACE(name);
            PhotonSelection one;
            one.channels = { 1 };
            const TimeTagLoad load = readTimeTags((dir / name).string(), one);
            ASSERT_TRUE(load.ok()) << load.error;
            std::vector<std::uint64_t> expected;
            for (const TestPhoton& p : *source)
                if (p.channel == 1)
                    expected.push_back(p.time);
            EXPECT_EQ(load.times, expected);
        }
        const TttrHeader h5 = scanTttrFile((dir / "a.h5").string(), "").header;
        EXPECT_EQ(h5.format, "Photon-HDF5 TCSPC");
        EXPECT_EQ(h5.syncRateHz, 20e6);
    }

    // Every photon of a Photon-HDF5 file, in the order the slabs give them.
    struct CollectedPhotons final : Hdf5PhotonReceiver {
        std::vector<std::int64_t> times, slabTimes = std::vector<std::int64_t>(hdf5SlabPhotons);
        std::vector<std::int32_t> detectors, slabDetectors = std::vector<std::int32_t>(hdf5SlabPhotons);
        std::vector<std::uint32_t> nanotimes, slabNanotimes = std::vector<std::uint32_t>(hdf5SlabPhotons);
        bool header(const TttrHeader&, bool, bool) override { return true; }
        Hdf5SlabBuffers nextBuffers() override
        {
            return { slabTimes.data(), slabDetectors.data(), slabNanotimes.data() };
        }
        bool slab(std::size_t count) override
        {
            const auto append = [count](auto& all, const auto& slab) {
                all.insert(all.end(), slab.begin(), slab.begin() + static_cast<std::ptrdiff_t>(count));
            };
            append(times, slabTimes);
            append(detectors, slabDetectors);
            append(nanotimes, slabNanotimes);
            return true;
        }
    };

    // A file's bytes read in memory give what the file on disk gives.
    TEST(TimeTagRoundTrip, PhotonHdf5ImageReadsAsItsFile)
    {
        std::mt19937_64 rng(5);
        TempDir dir;
        const LayoutCase c { "h5", TestLayout::hydraT2v2, 0, { 0, 1 }, 0, 1e-12 };
        writePhotonHdf5(dir / "a.h5", randomPhotons(c, 1000, rng), 1e-12, 16e-12);
        CollectedPhotons fromFile;
        CollectedPhotons fromImage;
        const TttrHeader file = readHdf5Datasets((dir / "a.h5").string(), &fromFile);
        const TttrHeader image = readHdf5Image(readBytes(dir / "a.h5"), &fromImage);
        ASSERT_TRUE(file.error.empty()) << file.error;
        EXPECT_EQ(image.error, "");
        EXPECT_EQ(image.format, file.format);
        EXPECT_EQ(image.announcedRecords, 3000u);
        EXPECT_EQ(image.syncRateHz, file.syncRateHz);
        EXPECT_EQ(fromImage.times, fromFile.times);
        EXPECT_EQ(fromImage.detectors, fromFile.detectors);
        EXPECT_EQ(fromImage.nanotimes, fromFile.nanotimes);
        EXPECT_EQ(readHdf5Image({}, nullptr).error, readHdf5Datasets((dir / "none.h5").string(), nullptr).error);
    }

} // namespace
} // namespace plask::formats

namespace plask::formats {
namespace {

    using namespace plask::testing;

    // Each damaged or unsuitable input is refused with its own message.
    TEST(TimeTagBadInput, EachIsRefusedWithAMessage)
    {
        TempDir dir;
        const std::vector<TestPhoton> photons = { { 10, 0, 5 }, { 2000, 1, 6 }, { 5000, 0, 7 } };
        const std::vector<std::uint8_t> records = encodeRecords(TestLayout::hydraT3v2, photons);
        const auto refusal = [&](const std::string& name, const std::vector<std::uint8_t>& bytes,
                                 const PhotonSelection& selection = {}) {
            writeBytes(dir / name, bytes);
            return readTimeTags((dir / name).string(), selection).error;
        };
        EXPECT_NE(refusal("type.ptu", ptuFile(0x00AB0304, 12.5e-9, 25e-12, records)).find("Unknown record type"),
            std::string::npos);
        EXPECT_NE(refusal("short.ptu", ptuFile(0x01010304, 12.5e-9, 25e-12, records, 100)).find("announces 100"),
            std::string::npos);
        std::vector<std::uint8_t> cut = ptuFile(0x01010304, 12.5e-9, 25e-12, records, 0);
        cut.pop_back();
        EXPECT_NE(refusal("cut.ptu", cut).find("ends inside a record"), std::string::npos);
        EXPECT_NE(refusal("zero.ptu", ptuFile(0x01010304, 0.0, 25e-12, records)).find("zero or absurd"),
            std::string::npos);
        const std::vector<TestPhoton> backwards = { { 500, 0, 1 }, { 100, 0, 1 } };
        EXPECT_NE(refusal("back.ptu", ptuFile(0x01010304, 12.5e-9, 25e-12, encodeRecords(TestLayout::hydraT3v2, backwards)))
                      .find("backwards"),
            std::string::npos);
        PhotonSelection absent;
        absent.channels = { 4 };
        EXPECT_NE(refusal("ok.ptu", ptuFile(0x01010304, 12.5e-9, 25e-12, records), absent).find("no photons"),
            std::string::npos);
        PhotonSelection outside;
        outside.gateFromNs = 900.0; // 32768 × 25 ps = 819 ns of microtimes
        outside.gateToNs = 1000.0;
        EXPECT_NE(refusal("ok.ptu", ptuFile(0x01010304, 12.5e-9, 25e-12, records), outside).find("outside"),
            std::string::npos);
        EXPECT_NE(refusal("magic.ptu", { 'P', 'Q', 'X', 0 }).find("Unknown file type"), std::string::npos);
        writePhotonHdf5(dir / "ok.h5", photons, 1e-9, 0.0);
        std::vector<std::uint8_t> hdf5 = readBytes(dir / "ok.h5");
        // The same HDF5 container with the group renamed: no /photon_data.
        const std::string group = "photon_data";
        for (std::size_t i = 0; i + group.size() <= hdf5.size(); ++i)
            if (std::equal(group.begin(), group.end(), hdf5.begin() + static_cast<std::ptrdiff_t>(i)))
                hdf5[i] = 'q';
        EXPECT_NE(refusal("nogroup.h5", hdf5).find("/photon_data"), std::string::npos);
        // Timestamps claimed but never stored: refused, not read as fill values.
        writeUnstoredPhotonHdf5(dir / "claim.h5", 1'000'000, 1e-9);
        EXPECT_NE(refusal("claim.h5", readBytes(dir / "claim.h5")).find("stores none"), std::string::npos);
        // Damaged files on which the HDF5 library itself crashes (found by
        // fuzzing): the library runs in a child process, so they are a message.
        for (const char* name : { "hdf5_library_crash_1.h5", "hdf5_library_crash_2.h5" })
            EXPECT_NE(refusal(name, readBytes(testDataPath(name))).find("damaged"), std::string::npos) << name;
        // A SPC-600 256-channel file read as the 4096-channel layout it seems to be.
        std::vector<TestPhoton> many;
        for (std::uint64_t i = 0; i < 600; ++i)
            many.push_back({ i * 977 % 100000 + i * 1000, static_cast<int>(i % 2), 3 });
        std::ranges::sort(many, {}, &TestPhoton::time);
        std::vector<std::uint8_t> spc256 = spcFile(0, 4, encodeRecords(TestLayout::spc600x256, many));
        spc256.resize(spc256.size() / 6 * 6);
        EXPECT_NE(refusal("guess.spc", spc256).find("--spc-type"), std::string::npos);
    }

} // namespace
} // namespace plask::formats
