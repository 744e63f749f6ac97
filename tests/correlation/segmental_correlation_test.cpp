#include "correlation/segmental_correlation.h"

#include "correlation/multi_tau.h"
#include "correlation/segments.h"
#include "correlation_test_support.h"

#include <gtest/gtest.h>

namespace plask {
namespace {

    using testing::FakePlatform;
    using testing::PlatformCall;
    using testing::SegmentDialogStep;
    using testing::TempDir;
    using Button = SegmentDialogStep::Button;

    // Bursts given as (start bin, end bin) pairs.
    BurstSet makeBursts(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& bursts, double binWidthUs = 1.0)
    {
        BurstSet set;
        set.sourceName = "run.dat";
        set.binWidthUs = binWidthUs;
        set.burstCount = static_cast<std::uint32_t>(bursts.size());
        set.startBins = PageArray<std::uint32_t>::allocate(std::max<std::size_t>(bursts.size(), 1));
        set.endBins = PageArray<std::uint32_t>::allocate(std::max<std::size_t>(bursts.size(), 1));
        for (std::size_t i = 0; i < bursts.size(); ++i) {
            set.startBins[i] = bursts[i].first;
            set.endBins[i] = bursts[i].second;
        }
        return set;
    }

    CorrelationResult tableFor(const BurstSet& set, std::uint32_t length, double minimumUs, double calcBinWidthUs = 1.0)
    {
        CorrelationResult table;
        table.minSegmentUs = minimumUs;
        table.calcBinWidthUs = calcBinWidthUs;
        findSegments(set, table, length, 8);
        return table;
    }

    TEST(FindSegments, OneBurstMakesTwoSegmentsThatTakeInItsEdgeBins)
    {
        const CorrelationResult table = tableFor(makeBursts({ { 500, 520 } }, 2.0), 2000, 100.0);
        EXPECT_EQ(table.segmentCount, 2);
        EXPECT_EQ(table.segmentStart[0], 0);
        EXPECT_EQ(table.segmentEnd[0], 500);
        EXPECT_EQ(table.segmentStart[1], 520);
        EXPECT_EQ(table.segmentEnd[1], 1999);
        EXPECT_EQ(table.segmentUs[0], 1000.0);
        EXPECT_EQ(table.segmentUs[1], 2958.0);
        EXPECT_EQ(table.sourceBinWidthUs, 2.0);
        EXPECT_EQ(table.curveCount, 2u);
        EXPECT_EQ(table.longestSegmentIndex, 1);
        EXPECT_EQ(table.longestSegmentUs, 2958.0);
        EXPECT_EQ(table.segmentUs.size(), std::size_t(maxSegments));
    }

    TEST(FindSegments, MinimumIsExclusiveAndTheFirstOfEqualSegmentsIsTheLongest)
    {
        // Segments of 100, 101 and 101 bins of 1 µs; the last one ends where the
        // burst ends at the last bin: from 1001 back to 1000, a duration of 0.
        const BurstSet set = makeBursts({ { 100, 110 }, { 211, 250 }, { 351, 1001 } });
        CorrelationResult table = tableFor(set, 1001, 100.0);
        EXPECT_EQ(table.segmentCount, 4);
        EXPECT_EQ(table.segmentUs[3], 0.0);
        EXPECT_EQ(std::vector<std::uint8_t>(table.segmentSelected.begin(), table.segmentSelected.begin() + 4),
            (std::vector<std::uint8_t> { 0, 1, 1, 0 }));
        EXPECT_EQ(table.curveCount, 2u);
        EXPECT_EQ(table.longestSegmentIndex, 1);

        table.minSegmentUs = 101.0;
        reselectSegments(table, 8);
        EXPECT_EQ(table.curveCount, 0u);
        EXPECT_EQ(table.longestSegmentUs, 0.0);

        // Too short for 4 x step bins at the correlation bin width: 101 µs is 11 bins of 10 µs.
        table.minSegmentUs = 50.0;
        table.calcBinWidthUs = 10.0;
        reselectSegments(table, 8);
        EXPECT_EQ(table.curveCount, 0u);
        reselectSegments(table, 2);
        EXPECT_EQ(table.curveCount, 3u);
    }

    TEST(FindSegments, MoreThan9999BurstsLeaveTheRestInTheLastSegment)
    {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> bursts;
        for (std::uint32_t i = 0; i < 10050; ++i)
            bursts.emplace_back(100 * i + 50, 100 * i + 60);
        const CorrelationResult table = tableFor(makeBursts(bursts), 2'000'000, 10.0);
        EXPECT_EQ(table.segmentCount, 10000);
        EXPECT_EQ(table.segmentStart[9999], 100 * 9998 + 60);
        EXPECT_EQ(table.segmentEnd[9999], 1'999'999);
        EXPECT_EQ(table.longestSegmentIndex, 9999);
    }

