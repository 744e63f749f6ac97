#include "analysis/burst_analysis.h"
#include "analysis/burst_files.h"
#include "loaded_stream.h"
#include "fake_platform.h"
#include "stream_helpers.h"
#include "test_files.h"

#include <gtest/gtest.h>

namespace plask {
namespace {

using testing::readBytes;
using testing::testDataPath;

const std::vector<std::uint16_t> twoBursts { 0, 1, 0, 2, 6, 9, 4, 3, 1, 0, 0, 0, 0, 0, 7, 7, 0, 0, 0, 0 };

// The two bursts at 2 µs per bin: bins 4..8 (23 photons) and 14..16 (14).
BurstSet measuredTwoBursts()
{
    PhotonStream stream = testing::makeStream(twoBursts, 2.0);
    stream.fileTitle = "exp µ1.dat";
    AnalysisSettings settings;
    settings.binWidth = 2.0;
    settings.subMinBins = 0;
    BurstSet set;
    BurstHistograms histograms;
    testing::FakePlatform platform;
    EXPECT_EQ(measureBursts(stream, set, settings, histograms, platform), 0);
    return set;
}

TEST(BurstFile, MatchesTheExpectedBytes)
{
    const testing::TempDir dir;
    ASSERT_EQ(writeBurstFile((dir / "out.txt").string(), measuredTwoBursts()), writeOk);
    EXPECT_EQ(readBytes(dir / "out.txt"), readBytes(testDataPath("analysis_two_bursts.txt")));
}

TEST(BurstFile, NeverAnalysedSetGivesAHeaderOfZeros)
{
    const testing::TempDir dir;
    ASSERT_EQ(writeBurstFile((dir / "empty.txt").string(), BurstSet {}), writeOk);
    const std::string text = testing::readText(dir / "empty.txt");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 13);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 13);
    EXPECT_NE(text.find("PS File:\t\r\n"), std::string::npos);
    EXPECT_NE(text.find("Mean interval:\t0.00\xB1" "0.00 sec\r\n"), std::string::npos);
}

TEST(BurstFile, MeansAreTruncatedThroughA64BitInteger)
{
    EXPECT_EQ(truncatedForTable(12.9), 12u);
    EXPECT_EQ(truncatedForTable(3.99), 3u);
    EXPECT_EQ(truncatedForTable(-3.5), 4294967293u);
    EXPECT_EQ(truncatedForTable(4294967296.0 + 7), 7u);
    EXPECT_EQ(truncatedForTable(1e300), 0u);
}

TEST(HistogramFile, RowsOfUnequalLengthAreFilledWithDashes)
{
    BurstHistograms h;
    h[0].binCount = 3;
    h[0].binEdges = { 0, 12.5, 25 };
    h[0].binCounts = { 2, 0, 1 };
    h[1].binCount = 2;
    h[1].binEdges = { 0, 1e-05 };
    h[1].binCounts = { 1, 2 };
    h[2].binCount = 1;
    h[2].binCounts = { 3 };
    const testing::TempDir dir;
    ASSERT_EQ(writeHistogramFile((dir / "h.txt").string(), h), writeOk);
    EXPECT_EQ(readBytes(dir / "h.txt"), readBytes(testDataPath("analysis_uneven_hist.txt")));
}

TEST(HistogramFile, HundredBinsGiveHundredAndOneLines)
{
    BurstSet set = measuredTwoBursts();
    BurstHistograms h;
    testing::FakePlatform platform;
    updateBurstHistograms(set, AnalysisSettings {}, h, platform);
    const testing::TempDir dir;
    ASSERT_EQ(writeHistogramFile((dir / "h.txt").string(), h), writeOk);
    const std::string text = testing::readText(dir / "h.txt");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 101);
}

class SaveCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::loadCounts(state, 1, std::vector<std::uint16_t>(1000, 0));
        streamOf(state, 1).fileTitle = "exp2.dat";
        burstSetOf(state, 1) = measuredTwoBursts();
        state.burstDataPresent[1] = 1;
    }
    AppState state;
    testing::FakePlatform platform;
    testing::TempDir dir;
};

TEST_F(SaveCommands, ProposeNamesAndMarkTheResultsSaved)
{
    platform.saveFileAnswers = { (dir / "a.txt").string(), (dir / "b.txt").string() };
    EXPECT_EQ(saveBurstData(state, platform), 0);
    EXPECT_EQ(saveHistograms(state, platform), 0);
    ASSERT_EQ(platform.fileRequests.size(), 2u);
    EXPECT_EQ(platform.fileRequests[0].defaultName, "exp µ1_bursts.txt"); // the burst set's source
    EXPECT_EQ(platform.fileRequests[1].defaultName, "exp2_hist.txt"); // the stream's title
    EXPECT_EQ(platform.fileRequests[0].filters.at(0).description, "Tab-delimited text files (*.txt)");
    EXPECT_EQ(platform.fileRequests[0].filters.at(0).pattern, "*.txt");
    EXPECT_EQ(state.burstDataSaved[1], 1);
    EXPECT_EQ(readBytes(dir / "a.txt"), readBytes(testDataPath("analysis_two_bursts.txt")));
    EXPECT_TRUE(platform.dialogs().empty());
}

TEST_F(SaveCommands, CancelAndUnwritableFiles)
{
    EXPECT_EQ(saveBurstData(state, platform), 1); // cancelled: silent
    EXPECT_TRUE(platform.dialogs().empty());
    EXPECT_EQ(state.burstDataSaved[1], 0);

    const std::string nowhere = (dir / "missing" / "x.txt").string();
    platform.saveFileAnswers = { nowhere, nowhere };
    EXPECT_EQ(saveBurstData(state, platform), 1);
    EXPECT_EQ(saveHistograms(state, platform), 1);
    EXPECT_EQ(platform.dialogs(),
        (std::vector<testing::PlatformCall> { { "showMessage", "File cannot be opened", "FILE ERROR" },
            { "showMessage", "File cannot be opened", "FILE ERROR" } }));
    EXPECT_EQ(platform.callsNamed("unownedMessage").size(), 1u); // only the burst file's box has no owner
    EXPECT_EQ(state.burstDataSaved[1], 0);
}

TEST_F(SaveCommands, FailedWritesAreNotMarkedSaved)
{
    platform.saveFileAnswers = { "/dev/full" }; // opens, but every write fails
    EXPECT_EQ(saveHistograms(state, platform), 1);
    EXPECT_EQ(platform.dialogs(),
        (std::vector<testing::PlatformCall> { { "showMessage", "File could not be written completely", "FILE ERROR" } }));
    EXPECT_EQ(state.burstDataSaved[1], 0);
    EXPECT_EQ(writeBurstFile("/dev/full", burstSetOf(state, 1)), writeFailed);
}

TEST(TextFile, Windows1252Conversion)
{
    EXPECT_EQ(toWindows1252("a µ ± é"), "a \xB5 \xB1 \xE9");
    EXPECT_EQ(toWindows1252("€ – ™"), "\x80 \x96 \x99");
    EXPECT_EQ(toWindows1252("Ω \xFF!"), "? ?!");
}

} // namespace
} // namespace plask
