#include "batch/batch_dialog.h"

#include "batch_harness.h"
#include "formats/photon_count_file.h"
#include "test_files.h"

#include <gtest/gtest.h>

namespace plask {
namespace {

    using testing::BatchHarness;
    using testing::correlatorFileFor;
    using testing::expectedFile;
    using testing::PlatformCall;
    using testing::readText;
    using testing::TempDir;
    using testing::withBurst;
    using testing::writeBytes;

    using Progress = std::pair<std::size_t, std::size_t>;
    Progress progressOf(std::size_t done, std::size_t total) { return { done, total }; }

    std::vector<PlatformCall> boxOf(std::string_view text, std::string_view caption)
    {
        return { PlatformCall { "showMessage", std::string(text), std::string(caption) } };
    }

    // Ones with a two every 4th bin (background estimate 2), or zeros with a
    // one every 10th bin (estimate 0).
    std::vector<std::uint16_t> busyBackground(std::size_t bins)
    {
        std::vector<std::uint16_t> counts(bins, 1);
        for (std::size_t i = 0; i < bins; i += 4)
            counts[i] = 2;
        return counts;
    }

    // Five entries in sorted order: two files with bursts, one without, a
    // word-data file and a folder, both of which fail to load.
    std::filesystem::path makeRunDirectory(const TempDir& temp)
    {
        const std::filesystem::path dir = temp / "run7";
        std::filesystem::create_directory(dir);
        writeBytes(dir / "a_bursts.dat",
            correlatorFileFor(withBurst(
                withBurst(busyBackground(3000), 500, std::vector<std::uint16_t>(10, 8)), 2000, { 6, 9, 12, 9, 6 })));
        std::vector<std::uint16_t> quiet(2000, 1);
        for (std::size_t i = 0; i < quiet.size(); i += 3)
            quiet[i] = 3;
        writeBytes(dir / "b_quiet.dat", correlatorFileFor(quiet));
        writeBytes(dir / "c_broken.dat", { 16, 40, 1, 2, 3 });
        std::filesystem::create_directory(dir / "d_folder.dat");
        writeBytes(dir / "e_more.dat",
            correlatorFileFor(withBurst(testing::backgroundCounts(1500, 10, 1), 100, { 7, 7, 7, 7 })));
        writeBytes(dir / "notes.txt", { 'x' });
        return dir;
    }

    struct BatchRun : ::testing::Test {
        TempDir temp;
        std::filesystem::path dir = makeRunDirectory(temp);
        std::filesystem::path startDir = std::filesystem::current_path();
        AppState state;

        std::string bursts() const { return readText(dir / "run7_bursts.txt"); }
        std::string info() const { return readText(dir / "run7_info.txt"); }
        void TearDown() override { std::filesystem::current_path(startDir); }
    };

