// The 3D Gaussian PCH: the model's moments against their closed forms, and
// a fit of counts drawn from the model.

#include "fitting/pch_fit.h"
#include "fitting/pch_model.h"

#include <gtest/gtest.h>

#include <random>

namespace plask::fitting {
namespace {

    // Mean N c + b and factorial excess variance N c^2 per species (c:
    // counts per molecule and bin), whatever the parameters.
    TEST(PchModel, MomentsMatchTheirClosedForms)
    {
        std::mt19937 random(3);
        auto uniform = [&random](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
        for (int trial = 0; trial < 20; ++trial) {
            std::vector<PchSpecies> species { { uniform(0.1, 20.0), uniform(0.01, 1.0) } };
            if (trial % 2)
                species.push_back({ uniform(0.1, 5.0), uniform(0.5, 2.0) });
            const double background = uniform(0.0, 0.5);
            double mean = background;
            double excess = 0.0;
            for (const PchSpecies& s : species) {
                mean += s.molecules * s.countsPerMolecule;
                excess += s.molecules * s.countsPerMolecule * s.countsPerMolecule;
            }
            const std::vector<double> p = pchProbabilities(species, background, 200);
            ASSERT_EQ(p.size(), 202u);
            double total = 0.0;
            double m1 = 0.0;
            double m2 = 0.0;
            for (std::size_t k = 0; k <= 200; ++k) {
                const double kd = static_cast<double>(k);
                total += p[k];
                m1 += kd * p[k];
                m2 += kd * kd * p[k];
            }
            EXPECT_NEAR(total, 1.0, 1e-9);
            EXPECT_NEAR(m1, mean, 1e-7 * mean) << trial;
            EXPECT_NEAR(m2 - m1 * m1 - m1, excess, 1e-6 * excess) << trial;
        }
    }

    // Expected frequencies of a million bins, rounded: the fit returns the parameters.
    TEST(PchFit, RecoversTheParametersOfItsOwnModel)
    {
        const double binWidthMs = 0.01;
        const std::vector<PchSpecies> truth { { 3.0, 40.0 * binWidthMs } };
        const std::vector<double> p = pchProbabilities(truth, 0.05, 40);
        std::vector<double> histogram;
        for (std::size_t k = 0; k <= 40; ++k)
            histogram.push_back(std::round(1e6 * p[k]));
        const FitOutcome<PchFit> fit = fitPch(histogram, { 1, 10.0, 0.05 });
        ASSERT_TRUE(fit.ok()) << fit.message();
        EXPECT_NEAR(fit.value().parameter("N")->value, 3.0, 0.01);
        EXPECT_NEAR(fit.value().parameter("cpmKHz")->value, 40.0, 0.1);
        EXPECT_GT(fit.value().parameter("N")->error, 0.0);
        EXPECT_LT(fit.value().chi2Reduced, 0.1);

        // Narrower than Poisson: no molecules to fit.
        const std::vector<double> poisson { 300000, 400000, 250000, 50000 };
        EXPECT_FALSE(fitPch(poisson, { 1, 10.0, 0.0 }).ok());
    }

} // namespace
} // namespace plask::fitting
