#include "dialog_test_support.h"
#include "gui_fixture.h"

#include "formats/time_tags.h"
#include "test_files.h"
#include "tttr_writer.h"
#include "ui/desktop_store.h"
#include "ui/dialogs/batch_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace plask::testing {
namespace {

    class PhotonFileDialogTest : public GuiTest {
    protected:
        void SetUp() override
        {
            GuiTest::SetUp();
            ui::forgetPhotonChoices();
            start();
            child<QComboBox>("binWidthList").setCurrentIndex(8); // 100 µs keeps the 86 s record small
        }
        void TearDown() override
        {
            ui::forgetPhotonChoices();
            GuiTest::TearDown();
        }
        const std::string path = testDataPath("rh110_sm.ht3").string();
    };

    // The recorded .ht3 has eight channels: Cancel loads nothing; OK refuses
    // an empty choice and a gate beyond the microtimes, then loads channel 1
    // alone, kept for the next run.
    TEST_F(PhotonFileDialogTest, OneCheckedChannelLoadsItsPhotonsAndCancelLoadsNothing)
    {
        QString title;
        whenDialogOpens([&title](QDialog& dialog) {
            title = dialog.windowTitle();
            press(dialog, "cancelButton");
        });
        platform.script.openFileAnswers.push_back(path);
        menu(ui::cmdOpen);
        EXPECT_EQ(title, QStringLiteral("Photon file"));
        EXPECT_FALSE(isLoaded(state, 0));
        EXPECT_FALSE(streamOf(state, 0).counts);
        EXPECT_TRUE(platform.script.dialogs().empty());

        std::vector<std::string> refusals;
        whenDialogOpens([this, &refusals](QDialog& dialog) {
            EXPECT_EQ(childOf<QLabel>(dialog, "formatText").text(), QStringLiteral(".ht3 v1.0 HydraHarp v1 T3"));
            EXPECT_TRUE(childOf<QGroupBox>(dialog, "gateBox").isEnabled());
            for (int c = 0; c < 8; ++c) {
                QCheckBox& box = childOf<QCheckBox>(dialog, ("channel" + std::to_string(c)).c_str());
                EXPECT_TRUE(box.isChecked()) << c;
                box.setChecked(false);
            }
            press(dialog, "okButton");
            childOf<QCheckBox>(dialog, "channel1").setChecked(true);
            type(dialog, "gateTo", QStringLiteral("1e6"));
            press(dialog, "okButton");
            type(dialog, "gateTo", QString());
            EXPECT_TRUE(dialog.isVisible());
            for (const PlatformCall& call : platform.script.dialogs())
                refusals.push_back(call.text);
            const QDir artifacts(QStringLiteral(PLASK_ARTIFACT_DIR));
            EXPECT_TRUE(artifacts.mkpath(QStringLiteral(".")));
            EXPECT_TRUE(dialog.grab().save(artifacts.filePath(QStringLiteral("photon_file_dialog.png"))));
            press(dialog, "okButton");
        });
        platform.script.openFileAnswers.push_back(path);
        menu(ui::cmdOpen);
        ASSERT_EQ(refusals.size(), 2u);
        EXPECT_EQ(refusals[0], "Check at least one channel for the stream.");
        EXPECT_EQ(refusals[1].rfind("The gate 0 to 1e+06 ns lies outside the microtime range", 0), 0u) << refusals[1];

        ASSERT_TRUE(isLoaded(state, 0));
        PhotonSelection channelOne;
        channelOne.channels = { 1 };
        const formats::TimeTagLoad tags = formats::readTimeTags(path, channelOne);
        ASSERT_TRUE(tags.ok()) << tags.error;
        EXPECT_EQ(streamOf(state, 0).photons, static_cast<double>(tags.times.size()));
        EXPECT_EQ(tags.times.size(), 35982u);
        EXPECT_TRUE(window->statusText().startsWith(
            QStringLiteral("PS1: rh110_sm.ht3 | .ht3 v1.0 HydraHarp v1 T3 | detector 1 | channels PS1 | bin 100")))
            << window->statusText().toStdString();
        EXPECT_EQ(ui::photonChoices()[".ht3 v1.0 HydraHarp v1 T3"], channelOne);
    }

