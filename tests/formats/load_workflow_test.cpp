#include "formats/correlator_file.h"
#include "formats/load_workflow.h"
#include "formats/photon_count_file.h"
#include "formats/time_tags.h"
#include "fake_platform.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <vector>

namespace plask {
namespace {

    using testing::FakePlatform;
    using testing::PlatformCall;
    using testing::TempDir;

    constexpr std::size_t index1us = 2; // "Binwidth:" list entries
    constexpr std::size_t index2us = 3;
    const PlatformCall tooFew { "showMessage", "Too few data points at requested bin size.", "Setup error" };

    // A 40 MHz stream with one photon every microsecond: `bins` bins at 1 µs.
    std::string writeStream(const TempDir& dir, const std::string& name, std::uint32_t bins)
    {
        std::vector<std::uint8_t> file;
        appendCorrelatorHeader(file, 40);
        for (std::uint32_t i = 1; i < bins; ++i)
            appendCorrelatorEntry(file, 40);
        testing::writeBytes(dir / name, file);
        return (dir / name).string();
    }

    struct Workflow : ::testing::Test {
        TempDir dir;
        AppState state;
        FakePlatform platform;

        // "Open" on a channel with the Open dialog answering `path`.
        void open(int channel, const std::string& path, std::size_t binWidthIndex = index1us)
        {
            state.activeChannel = channel;
            platform.panel.binWidthIndex = binWidthIndex;
            platform.openFileAnswers.push_back(path);
            openCommand(state, platform);
        }
        void openFresh(int channel, const std::string& path, std::size_t binWidthIndex = index1us)
        {
            open(channel, path, binWidthIndex);
            platform.clear();
        }
    };

    TEST_F(Workflow, OpenLoadsMakesCurrentAndAnnounces)
    {
        state.settings().showMarkersDefault = 0;
        state.burstDataSaved[1] = 1;
        open(1, writeStream(dir, "run7.dat", 1500));
        const PhotonStream& stream = state.streams[1];
        EXPECT_EQ(platform.calls,
            (std::vector<PlatformCall> { { "readPanel", "", "" },
                { "chooseOpenFile", "Vireo photon stream file (*.dat)", "" }, { "setWaitCursor", "on", "" },
                { "activeChannelChanged", "1", "" }, { "resetNavigator", "", "" }, { "enableStreamNavigator", "1", "" },
                { "redrawTrace", "", "" }, { "setWaitCursor", "off", "" } }));
        ASSERT_EQ(platform.fileRequests[0].filters.size(), 6u); // .dat, .phc and the time-tag formats
        EXPECT_EQ(platform.fileRequests[0].filters[1].description, "Photon count file (*.phc)");
        EXPECT_EQ(stream.length, 1500u);
        EXPECT_EQ(stream.fileType, fileTypeCorrelator);
        EXPECT_EQ(stream.fileTitle, "run7.dat");
        EXPECT_EQ(stream.filePath, (dir / "run7.dat").string());
        EXPECT_EQ(stream.regionStart, 0u);
        EXPECT_EQ(stream.regionEnd, 1499);
        EXPECT_EQ(state.loadedFlags[1], 1);
        EXPECT_EQ(state.burstDataSaved[1], 0);
        EXPECT_EQ(state.activeChannel, 1);
        EXPECT_EQ(state.loadedBinWidth, 1.0);
        EXPECT_EQ(state.display.displayLength, 1500u);
        EXPECT_EQ(state.display.displayBinWidth, 1.0);
        EXPECT_DOUBLE_EQ(state.display.totalTime, 1500e-6);
        EXPECT_FALSE(state.showMarkers);
        EXPECT_EQ(platform.waitDepth, 0);
    }

    TEST_F(Workflow, ARememberedChoiceTheFileCannotMeetFallsBackToAllChannels)
    {
        const std::string path = testing::testDataPath("rh110_sm.ht3").string();
        state.photonChoices[".ht3 v1.0 HydraHarp v1 T3"].channels = { 42 };
        open(1, path);
        ASSERT_EQ(state.loadedFlags[1], 1);
        const formats::TimeTagLoad all = formats::readTimeTags(path, {});
        ASSERT_TRUE(all.ok());
        EXPECT_EQ(state.streams[1].photons, static_cast<double>(all.times.size()));
    }

