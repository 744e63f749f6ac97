// plask-cli fcs and segfcs run as a user would run them.

#include "analysis/burst_analysis.h"
#include "view/panel_settings.h"
#include "correlation/correlation_commands.h"
#include "correlation/correlation_files.h"
#include "correlation/segmental_correlation.h"
#include "correlation_test_support.h"
#include "diffusion_fit.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>

namespace plask {
namespace {

    using testing::TempDir;

    struct CliOutput {
        int exitCode = -1;
        std::string out;
        std::string err;
        [[nodiscard]] nlohmann::json json() const { return nlohmann::json::parse(out); }
    };

    // Runs plask-cli in `dir` (so no plask.ini of the build folder counts).
    CliOutput runCli(const TempDir& dir, const std::vector<std::string>& args)
    {
        std::string command = "cd '" + dir.path().string() + "' && '" PLASK_CLI_PATH "'";
        for (const std::string& arg : args)
            command += " '" + arg + "'";
        command += " > stdout.txt 2> stderr.txt";
        const int status = std::system(command.c_str());
        CliOutput output;
        output.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        output.out = testing::readText(dir / "stdout.txt");
        output.err = testing::readText(dir / "stderr.txt");
        return output;
    }

    // The lag and G columns of a correlation file.
    std::vector<testing::CurvePoint> readCurve(const std::filesystem::path& path)
    {
        std::ifstream in(path);
        std::string line;
        std::getline(in, line);
        const int headerRows = std::atoi(line.substr(line.find('\t') + 1).c_str());
        for (int i = 1; i < headerRows; ++i)
            std::getline(in, line);
        std::vector<testing::CurvePoint> curve;
        testing::CurvePoint point;
        while (in >> point.lagMs >> point.g)
            curve.push_back(point);
        return curve;
    }

    // The first 1.5 s of a simulated recording: N = 1 molecule in the
    // observation volume (2.83 in the effective one), tauD = 100 µs, kappa 5,
    // 48 kHz per molecule, 2 kHz background, 40 MHz clock. With the
    // background the expected amplitude is 0.3256.
    TEST(FcsCli, CurveOfASimulatedRecordingFitsItsDiffusionModel)
    {
        TempDir dir;
        const CliOutput run = runCli(dir, { "fcs", testing::testDataPath("fcs_40MHz_1500ms.dat").string(), "-o", "." });
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const nlohmann::json summary = run.json();
        EXPECT_EQ(summary["lagCount"], 136); // 1499981 bins, step 8: 15 coarse levels
        EXPECT_EQ(summary["levelCount"], 15.0);
        EXPECT_EQ(summary["correlatedBins"], 1499981);
        EXPECT_GE(summary["elapsedSeconds"].get<double>(), 0.0);
        ASSERT_EQ(summary["files"].size(), 1u);
        const std::filesystem::path file = summary["files"][0].get<std::string>();
        EXPECT_EQ(file, dir / "fcs_40MHz_1500ms_fcs.txt");

        std::vector<testing::CurvePoint> curve;
        for (const testing::CurvePoint& point : readCurve(file))
            if (point.lagMs >= 0.001 && point.lagMs <= 20.0)
                curve.push_back(point);
        ASSERT_EQ(curve.size(), 97u); // 16 lags of level 0, 8 of each of levels 1 to 10, one of level 11
        const testing::DiffusionFit fit = testing::fitDiffusion(curve, 5.0);
        std::cout << "3D diffusion fit, 1 µs to 20 ms: G0 = " << fit.amplitude
                  << " (expected 0.3256), tauD = " << fit.diffusionTimeMs * 1000 << " µs (simulated 100 µs)\n";
        EXPECT_NEAR(fit.amplitude, 0.3256, 0.3256 * 0.06);
        EXPECT_NEAR(fit.diffusionTimeMs, 0.100, 0.100 * 0.12);
    }

    TEST(FcsCli, ValuesOutsideTheSetupListsAreRefused)
    {
        TempDir dir;
        const std::string file = testing::testDataPath("fcs_40MHz_1500ms.dat").string();
        const CliOutput binWidth = runCli(dir, { "fcs", file, "--calc-binwidth", "3" });
        EXPECT_EQ(binWidth.exitCode, 2);
        EXPECT_NE(binWidth.err.find("0.1, 0.5, 1, 2, 5, 10, 20, 50, 100, 250, 500"), std::string::npos) << binWidth.err;
        const CliOutput step = runCli(dir, { "fcs", file, "--step", "10" });
        EXPECT_EQ(step.exitCode, 2);
        EXPECT_NE(step.err.find("2, 4, 8, 12, 16, 24, 32, 64, 128"), std::string::npos) << step.err;
        const CliOutput region = runCli(dir, { "fcs", file, "--region", "500:20" });
        EXPECT_EQ(region.exitCode, 2);
        EXPECT_TRUE(region.out.empty());
    }

    TEST(FcsCli, RegionStepAndCalculationBinWidthReachTheCommand)
    {
        TempDir dir;
        const CliOutput run = runCli(dir,
            { "fcs", testing::testDataPath("fcs_40MHz_1500ms.dat").string(), "--region", "1001:5001", "--calc-binwidth",
                "2", "--step", "16", "-o", "." });
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const nlohmann::json summary = run.json();
        EXPECT_EQ(summary["correlatedBins"], 2001); // 500 ... 2500 at 2 µs
        EXPECT_EQ(summary["mtStep"], 16);
        EXPECT_EQ(summary["calcBinWidth"], 2.0);
    }