    // A .spc file whose sniffed layout (SPC-600 4096 channels, from its
    // length) the data contradict opens the dialog with the reader's message
    // and no channels, and OK refuses; picking the 256-channel layout scans
    // the file again and shows its two channels, and OK loads them.
    TEST_F(PhotonFileDialogTest, AnotherSpcLayoutRescansTheChannels)
    {
        std::vector<TestPhoton> photons;
        std::vector<std::uint8_t> file;
        std::uint64_t photons0 = 0;
        // A length of whole 4- and 6-byte records, so both layouts take it.
        for (std::uint64_t i = 0; photons.size() < 600 || file.size() % 12 != 0; ++i) {
            photons.push_back({ i * 977 % 10000 + i * 20000, static_cast<int>(i % 2), 3 });
            std::vector<TestPhoton> sorted = photons;
            std::ranges::sort(sorted, {}, &TestPhoton::time);
            file = spcFile(0, 4, encodeRecords(TestLayout::spc600x256, sorted));
        }
        for (const TestPhoton& p : photons)
            photons0 += p.channel == 0 ? 1 : 0;
        const std::filesystem::path spc = folder / "guess.spc";
        writeBytes(spc, file);

        std::vector<std::string> refusals;
        QString firstError;
        QString rescannedPhotons;
        whenDialogOpens([&](QDialog& dialog) {
            firstError = childOf<QLabel>(dialog, "scanError").text();
            EXPECT_EQ(dialog.findChild<QCheckBox*>(QStringLiteral("channel0")), nullptr);
            press(dialog, "okButton");
            EXPECT_TRUE(dialog.isVisible());
            const QDir artifacts(QStringLiteral(PLASK_ARTIFACT_DIR));
            EXPECT_TRUE(artifacts.mkpath(QStringLiteral(".")));
            EXPECT_TRUE(dialog.grab().save(artifacts.filePath(QStringLiteral("photon_file_dialog_spc_refused.png"))));
            // Cancel while another layout is scanned stops the scan; the dialog stays.
            platform.holdJobs = true;
            QTimer cancelWhileScanning;
            QObject::connect(&cancelWhileScanning, &QTimer::timeout, &dialog, [&] {
                if (!platform.jobHeld.load())
                    return;
                cancelWhileScanning.stop();
                EXPECT_FALSE(childOf<QPushButton>(dialog, "okButton").isEnabled());
                press(dialog, "cancelButton");
                platform.releaseJob();
            });
            cancelWhileScanning.start(2);
            pick(dialog, "spcLayout", 3);
            platform.holdJobs = false;
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(childOf<QLabel>(dialog, "scanError").text(), QStringLiteral("The scan was cancelled."));
            EXPECT_TRUE(childOf<QPushButton>(dialog, "okButton").isEnabled());
            pick(dialog, "spcLayout", 2); // SPC-600/630, 4096 channels: contradicted again
            pick(dialog, "spcLayout", 3); // SPC-600/630, 256 channels
            EXPECT_FALSE(childOf<QLabel>(dialog, "scanError").isVisible());
            EXPECT_EQ(childOf<QLabel>(dialog, "formatText").text(), QStringLiteral("SPC-600/630 FIFO 256 channels"));
            childOf<QCheckBox>(dialog, "channel1").setChecked(false);
            for (const QLabel* label : dialog.findChildren<QLabel*>(QStringLiteral("photons")))
                rescannedPhotons += label->text() + QLatin1Char(' ');
            for (const PlatformCall& call : platform.script.dialogs())
                refusals.push_back(call.text);
            EXPECT_TRUE(dialog.grab().save(artifacts.filePath(QStringLiteral("photon_file_dialog_spc.png"))));
            press(dialog, "okButton");
        });
        platform.script.openFileAnswers.push_back(spc.string());
        menu(ui::cmdOpen);
        EXPECT_NE(firstError.toStdString().find("--spc-type"), std::string::npos) << firstError.toStdString();
        ASSERT_EQ(refusals.size(), 1u);
        EXPECT_EQ(refusals[0], firstError.toStdString());
        EXPECT_EQ(rescannedPhotons,
            QStringLiteral("%1 %2 ").arg(photons0).arg(photons.size() - photons0));
        ASSERT_TRUE(isLoaded(state, 0)) << platform.script.dialogs().back().text;
        EXPECT_EQ(streamOf(state, 0).photons, static_cast<double>(photons0));
        EXPECT_EQ(streamOf(state, 0).selection.spcType, "600-256");

        // Opened again, the file comes up in the layout chosen for it, with its channels.
        bool reopened = false;
        whenDialogOpens([&](QDialog& dialog) {
            reopened = true;
            EXPECT_FALSE(childOf<QLabel>(dialog, "scanError").isVisible());
            EXPECT_EQ(childOf<QLabel>(dialog, "formatText").text(), QStringLiteral("SPC-600/630 FIFO 256 channels"));
            EXPECT_FALSE(childOf<QCheckBox>(dialog, "channel1").isChecked());
            press(dialog, "okButton");
        });
        platform.script.yesNoAnswers.push_back(true);
        platform.script.openFileAnswers.push_back(spc.string());
        menu(ui::cmdOpen);
        EXPECT_TRUE(reopened);
        ASSERT_TRUE(isLoaded(state, 0));
        EXPECT_EQ(streamOf(state, 0).photons, static_cast<double>(photons0));
        // Kept under the layout the file was first taken for, across restarts too.
        EXPECT_EQ(ui::photonChoices()["SPC-600/630 FIFO 4096 channels"].spcType, "600-256");
    }