    TEST(SegmentDialog, OpeningResetAndAutocorrelateFollowTheTypedValues)
    {
        AnalysisSettings settings;
        settings.segFcsMultiTauStep = 16;
        settings.fcsMultiTauStep = 8;
        settings.fcsCalcBinWidth = 3.0; // not in the list: the first entry shows
        const BurstSet set = makeBursts({ { 1000, 1010 }, { 1070, 1080 } });
        CorrelationResult table;
        SegmentDialogFields fields = openSegmentDialog(settings, set, 5000, table);
        EXPECT_EQ(fields.fileText, "run.dat");
        EXPECT_EQ(fields.stepIndex, 4u);
        EXPECT_EQ(fields.minimumText, "100.0");
        EXPECT_EQ(fields.binWidthIndex, 0u);
        EXPECT_EQ(table.calcBinWidthUs, 3.0);
        EXPECT_EQ(fields.countText, "2 out of 3"); // the 60 µs gap is below the minimum

        // A minimum below the chosen bin width becomes the bin width.
        fields.minimumText = "4";
        fields.binWidthIndex = 5; // 10 µs
        pressSegmentReset(settings, table, fields);
        EXPECT_EQ(fields.minimumText, " 10.0");
        EXPECT_EQ(settings.segFcsMinTime, 10.0);
        EXPECT_EQ(settings.fcsCalcBinWidth, 10.0);
        EXPECT_EQ(fields.countText, "2 out of 3"); // 60 µs is 7 bins of 10 µs: too few for step 16

        fields.stepIndex = 0; // step 2 needs 8 bins
        fields.binWidthIndex = 4; // 5 µs: the gap spans 13 bins
        fields.minimumText = "2";
        FakePlatform platform;
        EXPECT_TRUE(pressSegmentAutocorrelate(settings, table, fields, platform));
        EXPECT_EQ(settings.segFcsMinTime, 2.0); // not raised here
        EXPECT_EQ(settings.fcsCalcBinWidth, 5.0);
        EXPECT_EQ(settings.fcsMultiTauStep, 2);
        EXPECT_EQ(settings.segFcsMultiTauStep, 16);
        EXPECT_EQ(fields.countText, "3 out of 3");

        fields.minimumText = "5000";
        EXPECT_FALSE(pressSegmentAutocorrelate(settings, table, fields, platform));
        EXPECT_EQ(fields.countText, "0 out of 3");
        EXPECT_EQ(platform.dialogs(),
            std::vector<PlatformCall>({ { "showMessage", std::string(noSegmentText), "Analyze Error" } }));
    }

    // A 1 µs recording with three gaps of 40000, 200000 and 10000 bins, in
    // that order, around two bursts.
    struct Segmental : ::testing::Test {
        TempDir dir;
        AppState state;
        FakePlatform platform;
        std::vector<std::uint16_t> counts = testing::randomCounts(250200, 0.3, false, 5);
        std::string path;

        Segmental()
        {
            counts.back() = 1;
            path = testing::writeCorrelatorFile(dir / "gaps.dat", counts);
            testing::openInto(state, platform, 0, path);
            state.burstSets[0] = makeBursts({ { 39999, 40100 }, { 240099, 240200 } });
            state.burstDataPresent[0] = 1;
            state.settings().fcsMultiTauStep = 8;
        }

        void pressAutocorrelate() { platform.segmentDialogScripts.push_back({ SegmentDialogStep {} }); }
    };

    TEST_F(Segmental, PooledCurveKeepsTheLagsOfTheLongestSegment)
    {
        const PhotonStream& stream = state.streams[0];
        state.streams[0].counts[100000] = 500; // changed in memory: the file is read again
        pressAutocorrelate();
        segmentalAutocorrelationCommand(state, platform, 0);

        const CorrelationResult& result = state.correlations[0];
        EXPECT_EQ(result.kind, correlationSegmentalAuto);
        EXPECT_EQ(result.sourceName, "gaps.dat");
        EXPECT_EQ(result.curveTitle, path);
        EXPECT_EQ(result.curveCount, 3u);
        EXPECT_EQ(result.levelCount, 12.0);
        EXPECT_EQ(result.lagCount, 112); // the last segment alone would show 80
        EXPECT_EQ(result.correlatedBins, 10000u);
        EXPECT_EQ(platform.callsNamed("showCorrelationCurve").size(), 1u); // once the pooling completed
        EXPECT_TRUE(state.resultsShown);

        // The same sums as pooling the three stretches of the file by hand.
        PhotonStream file;
        ASSERT_EQ(readCorrelatorStream(platform, path, file, 1.0), 0);
        CorrelationResult pooled;
        prepareCorrelation(pooled, 40100, 240099, 8, 1.0);
        ASSERT_EQ(allocateLagChannels(pooled), 0);
        for (const auto& [first, last] : { std::pair { 0u, 39999u }, { 40100u, 240099u }, { 240200u, 250199u } }) {
            prepareCorrelation(pooled, first, last, 8, 1.0);
            ASSERT_TRUE(autocorrelate(file, pooled, first, last).has_value());
        }
        for (std::size_t r = 0; r < 112; ++r) {
            EXPECT_EQ(result.lags[r].sumProducts, pooled.lags[r].sumProducts) << r;
            EXPECT_EQ(result.lags[r].g, pooled.lags[r].g) << r;
        }
        EXPECT_EQ(stream.counts[100000], 500);
    }

