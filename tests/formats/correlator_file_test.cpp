#include "formats/correlator_file.h"
#include "fake_platform.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

namespace plask {
namespace {

    using testing::FakePlatform;
    using testing::PlatformCall;
    using testing::TempDir;

    std::vector<std::uint8_t> datFile(unsigned clock, std::vector<std::uint8_t> data)
    {
        data.insert(data.begin(), { 8, static_cast<std::uint8_t>(clock) });
        return data;
    }

    std::vector<std::uint16_t> binsOf(const PhotonStream& stream)
    {
        const auto bins = stream.bins();
        return { bins.begin(), bins.end() };
    }

    // Reads `file` through a real file, as the program does.
    int readFromDisk(
        const std::vector<std::uint8_t>& file, PhotonStream& stream, double binWidth, FakePlatform* watcher = nullptr)
    {
        TempDir dir;
        testing::writeBytes(dir / "s.dat", file);
        FakePlatform platform;
        const int result
            = readCorrelatorStream(watcher ? *watcher : platform, (dir / "s.dat").string(), stream, binWidth);
        return result;
    }

    TEST(CorrelatorReader, TwoPhotonsFortyTicksApart)
    {
        PhotonStream stream;
        ASSERT_EQ(readFromDisk(datFile(40, { 0x28, 0x28 }), stream, 1.0), readOk);
        EXPECT_EQ(stream.length, 3u);
        EXPECT_EQ(binsOf(stream), (std::vector<std::uint16_t> { 0, 1, 1 }));
        EXPECT_DOUBLE_EQ(stream.duration, 2e-6);
        EXPECT_EQ(stream.photons, 2.0);
        EXPECT_DOUBLE_EQ(stream.rateKHz, 1000.0);
        EXPECT_EQ(stream.sourceResolution, 1.0 / 40);
        EXPECT_EQ(stream.binWidth, 1.0);
        EXPECT_EQ(stream.maxCount, 1);
        EXPECT_EQ(stream.minCount, 0);
        EXPECT_EQ(stream.fileType, fileTypeNone); // the caller sets it
    }

    TEST(CorrelatorReader, RunBytesAddTwoHundredFiftyFiveTicks)
    {
        PhotonStream stream;
        ASSERT_EQ(readFromDisk(datFile(40, { 0xFF, 0xFF, 0x05 }), stream, 1.0), readOk);
        EXPECT_EQ(stream.length, 515u / 40 + 1);
        EXPECT_EQ(stream.bins()[12], 1);
        EXPECT_EQ(stream.photons, 1.0);
        EXPECT_DOUBLE_EQ(stream.duration, 515 * 25e-9);
    }

    TEST(CorrelatorReader, ZeroIntervalsShareTheTickAndTheBin)
    {
        PhotonStream stream;
        ASSERT_EQ(readFromDisk(datFile(40, { 0x28, 0x00, 0x00 }), stream, 1.0), readOk);
        EXPECT_EQ(binsOf(stream), (std::vector<std::uint16_t> { 0, 3 }));
        EXPECT_EQ(stream.maxCount, 3);
    }

    TEST(CorrelatorReader, TicksPerBinAreTruncatedInExtendedPrecision)
    {
        EXPECT_EQ(ticksPerBin(60, 0.1), 6u);
        EXPECT_EQ(ticksPerBin(40, 0.1), 4u);
        EXPECT_EQ(ticksPerBin(40, 0.5), 20u);
        EXPECT_EQ(ticksPerBin(60, 500), 30000u);
        EXPECT_EQ(ticksPerBin(40, 0.01), 0u);
        EXPECT_EQ(ticksPerBin(40, -1.0), 0u);

        PhotonStream stream; // ticks 5 and 6 at 0.1 µs, 60 MHz: bins 0 and 1
        ASSERT_EQ(readFromDisk(datFile(60, { 5, 1 }), stream, 0.1), readOk);
        EXPECT_EQ(binsOf(stream), (std::vector<std::uint16_t> { 1, 1 }));
    }

    TEST(CorrelatorReader, WordDataIsRefusedWithItsOwnMessage)
    {
        FakePlatform platform;
        PhotonStream stream;
        ASSERT_EQ(readFromDisk({ 16, 60, 0x28, 0x28 }, stream, 1.0, &platform), readWordData);
        EXPECT_EQ(platform.dialogs(),
            (std::vector<PlatformCall> {
                { "showMessage", "Vireo file was WORD data -- save as BYTE.", "Load Error" } }));
        EXPECT_EQ(platform.callsNamed("unownedMessage").size(), 1u);
        EXPECT_FALSE(stream.counts);
        EXPECT_EQ(stream.length, 0u);
    }