    // Two detectors of slightly different lengths: FILE is the direct
    // stream (PS2), OTHER the delayed one (PS1). The file is the one the
    // program's own commands write.
    TEST(FcsCli, CrossCorrelationWritesWhatTheProgramWrites)
    {
        TempDir dir;
        std::vector<std::uint16_t> direct = testing::randomCounts(9000, 0.7, false, 21);
        std::vector<std::uint16_t> delayed = testing::randomCounts(8500, 0.9, false, 22);
        direct.back() = 1;
        delayed.back() = 1;
        const std::string directPath = testing::writeCorrelatorFile(dir / "det2.dat", direct);
        const std::string delayedPath = testing::writeCorrelatorFile(dir / "det1.dat", delayed);
        std::filesystem::create_directory(dir / "out");
        const CliOutput run = runCli(dir, { "fcs", "det2.dat", "--cross", "det1.dat", "-o", "out" });
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const nlohmann::json summary = run.json();
        EXPECT_EQ(summary["kind"], 3);
        EXPECT_EQ(summary["source"], directPath);
        EXPECT_EQ(summary["correlatedBins"], 8500);
        EXPECT_EQ(summary["files"][0], (dir / "out" / "det2_fccs.txt").string());

        AppState state;
        testing::FakePlatform platform;
        state.settings().showFcsSetupFirst = 0;
        testing::openInto(state, platform, 0, delayedPath);
        testing::openInto(state, platform, 1, directPath);
        crossCorrelationCommand(state, platform, 1);
        ASSERT_EQ(writeFcsResults((dir / "expected.txt").string(), state.correlations[1]), 0);
        EXPECT_EQ(testing::readBytes(dir / "out" / "det2_fccs.txt"), testing::readBytes(dir / "expected.txt"));
    }

    // Two detectors of one recorded time-tag file: --cross names the same
    // file, --cross-channel its delayed detector; the curve is the one the
    // program computes from the two streams loaded with those choices.
    TEST(FcsCli, CrossCorrelationOfTwoDetectorsOfOneTimeTagFile)
    {
        TempDir dir;
        const std::string path = testing::testDataPath("rh110_sm.ht3").string();
        std::filesystem::create_directory(dir / "out");
        const CliOutput run = runCli(dir,
            { "fcs", path, "--channel", "1", "--cross", path, "--cross-channel", "5", "--window", "0:10", "-o", "out" });
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const nlohmann::json summary = run.json();
        EXPECT_EQ(summary["kind"], 3);
        EXPECT_EQ(summary["correlatedBins"], 10'000'000);
        EXPECT_EQ(summary["parameters"]["crossChannel"], "5");

        AppState state;
        testing::FakePlatform platform;
        state.settings().showFcsSetupFirst = 0;
        for (const auto& [channel, detector] : { std::pair { 0, 5 }, std::pair { 1, 1 } }) {
            state.photonPreset = {};
            state.photonPreset.channels = { detector };
            state.photonPreset.windowStartS = 0.0;
            state.photonPreset.windowDurationS = 10.0;
            testing::openInto(state, platform, channel, path);
        }
        crossCorrelationCommand(state, platform, 1);
        ASSERT_EQ(writeFcsResults((dir / "expected.txt").string(), state.correlations[1]), 0);
        EXPECT_EQ(testing::readBytes(dir / "out" / "rh110_sm_fccs.txt"), testing::readBytes(dir / "expected.txt"));
    }

    // Bursts of 8 photons per bin over a sparse background: the burst
    // analysis with the default panel finds them, and the gaps between
    // them pool into one curve.
    TEST(SegFcsCli, PoolsTheGapsBetweenTheBurstsAsTheProgramDoes)
    {
        TempDir dir;
        std::vector<std::uint16_t> counts(120000);
        std::mt19937 random(31);
        std::bernoulli_distribution photon(0.05);
        for (std::uint16_t& count : counts)
            count = photon(random) ? 1 : 0;
        for (std::size_t burst = 0; burst < 12; ++burst)
            for (std::size_t i = 0; i < 30; ++i)
                counts[5000 + burst * 9500 + i] = 8;
        counts.back() = 1;
        const std::string path = testing::writeCorrelatorFile(dir / "gaps.dat", counts);
        const CliOutput run = runCli(dir, { "segfcs", "gaps.dat", "--min-time", "500", "--step", "4", "-o", "." });
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const nlohmann::json summary = run.json();
        EXPECT_EQ(summary["kind"], 2);
        EXPECT_EQ(summary["burstCount"], 12);
        EXPECT_EQ(summary["segmentCount"], 13);
        EXPECT_EQ(summary["curveCount"], 13);
        EXPECT_EQ(summary["mtStep"], 4);
        EXPECT_EQ(summary["minSegmentUs"], 500.0);
        EXPECT_EQ(summary["files"][0], (dir / "gaps_segfcs.txt").string());

        AppState state;
        testing::FakePlatform platform;
        platform.panel = panelFieldsFrom(state.settings());
        testing::openInto(state, platform, 0, path);
        runBurstAnalysis(state, platform);
        platform.segmentDialogScripts.push_back({ { "500", std::size_t { 1 }, std::nullopt } });
        segmentalAutocorrelationCommand(state, platform, 0);
        ASSERT_EQ(writeFcsResults((dir / "expected.txt").string(), state.correlations[0]), 0);
        EXPECT_EQ(testing::readBytes(dir / "gaps_segfcs.txt"), testing::readBytes(dir / "expected.txt"));
    }

} // namespace
} // namespace plask