    TEST_F(BatchRun, WritesBothFilesByteForByteAndReportsEveryFile)
    {
        BatchHarness h(state);
        EXPECT_EQ(h.view.buttonStates.back(),
            (BatchButtons { .browse = true, .start = true, .abort = false, .close = true }));
        h.chooseDirectory(dir);
        EXPECT_EQ(h.session.phase, BatchPhase::directoryChosen);
        EXPECT_EQ(h.view.saveAsName, "run7");
        ASSERT_EQ(batchStart(h.session), BatchStartResult::started);
        EXPECT_EQ(h.session.phase, BatchPhase::running);
        EXPECT_EQ(h.view.buttonStates.back(),
            (BatchButtons { .browse = false, .start = false, .abort = true, .close = false }));
        EXPECT_EQ(std::filesystem::current_path(), dir);
        h.waitForRun();

        EXPECT_EQ(bursts(), expectedFile("batch_run_bursts.txt", dir.string()));
        EXPECT_EQ(info(), expectedFile("batch_run_info.txt", dir.string()));
        EXPECT_EQ(h.view.appendedLog, state.batchLog);
        EXPECT_EQ(h.view.shownLog, state.batchLog);
        EXPECT_EQ(h.view.progress.front(), progressOf(0, 5));
        EXPECT_EQ(h.view.progress.back(), progressOf(5, 5));
        EXPECT_EQ(h.view.buttonStates.back(),
            (BatchButtons { .browse = false, .start = false, .abort = false, .close = true }));
        EXPECT_TRUE(h.session.job.completed);
        EXPECT_EQ(state.settings().backgroundCounts, 0); // the last estimate stays in effect
        EXPECT_TRUE(state.resultsShown);

        const std::vector<PlatformCall> boxes = h.platform.dialogs();
        ASSERT_EQ(boxes.size(), 3u);
        EXPECT_EQ(boxes[0].text, "Vireo file was WORD data -- save as BYTE.");
        EXPECT_EQ(boxes[1],
            (PlatformCall { "showMessage", "Error loading c_broken.dat -- skipping this file.\r\n",
                std::string(loadErrorCaption) }));
        EXPECT_EQ(boxes[2].text, "Error loading d_folder.dat -- skipping this file.\r\n");
        // The results page follows the accumulated bursts: three of them.
        double counted = 0;
        for (const double c : state.histograms[histogramPhotons].binCounts)
            counted += c;
        EXPECT_EQ(counted, 3.0);
        EXPECT_EQ(h.platform.callsNamed("refreshHistogramChart").size(), 6u); // three rows, two files

        EXPECT_EQ(batchClose(h.session), BatchCloseResult::closed);
        EXPECT_TRUE(h.view.ended);
        EXPECT_EQ(std::filesystem::current_path(), startDir);
        EXPECT_TRUE(h.session.job.fileNames.empty());
        EXPECT_EQ(h.session.job.accumulated.burstCount, 0u);
    }

    TEST_F(BatchRun, StartWithoutDirectoryOrWithoutDataFilesOnlyExplains)
    {
        BatchHarness h(state);
        EXPECT_EQ(batchStart(h.session), BatchStartResult::noDirectory);
        EXPECT_EQ(h.platform.dialogs(), boxOf(noDirectoryText, batchErrorCaption));

        std::filesystem::create_directory(temp / "empty");
        h.chooseDirectory(temp / "empty");
        h.platform.clear();
        EXPECT_EQ(batchStart(h.session), BatchStartResult::noFiles);
        EXPECT_EQ(h.platform.dialogs(), boxOf(noFilesText, batchErrorCaption));
        EXPECT_EQ(std::filesystem::current_path(), temp / "empty"); // until Close
        EXPECT_TRUE(state.batchLog.empty());
        EXPECT_EQ(h.session.phase, BatchPhase::directoryChosen);

        // A second Start in another directory runs; Close still restores the first directory.
        h.chooseDirectory(dir);
        ASSERT_EQ(batchStart(h.session), BatchStartResult::started);
        h.waitForRun();
        EXPECT_EQ(batchClose(h.session), BatchCloseResult::closed);
        EXPECT_EQ(std::filesystem::current_path(), startDir);
    }

    TEST_F(BatchRun, BrowseKeepsTheLastChoiceOnCancelAndIsRefusedOnceRunning)
    {
        BatchHarness h(state);
        h.chooseDirectory(dir);
        h.platform.folderAnswers.push_back(std::nullopt);
        batchChooseDirectory(h.session);
        EXPECT_EQ(h.view.workingDirectory, dir.string());
        ASSERT_EQ(batchStart(h.session), BatchStartResult::started);
        h.chooseDirectory(temp.path());
        EXPECT_EQ(h.session.job.directory, dir.string());
        EXPECT_EQ(batchStart(h.session), BatchStartResult::refused);
        h.waitForRun();
        EXPECT_EQ(batchClose(h.session), BatchCloseResult::closed);
    }