    TEST(CorrelatorReader, FilesWithoutPhotonsReadAsNothing)
    {
        for (const auto& file : { datFile(40, {}), datFile(40, { 0xFF, 0xFF }) }) {
            FakePlatform platform;
            PhotonStream stream;
            EXPECT_EQ(readFromDisk(file, stream, 1.0, &platform), readNothing);
            EXPECT_EQ(stream.length, 0u);
            EXPECT_FALSE(stream.counts);
            EXPECT_TRUE(platform.dialogs().empty());
        }
        PhotonStream stream;
        FakePlatform platform;
        EXPECT_EQ(decodeCorrelatorStream(platform, std::vector<std::uint8_t> { 8 }, stream, 1.0), readNothing);
    }

    TEST(CorrelatorReader, UnfinishedRunAtTheEndIsDropped)
    {
        PhotonStream stream;
        ASSERT_EQ(readFromDisk(datFile(40, { 0x28, 0xFF, 0xFF }), stream, 1.0), readOk);
        EXPECT_EQ(binsOf(stream), (std::vector<std::uint16_t> { 0, 1 }));
        EXPECT_DOUBLE_EQ(stream.duration, 1e-6);
    }

    TEST(CorrelatorReader, BinShorterThanOneTickIsRefused)
    {
        FakePlatform platform;
        PhotonStream stream;
        ASSERT_EQ(readFromDisk(datFile(40, { 0x28 }), stream, 0.01, &platform), readBinBelowTick);
        ASSERT_EQ(platform.dialogs().size(), 1u);
        EXPECT_EQ(platform.dialogs()[0].caption, "Load Error");
        EXPECT_NE(platform.dialogs()[0].text.find("shorter than one clock tick"), std::string::npos);
        EXPECT_FALSE(stream.counts);
    }

    TEST(CorrelatorReader, CrowdedBinSaturates)
    {
        std::vector<std::uint8_t> data { 0x28 };
        data.insert(data.end(), 70000, 0x00);
        PhotonStream stream;
        ASSERT_EQ(readFromDisk(datFile(40, data), stream, 1.0), readOk);
        EXPECT_EQ(binsOf(stream), (std::vector<std::uint16_t> { 0, 65535 }));
        EXPECT_EQ(stream.photons, 70001.0);
        EXPECT_EQ(stream.maxCount, 65535);
    }

    TEST(CorrelatorReader, ArrivalTimesPastThirtyTwoBitsDoNotWrap)
    {
        // A photon at tick 2^32 + 40 lands at the end, not back at the start.
        std::vector<std::uint8_t> file;
        appendCorrelatorHeader(file, 40);
        appendCorrelatorEntry(file, 40);
        appendCorrelatorEntry(file, std::uint64_t { 1 } << 32);
        PhotonStream stream;
        FakePlatform platform;
        ASSERT_EQ(decodeCorrelatorStream(platform, file, stream, 500), readOk);
        const std::uint64_t last = (std::uint64_t { 1 } << 32) + 40;
        EXPECT_EQ(stream.length, last / 20000 + 1);
        EXPECT_EQ(stream.bins()[0], 1);
        EXPECT_EQ(stream.bins()[stream.length - 1], 1);
        EXPECT_DOUBLE_EQ(stream.duration, static_cast<double>(last) * 25e-9);
    }

    TEST(CorrelatorReader, UnreadableFiles)
    {
        TempDir dir;
        FakePlatform platform;
        PhotonStream stream;
        EXPECT_EQ(readCorrelatorStream(platform, (dir / "missing.dat").string(), stream, 1.0), readCannotOpen);
        EXPECT_EQ(readCorrelatorStream(platform, dir.path().string(), stream, 1.0), readCannotOpen);
        testing::writeBytes(dir / "empty.dat", {});
        EXPECT_EQ(readCorrelatorStream(platform, (dir / "empty.dat").string(), stream, 1.0), readNothing);
        EXPECT_TRUE(platform.calls.empty());
    }

