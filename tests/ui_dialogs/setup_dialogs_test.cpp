#include "dialog_test_support.h"
#include "fake_platform.h"

#include "core/app_state.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/display_setup_dialog.h"
#include "ui/dialogs/fcs_setup_dialog.h"
#include "ui/dialogs/hist_setup_dialog.h"

#include <QCheckBox>
#include <QRadioButton>

namespace plask::testing {
namespace {

    // ---- "FCS Setup" ----

    TEST(FcsSetupDialog, ShowsTheStoredEntriesAndOkStoresThePicks)
    {
        AnalysisSettings settings;
        settings.fcsMultiTauStep = 8;
        settings.fcsCalcBinWidth = 20;
        settings.showFcsSetupFirst = 0;
        ui::FcsSetupDialog dialog(settings);
        showDialog(dialog);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("FCS Setup"));
        EXPECT_EQ(listText(dialog, "stepList"), QStringLiteral("8"));
        EXPECT_EQ(childOf<QComboBox>(dialog, "stepList").currentIndex(), 2);
        EXPECT_EQ(listText(dialog, "binWidthList"), QStringLiteral("20.0 µs"));
        EXPECT_FALSE(childOf<QCheckBox>(dialog, "showFcsSetupFirst").isChecked());

        pick(dialog, "stepList", 8);
        pick(dialog, "binWidthList", 10);
        press(dialog, "showFcsSetupFirst");
        press(dialog, "okButton");
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(settings.fcsMultiTauStep, 128);
        EXPECT_EQ(settings.fcsCalcBinWidth, 500.0);
        EXPECT_EQ(settings.showFcsSetupFirst, 1);
    }

    TEST(FcsSetupDialog, AValueOutsideTheListShowsTheFirstEntryAndOkStoresIt)
    {
        AnalysisSettings settings;
        settings.fcsCalcBinWidth = 3;
        settings.fcsMultiTauStep = 10;
        ui::FcsSetupDialog dialog(settings);
        showDialog(dialog);
        EXPECT_EQ(listText(dialog, "binWidthList"), QStringLiteral("0.1 µs"));
        EXPECT_EQ(listText(dialog, "stepList"), QStringLiteral("2"));
        press(dialog, "okButton");
        EXPECT_EQ(settings.fcsCalcBinWidth, 0.1);
        EXPECT_EQ(settings.fcsMultiTauStep, 2);
    }

    TEST(FcsSetupDialog, CancelStoresNothing)
    {
        AnalysisSettings settings;
        const AnalysisSettings before = settings;
        ui::FcsSetupDialog dialog(settings);
        showDialog(dialog);
        pick(dialog, "stepList", 0);
        pick(dialog, "binWidthList", 0);
        press(dialog, "showFcsSetupFirst");
        press(dialog, "cancelButton");
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(settings, before);
    }

    // ---- "Burst Analysis Setup" ----

    TEST(HistSetupDialog, ShowsTheStoredValuesInTheirFormats)
    {
        AnalysisSettings settings;
        settings.burstHistBinSize = 2.5;
        settings.widthHistBinSize = 12.346;
        settings.intervalHistBinSize = 0.001;
        settings.histogramBins = 250;
        settings.showHistSetupFirst = 1;
        settings.appendBurstResults = 1;
        ui::HistSetupDialog dialog(settings);
        showDialog(dialog);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Burst Analysis Setup"));
        EXPECT_EQ(fieldText(dialog, "burstBinSize"), QStringLiteral(" 2.50"));
        EXPECT_EQ(fieldText(dialog, "widthBinSize"), QStringLiteral("12.35"));
        EXPECT_EQ(fieldText(dialog, "intervalBinSize"), QStringLiteral("0.00100"));
        EXPECT_EQ(fieldText(dialog, "histogramBins"), QStringLiteral("250"));
        EXPECT_TRUE(childOf<QCheckBox>(dialog, "showHistSetupFirst").isChecked());
        // The append option always opens unticked, with an empty file name.
        EXPECT_FALSE(childOf<QCheckBox>(dialog, "appendBurstResults").isChecked());
        EXPECT_TRUE(fieldText(dialog, "appendFileName").isEmpty());
    }

