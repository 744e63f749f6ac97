#include "batch/batch_job.h"
#include "batch/status_log.h"
#include "batch/ui_thread.h"
#include "core/text_format.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

namespace plask {
namespace {

    using testing::TempDir;
    using testing::writeBytes;

    TEST(BatchScan, ListsMatchingNamesAndFoldersInCaseInsensitiveOrder)
    {
        TempDir dir;
        for (const char* name : { "b.dat", "A.DAT", "a.dat", "c.phc", "notes.txt", "x.dat.bak", ".dat" })
            writeBytes(dir / name, { 8, 40 });
        std::filesystem::create_directory(dir / "folder.dat");
        BatchJob job;
        job.directory = dir.path().string();
        job.fileKind = batchCorrelatorFiles;
        EXPECT_EQ(scanDirectory(job), 5u);
        EXPECT_EQ(job.fileNames, (std::vector<std::string> { ".dat", "A.DAT", "a.dat", "b.dat", "folder.dat" }));
        job.fileKind = batchPhotonCountFiles;
        EXPECT_EQ(scanDirectory(job), 1u);
        EXPECT_EQ(job.fileNames, std::vector<std::string> { "c.phc" });
        EXPECT_STREQ(batchFilePattern(job.fileKind), "*.phc");
    }

    TEST(BatchScan, KeepsTheFirst512NamesAndFindsNothingInAMissingDirectory)
    {
        TempDir dir;
        for (int i = 0; i < 600; ++i)
            writeBytes(dir / formatText("f%03d.dat", i), {});
        BatchJob job;
        job.directory = dir.path().string();
        EXPECT_EQ(scanDirectory(job), maxBatchFiles);
        EXPECT_EQ(job.fileNames.front(), "f000.dat");
        EXPECT_EQ(job.fileNames.back(), "f511.dat");
        job.directory = (dir / "missing").string();
        EXPECT_EQ(scanDirectory(job), 0u);
        EXPECT_TRUE(job.fileNames.empty());
    }

    TEST(BatchScan, SaveAsNameIsTheLastPathComponent)
    {
        EXPECT_EQ(saveAsNameFor("/data/2024-05 run"), "2024-05 run");
        EXPECT_EQ(saveAsNameFor("/"), "");
        EXPECT_EQ(saveAsNameFor("/data/run/"), "");
    }

    TEST(StatusLog, ShowsTheWholeLogWhileItFitsAndThenTheNewestWholeLines)
    {
        EXPECT_EQ(shownLogPart("a\r\nb\r\n", 6), "a\r\nb\r\n");
        EXPECT_EQ(shownLogPart("first\r\nsecond\r\n", 10), "second\r\n");
        // One line longer than the box: cut at a character, never inside one.
        EXPECT_EQ(shownLogPart("x\xC2\xB5yz", 3), "yz");
    }

    TEST(StatusLog, ShownPartIsAlwaysABoundedSuffixStartingAtALineOrCharacter)
    {
        std::mt19937 random(3);
        std::string log;
        for (int line = 0; line < 3000; ++line) {
            log += "Loading file: ";
            log.append(static_cast<std::size_t>(std::uniform_int_distribution(0, 40)(random)), 'n');
            if (line % 7 == 0)
                log += "\xC2\xB5";
            log += "\r\n";
            const std::string_view shown = shownLogPart(log);
            ASSERT_LE(shown.size(), statusLogShownBytes);
            ASSERT_EQ(log.compare(log.size() - shown.size(), shown.size(), shown), 0);
            if (shown.size() < log.size()) {
                ASSERT_EQ(log[log.size() - shown.size() - 1], '\n');
            }
        }
    }

    TEST(UiCallQueue, RunsOtherThreadsCallsOnTheOwnerInOrderAndWaitsForEach)
    {
        UiCallQueue queue;
        std::vector<int> seen; // touched only on the owner thread
        std::atomic<bool> done { false };
        std::thread other([&] {
            for (int i = 0; i < 100; ++i)
                queue.invoke([&seen, i] { seen.push_back(i); });
            queue.post([&] { done = true; });
        });
        queue.runUntil([&] { return done.load(); });
        other.join();
        ASSERT_EQ(seen.size(), 100u);
        for (int i = 0; i < 100; ++i)
            EXPECT_EQ(seen[static_cast<std::size_t>(i)], i);
        int direct = 0;
        queue.invoke([&] { direct = 1; }); // on the owner: runs at once
        EXPECT_EQ(direct, 1);
    }

} // namespace
} // namespace plask