    TEST(SniffFileType, Signatures)
    {
        TempDir dir;
        const auto sniff = [&dir](const std::vector<std::uint8_t>& bytes) {
            testing::writeBytes(dir / "f", bytes);
            return sniffFileType((dir / "f").string());
        };
        EXPECT_EQ(sniff({ 'P', 'H', 'C', 0 }), fileTypePhotonCount);
        EXPECT_EQ(sniff({ 'P', 'H', 'C' }), fileTypePhotonCount);
        EXPECT_EQ(sniff({ 8, 40, 1 }), fileTypeCorrelator);
        EXPECT_EQ(sniff({ 16, 60 }), fileTypeCorrelator);
        EXPECT_EQ(sniff({ 8, 50, 1 }), fileTypeNone);
        EXPECT_EQ(sniff({ 9, 40, 1 }), fileTypeNone);
        EXPECT_EQ(sniff({ 8 }), fileTypeNone);
        EXPECT_EQ(sniff({ 'P', 'H' }), fileTypeNone);
        EXPECT_EQ(sniffFileType((dir / "missing").string()), fileTypeNone);
    }

    // Straight from the file's definition: sum the intervals, divide, count.
    std::map<std::uint64_t, std::uint32_t> referenceBins(
        const std::vector<std::uint64_t>& intervals, std::uint64_t ticks)
    {
        std::map<std::uint64_t, std::uint32_t> bins;
        std::uint64_t time = 0;
        for (const std::uint64_t interval : intervals) {
            time += interval;
            ++bins[time / ticks];
        }
        return bins;
    }

    TEST(CorrelatorReader, MatchesTheDefinitionOnRandomStreams)
    {
        std::mt19937_64 random(7);
        const std::vector<double> widths { 0.1, 0.5, 1, 2, 5, 10, 20, 50, 100, 250, 500, 0.05, 2000 };
        for (int round = 0; round < 60; ++round) {
            const unsigned clock = round % 2 ? 60 : 40;
            const double width = widths[static_cast<std::size_t>(round) % widths.size()];
            const double meanInterval = std::exp(std::uniform_real_distribution<double>(0.0, 9.0)(random));
            std::exponential_distribution<double> interval(1.0 / meanInterval);
            std::vector<std::uint64_t> intervals(1 + random() % 3000);
            for (auto& value : intervals)
                value = random() % 10 == 0 ? 0 : static_cast<std::uint64_t>(interval(random));
            std::vector<std::uint8_t> file;
            appendCorrelatorHeader(file, clock);
            for (const std::uint64_t value : intervals)
                appendCorrelatorEntry(file, value);

            PhotonStream stream;
            ASSERT_EQ(readFromDisk(file, stream, width), readOk);
            const std::uint64_t ticks = ticksPerBin(clock, width);
            const auto expected = referenceBins(intervals, ticks);
            ASSERT_EQ(stream.length, expected.rbegin()->first + 1) << round;
            std::uint64_t seen = 0;
            for (std::uint64_t bin = 0; bin < stream.length; ++bin) {
                const auto found = expected.find(bin);
                const std::uint32_t want = found == expected.end() ? 0 : found->second;
                ASSERT_EQ(stream.bins()[bin], want) << "round " << round << " bin " << bin;
                seen += want;
            }
            EXPECT_EQ(stream.photons, static_cast<double>(seen));
        }
    }

    // Exact figures of the simulated 60 MHz recording in the test data.
    TEST(CorrelatorReader, KnownRecordingAtOneAndTenMicroseconds)
    {
        const std::string path = testing::testDataPath("fcs_60MHz.dat").string();
        ASSERT_EQ(sniffFileType(path), fileTypeCorrelator);
        struct Expected {
            double width;
            std::uint32_t bins;
            std::uint16_t max;
        };
        for (const Expected& e : { Expected { 1, 2999976, 4 }, Expected { 10, 299998, 8 } }) {
            FakePlatform platform;
            PhotonStream stream;
            ASSERT_EQ(readCorrelatorStream(platform, path, stream, e.width), readOk);
            EXPECT_EQ(stream.length, e.bins);
            EXPECT_EQ(stream.maxCount, e.max);
            EXPECT_EQ(stream.minCount, 0);
            EXPECT_EQ(stream.photons, 152001.0);
            EXPECT_DOUBLE_EQ(stream.duration, 179998552.0 / 60.0 * 1e-6);
            EXPECT_NEAR(stream.rateKHz, 50.667, 0.0005);
            EXPECT_EQ(countRange(stream.bins()).sum, 152001u);
        }
    }

} // namespace
} // namespace plask