    // The batch dialog's time-tag type and channel field reach the worker.
    TEST_F(PhotonFileDialogTest, BatchDialogRunsOverTheTimeTagTypeWithTheTypedChannels)
    {
        const std::filesystem::path dir = folder / "tt";
        std::filesystem::create_directory(dir);
        std::filesystem::copy_file(path, dir / "rh110_sm.ht3");
        ui::BatchDialog dialog(state, platform, window.get());
        showDialog(dialog);
        EXPECT_FALSE(childOf<QLineEdit>(dialog, "channels").isEnabled());
        QComboBox& kinds = childOf<QComboBox>(dialog, "timeTagFiles");
        kinds.setCurrentIndex(kinds.findData(QStringLiteral("*.pt3 *.pt2 *.ht3 *.ht2")));
        ASSERT_GT(kinds.currentIndex(), 0);
        type(dialog, "channels", QStringLiteral("1"));
        type(dialog, "windowStart", QStringLiteral("10"));
        type(dialog, "windowDuration", QStringLiteral("30"));
        const QDir artifacts(QStringLiteral(PLASK_ARTIFACT_DIR));
        EXPECT_TRUE(dialog.grab().save(artifacts.filePath(QStringLiteral("batch_dialog_time_tag.png"))));
        platform.script.folderAnswers.push_back(dir.string());
        press(dialog, "browseButton");
        press(dialog, "startButton");
        for (int i = 0; i < 6000 && dialog.phase() != BatchPhase::finished; ++i)
            QTest::qWait(10);
        ASSERT_EQ(dialog.phase(), BatchPhase::finished);
        const QString log = childOf<QPlainTextEdit>(dialog, "statusLog").toPlainText();
        EXPECT_TRUE(log.contains(QStringLiteral("Found 1 *.pt3 *.pt2 *.ht3 *.ht2 files"))) << log.toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("Data file rh110_sm.ht3 analysed"))) << log.toStdString();
        EXPECT_EQ(readText(dir / "tt_info.txt").find("Photons = detector 1 | window 10 to 40 s\r\n") != std::string::npos,
            true);
        press(dialog, "closeButton");
    }

} // namespace
} // namespace plask::testing