    TEST_F(Workflow, ANewFileForgetsTheBackgroundRegionOfTheLastOne)
    {
        openFresh(0, writeStream(dir, "first.dat", 1500));
        PhotonStream& stream = state.streams[0];
        stream.backgroundStart = 10;
        stream.backgroundEnd = 900;
        stream.backgroundMean = 3.5;
        stream.backgroundSd = 1.2;
        platform.yesNoAnswers.push_back(true); // overwrite
        open(0, writeStream(dir, "second.dat", 1200));
        EXPECT_EQ(stream.fileTitle, "second.dat");
        EXPECT_EQ(stream.backgroundStart + stream.backgroundEnd, 0u);
        EXPECT_EQ(stream.backgroundMean + stream.backgroundSd, 0.0);
    }

    TEST_F(Workflow, SettingThatDiffersFromLoadedDataIsRefused)
    {
        openFresh(0, writeStream(dir, "a.dat", 2000));
        open(1, writeStream(dir, "b.dat", 2000), index2us);
        EXPECT_EQ(platform.dialogs(),
            (std::vector<PlatformCall> {
                { "showMessage", "Current binwidth setting is different then binwidth of loaded data - reset to 1.0 µs",
                    "Binwidth error" } }));
        EXPECT_TRUE(platform.callsNamed("chooseOpenFile").empty());
        EXPECT_EQ(state.loadedFlags[1], 0);
        EXPECT_EQ(state.settings().binWidth, 2.0);

        // Once both channels are closed the bin width is free again.
        state.loadedBinWidth = 0.0;
        releaseStream(state.streams[0]);
        state.loadedFlags[0] = 0;
        open(1, (dir / "b.dat").string(), index2us);
        EXPECT_EQ(state.loadedFlags[1], 1);
        EXPECT_EQ(state.streams[1].length, 1000u);
        EXPECT_EQ(state.loadedBinWidth, 2.0);
    }

    TEST_F(Workflow, RefusedOverwriteChangesNothing)
    {
        openFresh(0, writeStream(dir, "a.dat", 2000));
        open(0, writeStream(dir, "b.dat", 3000)); // the question is answered No
        EXPECT_EQ(platform.dialogs(),
            (std::vector<PlatformCall> { { "askYesNo", "PS1 array contains data - overwrite?", "Data present" } }));
        EXPECT_EQ(state.streams[0].length, 2000u);
        EXPECT_EQ(state.streams[0].fileTitle, "a.dat");
        EXPECT_EQ(state.loadedFlags[0], 1);
    }

    TEST_F(Workflow, KeepingUnsavedBurstDataKeepsEverything)
    {
        openFresh(1, writeStream(dir, "a.dat", 2000));
        state.burstDataPresent[1] = 1;
        burstSetOf(state, 1).photons = PageArray<double>::allocate(16);
        burstSetOf(state, 1).burstCount = 3;
        platform.yesNoAnswers = { true, false };
        open(1, writeStream(dir, "b.dat", 3000));
        EXPECT_EQ(platform.dialogs(),
            (std::vector<PlatformCall> { { "askYesNo", "PS2 array contains data - overwrite?", "Data present" },
                { "askYesNo", "Histogram and burst data not saved - continue? (This will overwrite data in the memory)",
                    "Data in memory" } }));
        EXPECT_EQ(state.streams[1].length, 2000u);
        EXPECT_TRUE(state.streams[1].counts);
        EXPECT_EQ(state.loadedFlags[1], 1);
        EXPECT_EQ(state.burstDataPresent[1], 1);
        EXPECT_EQ(burstSetOf(state, 1).burstCount, 3u);
        EXPECT_TRUE(burstSetOf(state, 1).photons);
    }

    TEST_F(Workflow, BurstDataAreReleasedBeforeTheLoad)
    {
        for (const int saved : { 0, 1 }) {
            openFresh(0, writeStream(dir, "a.dat", 2000));
            state.burstDataPresent[0] = 1;
            state.burstDataSaved[0] = saved;
            burstSetOf(state, 0).photons = PageArray<double>::allocate(16);
            platform.yesNoAnswers = saved ? std::deque<bool> { true } : std::deque<bool> { true, true };
            open(0, (dir / "a.dat").string());
            EXPECT_EQ(platform.callsNamed("askYesNo").size(), saved ? 1u : 2u);
            EXPECT_EQ(platform.callsNamed("releaseHistogramCharts").size(), 1u);
            EXPECT_FALSE(burstSetOf(state, 0).photons);
            EXPECT_EQ(state.burstDataPresent[0], 0);
            EXPECT_EQ(state.loadedFlags[0], 1);
            platform.clear();
        }
    }

