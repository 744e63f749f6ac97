#include "batch/batch_dialog.h"

#include "analysis/burst_analysis.h"
#include "analysis/burst_messages.h"
#include "batch/batch_files.h"
#include "batch_harness.h"
#include "core/silent_platform.h"
#include "formats/time_tag_stream.h"
#include "test_files.h"

#include <gtest/gtest.h>

namespace plask {
namespace {

    using testing::BatchHarness;
    using testing::readText;
    using testing::TempDir;

    // A batch over a folder holding the recorded .ht3 (and a .dat the time-tag
    // type leaves out) reads each file with the dialog's channel choice and
    // time window: its table is the one a plain load of that channel and
    // window gives, byte for byte.
    TEST(BatchTimeTag, ChannelChoiceGivesTheBurstTableOfThePlainLoad)
    {
        TempDir temp;
        const std::filesystem::path dir = temp / "ht3run";
        std::filesystem::create_directory(dir);
        std::filesystem::copy_file(testing::testDataPath("rh110_sm.ht3"), dir / "rh110_sm.ht3");
        testing::writeBytes(dir / "other.dat", { 1, 2, 3 });
        const std::filesystem::path startDir = std::filesystem::current_path();

        AppState state;
        BatchHarness h(state);
        h.platform.panel.binWidthIndex = 9; // 250 µs
        h.view.options.estimateBackground = false;
        h.view.options.timeTagPatterns = "*.pt3 *.pt2 *.ht3 *.ht2";
        h.view.options.channelsText = "x";
        h.chooseDirectory(dir);
        EXPECT_EQ(batchStart(h.session), BatchStartResult::refused);
        ASSERT_EQ(h.platform.dialogs().size(), 1u);
        EXPECT_EQ(h.platform.dialogs()[0].caption, batchErrorCaption);

        h.view.options.channelsText = " 1 ";
        h.view.options.windowDurationText = "0";
        EXPECT_EQ(batchStart(h.session), BatchStartResult::refused);
        h.view.options.windowStartText = "10";
        h.view.options.windowDurationText = "30";
        ASSERT_EQ(batchStart(h.session), BatchStartResult::started);
        h.waitForRun();
        ASSERT_EQ(h.session.outcomes.size(), 1u);
        EXPECT_EQ(h.session.outcomes[0].result, BatchFileResult::analysed);
        EXPECT_NE(state.batchLog.find("Found 1 *.pt3 *.pt2 *.ht3 *.ht2 files"), std::string::npos);
        const std::string table = readText(dir / "ht3run_bursts.txt");
        EXPECT_NE(readText(dir / "ht3run_info.txt").find("Photons = detector 1 | window 10 to 40 s\r\n"), std::string::npos);
        EXPECT_EQ(batchClose(h.session), BatchCloseResult::closed);
        std::filesystem::current_path(startDir);

        SilentPlatform quiet;
        PhotonStream plain;
        plain.selection.channels = { 1 };
        plain.selection.windowStartS = 10.0;
        plain.selection.windowDurationS = 30.0;
        ASSERT_EQ(readTimeTagStream(quiet, Owner::none, (dir / "rh110_sm.ht3").string(), plain, 250.0), 0);
        EXPECT_EQ(plain.length, 120'000u); // 30 s of 250 µs bins
        EXPECT_LT(plain.photons, 35982.0); // channel 1 over the whole file
        BurstSet set;
        BurstHistograms histograms;
        ASSERT_LE(measureBursts(plain, set, state.settings(), histograms, quiet), burstAnalysisSuccessful);
        EXPECT_GT(set.burstCount, 10u);
        ASSERT_EQ(writeBatchBurstTable(temp / "plain.txt", set), writeOk);
        EXPECT_EQ(table, readText(temp / "plain.txt"));
    }

} // namespace
} // namespace plask
