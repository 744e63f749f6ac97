// plask-cli fit and pchfit on files Plask wrote and simulated, as a user runs them.

#include "cli_run.h"
#include "diffusion_fit.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace plask {
namespace {

    using testing::quoted;
    using testing::runCli;
    using testing::TempDir;

    // The report's parameter lines and data lines, after its "Header size" rows.
    struct ReportFile {
        int headerRows = 0;
        std::vector<std::string> header;
        std::vector<std::vector<double>> rows;
    };

    ReportFile readReport(const std::filesystem::path& path)
    {
        ReportFile report;
        std::ifstream in(path, std::ios::binary);
        std::string line;
        std::getline(in, line);
        report.headerRows = std::atoi(line.substr(line.find('\t') + 1).c_str());
        report.header.push_back(line);
        for (int i = 1; i < report.headerRows && std::getline(in, line); ++i)
            report.header.push_back(line);
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::vector<double> row;
            for (double v = 0.0; fields >> v;)
                row.push_back(v);
            report.rows.push_back(row);
        }
        return report;
    }

    // The first 1.5 s of the simulated 40 MHz recording (G0 0.3256 with its
    // background, tauD 100 µs, kappa 5) and the 60 MHz one (G0 0.0693, tauD 300 µs, kappa 6).
    TEST(FitCli, Diff3dOnPlaskCurvesEqualsAnIndependentSolutionAndTheSimulation)
    {
        TempDir dir;
        ASSERT_EQ(runCli("fcs " + quoted(testing::testDataPath("fcs_40MHz_1500ms.dat")), dir.path()).exitCode, 0);
        const auto run = runCli("fit fcs_40MHz_1500ms_fcs.txt --from-ms 0.001 --to-ms 20 -o out", dir.path());
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const nlohmann::json fit = run.json();
        EXPECT_EQ(fit["model"], "diff3d");
        EXPECT_EQ(fit["points"], 97);
        EXPECT_EQ(fit["weighted"], false);
        EXPECT_TRUE(fit["parameters"]["kappa"]["fixed"].get<bool>());
        const double n = fit["parameters"]["N"]["value"];
        const double tauD = fit["parameters"]["tauD_ms"]["value"];
        EXPECT_GT(fit["parameters"]["N"]["error"].get<double>(), 0.0);
        ASSERT_EQ(fit["files"][0], (dir / "out" / "fcs_40MHz_1500ms_fcs_fit.txt").string());

        // The report's columns are the fitted points; the independent solution comes from them.
        const ReportFile report = readReport(dir / "out" / "fcs_40MHz_1500ms_fcs_fit.txt");
        EXPECT_EQ(report.header.back(), "tau_ms\tG\tfit\tresidual\r");
        ASSERT_EQ(report.rows.size(), 97u);
        std::vector<testing::CurvePoint> curve;
        for (const std::vector<double>& row : report.rows) {
            ASSERT_EQ(row.size(), 4u);
            EXPECT_NEAR(row[3], row[1] - row[2], 1e-7);
            curve.push_back({ row[0], row[1], 1.0 });
        }
        const testing::DiffusionFit reference = testing::fitDiffusion(curve, 5.0);
        EXPECT_NEAR(1.0 / n, reference.amplitude, 1e-4 * reference.amplitude);
        EXPECT_NEAR(tauD, reference.diffusionTimeMs, 1e-4 * reference.diffusionTimeMs);
        EXPECT_NEAR(1.0 / n, 0.3256, 0.3256 * 0.06);
        EXPECT_NEAR(tauD, 0.100, 0.100 * 0.12);

        ASSERT_EQ(runCli("fcs " + quoted(testing::testDataPath("fcs_60MHz.dat")), dir.path()).exitCode, 0);
        const auto slow = runCli("fit fcs_60MHz_fcs.txt --fix kappa=6 --from-ms 0.001 --to-ms 20", dir.path());
        ASSERT_EQ(slow.exitCode, 0) << slow.err;
        std::cout << "fcs_40MHz_1500ms: G0 " << 1.0 / n << ", tauD " << tauD * 1000 << " µs; fcs_60MHz: G0 "
                  << 1.0 / slow.json()["parameters"]["N"]["value"].get<double>() << ", tauD "
                  << slow.json()["parameters"]["tauD_ms"]["value"].get<double>() * 1000 << " µs\n";
        EXPECT_NEAR(1.0 / slow.json()["parameters"]["N"]["value"].get<double>(), 0.0693, 0.0693 * 0.18);
        EXPECT_NEAR(slow.json()["parameters"]["tauD_ms"]["value"].get<double>(), 0.300, 0.300 * 0.25);

        // Not a curve, and a range with fewer points than parameters: a message, no report.
        const auto notCurve = runCli("fit " + quoted(testing::testDataPath("fcs_60MHz.dat")), dir.path());
        EXPECT_EQ(notCurve.exitCode, 1);
        EXPECT_NE(notCurve.err.find("not a correlation curve"), std::string::npos) << notCurve.err;
        const auto narrow = runCli("fit fcs_60MHz_fcs.txt --from-ms 1 --to-ms 1.2 -o narrow", dir.path());
        EXPECT_EQ(narrow.exitCode, 1);
        EXPECT_TRUE(narrow.out.empty());
        EXPECT_FALSE(std::filesystem::exists(dir / "narrow"));
        EXPECT_FALSE(std::filesystem::exists(dir / "fcs_60MHz_fit.txt"));
        EXPECT_EQ(runCli("fit fcs_60MHz_fcs.txt --fix tau=1", dir.path()).exitCode, 1);
    }

    // 2 molecules of 50 kHz, no background, tauD 100 µs, 10 µs bins (3 s keeps the test short).
    TEST(FitCli, PchFitOfASimulatedRecordingRecoversNumberAndBrightness)
    {
        TempDir dir;
        ASSERT_EQ(runCli("simulate sim.dat --seconds 3 --molecules 2 --brightness-khz 50 --background-khz 0",
                      dir.path())
                      .exitCode,
            0);
        const auto run = runCli("pchfit sim.dat --binwidth 10 --background 0", dir.path());
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const nlohmann::json fit = run.json();
        std::cout << "PCH fit: N " << fit["N"]["value"] << " ± " << fit["N"]["error"] << ", cpm "
                  << fit["cpmKHz"]["value"] << " ± " << fit["cpmKHz"]["error"] << " kHz\n";
        EXPECT_NEAR(fit["N"]["value"].get<double>(), 2.0, 0.3);
        EXPECT_NEAR(fit["cpmKHz"]["value"].get<double>(), 50.0, 7.5);
        EXPECT_LT(fit["chi2Reduced"].get<double>(), 2.0);
        EXPECT_EQ(fit["files"][0], (dir / "sim_PCH_fit.txt").string());
        double reportedBins = 0.0;
        for (const std::vector<double>& row : readReport(dir / "sim_PCH_fit.txt").rows)
            reportedBins += row.at(1);
        EXPECT_EQ(reportedBins, fit["bins"].get<double>());

        const auto burstFree = runCli("pchfit sim.dat --binwidth 10 --background 0 --burst-free --trigger 6", dir.path());
        ASSERT_EQ(burstFree.exitCode, 0) << burstFree.err;
        EXPECT_LT(burstFree.json()["bins"].get<double>(), fit["bins"].get<double>());
        EXPECT_LT(burstFree.json()["cpmKHz"]["value"].get<double>(), fit["cpmKHz"]["value"].get<double>());

        // The default background (1 count per bin) on data of about 1 count per bin
        // without background: refused with a message, no report. A fraction of a count is taken.
        std::filesystem::remove(dir / "sim_PCH_fit.txt");
        const auto implausible = runCli("pchfit sim.dat --binwidth 10", dir.path());
        EXPECT_EQ(implausible.exitCode, 1);
        EXPECT_NE(implausible.err.find("implausible"), std::string::npos) << implausible.err;
        EXPECT_TRUE(implausible.out.empty());
        EXPECT_FALSE(std::filesystem::exists(dir / "sim_PCH_fit.txt"));
        const auto fractional = runCli("pchfit sim.dat --binwidth 10 --background 0.02", dir.path());
        ASSERT_EQ(fractional.exitCode, 0) << fractional.err;
        EXPECT_EQ(fractional.json()["backgroundPerBin"], 0.02);
        EXPECT_TRUE(fractional.json()["warnings"].empty());
        EXPECT_EQ(runCli("pchfit sim.dat --binwidth 10 --background -1", dir.path()).exitCode, 2);

        // Two species fitted to one: a warning in the JSON, on stderr and in the report.
        const auto two = runCli("pchfit sim.dat --binwidth 10 --background 0 --species 2 -o two", dir.path());
        ASSERT_EQ(two.exitCode, 0) << two.err;
        std::cout << "two species: " << two.json()["warnings"] << '\n';
        ASSERT_FALSE(two.json()["warnings"].empty());
        EXPECT_NE(two.err.find("warning"), std::string::npos);
        const ReportFile report = readReport(dir / "two" / "sim_PCH_fit.txt");
        EXPECT_TRUE(std::any_of(report.header.begin(), report.header.end(),
            [](const std::string& line) { return line.starts_with("Warning: \t"); }));
    }

} // namespace
} // namespace plask
