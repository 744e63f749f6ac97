#include "correlator_file_writer.h"
#include "gui_fixture.h"
#include "loaded_stream.h"

#include "correlation/multi_tau.h"
#include "formats/photon_count_file.h"
#include "test_files.h"
#include "tttr_writer.h"
#include "ui/job_bar.h"

#include <QStatusBar>
#include <QTimer>

#include <functional>
#include <random>

namespace plask::testing {
namespace {

// Counts 0..3 in random order.
std::vector<std::uint16_t> randomCounts(std::size_t bins)
{
    std::vector<std::uint16_t> counts(bins);
    std::minstd_rand random(7);
    for (std::uint16_t& count : counts)
        count = static_cast<std::uint16_t>(random() & 3u);
    return counts;
}

class JobTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        start();
        state.settings().showFcsSetupFirst = 0;
        state.settings().fcsCalcBinWidth = state.settings().binWidth;
        platform.holdJobs = true;
    }

    // Runs `during` once from the event loop while the job waits at its first
    // progress report, then lets the job go on.
    void whileRunning(std::function<void()> during)
    {
        auto* poll = new QTimer(window.get());
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, during = std::move(during)] {
            if (!platform.jobHeld.load())
                return;
            sawRunning = platform.jobs().running();
            during();
            platform.releaseJob();
            poll->deleteLater();
        });
        poll->start(2);
    }

    bool sawRunning = false;
};

TEST_F(JobTest, CorrelationRunsOffTheWindowThreadAndCancelLeavesTheSlotAsBefore)
{
    loadCounts(state, 0, randomCounts(4'000'000));
    CorrelationResult& slot = correlationOf(state, 0);
    slot.curveTitle = "earlier curve";
    whileRunning([this] {
        EXPECT_TRUE(child<ui::JobBar>("jobBar").isVisible());
        EXPECT_FALSE(window->menuAction(ui::cmdOpen)->isEnabled());
        // A second command is refused with a word in the status bar.
        window->runCommand(ui::cmdSmooth);
        EXPECT_TRUE(window->statusBar()->currentMessage().startsWith(QStringLiteral("Busy")));
        click("jobCancel");
    });
    menu(ui::cmdAutocorrelation);
    EXPECT_TRUE(sawRunning);
    EXPECT_EQ(slot.kind, correlationNone);
    EXPECT_FALSE(slot.lags);
    EXPECT_EQ(slot.curveTitle, "earlier curve");
    EXPECT_EQ(streamOf(state, 0).smoothPasses, 0u);
    EXPECT_TRUE(platform.script.dialogs().empty());
    EXPECT_FALSE(child<ui::JobBar>("jobBar").isVisible());
    EXPECT_TRUE(window->menuAction(ui::cmdOpen)->isEnabled());

    // Escape cancels too; run to its end, the curve is the correlator's own.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    whileRunning([this] { QTest::keyClick(window.get(), Qt::Key_Escape); });
    menu(ui::cmdAutocorrelation);
    EXPECT_EQ(slot.kind, correlationNone);

    streamOf(state, 0).regionEnd = 2'000'000;
    platform.holdJobs = false;
    menu(ui::cmdAutocorrelation);
    ASSERT_EQ(slot.kind, correlationAuto);
    CorrelationResult inline_;
    prepareCorrelation(inline_, 0, 2'000'000, state.settings().fcsMultiTauStep, state.settings().binWidth);
    ASSERT_EQ(allocateLagChannels(inline_), 0);
    ASSERT_TRUE(autocorrelate(streamOf(state, 0), inline_, 0, 2'000'000));
    ASSERT_EQ(slot.lagCount, inline_.lagCount);
    for (std::size_t i = 0; i < static_cast<std::size_t>(slot.lagCount); ++i)
        EXPECT_EQ(slot.lags[i].g, inline_.lags[i].g) << i;
}

TEST_F(JobTest, ClosingTheWindowDuringARunCancelsWaitsAndCloses)
{
    loadCounts(state, 0, randomCounts(4'000'000));
    whileRunning([this] { window->close(); });
    menu(ui::cmdAutocorrelation);
    EXPECT_TRUE(sawRunning);
    EXPECT_EQ(correlationOf(state, 0).kind, correlationNone);
    QTest::qWait(20); // the close waits for the command to return
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(isLoaded(state, 0));
    EXPECT_TRUE(std::filesystem::exists(folder / "plask.ini"));
}

