#include "formats/tttr_file.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <map>
#include <numeric>

namespace plask::formats {
namespace {

    using plask::testing::testDataPath;

    std::map<int, std::uint64_t> channelsOf(const TttrScan& scan)
    {
        std::map<int, std::uint64_t> out;
        for (std::size_t slot = 0; slot < channelSlots; ++slot)
            if (scan.channelCounts[slot] != 0)
                out[static_cast<int>(slot) + lowestChannel] = scan.channelCounts[slot];
        return out;
    }

    // The shared HydraHarp recording: a v1.0 .ht3 whose overflow records carry counts.
    TEST(RecordedFiles, Ht3HeaderCountsAndTheFirstTenSecondsOfChannelOne)
    {
        const std::string path = testDataPath("rh110_sm.ht3").string();
        const TttrScan scan = scanTttrFile(path, "");
        ASSERT_TRUE(scan.ok()) << scan.error;
        EXPECT_EQ(scan.header.format, ".ht3 v1.0 HydraHarp v1 T3");
        EXPECT_EQ(scan.recordsInFile, 335928u);
        EXPECT_EQ(scan.stats.overflowRecords, 154905u);
        EXPECT_EQ(scan.stats.markerRecords, 0u);
        EXPECT_EQ(scan.header.unit, (Rational { 1, 32000664 }));
        const std::map<int, std::uint64_t> expected { { 0, 27752 }, { 1, 35982 }, { 2, 18399 }, { 3, 9128 },
            { 4, 24769 }, { 5, 35082 }, { 6, 14341 }, { 7, 15570 } };
        EXPECT_EQ(channelsOf(scan), expected);
        EXPECT_NEAR(scan.durationS(), 86.0, 0.05);

        PhotonSelection first10s;
        first10s.channels = { 1 };
        first10s.windowStartS = 0.0;
        first10s.windowDurationS = 10.0;
        const TttrStream stream = loadTttrStream(path, first10s, 1.0);
        ASSERT_TRUE(stream.scan.ok()) << stream.scan.error;
        EXPECT_EQ(stream.photons, 4413u); // the converted stream's photons
        EXPECT_EQ(stream.bins, 10'000'000u);
        const auto bins = stream.counts.first(stream.bins);
        EXPECT_EQ(std::accumulate(bins.begin(), bins.end(), std::uint64_t { 0 }), 4413u);
    }

    TEST(RecordedFiles, SpcHeaderRecordAndRoutingChannels)
    {
        const std::string path = testDataPath("smDNA_m000.spc").string();
        const TttrScan scan = scanTttrFile(path, "");
        ASSERT_TRUE(scan.ok()) << scan.error;
        EXPECT_EQ(scan.recordsInFile, 299999u);
        EXPECT_EQ(scan.stats.overflowRecords, 125391u);
        EXPECT_EQ(scan.header.unit, (Rational { 27, 2'000'000'000 })); // 13.5 ns
        const std::map<int, std::uint64_t> expected { { 0, 48931 }, { 1, 25863 }, { 8, 71009 }, { 9, 28635 } };
        EXPECT_EQ(channelsOf(scan), expected);
        EXPECT_NEAR(scan.durationS(), 69.2, 0.05);

        PhotonSelection first15s;
        first15s.channels = { 8 };
        first15s.windowDurationS = 15.0;
        const TttrStream stream = loadTttrStream(path, first15s, 1.0);
        ASSERT_TRUE(stream.scan.ok()) << stream.scan.error;
        EXPECT_EQ(stream.photons, 14898u);
    }

} // namespace
} // namespace plask::formats
