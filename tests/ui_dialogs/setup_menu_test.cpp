#include "dialog_test_support.h"
#include "gui_fixture.h"

#include "ui/qt_platform.h"

#include <QCheckBox>

namespace plask::testing {
namespace {

    using SetupMenuTest = GuiTest;

    TEST_F(SetupMenuTest, DisplaySetupWithSumSwitchesAutoscaleYOnInThePanel)
    {
        start();
        state.settings().autoscaleY = 0;
        child<QCheckBox>("autoscaleY").setChecked(false);
        QString title;
        whenDialogOpens([&title](QDialog& dialog) {
            title = dialog.windowTitle();
            press(dialog, "displaySum");
            press(dialog, "okButton");
        });
        menu(ui::cmdDisplaySetup);
        EXPECT_EQ(title, QStringLiteral("Photon Stream Display"));
        EXPECT_EQ(state.settings().displayMode, displaySum);
        EXPECT_EQ(state.currentDisplayMode, displaySum);
        EXPECT_EQ(state.settings().autoscaleY, 1);
        EXPECT_TRUE(child<QCheckBox>("autoscaleY").isChecked());
    }

    TEST_F(SetupMenuTest, FcsAndHistogramSetupStoreOnOkOnly)
    {
        start();
        whenDialogOpens([](QDialog& dialog) {
            pick(dialog, "stepList", 0);
            press(dialog, "cancelButton");
        });
        menu(ui::cmdFcsSetup);
        EXPECT_EQ(state.settings().fcsMultiTauStep, 8);

        whenDialogOpens([](QDialog& dialog) {
            pick(dialog, "stepList", 6);
            press(dialog, "okButton");
        });
        menu(ui::cmdFcsSetup);
        EXPECT_EQ(state.settings().fcsMultiTauStep, 32);

        whenDialogOpens([](QDialog& dialog) {
            type(dialog, "histogramBins", QStringLiteral("0"));
            press(dialog, "okButton");
        });
        menu(ui::cmdHistogramSetup);
        EXPECT_EQ(state.settings().histogramBins, 1);
    }

    TEST_F(SetupMenuTest, AboutBoxClosesOnOk)
    {
        start();
        QString version;
        whenDialogOpens([&version](QDialog& dialog) {
            version = childOf<QLabel>(dialog, "versionText").text();
            press(dialog, "okButton");
        });
        menu(ui::cmdAbout);
        EXPECT_EQ(version, QStringLiteral("PLASK.EXE Version 3.0"));
    }

    TEST_F(SetupMenuTest, TheSeamShowsTheFcsSetupDialogOverTheSettingsItIsGiven)
    {
        start();
        AnalysisSettings settings;
        whenDialogOpens([](QDialog& dialog) {
            pick(dialog, "binWidthList", 3);
            press(dialog, "okButton");
        });
        EXPECT_TRUE(platform.editFcsSetup(settings));
        EXPECT_EQ(settings.fcsCalcBinWidth, 2.0);
        whenDialogOpens([](QDialog& dialog) { press(dialog, "cancelButton"); });
        EXPECT_FALSE(platform.editFcsSetup(settings));
    }

} // namespace
} // namespace plask::testing