    TEST_F(BatchRun, AbortAfterTheFirstFileListsEveryFileAndNeedsASecondClose)
    {
        BatchHarness h(state);
        h.view.onProgress = [&h](std::size_t done) {
            if (done == 1)
                batchAbort(h.session);
        };
        h.chooseDirectory(dir);
        ASSERT_EQ(batchStart(h.session), BatchStartResult::started);
        h.waitForRun();

        EXPECT_FALSE(h.session.job.completed);
        EXPECT_EQ(h.view.progress.back(), progressOf(1, 5));
        EXPECT_EQ(bursts(),
            "no.\tphotons\tpeak\twidth\tinterval\r\n1\t81\t8\t10\t0.000500\r\n"
            "2\t43\t12\t5\t0.001502\r\n");
        const std::string text = info();
        EXPECT_TRUE(text.starts_with("Total number of bursts found = 2\r\n"));
        EXPECT_NE(text.find("Files:\r\n"
                            "a_bursts.dat (background level used = 2)\r\n"
                            "b_quiet.dat (background level used = 0)\r\n"
                            "c_broken.dat (background level used = 0)\r\n"
                            "d_folder.dat (background level used = 0)\r\n"
                            "e_more.dat (background level used = 0)\r\n"
                            "Process log:\r\n"),
            std::string::npos);
        // The log line of the end comes after the file is written.
        EXPECT_TRUE(text.ends_with("\r\nData file a_bursts.dat analysed\r\n"));
        EXPECT_TRUE(state.batchLog.ends_with("\r\nData file a_bursts.dat analysed\r\nProcessing complete.\r\n"));

        EXPECT_EQ(batchClose(h.session), BatchCloseResult::stayOpen);
        EXPECT_EQ(h.platform.dialogs().back(), boxOf(abortNoticeText, abortNoticeCaption).front());
        EXPECT_FALSE(h.view.ended);
        EXPECT_EQ(batchClose(h.session), BatchCloseResult::closed);
        EXPECT_TRUE(h.view.ended);
    }

    TEST_F(BatchRun, AbortDuringTheLastFileCountsAsCompleted)
    {
        BatchHarness h(state);
        h.view.onLog = [&h](std::string_view line) {
            if (line == "Loading file: e_more.dat\r\n")
                batchAbort(h.session);
        };
        h.chooseDirectory(dir);
        ASSERT_EQ(batchStart(h.session), BatchStartResult::started);
        h.waitForRun();
        EXPECT_TRUE(h.session.job.completed);
        EXPECT_EQ(bursts(), expectedFile("batch_run_bursts.txt", dir.string()));
        EXPECT_EQ(batchClose(h.session), BatchCloseResult::closed);
        EXPECT_EQ(h.platform.callsNamed("showMessage").size(), 3u); // the load errors only
    }

    TEST_F(BatchRun, CloseDuringAFileWaitsForTheWorkerBeforeReleasingTheJob)
    {
        BatchHarness h(state);
        std::vector<BatchCloseResult> closes;
        h.view.onLog = [&](std::string_view line) {
            if (line != "Loading file: b_quiet.dat\r\n")
                return;
            batchAbort(h.session);
            closes.push_back(batchClose(h.session));
            closes.push_back(batchClose(h.session));
        };
        h.chooseDirectory(dir);
        ASSERT_EQ(batchStart(h.session), BatchStartResult::started);
        h.waitForRun();
        EXPECT_EQ(closes, (std::vector { BatchCloseResult::stayOpen, BatchCloseResult::waitingForWorker }));
        // The worker finished the file it was in, then the dialog closed itself.
        EXPECT_EQ(h.session.phase, BatchPhase::closed);
        EXPECT_TRUE(h.view.ended);
        EXPECT_NE(state.batchLog.find("Data file b_quiet.dat: No bursts found with current trigger setting. \r\n"
                                      "Processing complete.\r\n"),
            std::string::npos);
        EXPECT_NE(info().find("b_quiet.dat (background level used = 2)\r\n"), std::string::npos);
        EXPECT_EQ(std::filesystem::current_path(), startDir);
    }

