#include "view/panel_settings.h"
#include "fake_platform.h"

#include <gtest/gtest.h>

namespace plask {
namespace {

TEST(LeadingDecimal, ReadsLikeTheNumberFields)
{
    EXPECT_EQ(leadingDecimal("20"), 20);
    EXPECT_EQ(leadingDecimal("  12abc"), 12);
    EXPECT_EQ(leadingDecimal("-4"), -4);
    EXPECT_EQ(leadingDecimal("abc"), 0);
    EXPECT_EQ(leadingDecimal(""), 0);
    EXPECT_EQ(leadingDecimal("99999999999999"), 2147483647);
}

TEST(LeadingNumber, ReadsFractionsAndStopsAtTheFirstOtherCharacter)
{
    EXPECT_EQ(leadingNumber(" 100.0"), 100.0);
    EXPECT_EQ(leadingNumber("12.5 µs"), 12.5);
    EXPECT_EQ(leadingNumber("+2e3x"), 2000.0);
    EXPECT_EQ(leadingNumber("-0.25"), -0.25);
    EXPECT_EQ(leadingNumber(".5"), 0.5);
    EXPECT_EQ(leadingNumber("abc"), 0.0);
    EXPECT_EQ(leadingNumber("+-3"), 0.0);
    EXPECT_EQ(leadingNumber("-"), 0.0);
    EXPECT_EQ(leadingNumber(""), 0.0);
    EXPECT_EQ(leadingNumber("inf"), 0.0);
    EXPECT_EQ(leadingNumber("1e999"), 0.0);
}

TEST(ReadPanelSettings, RaisesMinimumToTriggerAndWritesItBack)
{
    AppState state;
    testing::FakePlatform platform;
    platform.panel.triggerLevelText = "20";
    platform.panel.minPhotonsText = "10";
    platform.panel.backgroundCountsText = "3";
    platform.panel.binWidthIndex = 9;
    platform.panel.sgFilterWidthIndex = 2;
    platform.panel.subtractBackground = true;
    platform.panel.showMarkers = false;
    readPanelSettings(state, platform);
    const AnalysisSettings& s = state.settings();
    EXPECT_EQ(s.triggerLevel, 20);
    EXPECT_EQ(s.minPhotonsPerBurst, 20);
    EXPECT_EQ(platform.panel.minPhotonsText, "20");
    EXPECT_EQ(s.backgroundCounts, 3);
    EXPECT_EQ(s.binWidth, 250.0);
    EXPECT_EQ(s.sgFilterWidth, 9);
    EXPECT_EQ(s.subtractBackground, 1);
    EXPECT_EQ(s.showMarkersDefault, 0);
}

TEST(ReadPanelSettings, NegativeMinimumCountsAsLargeWhenComparedUnsigned)
{
    AppState state;
    testing::FakePlatform platform;
    platform.panel.triggerLevelText = "5";
    platform.panel.minPhotonsText = "-1";
    readPanelSettings(state, platform);
    EXPECT_EQ(state.settings().minPhotonsPerBurst, -1);
    EXPECT_TRUE(platform.callsNamed("setMinPhotonsField").empty());
}

TEST(PanelFieldsFrom, ShowsTheStoredValues)
{
    AnalysisSettings s;
    s.binWidth = 0.5;
    s.sgFilterWidth = 13;
    s.triggerLevel = 8;
    s.minPhotonsPerBurst = 3;
    const PanelFields fields = panelFieldsFrom(s);
    EXPECT_EQ(fields.binWidthIndex, 1u);
    EXPECT_EQ(fields.sgFilterWidthIndex, 4u);
    EXPECT_EQ(fields.minPhotonsText, "8");
}

TEST(SelectionEnd, ClearsOnlyItsOwnMode)
{
    AppState state;
    testing::FakePlatform platform;
    state.selectionMode = SelectionMode::region;
    endBackgroundSelection(state, platform);
    EXPECT_EQ(state.selectionMode, SelectionMode::region);
    endRegionSelection(state, platform);
    EXPECT_EQ(state.selectionMode, SelectionMode::none);
    EXPECT_EQ(platform.callsNamed("selectionEnded").size(), 2u);
}

} // namespace
} // namespace plask
