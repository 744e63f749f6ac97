#include "correlation/correlation_commands.h"

#include "correlation/multi_tau.h"
#include "correlation_test_support.h"

#include <gtest/gtest.h>

namespace plask {
namespace {

    using testing::FakePlatform;
    using testing::PlatformCall;
    using testing::TempDir;

    const PlatformCall curveOn0 { "showCorrelationCurve", "0", "" };
    const PlatformCall curveOn1 { "showCorrelationCurve", "1", "" };

    std::vector<std::uint16_t> countsEndingInAPhoton(std::size_t n, double mean, std::uint32_t seed)
    {
        std::vector<std::uint16_t> counts = testing::randomCounts(n, mean, false, seed);
        counts.back() = 1;
        return counts;
    }

    struct Commands : ::testing::Test {
        TempDir dir;
        AppState state;
        FakePlatform platform;
        std::vector<std::uint16_t> counts1 = countsEndingInAPhoton(12000, 0.8, 1);
        std::vector<std::uint16_t> counts2 = countsEndingInAPhoton(12000, 1.2, 2);
        std::string path1 = testing::writeCorrelatorFile(dir / "ps1.dat", counts1);
        std::string path2 = testing::writeCorrelatorFile(dir / "ps2.dat", counts2);

        Commands() { state.settings().showFcsSetupFirst = 0; }

        // The curve the command should have computed, straight from the correlator.
        static CorrelationResult expected(
            const PhotonStream& direct, const PhotonStream& delayed, std::uint32_t first, std::uint32_t last, int step)
        {
            CorrelationResult result;
            prepareCorrelation(result, first, last, step, direct.binWidth);
            EXPECT_EQ(allocateLagChannels(result), 0);
            EXPECT_TRUE((&direct == &delayed ? autocorrelate(direct, result, first, last)
                                             : crossCorrelate(direct, delayed, result, first, last))
                            .has_value());
            return result;
        }

        static void expectSameSums(const CorrelationResult& got, const CorrelationResult& want)
        {
            ASSERT_EQ(got.lagCount, want.lagCount);
            EXPECT_EQ(got.correlatedBins, want.correlatedBins);
            for (std::size_t r = 0; r < std::size_t(want.lagCount); ++r) {
                EXPECT_EQ(got.lags[r].sumProducts, want.lags[r].sumProducts) << r;
                EXPECT_EQ(got.lags[r].g, want.lags[r].g) << r;
                EXPECT_EQ(got.lags[r].lagMs, want.lags[r].lagMs) << r;
            }
        }

        [[nodiscard]] std::vector<PlatformCall> announcements() const
        {
            std::vector<PlatformCall> found;
            for (const PlatformCall& call : platform.calls)
                if (call.name == "showCorrelationCurve" || call.name == "setResultsWindowVisible"
                    || call.name == "showMessage")
                    found.push_back(call);
            return found;
        }
    };

    TEST_F(Commands, AutocorrelationInMemoryFilesTheCurveAndShowsTheResults)
    {
        testing::openInto(state, platform, 0, path1);
        PhotonStream& stream = state.streams[0];
        stream.regionStart = 100;
        stream.regionEnd = 9999;
        stream.counts[5000] = 60; // a change in memory is correlated as it is now
        state.display.totalTime = 0.012;

        autocorrelationCommand(state, platform, 0);
        const CorrelationResult& result = state.correlations[0];
        EXPECT_EQ(result.kind, correlationAuto);
        EXPECT_EQ(result.curveCount, 1u);
        EXPECT_EQ(result.sourceName, path1);
        EXPECT_EQ(result.traceLengthS, 0.012);
        EXPECT_EQ(result.sourceBinWidthUs, 1.0);
        EXPECT_EQ(result.calcBinWidthUs, 1.0);
        EXPECT_EQ(result.curveTitle.rfind("AC from 0.0001 to 0.009999 s,  MT step = 8 (calc:", 0), 0u)
            << result.curveTitle;
        expectSameSums(result, expected(stream, stream, 100, 9999, 8));
        EXPECT_EQ(announcements(), (std::vector<PlatformCall> { curveOn0, { "setResultsWindowVisible", "1", "" } }));
        EXPECT_TRUE(state.resultsShown);
        EXPECT_EQ(platform.waitDepth, 0);

        // A second run leaves the shown results window alone.
        platform.clear();
        autocorrelationCommand(state, platform, 0);
        EXPECT_EQ(announcements(), std::vector<PlatformCall> { curveOn0 });
    }

