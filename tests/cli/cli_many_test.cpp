#include "cli_run.h"
#include "core/settings_file.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <sstream>

namespace plask {
namespace {

    using testing::quoted;
    using testing::runCli;
    using testing::TempDir;

    struct CliMany : ::testing::Test {
        TempDir dir;
        void SetUp() override
        {
            std::filesystem::copy_file(testing::examplePath("bursts_example.dat"), dir / "a.dat");
            std::filesystem::copy_file(testing::testDataPath("fcs_40MHz_1500ms.dat"), dir / "b.dat");
            testing::writeBytes(dir / "bad.dat", { 16, 40, 1, 2 }); // word data: refused
        }
        [[nodiscard]] static std::vector<std::string> lines(const std::string& out)
        {
            std::vector<std::string> split;
            std::istringstream in(out);
            for (std::string line; std::getline(in, line);)
                split.push_back(line);
            return split;
        }
    };

    // Each line is what a run on that file alone gives, in input order; the
    // failing file has its error line in its place; --jobs changes no byte.
    TEST_F(CliMany, SeveralInputsGiveTheSingleRunsInOrderWhateverTheJobs)
    {
        const std::string args = "bursts a.dat bad.dat b.dat a.dat --trigger 2 -o out";
        const auto serial = runCli(args + " --jobs 1", dir.path());
        const std::string serialBursts = testing::readText(dir / "out/a_bursts.txt");
        const std::string serialHist = testing::readText(dir / "out/a_hist.txt");
        const auto parallel = runCli(args + " --jobs 2", dir.path());
        EXPECT_NE(serial.exitCode, 0);
        EXPECT_EQ(parallel.exitCode, serial.exitCode);
        EXPECT_EQ(parallel.out, serial.out);
        EXPECT_EQ(parallel.err, serial.err);
        EXPECT_EQ(testing::readText(dir / "out/a_bursts.txt"), serialBursts);
        EXPECT_EQ(testing::readText(dir / "out/a_hist.txt"), serialHist);

        // a.dat has bursts, bad.dat is refused on loading, b.dat has none.
        const std::vector<std::string> results = lines(parallel.out);
        ASSERT_EQ(results.size(), 4u) << parallel.out;
        const std::vector<std::string> names { "a.dat", "bad.dat", "b.dat", "a.dat" };
        for (std::size_t i = 0; i < names.size(); ++i) {
            const auto single = runCli("bursts " + names[i] + " --trigger 2 -o out", dir.path());
            EXPECT_EQ(single.exitCode == 0, i == 0 || i == 3);
            if (single.exitCode == 0) {
                EXPECT_EQ(nlohmann::json::parse(results[i]), single.json()) << names[i];
                continue;
            }
            std::string message = single.err;
            message.pop_back();
            EXPECT_EQ(results[i], nlohmann::ordered_json({ { "path", names[i] }, { "error", message } }).dump());
        }
        EXPECT_EQ(results[0], results[3]);
    }

    TEST_F(CliMany, PathsFromStdinAndConvertIntoAFolder)
    {
        std::filesystem::create_directory(dir / "phc");
        // A second a.dat from another folder is refused in its place; a.dat listed again repeats the first.
        std::filesystem::create_directory(dir / "sub");
        std::filesystem::copy_file(dir / "b.dat", dir / "sub/a.dat");
        const std::string list = "a.dat\nb.dat\nsub/a.dat\n./a.dat\n";
        testing::writeBytes(dir / "list.txt", std::vector<std::uint8_t>(list.begin(), list.end()));
        const auto converted = runCli("convert - --binwidth 10 -o phc --jobs 2 < list.txt", dir.path());
        EXPECT_NE(converted.exitCode, 0);
        const std::vector<std::string> results = lines(converted.out);
        ASSERT_EQ(results.size(), 4u);
        EXPECT_EQ(nlohmann::json::parse(results[1])["output"], (dir / "phc/b.phc").string());
        EXPECT_EQ(nlohmann::json::parse(results[2])["path"], "sub/a.dat");
        EXPECT_EQ(results[3], results[0]);
        const auto first = runCli("convert a.dat --binwidth 10 -o first.phc", dir.path());
        ASSERT_EQ(first.exitCode, 0) << first.err;
        EXPECT_EQ(testing::readBytes(dir / "phc/a.phc"), testing::readBytes(dir / "first.phc"));
        const auto single = runCli("convert b.dat --binwidth 10 -o single.phc", dir.path());
        ASSERT_EQ(single.exitCode, 0) << single.err;
        EXPECT_EQ(testing::readBytes(dir / "phc/b.phc"), testing::readBytes(dir / "single.phc"));
    }

    // The summary names the build and the input by its digest, and the
    // settings under their own names after plask.ini, --settings (here after
    // the subcommand) and the flags; --provenance writes it beside the result.
    TEST_F(CliMany, ProvenanceAndSettingsAfterTheSubcommand)
    {
        AnalysisSettings settings;
        settings.subMinBins = 3;
        settings.histogramBins = 50;
        ASSERT_TRUE(writeSettingsFile(dir / "mine.ini", settings));
        const auto result = runCli("bursts a.dat --settings mine.ini --trigger 2 --provenance", dir.path());
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const nlohmann::json summary = result.json();
        ASSERT_EQ(summary["inputs"].size(), 1u);
        EXPECT_EQ(summary["inputs"][0]["path"], (dir / "a.dat").string());
        EXPECT_EQ(summary["inputs"][0]["size"], 643485);
        EXPECT_EQ(summary["inputs"][0]["sha256"], "cbd65308d49e20e5e268af80e1aa7a7b990f8d496ac92ea74b515ca7761e47c1");
        EXPECT_EQ(summary["version"]["plask"], "0.1.0");
        EXPECT_EQ(summary["parameters"]["triggerLevel"], 2);
        EXPECT_EQ(summary["parameters"]["subMinBins"], 3);
        EXPECT_EQ(summary["parameters"]["histogramBins"], 50);
        EXPECT_EQ(summary["parameters"]["binWidth"], 1.0);

        const nlohmann::json written
            = nlohmann::json::parse(testing::readText(dir / "a_bursts.txt.json"));
        EXPECT_EQ(written["inputs"], summary["inputs"]);
        EXPECT_EQ(written["parameters"], summary["parameters"]);
        EXPECT_TRUE(std::filesystem::exists(dir / "a_hist.txt.json"));
    }

    // Smoothing and the background estimate shape segfcs's burst search as
    // they shape bursts'.
    TEST_F(CliMany, SegFcsSearchesTheBurstsAsBurstsDoes)
    {
        const std::string options = " a.dat --trigger 3 --smooth --estimate-background";
        const auto bursts = runCli("bursts" + options, dir.path());
        const auto plain = runCli("segfcs a.dat --trigger 3", dir.path());
        const auto seg = runCli("segfcs" + options, dir.path());
        ASSERT_EQ(bursts.exitCode, 0) << bursts.err;
        ASSERT_EQ(seg.exitCode, 0) << seg.err;
        EXPECT_EQ(seg.json()["burstCount"], bursts.json()["burstCount"]);
        EXPECT_NE(seg.json()["burstCount"], plain.json()["burstCount"]);
        EXPECT_EQ(seg.json()["parameters"]["smoothPasses"], 1);
        EXPECT_EQ(seg.json()["parameters"]["backgroundCounts"], bursts.json()["parameters"]["backgroundCounts"]);
    }

} // namespace
} // namespace plask