    TEST(HistSetupDialog, OkStoresTheTypedValuesAndCheckBoxes)
    {
        AnalysisSettings settings;
        ui::HistSetupDialog dialog(settings);
        showDialog(dialog);
        type(dialog, "burstBinSize", QStringLiteral("5"));
        type(dialog, "widthBinSize", QStringLiteral("0.75 µs"));
        type(dialog, "intervalBinSize", QStringLiteral("2e-3"));
        type(dialog, "histogramBins", QStringLiteral("64"));
        type(dialog, "appendFileName", QStringLiteral("all.txt"));
        press(dialog, "showHistSetupFirst");
        press(dialog, "appendBurstResults");
        press(dialog, "okButton");
        EXPECT_EQ(settings.burstHistBinSize, 5.0);
        EXPECT_EQ(settings.widthHistBinSize, 0.75);
        EXPECT_EQ(settings.intervalHistBinSize, 0.002);
        EXPECT_EQ(settings.histogramBins, 64);
        EXPECT_EQ(settings.showHistSetupFirst, 0);
        EXPECT_EQ(settings.appendBurstResults, 1);
    }

    struct BinsCase {
        const char* typed;
        std::int32_t stored;
    };

    class HistogramBins : public ::testing::TestWithParam<BinsCase> { };

    TEST_P(HistogramBins, AreStoredWithinOneToAThousand)
    {
        AnalysisSettings settings;
        ui::HistSetupDialog dialog(settings);
        showDialog(dialog);
        type(dialog, "histogramBins", QString::fromUtf8(GetParam().typed));
        press(dialog, "okButton");
        EXPECT_EQ(settings.histogramBins, GetParam().stored);
    }

    INSTANTIATE_TEST_SUITE_P(Typed, HistogramBins,
        ::testing::Values(BinsCase { "999", 999 }, BinsCase { "1000", 1000 }, BinsCase { "5000", 1000 },
            BinsCase { "-3", 1000 }, BinsCase { "12.7", 12 }, BinsCase { "1", 1 }, BinsCase { "0", 1 },
            BinsCase { "0.4", 1 }, BinsCase { "many", 1 }, BinsCase { "", 1 }, BinsCase { "1e30", 1000 }));

    TEST(HistSetupDialog, CancelStoresNothing)
    {
        AnalysisSettings settings;
        const AnalysisSettings before = settings;
        ui::HistSetupDialog dialog(settings);
        showDialog(dialog);
        type(dialog, "histogramBins", QStringLiteral("7"));
        press(dialog, "appendBurstResults");
        press(dialog, "cancelButton");
        EXPECT_EQ(settings, before);
    }

    // ---- "Photon Stream Display" ----

    class DisplaySetupTest : public ::testing::Test {
    protected:
        DisplaySetupTest()
        {
            AnalysisSettings& s = state.settings();
            s.displayMode = displayAverage;
            s.offsetC1 = 2.5;
            s.offsetC2 = -12.25;
            s.scaleA1 = 1;
            s.scaleA2 = 0.1234;
            s.bleedFrac12 = 0.5;
            s.bleedFrac21 = 0.05;
            state.currentDisplayMode = displayAverage;
        }

        // Opens the dialog; "Autoscale Y" requests are counted.
        ui::DisplaySetupDialog& open()
        {
            dialog = std::make_unique<ui::DisplaySetupDialog>(state, platform);
            QObject::connect(dialog.get(), &ui::DisplaySetupDialog::autoscaleYRequested, [this] {
                ++autoscaleRequests;
                state.settings().autoscaleY = 1;
            });
            showDialog(*dialog);
            return *dialog;
        }

        AppState state;
        FakePlatform platform;
        std::unique_ptr<ui::DisplaySetupDialog> dialog;
        int autoscaleRequests = 0;
    };

    TEST_F(DisplaySetupTest, ShowsTheModeAndTheConstantsInTheirFormats)
    {
        ui::DisplaySetupDialog& d = open();
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Photon Stream Display"));
        EXPECT_TRUE(childOf<QRadioButton>(d, "displayAverage").isChecked());
        EXPECT_FALSE(childOf<QRadioButton>(d, "displaySum").isChecked());
        EXPECT_EQ(fieldText(d, "offsetC1"), QStringLiteral(" 2.5"));
        EXPECT_EQ(fieldText(d, "offsetC2"), QStringLiteral("-12.2"));
        EXPECT_EQ(fieldText(d, "scaleA1"), QStringLiteral("1.000"));
        EXPECT_EQ(fieldText(d, "scaleA2"), QStringLiteral("0.123"));
        EXPECT_EQ(fieldText(d, "bleedFrac12"), QStringLiteral("0.500"));
        EXPECT_EQ(fieldText(d, "bleedFrac21"), QStringLiteral("0.050"));
    }

