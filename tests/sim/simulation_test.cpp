#include "formats/correlator_file.h"
#include "fake_platform.h"
#include "sim/diffusion_simulation.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace plask {
namespace {

    // Photon counts per bin of `ticksPerBin` ticks.
    std::vector<double> binnedCounts(
        const SimulationParameters& p, std::uint64_t ticksPerBinValue, SimulationSummary* summary = nullptr)
    {
        const auto bins
            = static_cast<std::size_t>(p.seconds * p.clockMHz * 1e6 / static_cast<double>(ticksPerBinValue));
        std::vector<double> counts(bins + 1);
        const SimulationSummary s
            = simulatePhotonTicks(p, [&](std::uint64_t tick) { counts.at(tick / ticksPerBinValue) += 1.0; });
        if (summary)
            *summary = s;
        return counts;
    }

    // G(lag) = <I(t) I(t + lag)> / (<I(t)> <I(t + lag)>) - 1 over bins.
    double correlation(const std::vector<double>& counts, std::size_t lag)
    {
        const std::size_t n = counts.size() - lag;
        double product = 0.0;
        double early = 0.0;
        double late = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            product += counts[i] * counts[i + lag];
            early += counts[i];
            late += counts[i + lag];
        }
        return product * static_cast<double>(n) / (early * late) - 1.0;
    }

    double meanCorrelation(const std::vector<double>& counts, std::size_t from, std::size_t to)
    {
        double sum = 0.0;
        for (std::size_t lag = from; lag <= to; ++lag)
            sum += correlation(counts, lag);
        return sum / static_cast<double>(to - from + 1);
    }

    double model(const SimulationParameters& p, double lagUs)
    {
        const double t = lagUs / p.diffusionTimeUs;
        return expectedAmplitude(p) / ((1.0 + t) * std::sqrt(1.0 + t / (p.kappa * p.kappa)));
    }

    double meanModel(const SimulationParameters& p, std::size_t from, std::size_t to)
    {
        double sum = 0.0;
        for (std::size_t lag = from; lag <= to; ++lag)
            sum += model(p, static_cast<double>(lag));
        return sum / static_cast<double>(to - from + 1);
    }

    TEST(Simulation, CountRateAndCorrelationFollowTheModel)
    {
        SimulationParameters p;
        p.seconds = 4.0;
        p.seed = 11;
        SimulationSummary summary;
        const std::vector<double> counts = binnedCounts(p, 40, &summary); // 1 µs bins
        const double rateKHz = static_cast<double>(summary.photons) / p.seconds / 1000.0;
        EXPECT_NEAR(rateKHz, expectedRateKHz(p), 0.04 * expectedRateKHz(p));
        EXPECT_NEAR(expectedAmplitude(p), (50.0 / 51.0) * (50.0 / 51.0), 1e-12);

        const double early = meanCorrelation(counts, 2, 6); // G(0) within a few per cent
        EXPECT_NEAR(early / meanModel(p, 2, 6), 1.0, 0.12) << early;
        const double atTauD = meanCorrelation(counts, 80, 120);
        EXPECT_NEAR(atTauD / meanModel(p, 80, 120), 1.0, 0.15) << atTauD;
        EXPECT_LT(std::abs(correlation(counts, 3000)), 0.05);
    }

    TEST(Simulation, BackgroundAloneIsUncorrelated)
    {
        SimulationParameters p;
        p.seconds = 2.0;
        p.molecules = 0.0;
        p.backgroundKHz = 20.0;
        SimulationSummary summary;
        const std::vector<double> counts = binnedCounts(p, 400, &summary); // 10 µs bins
        EXPECT_EQ(summary.moleculesInBox, 0u);
        EXPECT_NEAR(static_cast<double>(summary.photons), 40000.0, 4.0 * 200.0);
        EXPECT_LT(std::abs(meanCorrelation(counts, 1, 10)), 0.02);
        EXPECT_EQ(expectedAmplitude(p), 0.0);
    }

    TEST(Simulation, SameSeedSameFileAndTheReaderAgrees)
    {
        testing::TempDir dir;
        SimulationParameters p;
        p.seconds = 0.2;
        p.clockMHz = 60;
        const auto first = simulateStreamFile(p, (dir / "a.dat").string());
        const auto again = simulateStreamFile(p, (dir / "b.dat").string());
        p.seed = 2;
        const auto other = simulateStreamFile(p, (dir / "c.dat").string());
        ASSERT_TRUE(first && again && other);
        const std::vector<std::uint8_t> bytes = testing::readBytes(dir / "a.dat");
        EXPECT_EQ(bytes, testing::readBytes(dir / "b.dat"));
        EXPECT_NE(bytes, testing::readBytes(dir / "c.dat"));
        EXPECT_EQ(bytes.size(), first->bytes);
        EXPECT_EQ(bytes[0], 8);
        EXPECT_EQ(bytes[1], 60);

        testing::FakePlatform platform;
        PhotonStream stream;
        ASSERT_EQ(readCorrelatorStream(platform, (dir / "a.dat").string(), stream, 1.0), readOk);
        EXPECT_EQ(stream.photons, static_cast<double>(first->photons));
        EXPECT_EQ(stream.length, first->lastTick / 60 + 1);
        EXPECT_LT(first->lastTick, 0.2 * 60e6);

        EXPECT_FALSE(simulateStreamFile(p, (dir / "missing" / "x.dat").string()));
    }

    TEST(Simulation, ParametersAreChecked)
    {
        EXPECT_EQ(checkSimulationParameters({}), "");
        const auto with = [](auto change) {
            SimulationParameters p;
            change(p);
            return checkSimulationParameters(p);
        };
        EXPECT_NE(with([](SimulationParameters& p) { p.seconds = 0; }), "");
        EXPECT_NE(with([](SimulationParameters& p) { p.clockMHz = 50; }), "");
        EXPECT_NE(with([](SimulationParameters& p) { p.molecules = -1; }), "");
        EXPECT_NE(with([](SimulationParameters& p) { p.diffusionTimeUs = 0; }), "");
        EXPECT_NE(with([](SimulationParameters& p) { p.kappa = std::nan(""); }), "");
        EXPECT_NE(with([](SimulationParameters& p) { p.backgroundKHz = -2; }), "");
    }

} // namespace
} // namespace plask
