#include "correlation/photon_correlator.h"

#include "correlation/lag_sums.h"
#include "correlation/multi_tau.h"
#include "correlation_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace plask {
namespace {

    // Sorted arrival times with clusters (several photons on one tick, dense
    // stretches) and long gaps, so that entries merge at every level.
    std::vector<std::uint64_t> randomTimes(std::mt19937_64& random, std::size_t photons, std::uint64_t meanGap)
    {
        std::vector<std::uint64_t> times;
        std::geometric_distribution<std::uint64_t> gap(1.0 / static_cast<double>(meanGap));
        std::uniform_int_distribution<int> kind(0, 9);
        std::uint64_t t = gap(random);
        while (times.size() < photons) {
            const int k = kind(random);
            t += k == 0 ? 0 : k == 1 ? gap(random) * 40 : k < 4 ? gap(random) / 8 : gap(random);
            times.push_back(t);
        }
        return times;
    }

    PhotonStream binned(const std::vector<std::uint64_t>& times, std::uint64_t width, std::uint64_t recordUnits)
    {
        std::vector<std::uint16_t> counts((recordUnits - 1) / width + 1, 0);
        for (const std::uint64_t t : times)
            ++counts[t / width];
        return testing::makeStream(counts);
    }

    void expectBinnedCurve(const PhotonCorrelation& photon, const CorrelationResult& bins, std::uint64_t width)
    {
        ASSERT_TRUE(photon.ok()) << photon.error;
        ASSERT_EQ(photon.points.size(), static_cast<std::size_t>(bins.lagCount));
        for (std::size_t r = 0; r < photon.points.size(); ++r) {
            SCOPED_TRACE(r);
            const LagChannel& lag = bins.lags[r];
            EXPECT_EQ(photon.points[r].lagUnits, lagBinsOfRecord(static_cast<int>(r), bins.mtStep) * width);
            EXPECT_EQ(photon.points[r].direct, static_cast<std::uint64_t>(lag.sumDirect));
            EXPECT_EQ(photon.points[r].delayed, static_cast<std::uint64_t>(lag.sumDelayed));
            EXPECT_EQ(std::memcmp(&photon.points[r].g, &lag.g, sizeof(double)), 0) << photon.points[r].g << " vs "
                                                                                   << lag.g;
        }
    }

    // With the minimum lag equal to the bin width, photon mode and the binned
    // correlator share every lag and give bit for bit the same G.
    TEST(PhotonCorrelator, EqualsTheBinnedCorrelatorAtEveryLag)
    {
        std::mt19937_64 random(13);
        const int steps[] = { 2, 4, 8, 16 };
        for (int trial = 0; trial < 12; ++trial) {
            SCOPED_TRACE(trial);
            const std::size_t photons = trial < 4 ? 300 + 97 * static_cast<std::size_t>(trial) : 20000 + 4000 * static_cast<std::size_t>(trial);
            const std::uint64_t meanGap = 1 + random() % 60;
            const std::uint64_t width = 1 + random() % 6;
            const int step = steps[trial % 4];
            PhotonCorrelationSetup setup;
            setup.minLagUnits = width;
            setup.step = step;
            setup.parts = 1 + trial % 3;

            const std::vector<std::uint64_t> direct = randomTimes(random, photons, meanGap);
            const std::vector<std::uint64_t> delayed = randomTimes(random, photons, meanGap);
            const std::uint64_t length = std::max(direct.back(), delayed.back()) + 1 + random() % 50;
            const PhotonStream a = binned(direct, width, length);
            const PhotonStream b = binned(delayed, width, length);
            const std::uint32_t last = a.length - 1;

            CorrelationResult autoBins;
            prepareCorrelation(autoBins, 0, last, step, 1.0);
            ASSERT_EQ(allocateLagChannels(autoBins), 0);
            ASSERT_TRUE(autocorrelate(a, autoBins, 0, last).has_value());
            expectBinnedCurve(autocorrelatePhotons(direct, length, setup), autoBins, width);

            CorrelationResult crossBins;
            prepareCorrelation(crossBins, 0, last, step, 1.0);
            ASSERT_EQ(allocateLagChannels(crossBins), 0);
            ASSERT_TRUE(crossCorrelate(a, b, crossBins, 0, last).has_value());
            expectBinnedCurve(crossCorrelatePhotons(direct, delayed, length, setup), crossBins, width);
        }
    }

    // When the parts fall on the coarsest level's grid, each part's curve is
    // the curve of that part correlated alone, so the mean and SEM follow
    // from separate runs.
    TEST(PhotonCorrelator, PartsAreTheSeparateCurvesOfEachPart)
    {
        std::mt19937_64 random(7);
        const std::vector<std::uint64_t> times = randomTimes(random, 40000, 25);
        const int parts = 5;
        const std::uint64_t partLength = ((times.back() / parts) / 1024 + 1) * 1024;
        const std::uint64_t length = partLength * parts;
        PhotonCorrelationSetup setup;
        setup.step = 4;
        setup.parts = parts;
        setup.maxLagUnits = partLength / 64; // at most 8 coarse levels: parts start on every level's grid
        const PhotonCorrelation whole = autocorrelatePhotons(times, length, setup);
        ASSERT_TRUE(whole.ok()) << whole.error;

        std::vector<PhotonCorrelation> alone;
        setup.parts = 1;
        for (int p = 0; p < parts; ++p) {
            std::vector<std::uint64_t> own;
            for (const std::uint64_t t : times)
                if (t / partLength == static_cast<std::uint64_t>(p))
                    own.push_back(t - partLength * static_cast<std::uint64_t>(p));
            alone.push_back(autocorrelatePhotons(own, partLength, setup));
            ASSERT_EQ(alone.back().points.size(), whole.points.size());
        }
        for (std::size_t r = 0; r < whole.points.size(); ++r) {
            SCOPED_TRACE(r);
            double sum = 0.0;
            for (const PhotonCorrelation& c : alone)
                sum += c.points[r].g;
            const double mean = sum / parts;
            double squares = 0.0;
            for (const PhotonCorrelation& c : alone)
                squares += (c.points[r].g - mean) * (c.points[r].g - mean);
            EXPECT_EQ(whole.points[r].partsUsed, parts);
            EXPECT_DOUBLE_EQ(whole.points[r].partMean, mean);
            EXPECT_NEAR(whole.points[r].sem, std::sqrt(squares / (parts - 1) / parts), 1e-12);
        }
    }

    TEST(PhotonCorrelator, RefusesWhatItCannotCorrelate)
    {
        const std::vector<std::uint64_t> times { 3, 9, 40 };
        PhotonCorrelationSetup setup;
        EXPECT_FALSE(autocorrelatePhotons(times, 31, setup).ok()); // fewer than 4d minimum lags
        setup.minLagUnits = 2;
        setup.maxLagUnits = 1;
        EXPECT_FALSE(autocorrelatePhotons(times, 1000, setup).ok());
        // A minimum lag must be a whole number of the file's units: 108 ns on 13.5 ns is 8.
        EXPECT_EQ(lagInUnits(108, 27, 2'000'000'000), 8u);
        EXPECT_FALSE(lagInUnits(100, 27, 2'000'000'000).has_value());
        EXPECT_EQ(lagInUnits(25, 1, 40'000'000), 1u);
    }

} // namespace
} // namespace plask