    TEST_F(Workflow, CancelAfterOverwriteLeavesTheChannelEmpty)
    {
        openFresh(0, writeStream(dir, "a.dat", 2000));
        platform.yesNoAnswers = { true };
        state.activeChannel = 0;
        openCommand(state, platform); // the Open dialog answers Cancel
        EXPECT_EQ(state.loadedFlags[0], 0);
        EXPECT_FALSE(state.streams[0].counts);
        EXPECT_EQ(state.streams[0].filePath, (dir / "a.dat").string());
        EXPECT_TRUE(state.streams[0].fileTitle.empty());
        EXPECT_EQ(platform.dialogs().size(), 1u);
    }

    TEST_F(Workflow, UnknownFileTypeIsAnOpeningError)
    {
        testing::writeBytes(dir / "x.dat", { 8, 50, 1, 2, 3 });
        openFresh(0, writeStream(dir, "a.dat", 2000));
        platform.yesNoAnswers = { true };
        open(0, (dir / "x.dat").string());
        EXPECT_EQ(platform.dialogs().back(), (PlatformCall { "showMessage", "Error opening file.", "File I/O Error" }));
        EXPECT_TRUE(platform.callsNamed("unownedMessage").empty());
        EXPECT_EQ(state.loadedFlags[0], 0);
        EXPECT_FALSE(state.streams[0].counts);
    }

    TEST_F(Workflow, AThousandBinsAreTheLeast)
    {
        open(0, writeStream(dir, "short.dat", 999));
        EXPECT_EQ(platform.dialogs(), std::vector<PlatformCall> { tooFew });
        EXPECT_EQ(state.loadedFlags[0], 0);
        EXPECT_FALSE(state.streams[0].counts);
        EXPECT_EQ(state.loadedBinWidth, 0.0);
        platform.clear();
        open(0, writeStream(dir, "enough.dat", 1000));
        EXPECT_TRUE(platform.dialogs().empty());
        EXPECT_EQ(state.streams[0].length, 1000u);
    }

    TEST_F(Workflow, ReaderFailuresEndInTooFewDataPoints)
    {
        testing::writeBytes(dir / "word.dat", { 16, 60, 1, 2 });
        open(0, (dir / "word.dat").string());
        EXPECT_EQ(platform.dialogs(),
            (std::vector<PlatformCall> {
                { "showMessage", "Vireo file was WORD data -- save as BYTE.", "Load Error" }, tooFew }));
        EXPECT_EQ(platform.callsNamed("unownedMessage").size(), 1u);
        platform.clear();

        testing::writeBytes(dir / "header.dat", { 8, 40 });
        open(0, (dir / "header.dat").string());
        EXPECT_EQ(platform.dialogs(), std::vector<PlatformCall> { tooFew });
        platform.clear();

        std::vector<std::uint8_t> phc(phcHeaderSize, 0);
        phc[0] = 'P', phc[1] = 'H', phc[2] = 'C', phc[4] = 7;
        testing::writeBytes(dir / "seven.phc", phc);
        open(0, (dir / "seven.phc").string());
        EXPECT_EQ(platform.dialogs(),
            (std::vector<PlatformCall> {
                { "showMessage", "This type of PHC file is not yet supported.", "PHC file error" }, tooFew }));
        EXPECT_TRUE(platform.callsNamed("unownedMessage").empty());
        EXPECT_EQ(state.loadedFlags[0], 0);
    }

    TEST_F(Workflow, StreamTooLargeForMemoryIsAMemoryError)
    {
        // 2^32 bins or more at 0.1 µs cannot be held: about 68 million run bytes.
        std::vector<std::uint8_t> file;
        appendCorrelatorHeader(file, 40);
        appendCorrelatorEntry(file, (std::uint64_t { 4 } << 32) + 255);
        testing::writeBytes(dir / "huge.dat", file);
        file = {};
        open(0, (dir / "huge.dat").string(), 0);
        EXPECT_EQ(platform.dialogs(),
            (std::vector<PlatformCall> { { "showMessage", "Could not reserve needed memory.", "Memory Error" } }));
        EXPECT_EQ(state.loadedFlags[0], 0);
    }

    TEST_F(Workflow, DisplayLengthFollowsTheShorterStream)
    {
        openFresh(0, writeStream(dir, "3000.dat", 3000));
        open(1, writeStream(dir, "5000.dat", 5000));
        EXPECT_EQ(state.display.displayLength, 3000u);
        EXPECT_EQ(state.streams[1].length, 3000u);
        EXPECT_GE(state.streams[1].counts.capacity(), 5000u); // the block keeps its size

        state.loadedFlags[1] = 0;
        releaseStream(state.streams[1]);
        open(1, writeStream(dir, "2000.dat", 2000));
        EXPECT_EQ(state.display.displayLength, 2000u);
        EXPECT_EQ(state.streams[0].length, 3000u);
        EXPECT_EQ(state.streams[1].length, 2000u);

        // Replacing the shorter stream by a longer one does not keep the old cut.
        platform.yesNoAnswers = { true };
        open(1, writeStream(dir, "4000.dat", 4000));
        EXPECT_EQ(state.streams[1].length, 3000u);
        EXPECT_EQ(state.display.displayLength, 3000u);
    }

