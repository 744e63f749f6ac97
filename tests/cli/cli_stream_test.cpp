#include "cli_run.h"
#include "formats/correlator_file.h"
#include "formats/photon_count_file.h"
#include "core/settings_file.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <vector>

namespace plask {
namespace {

    using testing::quoted;
    using testing::runCli;
    using testing::TempDir;

    // Header 8, 40, photons at ticks 40 and 80, three on tick 120, then one
    // photon every 40 ticks up to tick 1500 × 40: 1501 bins at 1 µs, by hand:
    // bin 0 empty, bin 3 holds 3 photons, every other bin 1; 1502 photons.
    std::vector<std::uint8_t> handCountedFile()
    {
        std::vector<std::uint8_t> file { 8, 40, 0x28, 0x28, 0x28, 0x00, 0x00 };
        for (int bin = 4; bin <= 1500; ++bin)
            file.push_back(0x28);
        return file;
    }

    struct Cli : ::testing::Test {
        TempDir dir;
    };

    TEST_F(Cli, InfoAgreesWithAHandCount)
    {
        testing::writeBytes(dir / "hand.dat", handCountedFile());
        const auto result = runCli("info hand.dat", dir.path());
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const nlohmann::json info = result.json();
        EXPECT_EQ(info["fileType"], 2);
        EXPECT_EQ(info["length"], 1501);
        EXPECT_EQ(info["photons"], 1502.0);
        EXPECT_EQ(info["maxCount"], 3);
        EXPECT_EQ(info["minCount"], 0);
        EXPECT_EQ(info["binWidth"], 1.0);
        EXPECT_EQ(info["sourceResolution"], 0.025);
        EXPECT_DOUBLE_EQ(info["duration"].get<double>(), 1500e-6);
        EXPECT_DOUBLE_EQ(info["rateKHz"].get<double>(), 1502 / 1500e-6 / 1000);
        EXPECT_EQ(info["file"], (dir / "hand.dat").string());
    }

    TEST_F(Cli, RefusalsExitNonZeroWithTheProgramsMessage)
    {
        testing::writeBytes(dir / "hand.dat", handCountedFile());
        const auto coarse = runCli("info hand.dat --binwidth 2", dir.path()); // 751 bins
        EXPECT_NE(coarse.exitCode, 0);
        EXPECT_NE(coarse.err.find("Too few data points at requested bin size."), std::string::npos) << coarse.err;
        EXPECT_TRUE(coarse.out.empty());

        const auto unlisted = runCli("info hand.dat --binwidth 3", dir.path());
        EXPECT_NE(unlisted.exitCode, 0);
        EXPECT_NE(unlisted.err.find("0.1, 0.5, 1, 2, 5, 10, 20, 50, 100, 250, 500"), std::string::npos) << unlisted.err;

        const auto missing = runCli("info nothing.dat", dir.path());
        EXPECT_NE(missing.exitCode, 0);
        EXPECT_NE(missing.err.find("Error opening file."), std::string::npos) << missing.err;

        testing::writeBytes(dir / "word.dat", { 16, 40, 1, 2 });
        const auto word = runCli("info word.dat", dir.path());
        EXPECT_NE(word.exitCode, 0);
        EXPECT_NE(word.err.find("Vireo file was WORD data -- save as BYTE."), std::string::npos) << word.err;
    }

    TEST_F(Cli, SettingsFileInTheFolderGivesTheBinWidth)
    {
        testing::writeBytes(dir / "hand.dat", handCountedFile());
        AnalysisSettings settings;
        settings.binWidth = 0.5;
        ASSERT_TRUE(writeSettingsFile(dir / "plask.ini", settings));
        const auto fine = runCli("info hand.dat", dir.path());
        ASSERT_EQ(fine.exitCode, 0) << fine.err;
        EXPECT_EQ(fine.json()["length"], 3001);
        EXPECT_EQ(fine.json()["binWidth"], 0.5);
        const auto flag = runCli("info hand.dat --binwidth 1", dir.path());
        EXPECT_EQ(flag.json()["length"], 1501);

        std::filesystem::rename(dir / "plask.ini", dir / "other.ini");
        EXPECT_EQ(runCli("--settings other.ini info hand.dat", dir.path()).json()["binWidth"], 0.5);
        EXPECT_NE(runCli("--settings absent.ini info hand.dat", dir.path()).exitCode, 0);
    }

