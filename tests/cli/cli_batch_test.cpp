#include "cli_run.h"
#include "test_files.h"

#include <gtest/gtest.h>

namespace plask {
namespace {

    using testing::quoted;
    using testing::readText;
    using testing::runCli;
    using testing::TempDir;

    // Bright molecules rarely in the focus: clear bursts at 10 µs bins.
    const std::string burstySimulation = " --seconds 1 --molecules 0.05 --brightness-khz 3000 --background-khz 5";

    std::string withoutCarriageReturns(std::string text)
    {
        std::erase(text, '\r');
        return text;
    }

    struct CliBatch : ::testing::Test {
        TempDir dir;
        std::filesystem::path data = dir / "exp";
        void SetUp() override
        {
            std::filesystem::create_directory(data);
            for (const char* name : { "one", "two" })
                ASSERT_EQ(runCli(std::string("simulate exp/") + name + ".dat --seed 3" + burstySimulation, dir.path())
                              .exitCode,
                    0);
            testing::writeBytes(data / "broken.dat", {}); // nothing to read
        }
    };

    TEST_F(CliBatch, RunsEveryFileLogsToStderrAndWritesBothFilesIntoTheDirectory)
    {
        const auto result
            = runCli("batch exp --binwidth 10 --trigger 4 --no-smooth --no-estimate-background", dir.path());
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const nlohmann::json summary = result.json();
        EXPECT_EQ(summary["directory"], data.string());
        EXPECT_EQ(summary["filesFound"], 3);
        EXPECT_EQ(summary["filesAnalysed"], 2);
        EXPECT_EQ(summary["filesSkipped"], 1);
        EXPECT_EQ(summary["results"][0]["name"], "broken.dat");
        EXPECT_EQ(summary["results"][0]["result"], "load error");
        const int total = summary["totalBursts"];
        EXPECT_EQ(total, summary["results"][1]["bursts"].get<int>() + summary["results"][2]["bursts"].get<int>());
        EXPECT_GT(total, 10);
        EXPECT_EQ(summary["files"],
            nlohmann::json::array({ (data / "exp_bursts.txt").string(), (data / "exp_info.txt").string() }));

        const std::string table = readText(data / "exp_bursts.txt");
        EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), total + 1);
        EXPECT_TRUE(table.ends_with("\r\n"));
        // No box: the skipped file is a log line, and the process log holds
        // what stderr showed, up to its closing line.
        EXPECT_NE(result.err.find("Error loading broken.dat -- skipping this file.\n"), std::string::npos);
        EXPECT_EQ(result.err.find("Batch processing error"), std::string::npos);
        const std::string info = readText(data / "exp_info.txt");
        const std::string log = withoutCarriageReturns(info.substr(info.find("Process log:\r\n") + 14));
        EXPECT_EQ(log + "Processing complete.\n", result.err.substr(result.err.find("Found 3 *.dat files in ")));
        EXPECT_NE(info.find("Data sets not SG Filtered\r\nFiles:\r\nbroken.dat (background level used = 0)\r\n"),
            std::string::npos);
    }

    TEST_F(CliBatch, KeepsTheLinkNameOfTheDirectoryAndStopsWhereTheDialogWould)
    {
        std::filesystem::create_directory_symlink(data, dir / "link");
        const auto linked = runCli("batch link --phc", dir.path());
        EXPECT_NE(linked.exitCode, 0); // no photon count files there
        EXPECT_NE(linked.err.find("No valid files were found in selected directory"), std::string::npos) << linked.err;
        EXPECT_TRUE(linked.out.empty());

        const auto run = runCli("batch link --binwidth 10 --smooth", dir.path());
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.json()["directory"], (dir / "link").string());
        EXPECT_TRUE(std::filesystem::exists(data / "link_info.txt"));
        EXPECT_NE(readText(data / "link_info.txt").find("\r\nSG Filter width = 5\r\n"), std::string::npos);

        EXPECT_NE(runCli("batch " + quoted(dir / "missing"), dir.path()).exitCode, 0);
        EXPECT_NE(runCli("batch exp --sg-width 4", dir.path()).exitCode, 0);
    }

    // Files run at once give the table, the info file, the log and the
    // summary of one file after another, a reader's message included.
    TEST_F(CliBatch, ParallelFilesGiveTheSameBytesAsOneAtATime)
    {
        ASSERT_EQ(runCli("simulate exp/three.dat --seed 4" + burstySimulation, dir.path()).exitCode, 0);
        testing::writeBytes(data / "word.dat", { 16, 40, 1, 2 });
        const std::string args = "batch exp --binwidth 10 --trigger 4 --smooth --estimate-background --jobs ";
        const auto serial = runCli(args + "1", dir.path());
        const std::string table = readText(data / "exp_bursts.txt");
        const std::string info = readText(data / "exp_info.txt");
        const auto parallel = runCli(args + "3", dir.path());
        ASSERT_EQ(serial.exitCode, 0) << serial.err;
        EXPECT_EQ(parallel.exitCode, 0);
        EXPECT_EQ(parallel.out, serial.out);
        EXPECT_EQ(parallel.err, serial.err);
        EXPECT_EQ(readText(data / "exp_bursts.txt"), table);
        EXPECT_EQ(readText(data / "exp_info.txt"), info);
        EXPECT_NE(serial.err.find("Load Error: Vireo file was WORD data -- save as BYTE.\nError loading word.dat"),
            std::string::npos);
        EXPECT_EQ(serial.json()["filesAnalysed"], 3);
    }

    // Time-tag files: each is read with the job's channels and window, as
    // `bursts` reads it with the same options, and the info file says which photons.
    TEST_F(CliBatch, TimeTagFilesAreReadWithTheJobsPhotonChoice)
    {
        const std::filesystem::path tags = dir / "tags";
        std::filesystem::create_directory(tags);
        for (const char* name : { "a.ht3", "b.HT3" })
            std::filesystem::copy_file(testing::testDataPath("rh110_sm.ht3"), tags / name);
        const std::string choice = " --channel 1,5 --window 0:20 --binwidth 100 --trigger 3";
        const auto single = runCli("bursts tags/a.ht3 -o tags" + choice, dir.path());
        ASSERT_EQ(single.exitCode, 0) << single.err;
        const int bursts = single.json()["burstCount"];
        ASSERT_GT(bursts, 10);

        const auto run = runCli("batch tags --time-tag ht3 --no-smooth --no-estimate-background" + choice, dir.path());
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const nlohmann::json summary = run.json();
        EXPECT_EQ(summary["filesAnalysed"], 2);
        EXPECT_EQ(summary["totalBursts"], 2 * bursts);
        EXPECT_EQ(summary["parameters"]["channel"], "1,5");
        const std::string info = readText(tags / "tags_info.txt");
        EXPECT_NE(info.find("Photons = detectors 1 + 5 | window 0 to 20 s\r\n"), std::string::npos) << info;
        EXPECT_NE(info.find("Found 2 *.pt3 *.pt2 *.ht3 *.ht2 files in "), std::string::npos);

        const auto noType = runCli("batch tags --channel 1", dir.path());
        EXPECT_EQ(noType.exitCode, 2);
        EXPECT_NE(noType.err.find("add --time-tag EXT"), std::string::npos) << noType.err;
        EXPECT_EQ(runCli("batch tags --time-tag dat", dir.path()).exitCode, 2);
    }

} // namespace
} // namespace plask
