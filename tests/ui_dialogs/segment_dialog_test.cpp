#include "dialog_test_support.h"

#include "ui/dialogs/segment_dialog.h"

#include <string>
#include <vector>

namespace plask::testing {
namespace {

    // The command's side of the dialog, scripted: Reset counts the typed
    // minimum as a number of segments; Autocorrelate refuses a minimum of 0.
    class SegmentDialogTest : public ::testing::Test {
    protected:
        SegmentDialogTest()
        {
            fields.fileText = "run7.dat";
            fields.countText = "3 out of 5";
            fields.minimumText = "100.0";
            fields.stepIndex = 2;
            fields.binWidthIndex = 4;
            actions.reset = [this](SegmentDialogFields& f) {
                seen.push_back(f);
                f.countText = std::to_string(f.minimumText.size()) + " out of 5";
                f.minimumText = "  " + f.minimumText;
            };
            actions.autocorrelate = [this](SegmentDialogFields& f) {
                seen.push_back(f);
                return f.minimumText != "0";
            };
        }

        SegmentDialogFields fields;
        SegmentDialogActions actions;
        std::vector<SegmentDialogFields> seen;
    };

    TEST_F(SegmentDialogTest, ShowsTheFieldsAtOpening)
    {
        ui::SegmentDialog dialog(fields, actions);
        showDialog(dialog);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Segmental  Autocorrelation"));
        EXPECT_EQ(childOf<QLabel>(dialog, "fileText").text(), QStringLiteral("run7.dat"));
        EXPECT_EQ(childOf<QLabel>(dialog, "countText").text(), QStringLiteral("3 out of 5"));
        EXPECT_EQ(fieldText(dialog, "minimumTime"), QStringLiteral("100.0"));
        EXPECT_EQ(listText(dialog, "stepList"), QStringLiteral("8"));
        EXPECT_EQ(listText(dialog, "binWidthList"), QStringLiteral("5.0 µs"));
        EXPECT_EQ(childOf<QComboBox>(dialog, "stepList").count(), 9);
        EXPECT_EQ(childOf<QComboBox>(dialog, "binWidthList").count(), 11);
    }

    TEST_F(SegmentDialogTest, ResetPassesTheTypedValuesAndShowsWhatComesBack)
    {
        ui::SegmentDialog dialog(fields, actions);
        showDialog(dialog);
        type(dialog, "minimumTime", QStringLiteral("2500"));
        pick(dialog, "stepList", 0);
        pick(dialog, "binWidthList", 10);
        press(dialog, "resetButton");
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].minimumText, "2500");
        EXPECT_EQ(seen[0].stepIndex, 0u);
        EXPECT_EQ(seen[0].binWidthIndex, 10u);
        EXPECT_EQ(childOf<QLabel>(dialog, "countText").text(), QStringLiteral("4 out of 5"));
        EXPECT_EQ(fieldText(dialog, "minimumTime"), QStringLiteral("  2500"));
        EXPECT_TRUE(dialog.isVisible());
    }

    TEST_F(SegmentDialogTest, AutocorrelateEndsOnlyWhenTheCommandAccepts)
    {
        ui::SegmentDialog dialog(fields, actions);
        showDialog(dialog);
        type(dialog, "minimumTime", QStringLiteral("0"));
        press(dialog, "autocorrelateButton");
        EXPECT_TRUE(dialog.isVisible());
        type(dialog, "minimumTime", QStringLiteral("50"));
        pick(dialog, "stepList", 5);
        press(dialog, "autocorrelateButton");
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(fields.minimumText, "50");
        EXPECT_EQ(fields.stepIndex, 5u);
    }

} // namespace
} // namespace plask::testing