    TEST_F(Cli, ConvertWritesWhatInfoReadsBack)
    {
        const auto simulated = runCli("simulate sim.dat --seconds 0.2 --seed 5", dir.path());
        ASSERT_EQ(simulated.exitCode, 0) << simulated.err;
        const auto converted = runCli("convert sim.dat --binwidth 0.5 -o out.phc", dir.path());
        ASSERT_EQ(converted.exitCode, 0) << converted.err;
        const nlohmann::json written = converted.json();
        EXPECT_EQ(written["output"], (dir / "out.phc").string());
        EXPECT_EQ(written["packing"], 3);
        EXPECT_EQ(written["bytes"], std::filesystem::file_size(dir / "out.phc"));

        const auto back = runCli("info out.phc --binwidth 10", dir.path()); // a .phc loads at its own width
        ASSERT_EQ(back.exitCode, 0) << back.err;
        const nlohmann::json info = back.json();
        const nlohmann::json original = written["stream"];
        EXPECT_EQ(info["fileType"], 1);
        EXPECT_EQ(info["binWidth"], 0.5);
        EXPECT_EQ(info["sourceResolution"], 0.5);
        for (const char* key : { "length", "photons", "maxCount", "minCount" })
            EXPECT_EQ(info[key], original[key]) << key;

        const auto unwritable = runCli("convert sim.dat --binwidth 1 -o missing/out.phc", dir.path());
        EXPECT_NE(unwritable.exitCode, 0);
        EXPECT_NE(unwritable.err.find("Could not write the photon count file."), std::string::npos) << unwritable.err;
        EXPECT_NE(runCli("convert sim.dat -o x.phc", dir.path()).exitCode, 0); // --binwidth is required
    }

    TEST_F(Cli, SimulateIsReproducibleAndAgreesWithInfo)
    {
        const std::string options = " --seconds 0.3 --clock 60 --molecules 2 --brightness-khz 20 --seed 9";
        const auto first = runCli("simulate a.dat" + options, dir.path());
        const auto second = runCli("simulate b.dat" + options, dir.path());
        ASSERT_EQ(first.exitCode, 0) << first.err;
        ASSERT_EQ(second.exitCode, 0) << second.err;
        EXPECT_EQ(testing::readBytes(dir / "a.dat"), testing::readBytes(dir / "b.dat"));
        const nlohmann::json summary = first.json();
        EXPECT_EQ(summary["expectedRateKHz"], 41.0);
        EXPECT_NEAR(summary["expectedG0"].get<double>(), 0.5 * (40.0 / 41) * (40.0 / 41), 1e-12);

        const auto info = runCli("info a.dat", dir.path());
        ASSERT_EQ(info.exitCode, 0) << info.err;
        EXPECT_EQ(info.json()["photons"], summary["photons"]);
        EXPECT_EQ(info.json()["sourceResolution"], 1.0 / 60);
        EXPECT_EQ(info.json()["length"], summary["lastTick"].get<std::uint64_t>() / 60 + 1);

        EXPECT_NE(runCli("simulate c.dat --clock 50", dir.path()).exitCode, 0);
        EXPECT_NE(runCli("simulate c.dat --seconds -1", dir.path()).exitCode, 0);
        EXPECT_NE(runCli("simulate missing/c.dat --seconds 0.01", dir.path()).exitCode, 0);
    }

    TEST_F(Cli, BundledExampleLoads)
    {
        const auto result = runCli("info " + quoted(testing::examplePath("fcs_example.dat")), dir.path());
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const nlohmann::json info = result.json();
        EXPECT_EQ(info["fileType"], 2);
        EXPECT_NEAR(info["rateKHz"].get<double>(), 51.0, 3.0);
        EXPECT_GT(info["duration"].get<double>(), 3.9);
    }

} // namespace
} // namespace plask
