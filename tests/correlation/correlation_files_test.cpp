#include "correlation/correlation_files.h"

#include "correlation/multi_tau.h"
#include "correlation_test_support.h"

#include <gtest/gtest.h>

namespace plask {
namespace {

    using testing::FakePlatform;
    using testing::PlatformCall;
    using testing::TempDir;

    std::string asText(const std::vector<std::uint8_t>& bytes) { return { bytes.begin(), bytes.end() }; }

    // The worked example: counts 1 ... 8, step 2, 1 µs bins.
    CorrelationResult rampCurve(CorrelationKind kind, std::string sourceName)
    {
        CorrelationResult result;
        prepareCorrelation(result, 0, 7, 2, 1.0);
        EXPECT_EQ(allocateLagChannels(result), 0);
        EXPECT_TRUE(autocorrelate(testing::makeStream(testing::rampCounts(8)), result, 0, 7).has_value());
        result.kind = kind;
        result.sourceName = std::move(sourceName);
        result.traceLengthS = 2.5;
        result.curveCount = 12;
        result.minSegmentUs = 100.0;
        return result;
    }

    const std::string rampLines = "0.001000\t0.200000\r\n"
                                  "0.002000\t0.151515\r\n"
                                  "0.003000\t0.111111\r\n"
                                  "0.004000\t0.076923\r\n";

    TEST(FcsResultsFile, AutocorrelationHasFourHeaderLinesInWindows1252)
    {
        TempDir dir;
        const CorrelationResult result = rampCurve(correlationAuto, "/data/µs run.dat");
        ASSERT_EQ(writeFcsResults((dir / "out.txt").string(), result), 0);
        EXPECT_EQ(asText(testing::readBytes(dir / "out.txt")),
            "Header size: \t4 rows\r\n"
            "PS File: \t/data/\xB5s run.dat\r\n"
            "MT summation step: \t2\r\n"
            "Trace length: \t2.5 sec\r\n"
                + rampLines);
    }

    TEST(FcsResultsFile, SegmentalCurveAddsSegmentsAndMinimum)
    {
        TempDir dir;
        const CorrelationResult result = rampCurve(correlationSegmentalAuto, "run.dat");
        ASSERT_EQ(writeFcsResults((dir / "out.txt").string(), result), 0);
        EXPECT_EQ(asText(testing::readBytes(dir / "out.txt")),
            "Header size: \t6 rows\r\n"
            "PS File: \trun.dat\r\n"
            "MT summation step: \t2\r\n"
            "Trace length: \t2.5 sec\r\n"
            "# segments averaged: \t12\r\n"
            "Minimum seg. time: \t100 \xB5s\r\n"
                + rampLines);
    }

    TEST(FcsResultsFile, ProposedNamesFollowTheKind)
    {
        CorrelationResult result;
        result.sourceName = "/data/run.1.dat";
        result.kind = correlationAuto;
        EXPECT_EQ(proposedFcsFileName(result), "/data/run.1_fcs.txt");
        result.kind = correlationCross;
        EXPECT_EQ(proposedFcsFileName(result), "/data/run.1_fccs.txt");
        result.kind = correlationSegmentalCross;
        EXPECT_EQ(proposedFcsFileName(result), "/data/run.1_segfccs.txt");
        result.sourceName = "gaps";
        result.kind = correlationSegmentalAuto;
        EXPECT_EQ(proposedFcsFileName(result), "gaps_segfcs.txt");
        result.kind = correlationNone;
        EXPECT_EQ(proposedFcsFileName(result), "gaps");
        PhotonStream stream;
        stream.fileTitle = "run.2.dat";
        EXPECT_EQ(proposedSegmentFileName(stream, 0), "run.2_0.txt");
        EXPECT_EQ(proposedSegmentFileName(stream, 17), "run.2_17.txt");
    }

    TEST(SaveFcsResults, WritesTheActiveSlotThroughTheSaveDialog)
    {
        TempDir dir;
        AppState state;
        FakePlatform platform;
        saveFcsResultsCommand(state, platform, 1); // never held a curve
        EXPECT_TRUE(platform.calls.empty());

        state.correlations[1] = rampCurve(correlationCross, "/data/ps2.dat");
        platform.saveFileAnswers.push_back((dir / "chosen.txt").string());
        saveFcsResultsCommand(state, platform, 1);
        ASSERT_EQ(platform.fileRequests.size(), 1u);
        EXPECT_EQ(platform.fileRequests[0].defaultName, "/data/ps2_fccs.txt");
        EXPECT_EQ(platform.fileRequests[0].filters.at(0).description, "Text Data Files (*.txt)");
        EXPECT_EQ(platform.fileRequests[0].filters.at(0).pattern, "*.txt");
        EXPECT_EQ(testing::readText(dir / "chosen.txt").substr(0, 22), "Header size: \t4 rows\r\n");

        platform.clear();
        platform.saveFileAnswers.push_back((dir / "missing" / "x.txt").string());
        saveFcsResultsCommand(state, platform, 1);
        EXPECT_EQ(platform.callsNamed("unownedMessage"),
            std::vector<PlatformCall>({ { "unownedMessage", "File cannot be opened", "FILE ERROR" } }));
    }

    TEST(SaveSegment, WritesTheThousandChartPoints)
    {
        TempDir dir;
        AppState state;
        FakePlatform platform;
        TraceBuffers trace;
        for (std::size_t p = 0; p < trace.time.size(); ++p) {
            trace.time[p] = static_cast<double>(p) * 0.0005;
            trace.counts[0][p] = static_cast<double>(p % 7);
        }
        trace.counts[0][2] = 1234567.0;
        saveSegmentCommand(state, platform, 0, trace);
        EXPECT_EQ(platform.dialogs(),
            std::vector<PlatformCall>(
                { { "showMessage", "No data in photon stream data selected as active PS.", "Data save error" } }));

        state.loadedFlags[0] = 1;
        state.streams[0].fileTitle = "run7.dat";
        state.navigator.currentSegment = 3;
        platform.saveFileAnswers.push_back((dir / "seg.txt").string());
        saveSegmentCommand(state, platform, 0, trace);
        EXPECT_EQ(platform.fileRequests.back().defaultName, "run7_3.txt");
        const std::string text = testing::readText(dir / "seg.txt");
        const std::string firstLines = "0\t      0\t      0\r\n"
                                       "0.0005\t      1\t      0\r\n"
                                       "0.001\t1234567\t      0\r\n";
        EXPECT_EQ(text.substr(0, firstLines.size()), firstLines);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1000);

        platform.clear();
        platform.saveFileAnswers.push_back((dir / "missing" / "seg.txt").string());
        saveSegmentCommand(state, platform, 0, trace);
        EXPECT_EQ(platform.dialogs(),
            std::vector<PlatformCall>({ { "showMessage", "File cannot be opened", "File open error" } }));
    }

} // namespace
} // namespace plask
