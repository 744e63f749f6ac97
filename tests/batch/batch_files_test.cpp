#include "batch/batch_files.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace plask {
namespace {

    using testing::readText;
    using testing::TempDir;

    struct Bursts {
        std::vector<double> photons, peaks, widths, intervals;
    };

    BurstSet setOf(const Bursts& b)
    {
        BurstSet set;
        set.burstCount = static_cast<std::uint32_t>(b.photons.size());
        const auto fill = [](PageArray<double>& array, const std::vector<double>& values) {
            array = PageArray<double>::allocate(std::max<std::size_t>(values.size(), 1));
            std::copy(values.begin(), values.end(), array.data());
        };
        fill(set.photons, b.photons);
        fill(set.peaks, b.peaks);
        fill(set.widths, b.widths);
        fill(set.intervals, b.intervals);
        return set;
    }

    TEST(BatchBurstTable, EachRewriteHoldsEveryEarlierRowUnchanged)
    {
        TempDir dir;
        BurstSet accumulated;
        const BurstSet first = setOf({ { 80.0, 42.9 }, { 8.0, 12.0 }, { 640.9, 5.0 }, { 0.0005, 0.0015024 } });
        const BurstSet second = setOf({ { 28.0 }, { 7.0 }, { 4.0 }, { 1.5 } });
        const std::string header = "no.\tphotons\tpeak\twidth\tinterval\r\n";
        const std::string rows = "1\t80\t8\t640\t0.000500\r\n"
                                 "2\t42\t12\t5\t0.001502\r\n";

        EXPECT_EQ(appendBurstsAndWrite(accumulated, first, dir.path().string(), "run"), writeOk);
        EXPECT_EQ(readText(dir / "run_bursts.txt"), header + rows);
        EXPECT_EQ(appendBurstsAndWrite(accumulated, second, dir.path().string(), "run"), writeOk);
        EXPECT_EQ(readText(dir / "run_bursts.txt"), header + rows + "3\t28\t7\t4\t1.500000\r\n");
        EXPECT_EQ(accumulated.burstCount, 3u);
    }

    TEST(BatchBurstTable, AnEmptyBaseNameWritesIntoTheDirectoryItself)
    {
        TempDir dir;
        BurstSet accumulated;
        EXPECT_EQ(
            appendBurstsAndWrite(accumulated, setOf({ { 1 }, { 1 }, { 1 }, { 0 } }), dir.path().string(), ""), writeOk);
        EXPECT_TRUE(std::filesystem::exists(dir / "_bursts.txt"));
        EXPECT_EQ(appendBurstsAndWrite(accumulated, setOf({ { 1 }, { 1 }, { 1 }, { 0 } }), "/nonexistent/dir", "x"),
            writeCannotOpen);
    }

    TEST(BatchBurstTable, AppendingKeepsEveryValueInOrderAcrossManyGrowths)
    {
        std::mt19937 random(7);
        BurstSet accumulated;
        Bursts reference;
        for (int file = 0; file < 60; ++file) {
            Bursts b;
            const int n = std::uniform_int_distribution(1, 300)(random);
            for (int k = 0; k < n; ++k) {
                b.photons.push_back(std::uniform_real_distribution(0.0, 1e4)(random));
                b.peaks.push_back(std::uniform_real_distribution(0.0, 1e3)(random));
                b.widths.push_back(std::uniform_real_distribution(0.0, 1e5)(random));
                b.intervals.push_back(std::uniform_real_distribution(0.0, 10.0)(random));
            }
            ASSERT_TRUE(appendBursts(accumulated, setOf(b)));
            for (auto [to, from] : { std::pair(&reference.photons, &b.photons), std::pair(&reference.peaks, &b.peaks),
                     std::pair(&reference.widths, &b.widths), std::pair(&reference.intervals, &b.intervals) })
                to->insert(to->end(), from->begin(), from->end());
        }
        ASSERT_EQ(accumulated.burstCount, reference.photons.size());
        const auto n = reference.photons.size();
        EXPECT_EQ(std::vector<double>(accumulated.photons.data(), accumulated.photons.data() + n), reference.photons);
        EXPECT_EQ(std::vector<double>(accumulated.peaks.data(), accumulated.peaks.data() + n), reference.peaks);
        EXPECT_EQ(std::vector<double>(accumulated.widths.data(), accumulated.widths.data() + n), reference.widths);
        EXPECT_EQ(
            std::vector<double>(accumulated.intervals.data(), accumulated.intervals.data() + n), reference.intervals);
    }

    void fillJob(BatchJob& job, const TempDir& dir)
    {
        job.directory = dir.path().string();
        job.saveAsName = "exp 7";
        job.fileNames = { "a.dat", "\xC2\xB5-run.dat", "never.dat" };
        job.backgrounds = { 3, 12 }; // the third file never got one
        job.minPhotons = 10;
        job.subMinBins = 4;
        job.triggerLevel = 5;
        job.binWidth = 0.5;
        job.sgWidth = 7;
        job.accumulated = setOf({ { 1, 2 }, { 1, 2 }, { 1, 2 }, { 0, 0 } });
    }

    TEST(BatchProcessLog, ListsParametersFilesAndTheWholeStatusLogInWindows1252)
    {
        TempDir dir;
        BatchJob job;
        fillJob(job, dir);
        const std::string log = "Found 3 *.dat files in /x\r\nLoading file: \xC2\xB5-run.dat\r\n";
        EXPECT_EQ(writeProcessLog(job, true, log), writeOk);
        EXPECT_EQ(readText(dir / "exp 7_info.txt"),
            "Total number of bursts found = 2\r\n"
            "Min. photons/burst = 10\r\n"
            "Allowed sub-min bins = 4\r\n"
            "Trigger value = 5\r\n"
            "Binwidth (\xB5s) = 0.500000\r\n"
            "SG Filter width = 7\r\n"
            "Files:\r\n"
            "a.dat (background level used = 3)\r\n"
            "\xB5-run.dat (background level used = 12)\r\n"
            "never.dat (background level used = 0)\r\n"
            "Process log:\r\n"
            "Found 3 *.dat files in /x\r\n"
            "Loading file: \xB5-run.dat\r\n");
    }

    TEST(BatchProcessLog, SaysWhenTheDataWereNotFiltered)
    {
        TempDir dir;
        BatchJob job;
        fillJob(job, dir);
        job.accumulated = {};
        EXPECT_EQ(writeProcessLog(job, false, ""), writeOk);
        const std::string text = readText(dir / "exp 7_info.txt");
        EXPECT_TRUE(text.starts_with("Total number of bursts found = 0\r\n"));
        EXPECT_NE(text.find("\r\nData sets not SG Filtered\r\nFiles:\r\n"), std::string::npos);
        EXPECT_TRUE(text.ends_with("\r\nProcess log:\r\n"));
    }

} // namespace
} // namespace plask