    TEST_F(Segmental, CancelLeavesTheSlotAsItWas)
    {
        // Cancel after a Reset: the settings keep the Reset, the slot its curve.
        state.correlations[0].sourceName = "/data/earlier.dat";
        state.correlations[0].kind = correlationAuto;
        state.correlations[0].minSegmentUs = 7.0;
        platform.segmentDialogScripts.push_back({ { "250", std::nullopt, std::nullopt, Button::reset },
            { std::nullopt, std::nullopt, std::nullopt, Button::cancel } });
        segmentalAutocorrelationCommand(state, platform, 0);
        EXPECT_EQ(state.settings().segFcsMinTime, 250.0);
        EXPECT_EQ(state.correlations[0].sourceName, "/data/earlier.dat");
        EXPECT_EQ(state.correlations[0].kind, correlationAuto);
        EXPECT_EQ(state.correlations[0].minSegmentUs, 7.0);
        ASSERT_EQ(platform.segmentDialogStates.size(), 3u);
        EXPECT_EQ(platform.segmentDialogStates[0].countText, "3 out of 3");
        EXPECT_EQ(platform.segmentDialogStates[1].minimumText, "250");
        EXPECT_EQ(platform.callsNamed("showCorrelationCurve").size(), 0u);
    }

    // A cancel during the re-read (this file is read in one piece and pooled
    // too quickly for a step): the slot keeps its earlier curve and table,
    // nothing is shown.
    TEST_F(Segmental, CancelledPoolingLeavesTheSlotAsItWas)
    {
        CorrelationResult& slot = state.correlations[0];
        slot.kind = correlationAuto;
        slot.sourceName = "/data/earlier.dat";
        slot.curveTitle = "earlier curve";
        slot.segmentCount = 7;
        for (const int steps : { 0 }) {
            platform.cancelJobAfterSteps = steps;
            pressAutocorrelate();
            segmentalAutocorrelationCommand(state, platform, 0);
            EXPECT_EQ(slot.kind, correlationAuto) << steps;
            EXPECT_EQ(slot.sourceName, "/data/earlier.dat");
            EXPECT_EQ(slot.curveTitle, "earlier curve");
            EXPECT_EQ(slot.segmentCount, 7);
            EXPECT_FALSE(slot.lags);
        }
        EXPECT_TRUE(platform.callsNamed("showCorrelationCurve").empty());
        EXPECT_FALSE(state.resultsShown);
        EXPECT_TRUE(platform.dialogs().empty());
    }

    TEST_F(Segmental, SegmentsTooShortAtTheCorrelationBinWidthAreLeftOut)
    {
        // At 500 µs the 10000-bin segment spans 21 bins: too few for step 8,
        // so two segments are pooled and counted.
        platform.segmentDialogScripts.push_back({ { std::nullopt, std::nullopt, std::size_t { 10 }, Button::reset },
            { std::nullopt, std::nullopt, std::nullopt, Button::autocorrelate } });
        segmentalAutocorrelationCommand(state, platform, 0);
        EXPECT_EQ(platform.segmentDialogStates.back().countText, "2 out of 3");
        EXPECT_EQ(state.correlations[0].curveCount, 2u);
        EXPECT_EQ(state.correlations[0].calcBinWidthUs, 500.0);
    }

    TEST_F(Segmental, FileGoneLeavesNoCurve)
    {
        std::filesystem::remove(path);
        pressAutocorrelate();
        segmentalAutocorrelationCommand(state, platform, 0);
        EXPECT_EQ(platform.dialogs(),
            std::vector<PlatformCall>({ { "showMessage", "Error opening file.", "File I/O Error" } }));
        EXPECT_EQ(state.correlations[0].kind, correlationSegmentalAuto);
        EXPECT_EQ(state.correlations[0].lagCount, 0);
    }

} // namespace
} // namespace plask