    TEST_F(DisplaySetupTest, OkStoresTheModeConstantsAndBleedFactors)
    {
        ui::DisplaySetupDialog& d = open();
        press(d, "displaySinglePoint");
        type(d, "offsetC1", QStringLiteral("3"));
        type(d, "offsetC2", QStringLiteral("x"));
        type(d, "scaleA1", QStringLiteral("2.5"));
        type(d, "scaleA2", QStringLiteral("-1"));
        type(d, "bleedFrac12", QStringLiteral("0.5"));
        type(d, "bleedFrac21", QStringLiteral("0.25"));
        press(d, "okButton");
        const AnalysisSettings& s = state.settings();
        EXPECT_EQ(d.result(), QDialog::Accepted);
        EXPECT_EQ(state.currentDisplayMode, displaySinglePoint);
        EXPECT_EQ(s.displayMode, displaySinglePoint);
        EXPECT_EQ(s.offsetC1, 3.0);
        EXPECT_EQ(s.offsetC2, 0.0);
        EXPECT_EQ(s.scaleA1, 2.5);
        EXPECT_EQ(s.scaleA2, -1.0);
        EXPECT_EQ(s.bleedFrac12, 0.5);
        EXPECT_DOUBLE_EQ(s.bleed12Factor, 1.0 / 3.0);
        EXPECT_DOUBLE_EQ(s.bleed21Factor, 0.2);
        EXPECT_EQ(autoscaleRequests, 0);
    }

    TEST_F(DisplaySetupTest, SumSwitchesAutoscaleYOnOnlyWhenItIsOff)
    {
        press(open(), "displaySum");
        press(*dialog, "okButton");
        EXPECT_EQ(state.settings().displayMode, displaySum);
        EXPECT_EQ(autoscaleRequests, 1);
        press(open(), "okButton");
        EXPECT_EQ(autoscaleRequests, 1); // already on
    }

    TEST_F(DisplaySetupTest, RefusesNegativeAndTooLargeBleedFractions)
    {
        ui::DisplaySetupDialog& d = open();
        press(d, "displaySum");
        type(d, "offsetC1", QStringLiteral("7"));
        type(d, "bleedFrac21", QStringLiteral("-0.1"));
        press(d, "okButton");
        // f = 1 for both gives factors 1/2 + 1/2: the correction would divide by zero.
        type(d, "bleedFrac21", QStringLiteral("1"));
        type(d, "bleedFrac12", QStringLiteral("1"));
        press(d, "okButton");
        const auto messages = platform.callsNamed("showMessage");
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[0].text, "The bleed-through fractions cannot be negative.");
        EXPECT_EQ(messages[1].caption, "Photon Stream Display");
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(state.settings().offsetC1, 2.5);
        EXPECT_EQ(state.settings().displayMode, displayAverage);
        EXPECT_EQ(autoscaleRequests, 0);

        type(d, "bleedFrac12", QStringLiteral("0.999"));
        press(d, "okButton");
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(state.settings().offsetC1, 7.0);
        EXPECT_EQ(state.settings().bleedFrac21, 1.0);
    }

    TEST_F(DisplaySetupTest, CancelStoresNothing)
    {
        const AnalysisSettings before = state.settings();
        ui::DisplaySetupDialog& d = open();
        press(d, "displaySum");
        type(d, "scaleA1", QStringLiteral("9"));
        press(d, "cancelButton");
        EXPECT_EQ(state.settings(), before);
        EXPECT_EQ(state.currentDisplayMode, displayAverage);
        EXPECT_EQ(autoscaleRequests, 0);
    }

    TEST(AboutDialog, ShowsVersionAndDateAndClosesOnOk)
    {
        ui::AboutDialog dialog;
        showDialog(dialog);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About Plask.exe"));
        EXPECT_EQ(childOf<QLabel>(dialog, "versionText").text(), QStringLiteral("PLASK.EXE Version 3.0"));
        EXPECT_EQ(childOf<QLabel>(dialog, "dateText").text(), QStringLiteral("Feb. 2008"));
        press(dialog, "okButton");
        EXPECT_FALSE(dialog.isVisible());
    }

} // namespace
} // namespace plask::testing