    TEST_F(BatchRun, ASecondJobStartsAtRowOneAndLogsAfterTheFirstJobsLines)
    {
        {
            BatchHarness first(state);
            first.chooseDirectory(dir);
            ASSERT_EQ(batchStart(first.session), BatchStartResult::started);
            first.waitForRun();
            EXPECT_EQ(batchClose(first.session), BatchCloseResult::closed);
        }
        const std::string firstLog = state.batchLog;
        BatchHarness second(state);
        EXPECT_EQ(second.view.shownLog, firstLog); // the box opens with the log so far
        second.chooseDirectory(dir);
        ASSERT_EQ(batchStart(second.session), BatchStartResult::started);
        second.waitForRun();

        EXPECT_EQ(bursts(), expectedFile("batch_run_bursts.txt", dir.string()));
        const std::string expectedInfo = expectedFile("batch_run_info.txt", dir.string());
        const std::size_t logStart = expectedInfo.find("Process log:\r\n") + 14;
        EXPECT_EQ(info(), expectedInfo.substr(0, logStart) + firstLog + expectedInfo.substr(logStart));
        EXPECT_EQ(batchClose(second.session), BatchCloseResult::closed);
    }

    TEST_F(BatchRun, PhotonCountFilesAreLoadedAndSmoothedWhenAsked)
    {
        const std::filesystem::path phcDir = temp / "phc";
        std::filesystem::create_directory(phcDir);
        PhotonStream stream;
        const auto counts = withBurst(testing::backgroundCounts(2000, 10, 1), 700, std::vector<std::uint16_t>(20, 9));
        stream.counts = PageArray<std::uint16_t>::allocate(counts.size());
        std::copy(counts.begin(), counts.end(), stream.counts.data());
        stream.length = static_cast<std::uint32_t>(counts.size());
        stream.binWidth = 1.0;
        stream.maxCount = 9;
        ASSERT_EQ(writePhotonCountData(stream, (phcDir / "p1.phc").string()), 0);
        writeBytes(phcDir / "ignored.dat", correlatorFileFor(counts));

        BatchHarness h(state);
        h.view.options.vireoFiles = false;
        h.view.options.smooth = true;
        h.chooseDirectory(phcDir);
        ASSERT_EQ(batchStart(h.session), BatchStartResult::started);
        h.waitForRun();

        EXPECT_EQ(state.settings().batchVireoFiles, 0);
        EXPECT_EQ(state.settings().batchSmooth, 1);
        ASSERT_EQ(h.session.outcomes.size(), 1u);
        EXPECT_EQ(h.session.outcomes[0].result, BatchFileResult::analysed);
        EXPECT_EQ(h.session.outcomes[0].bursts, 1u);
        const std::string log = "Found 1 *.phc files in " + phcDir.string() + "\r\nLoading file: p1.phc\r\n"
            + "Data file p1.phc filtered with SG width 5\r\n" + "Data file p1.phc background is 0\r\n"
            + "Data file p1.phc analysed\r\n";
        EXPECT_EQ(state.batchLog, log + "Processing complete.\r\n");
        const std::string text = readText(phcDir / "phc_info.txt");
        EXPECT_NE(text.find("\r\nSG Filter width = 5\r\nFiles:\r\np1.phc (background level used = 0)\r\n"
                            "Process log:\r\n"
                      + log),
            std::string::npos);
        EXPECT_TRUE(readText(phcDir / "phc_bursts.txt").starts_with("no.\tphotons\tpeak\twidth\tinterval\r\n1\t"));
        EXPECT_EQ(batchClose(h.session), BatchCloseResult::closed);
    }

} // namespace
} // namespace plask