    TEST_F(Commands, WholeMillionBinRegionIsDescribedInSeconds)
    {
        PhotonStream& stream = state.streams[0];
        stream = testing::makeStream(std::vector<std::uint16_t>(1'000'000, 1));
        state.loadedFlags[0] = 1;
        autocorrelationCommand(state, platform, 0);
        EXPECT_EQ(state.correlations[0].curveTitle.rfind("AC from 0 to 0.999999 s,  MT step = 8 (calc:", 0), 0u);
    }

    TEST_F(Commands, SetupDialogFirstCancelsOrSetsTheStep)
    {
        testing::openInto(state, platform, 0, path1);
        state.settings().showFcsSetupFirst = 1;
        autocorrelationCommand(state, platform, 0); // Cancel
        EXPECT_EQ(state.correlations[0].lagCount, 0);
        EXPECT_EQ(platform.callsNamed("showCorrelationCurve").size(), 0u);

        AnalysisSettings answer = state.settings();
        answer.fcsMultiTauStep = 16;
        answer.showFcsSetupFirst = 0;
        platform.fcsSetupAnswers.push_back(answer);
        autocorrelationCommand(state, platform, 0);
        EXPECT_EQ(state.correlations[0].mtStep, 16);
        EXPECT_EQ(state.settings().showFcsSetupFirst, 0);
        EXPECT_EQ(platform.callsNamed("editFcsSetup").size(), 2u);
    }

    TEST_F(Commands, OtherCalculationBinWidthReadsTheFileAgain)
    {
        testing::openInto(state, platform, 0, path1);
        PhotonStream& stream = state.streams[0];
        stream.regionStart = 1001;
        stream.regionEnd = 5001;
        stream.counts[3000] = 60; // not in the file: not correlated
        state.settings().fcsCalcBinWidth = 2.0;

        autocorrelationCommand(state, platform, 0);
        const CorrelationResult& result = state.correlations[0];
        EXPECT_EQ(result.correlatedBins, 2001u); // bins 500 ... 2500 at 2 µs
        EXPECT_EQ(result.calcBinWidthUs, 2.0);
        EXPECT_EQ(result.sourceBinWidthUs, 1.0);
        EXPECT_EQ(result.curveTitle.rfind("AC from 0.001 to 0.005 s,  MT step = 8 (calc:", 0), 0u) << result.curveTitle;
        PhotonStream twoMicro;
        ASSERT_EQ(readCorrelatorStream(platform, path1, twoMicro, 2.0), 0);
        expectSameSums(result, expected(twoMicro, twoMicro, 500, 2500, 8));
    }

    TEST_F(Commands, FileGoneSinceLoadingEndsTheReadWithItsMessageAndKeepsTheSlot)
    {
        testing::openInto(state, platform, 0, path1);
        autocorrelationCommand(state, platform, 0);
        const std::int32_t lagCount = state.correlations[0].lagCount;
        std::filesystem::remove(path1);
        state.settings().fcsCalcBinWidth = 2.0;
        platform.clear();

        autocorrelationCommand(state, platform, 0);
        EXPECT_EQ(
            announcements(), std::vector<PlatformCall>({ { "showMessage", "Error opening file.", "File I/O Error" } }));
        EXPECT_EQ(state.correlations[0].lagCount, lagCount);
        EXPECT_EQ(state.correlations[0].calcBinWidthUs, 1.0);
    }

    // Whichever allocation fails first (the files read again, the lag
    // channels, the correlator's scratch), the command says so once and files
    // no curve; with room for all of them it correlates.
    TEST_F(Commands, EveryMemoryShortageGivesTheMemoryMessageAndNoCurve)
    {
        testing::openInto(state, platform, 0, path1);
        testing::openInto(state, platform, 1, path2);
        state.settings().fcsCalcBinWidth = 2.0;
        const PlatformCall memoryMessage { "showMessage", std::string(memoryErrorText), std::string(memoryErrorCaption) };
        for (const bool cross : { false, true }) {
            std::size_t allowed = 0;
            for (;; ++allowed) {
                ASSERT_LT(allowed, 12u);
                platform.clear();
                state.correlations[1] = CorrelationResult {};
                {
                    const PageAllocationFailure shortage(allowed);
                    cross ? crossCorrelationCommand(state, platform, 1) : autocorrelationCommand(state, platform, 1);
                }
                if (platform.callsNamed("showMessage").empty())
                    break;
                EXPECT_EQ(platform.callsNamed("showMessage"), std::vector<PlatformCall> { memoryMessage }) << allowed;
                EXPECT_EQ(state.correlations[1].lagCount, 0) << allowed;
                EXPECT_FALSE(state.correlations[1].lags) << allowed;
            }
            EXPECT_GE(allowed, cross ? 4u : 3u); // each file's bytes and counts, the lag channels
            EXPECT_GT(state.correlations[1].lagCount, 0);
        }
    }

