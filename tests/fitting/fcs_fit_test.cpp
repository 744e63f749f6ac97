// Correlation model fits: exact curves of every model recovered, and a
// weighted fit of a noisy CSV curve whose errors are consistent.

#include "fitting/curve_file.h"
#include "fitting/fcs_fit.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace plask::fitting {
namespace {

    // A multi-tau lag grid: 16 lags of 1 µs, then 8 per level, each level twice as coarse.
    std::vector<double> lagGrid(double lastMs)
    {
        std::vector<double> lags;
        double step = 0.001;
        double lag = 0.0;
        for (int i = 0; i < 16; ++i)
            lags.push_back(lag += step);
        while (lag < lastMs) {
            step *= 2.0;
            for (int i = 0; i < 8; ++i)
                lags.push_back(lag += step);
        }
        return lags;
    }

    CorrelationCurve modelCurve(FcsModel model, const std::vector<double>& truth, double lastMs)
    {
        CorrelationCurve curve;
        curve.tauMs = lagGrid(lastMs);
        for (double tau : curve.tauMs)
            curve.g.push_back(evaluateModel(model, truth, tau));
        return curve;
    }

    // Random parameters of each model, within ranges where a curve from 1 µs determines them.
    TEST(FcsFit, ExactCurvesOfEveryModelGiveBackTheirParameters)
    {
        std::mt19937 random(14);
        auto uniform = [&random](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
        for (int trial = 0; trial < 8; ++trial) {
            for (FcsModel model : allModels()) {
                std::vector<double> truth;
                for (const ParameterDefinition& definition : modelParameters(model))
                    truth.push_back(definition.defaultValue);
                truth[0] = uniform(0.3, 30.0);
                truth[1] = uniform(0.05, 2.0);
                FcsFitRequest request;
                request.model = model;
                if (model == FcsModel::diff3dTriplet) {
                    truth[3] = uniform(0.05, 0.3);
                    truth[4] = uniform(2.0, 10.0);
                }
                if (model == FcsModel::diff3d2comp) {
                    truth[3] = truth[1] * uniform(10.0, 30.0);
                    truth[4] = uniform(0.3, 0.7);
                }
                if (model == FcsModel::diff3dAnomalous)
                    truth[3] = uniform(0.6, 1.2);
                if (model == FcsModel::diff3d) {
                    // kappa and offset freed by a start value.
                    truth[2] = uniform(3.0, 8.0);
                    truth[3] = uniform(-0.01, 0.01) / truth[0];
                    request.choices["kappa"].initValue = 5.0;
                    request.choices["offset"].initValue = 0.0;
                }
                const CorrelationCurve curve = modelCurve(model, truth, 1000.0);
                const FitOutcome<FcsFit> fit = fitCorrelation(curve, request);
                ASSERT_TRUE(fit.ok()) << modelName(model) << ": " << fit.message();
                EXPECT_FALSE(fit.value().weighted);
                for (std::size_t i = 0; i < truth.size(); ++i) {
                    const FittedParameter& p = fit.value().parameters[i];
                    EXPECT_NEAR(p.value, truth[i], 1e-4 * std::max(std::abs(truth[i]), 1e-3 / truth[0]))
                        << modelName(model) << " " << p.name << " trial " << trial;
                }
            }
        }
    }

    // G from diff3d plus Gaussian noise of a known SEM, as the photon-mode CSV gives it.
    TEST(FcsFit, WeightedFitOfACsvCurveHasConsistentChi2AndErrors)
    {
        const std::vector<double> truth { 4.0, 0.2, 5.0, 0.0 };
        std::mt19937 random(7);
        std::ostringstream csv;
        csv << "# photon-mode correlation\n# channel 0\ntau_ms,G,SEM\n";
        for (double tau : lagGrid(50.0)) {
            const double sem = 0.002 * (1.0 + std::sqrt(tau));
            const double g = evaluateModel(FcsModel::diff3d, truth, tau) + std::normal_distribution<double>(0.0, sem)(random);
            csv << tau << ',' << g << ',' << sem << "\r\n";
        }
        const FitOutcome<CorrelationCurve> curve = parseCurveText(csv.str());
        ASSERT_TRUE(curve.ok()) << curve.message();
        ASSERT_TRUE(curve.value().hasErrors());
        FcsFitRequest request;
        const FitOutcome<FcsFit> fit = fitCorrelation(curve.value(), request);
        ASSERT_TRUE(fit.ok()) << fit.message();
        EXPECT_TRUE(fit.value().weighted);
        EXPECT_NEAR(fit.value().chi2Reduced, 1.0, 0.35);
        for (std::size_t i = 0; i < 2; ++i) {
            const FittedParameter& p = fit.value().parameters[i];
            EXPECT_GT(p.error, 0.0);
            EXPECT_LT(std::abs(p.value - truth[i]), 4.0 * p.error) << p.name;
        }
        request.weighting = Weighting::none;
        EXPECT_FALSE(fitCorrelation(curve.value(), request).value().weighted);

        EXPECT_FALSE(parseCurveText("PK\x03\x04 binary").ok());
        request.fromMs = 1.0;
        request.toMs = 1.2;
        const FitOutcome<FcsFit> tooFew = fitCorrelation(curve.value(), request);
        ASSERT_FALSE(tooFew.ok());
        EXPECT_NE(tooFew.message().find("at least 3"), std::string::npos) << tooFew.message();
    }

} // namespace
} // namespace plask::fitting
