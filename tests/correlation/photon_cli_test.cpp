// plask-cli correlate run as a user would run it.

#include "../cli/cli_run.h"
#include "correlation_test_support.h"
#include "diffusion_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace plask {
namespace {

    using testing::TempDir;

    struct CsvRow {
        double tau = 0.0;
        double g = 0.0;
        double sem = 0.0;
    };

    // The numeric rows of a comma-separated curve; `columns` is 3 or 5 (SEM last).
    std::vector<CsvRow> readCsv(const std::filesystem::path& path, std::size_t columns, std::string& header)
    {
        std::ifstream in(path);
        std::vector<CsvRow> rows;
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#' || line.rfind("tau_ms", 0) == 0) {
                header += line + "\n";
                continue;
            }
            std::vector<double> v;
            std::stringstream fields(line);
            std::string field;
            while (std::getline(fields, field, ','))
                v.push_back(std::strtod(field.c_str(), nullptr));
            EXPECT_EQ(v.size(), columns) << line;
            if (v.size() == columns)
                rows.push_back({ v[0], v[1], v.back() });
        }
        return rows;
    }

    // The first 1.5 s of the simulated recording (tauD = 100 µs, kappa 5,
    // expected G0 0.3256 with its background). At a minimum lag of one
    // 1 µs bin the photon-mode curve is the binned `fcs` curve at every
    // printed digit; its SEM weights a fit that recovers the simulation,
    // with a reduced chi-square near 1 when the SEM matches the scatter.
    TEST(CorrelateCli, MatchesTheBinnedCurveAndItsErrorsFitTheSimulation)
    {
        TempDir dir;
        const std::string file = testing::testDataPath("fcs_40MHz_1500ms.dat").string();
        const testing::CliResult binned = testing::runCli("fcs " + testing::quoted(file) + " -o .", dir.path());
        ASSERT_EQ(binned.exitCode, 0) << binned.err;
        const testing::CliResult photon = testing::runCli(
            "correlate " + testing::quoted(file) + " --min-lag-ns 1000 --max-lag-ms 1000 --fit-csv -o .", dir.path());
        ASSERT_EQ(photon.exitCode, 0) << photon.err;
        const nlohmann::json summary = photon.json();
        EXPECT_EQ(summary["lagCount"], 136);
        EXPECT_EQ(summary["photons"].size(), 1u);
        ASSERT_EQ(summary["files"].size(), 2u);

        std::string header;
        const std::vector<CsvRow> rows = readCsv(dir / "fcs_40MHz_1500ms_corr.csv", 3, header);
        EXPECT_NE(header.find("# min lag: 1000 ns"), std::string::npos) << header;
        EXPECT_NE(header.find("# parts: 10"), std::string::npos) << header;
        EXPECT_NE(header.find("tau_ms,G,SEM"), std::string::npos) << header;
        std::string fitHeader;
        const std::vector<CsvRow> fitRows = readCsv(dir / "fcs_40MHz_1500ms_corr_fit.csv", 5, fitHeader);
        EXPECT_NE(fitHeader.find("# Type AC/CC: Autocorrelation"), std::string::npos) << fitHeader;
        ASSERT_EQ(rows.size(), 136u);
        ASSERT_EQ(fitRows.size(), rows.size());

        std::ifstream fcs(dir / "fcs_40MHz_1500ms_fcs.txt");
        std::string line;
        for (int i = 0; i < 4; ++i)
            std::getline(fcs, line);
        std::vector<testing::CurvePoint> curve;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            SCOPED_TRACE(r);
            double lagMs = 0.0;
            double g = 0.0;
            ASSERT_TRUE(fcs >> lagMs >> g);
            EXPECT_NEAR(rows[r].tau, lagMs, 1e-9);
            char printed[32];
            std::snprintf(printed, sizeof printed, "%.6f", rows[r].g);
            EXPECT_EQ(std::strtod(printed, nullptr), g);
            EXPECT_NEAR(fitRows[r].tau * 1000, rows[r].tau, 1e-12 * rows[r].tau);
            // Lags longer than a part have no SEM ("nan") in both layouts.
            EXPECT_EQ(std::isnan(fitRows[r].sem), std::isnan(rows[r].sem));
            if (!std::isnan(rows[r].sem)) {
                EXPECT_DOUBLE_EQ(fitRows[r].sem, rows[r].sem);
            }
            if (rows[r].tau >= 0.001 && rows[r].tau <= 20.0) {
                ASSERT_GT(rows[r].sem, 0.0);
                curve.push_back({ rows[r].tau, rows[r].g, 1.0 / (rows[r].sem * rows[r].sem) });
            }
        }
        const testing::DiffusionFit fit = testing::fitDiffusion(curve, 5.0);
        const double reducedChiSquare = fit.residual / static_cast<double>(curve.size() - 2);
        std::cout << "photon mode, 1 µs to 20 ms, SEM-weighted: G0 = " << fit.amplitude
                  << ", tauD = " << fit.diffusionTimeMs * 1000 << " µs, reduced chi-square " << reducedChiSquare << "\n";
        EXPECT_NEAR(fit.amplitude, 0.3256, 0.3256 * 0.06);
        EXPECT_NEAR(fit.diffusionTimeMs, 0.100, 0.100 * 0.12);
        EXPECT_GT(reducedChiSquare, 0.3);
        EXPECT_LT(reducedChiSquare, 3.0);
    }

    TEST(CorrelateCli, RefusesAMinimumLagOffTheFilesTimeGrid)
    {
        TempDir dir;
        const std::string file = testing::testDataPath("fcs_40MHz_1500ms.dat").string();
        const testing::CliResult run = testing::runCli("correlate " + testing::quoted(file) + " --min-lag-ns 30", dir.path());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find("25 ns"), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty());
    }

} // namespace
} // namespace plask