    TEST_F(Commands, RegionShorterThanFourStepsIsRefused)
    {
        testing::openInto(state, platform, 0, path1);
        state.streams[0].regionStart = 200;
        state.streams[0].regionEnd = 230; // 31 bins, step 8 needs 32
        autocorrelationCommand(state, platform, 0);
        ASSERT_EQ(platform.dialogs().size(), 1u);
        EXPECT_EQ(platform.dialogs()[0].text,
            "Region too short for the correlation: 31 bins at 1 µs, at least 32 needed for MT step 8.");
        EXPECT_EQ(platform.dialogs()[0].caption, "Analyze Error");
        EXPECT_EQ(state.correlations[0].kind, correlationNone);
        EXPECT_EQ(platform.callsNamed("showCorrelationCurve").size(), 0u);

        state.streams[0].regionEnd = 231; // exactly 4d: level 0 only
        autocorrelationCommand(state, platform, 0);
        EXPECT_EQ(state.correlations[0].lagCount, 16);
    }

    TEST_F(Commands, CrossCorrelationTakesTheActiveChannelUndelayedAndPs1Delayed)
    {
        testing::openInto(state, platform, 0, path1);
        testing::openInto(state, platform, 1, path2);
        crossCorrelationCommand(state, platform, 1);
        const CorrelationResult& result = state.correlations[1];
        EXPECT_EQ(result.kind, correlationCross);
        EXPECT_EQ(result.sourceName, path2);
        EXPECT_EQ(result.curveTitle.rfind("CC from 0 to 0.011999 s", 0), 0u) << result.curveTitle;
        expectSameSums(result, expected(state.streams[1], state.streams[0], 0, 11999, 8));
        EXPECT_EQ(state.correlations[0].lagCount, 0);
        EXPECT_EQ(announcements(), (std::vector<PlatformCall> { curveOn1, { "setResultsWindowVisible", "1", "" } }));

        // With PS1 active both operands are PS1: its autocorrelation, filed as kind 3.
        crossCorrelationCommand(state, platform, 0);
        EXPECT_EQ(state.correlations[0].kind, correlationCross);
        expectSameSums(state.correlations[0], expected(state.streams[0], state.streams[0], 0, 11999, 8));
    }

    TEST_F(Commands, CrossCorrelationOfUnequalStreamsUsesTheBinsBothHold)
    {
        // The longer stream was loaded first and keeps its length; the
        // delayed PS1 is the shorter one.
        const std::vector<std::uint16_t> shorter(counts1.begin(), counts1.begin() + 9000);
        const std::string shortPath = testing::writeCorrelatorFile(dir / "short.dat", shorter);
        testing::openInto(state, platform, 1, path2);
        testing::openInto(state, platform, 0, shortPath);
        ASSERT_EQ(state.streams[1].length, 12000u);
        ASSERT_EQ(state.streams[1].regionEnd, 11999);

        crossCorrelationCommand(state, platform, 1);
        expectSameSums(state.correlations[1], expected(state.streams[1], state.streams[0], 0, 8999, 8));

        // Read again at 2 µs the files differ in length as well.
        state.settings().fcsCalcBinWidth = 2.0;
        platform.clear();
        crossCorrelationCommand(state, platform, 1);
        EXPECT_EQ(state.correlations[1].correlatedBins, 4500u);
        // The curve is shown first with its computing time alone, then described.
        EXPECT_EQ(platform.callsNamed("showCorrelationCurve"), (std::vector<PlatformCall> { curveOn1, curveOn1 }));
        EXPECT_EQ(state.correlations[1].curveTitle.rfind("CC from 0 to 0.008998 s", 0), 0u)
            << state.correlations[1].curveTitle;
    }

} // namespace
} // namespace plask
