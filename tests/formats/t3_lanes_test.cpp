#include "formats/t3_lanes.h"
#include "formats/tttr_file.h"
#include "test_files.h"
#include "tttr_writer.h"

#include <gtest/gtest.h>

#include <random>

namespace plask::formats {
namespace {

    using namespace plask::testing;

    struct Loaded {
        TttrStream stream;
        std::vector<std::uint16_t> counts;
    };

    Loaded load(const std::string& path, const PhotonSelection& selection, double binUs, bool lanes)
    {
        allowLaneBinning(lanes);
        Loaded out { loadTttrStream(path, selection, binUs), {} };
        allowLaneBinning(true);
        out.counts.assign(out.stream.counts.data(), out.stream.counts.data() + out.stream.bins);
        return out;
    }

    // The lanes against the record-by-record path over random T3 files of
    // each word layout: bursts that saturate bins, long gaps over many
    // overflows (counted in one record or not), markers, one to three
    // channels, with and without a gate and a window, at small and large
    // bin widths.
    TEST(T3Lanes, BinAsTheRecordByRecordPathDoes)
    {
        if (!laneBinningFor(80))
            GTEST_SKIP() << "this processor has no AVX-512";
        struct Case {
            TestLayout layout;
            std::uint32_t ptuType;
            std::uint32_t microtimes;
        };
        const Case cases[] = { { TestLayout::picoHarpT3, 0x00010303, 4096 }, { TestLayout::hydraT3v1, 0x00010304, 32768 },
            { TestLayout::hydraT3v2, 0x01010304, 32768 } };
        std::mt19937_64 rng(29);
        TempDir dir;
        for (const Case& c : cases) {
            for (int round = 0; round < 6; ++round) {
                SCOPED_TRACE(::testing::Message() << static_cast<int>(c.layout) << " round " << round);
                std::vector<TestPhoton> photons;
                std::uint64_t t = 0;
                for (int i = 0; i < 300'000; ++i) {
                    const std::uint64_t r = rng();
                    const bool burst = i % 100'000 < 70'000 && round % 2 == 0;
                    t += burst ? (i % 35'000 == 0 ? 1 : 0) : (i % 997 == 0 ? (r % 3000) * 1024 : r % 150);
                    photons.push_back(
                        { t, burst ? 1 : static_cast<int>(1 + (r >> 20) % 3), static_cast<std::uint32_t>((r >> 40) % c.microtimes) });
                }
                const std::string path = (dir / ("lanes" + std::to_string(round) + ".ptu")).string();
                writeBytes(path, ptuFile(c.ptuType, 12.5e-9, 25e-12, encodeRecords(c.layout, photons)));

                PhotonSelection selection;
                selection.channels = round % 3 == 0 ? std::vector<int> { 1 } : std::vector<int> { 1, 3 };
                if (round % 2 == 1) {
                    selection.gateFromNs = 0.025 * static_cast<double>(rng() % (c.microtimes / 2));
                    selection.gateToNs = *selection.gateFromNs + 0.025 * static_cast<double>(c.microtimes / 3);
                }
                if (round >= 3) {
                    const double seconds = static_cast<double>(t) * 12.5e-9;
                    selection.windowStartS = seconds * static_cast<double>(rng() % 40) / 100.0;
                    selection.windowDurationS = seconds * static_cast<double>(10 + rng() % 50) / 100.0;
                }
                // 392 time units per bin (4.9 µs) is one width where x · (1 / k) falls below x / k.
                const double binUs = round == 5 ? 10'000'000.0 : round == 0 ? 4.9 : 0.1 * static_cast<double>(2 + rng() % 30);

                const Loaded lanes = load(path, selection, binUs, true);
                const Loaded plain = load(path, selection, binUs, false);
                ASSERT_TRUE(plain.stream.scan.ok()) << plain.stream.scan.error;
                ASSERT_TRUE(lanes.stream.scan.ok()) << lanes.stream.scan.error;
                EXPECT_EQ(lanes.stream.photons, plain.stream.photons);
                EXPECT_EQ(lanes.stream.lengthUnits, plain.stream.lengthUnits);
                EXPECT_EQ(lanes.counts, plain.counts);
                EXPECT_EQ(lanes.stream.scan.channelCounts, plain.stream.scan.channelCounts);
                EXPECT_EQ(lanes.stream.scan.stats.overflowRecords, plain.stream.scan.stats.overflowRecords);
                EXPECT_EQ(lanes.stream.scan.stats.markerRecords, plain.stream.scan.stats.markerRecords);
                EXPECT_EQ(lanes.stream.scan.stats.endTime, plain.stream.scan.stats.endTime);
            }
        }
    }

    // A photon earlier than the one before it, inside a group of sixteen
    // records, refuses the file as the record-by-record path does.
    TEST(T3Lanes, TimesGoingBackwardsInsideAGroupAreFound)
    {
        std::vector<TestPhoton> photons;
        for (std::uint64_t i = 0; i < 5000; ++i)
            photons.push_back({ 100 * i + (i == 4003 ? 150 : 0), static_cast<int>(i % 2), 0 });
        TempDir dir;
        const std::string path = (dir / "back.ptu").string();
        writeBytes(path, ptuFile(0x01010304, 12.5e-9, 25e-12, encodeRecords(TestLayout::hydraT3v2, photons)));
        PhotonSelection zero;
        zero.channels = { 0 };
        for (const bool lanes : { true, false }) {
            const Loaded got = load(path, zero, 1.0, lanes);
            EXPECT_EQ(got.stream.scan.error, "Photon times go backwards in this file: it is damaged or a diagnostic recording.");
        }
    }

} // namespace
} // namespace plask::formats