    TEST_F(Workflow, PhotonCountFileOfAnotherBinWidthIsRefused)
    {
        PhotonStream ten;
        ten.counts = PageArray<std::uint16_t>::allocate(1000);
        ten.length = 1000;
        ten.binWidth = 10.0;
        ASSERT_EQ(writePhotonCountData(ten, (dir / "ten.phc").string()), 0);
        openFresh(0, writeStream(dir, "a.dat", 2000));
        open(1, (dir / "ten.phc").string());
        EXPECT_EQ(platform.dialogs(),
            (std::vector<PlatformCall> { { "showMessage",
                "The bin width of this file (10.0 µs) differs from the bin width of the loaded data (1.0 µs).",
                "Binwidth error" } }));
        EXPECT_EQ(state.loadedFlags[1], 0);
        EXPECT_FALSE(state.streams[1].counts);

        // Alone it loads at its own bin width.
        state.loadedFlags[0] = 0;
        state.loadedBinWidth = 0.0;
        platform.clear();
        open(1, (dir / "ten.phc").string());
        EXPECT_EQ(state.loadedFlags[1], 1);
        EXPECT_EQ(state.loadedBinWidth, 10.0);
        EXPECT_EQ(state.streams[1].fileType, fileTypePhotonCount);
    }

    TEST_F(Workflow, LongPathsAreKeptWhole)
    {
        const std::filesystem::path folder = dir.path() / std::string(200, 'f');
        std::filesystem::create_directory(folder);
        const std::string name = std::string(200, 'n') + ".dat";
        std::vector<std::uint8_t> file;
        appendCorrelatorHeader(file, 40);
        for (int i = 0; i < 1500; ++i)
            appendCorrelatorEntry(file, 40);
        testing::writeBytes(folder / name, file);
        open(0, (folder / name).string());
        EXPECT_EQ(state.loadedFlags[0], 1);
        EXPECT_EQ(state.streams[0].filePath, (folder / name).string());
        EXPECT_EQ(state.streams[0].fileTitle, name);
    }

    TEST_F(Workflow, LoadAtAnotherBinWidthStopsBeforeFinishing)
    {
        state.settings().binWidth = 1.0;
        platform.openFileAnswers.push_back(writeStream(dir, "a.dat", 4000));
        EXPECT_TRUE(loadStream(state, platform, 0, 2.0));
        EXPECT_EQ(state.streams[0].length, 2000u);
        EXPECT_EQ(state.loadedFlags[0], 0);
        EXPECT_TRUE(platform.callsNamed("redrawTrace").empty());
    }

    TEST(LoadForCorrelation, ReadsEitherTypeSilently)
    {
        TempDir dir;
        FakePlatform platform;
        PhotonStream scratch;
        EXPECT_EQ(loadForCorrelation(platform, writeStream(dir, "a.dat", 4000), scratch, 2.0), readOk);
        EXPECT_EQ(scratch.length, 2000u);
        EXPECT_EQ(scratch.fileType, fileTypeCorrelator);
        EXPECT_TRUE(platform.calls.empty());

        ASSERT_EQ(writePhotonCountData(scratch, (dir / "a.phc").string()), 0);
        EXPECT_EQ(loadForCorrelation(platform, (dir / "a.phc").string(), scratch, 1.0), readOk);
        EXPECT_EQ(scratch.binWidth, 2.0);
        EXPECT_EQ(scratch.fileType, fileTypePhotonCount);

        testing::writeBytes(dir / "x", { 1, 2, 3 });
        EXPECT_EQ(loadForCorrelation(platform, (dir / "x").string(), scratch, 1.0), readCannotOpen);
        EXPECT_EQ(platform.calls,
            (std::vector<PlatformCall> { { "showMessage", "Error opening file.", "File I/O Error" },
                { "unownedMessage", "Error opening file.", "File I/O Error" } }));

        testing::writeBytes(dir / "header.dat", { 8, 40 });
        EXPECT_EQ(loadForCorrelation(platform, (dir / "header.dat").string(), scratch, 1.0), readNothing);
        EXPECT_FALSE(scratch.counts); // nothing of the earlier load is left
    }

} // namespace
} // namespace plask