TEST_F(JobTest, CancelledOpenLeavesTheChannelEmptyAndAVanishedFileIsReported)
{
    const std::filesystem::path file = folder / "run.dat";
    writeCorrelatorFile(file, randomCounts(3'000'000));
    platform.script.openFileAnswers.push_back(file.string());
    whileRunning([this] { click("jobCancel"); });
    menu(ui::cmdOpen);
    EXPECT_TRUE(sawRunning);
    EXPECT_FALSE(isLoaded(state, 0));
    EXPECT_FALSE(streamOf(state, 0).counts);
    EXPECT_TRUE(platform.script.dialogs().empty());

    platform.holdJobs = false;
    platform.script.openFileAnswers.push_back(file.string());
    menu(ui::cmdOpen);
    ASSERT_TRUE(isLoaded(state, 0));
    EXPECT_GT(streamOf(state, 0).length, 2'999'000u); // up to the last photon

    // The file goes away after loading: the re-read at another bin width
    // says so and leaves the slot alone.
    std::filesystem::remove(file);
    state.settings().fcsCalcBinWidth = 2.0;
    menu(ui::cmdAutocorrelation);
    ASSERT_EQ(platform.script.dialogs().size(), 1u);
    EXPECT_EQ(platform.script.dialogs()[0].text, "Error opening file.");
    EXPECT_EQ(correlationOf(state, 0).kind, correlationNone);
    EXPECT_TRUE(isLoaded(state, 0));
}

// A read of another file cancelled after Yes to "overwrite?" gives the
// channel back the stream it held, counts, bursts and all, for each reader family.
TEST_F(JobTest, CancelledReadOfAnotherFileKeepsTheStreamTheChannelHeld)
{
    const std::filesystem::path first = folder / "first.dat";
    std::vector<std::uint16_t> firstCounts = randomCounts(200'000);
    for (std::size_t start = 5'000; start < firstCounts.size(); start += 20'000)
        std::fill_n(firstCounts.begin() + static_cast<std::ptrdiff_t>(start), 20, std::uint16_t { 30 });
    writeCorrelatorFile(first, firstCounts);
    platform.holdJobs = false;
    platform.script.openFileAnswers.push_back(first.string());
    menu(ui::cmdOpen);
    ASSERT_TRUE(isLoaded(state, 0));
    click("analyzeButton");
    ASSERT_EQ(state.burstDataPresent[0], 1);
    const std::uint32_t burstCount = state.burstSets[0].burstCount;
    ASSERT_GT(burstCount, 0u);
    const double* burstPhotons = state.burstSets[0].photons.data();
    const std::uint16_t* counts = streamOf(state, 0).counts.data();
    const std::uint32_t length = streamOf(state, 0).length;

    PhotonStream other;
    const std::vector<std::uint16_t> otherCounts = randomCounts(1'000'000);
    other.counts = PageArray<std::uint16_t>::allocate(otherCounts.size());
    std::copy(otherCounts.begin(), otherCounts.end(), other.counts.data());
    other.length = static_cast<std::uint32_t>(otherCounts.size());
    other.binWidth = 1.0;
    ASSERT_EQ(writePhotonCountData(other, (folder / "other.phc").string()), 0);
    std::vector<TestPhoton> photons;
    for (std::uint64_t i = 0; i < 100'000; ++i)
        photons.push_back({ 40 * i, 0, 0 });
    writeBytes(folder / "other.ptu", ptuFile(0x01010204, 1e-12, 1e-12, encodeRecords(TestLayout::hydraT2v2, photons)));

    platform.holdJobs = true;
    for (const char* name : { "other.dat", "other.phc", "other.ptu" }) {
        SCOPED_TRACE(name);
        if (std::string(name) == "other.dat")
            writeCorrelatorFile(folder / name, randomCounts(3'000'000));
        platform.script.yesNoAnswers.push_back(true); // overwrite?
        platform.script.yesNoAnswers.push_back(true); // bursts not saved - continue?
        platform.script.openFileAnswers.push_back((folder / name).string());
        sawRunning = false;
        whileRunning([this] { click("jobCancel"); });
        menu(ui::cmdOpen);
        EXPECT_TRUE(sawRunning);
        ASSERT_TRUE(isLoaded(state, 0));
        EXPECT_EQ(streamOf(state, 0).counts.data(), counts);
        EXPECT_EQ(streamOf(state, 0).length, length);
        EXPECT_EQ(streamOf(state, 0).filePath, first.string());
        EXPECT_EQ(state.burstDataPresent[0], 1);
        EXPECT_EQ(state.burstSets[0].burstCount, burstCount);
        EXPECT_EQ(state.burstSets[0].photons.data(), burstPhotons);
        EXPECT_TRUE(child<QAbstractButton>("nextButton").isEnabled());
        EXPECT_TRUE(platform.script.callsNamed("showMessage").empty());
    }
}

} // namespace
} // namespace plask::testing
