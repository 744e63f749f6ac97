#include "core/selection_lists.h"
#include "core/settings_file.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace plask {
namespace {

using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

template <typename T>
T at(const SettingsImage& image, std::size_t offset)
{
    T value;
    std::memcpy(&value, image.data() + offset, sizeof(T));
    return value;
}

TEST(SettingsImage, DefaultsLandAtTheirOffsets)
{
    const SettingsImage image = encodeSettings(AnalysisSettings {});
    ASSERT_EQ(image.size(), 208u);
    EXPECT_EQ(image[0], 5);
    EXPECT_EQ(image[1] + image[2] + image[3], 0);
    EXPECT_EQ(at<std::int32_t>(image, 4), 10);
    EXPECT_EQ(at<std::int32_t>(image, 12), 100);
    EXPECT_EQ(at<std::int32_t>(image, 20), 0); // alignment gap
    EXPECT_EQ(at<double>(image, 64), 0.5);
    EXPECT_EQ(at<std::int32_t>(image, 120), 1);
    EXPECT_EQ(at<std::int32_t>(image, 160), 5);
    EXPECT_EQ(at<std::uint16_t>(image, 164), 8);
    EXPECT_EQ(at<double>(image, 168), 1.0);
    EXPECT_EQ(at<double>(image, 176), 10.0);
    EXPECT_EQ(at<double>(image, 192), 100.0);
    EXPECT_EQ(at<std::uint16_t>(image, 200), 8);
    EXPECT_EQ(at<std::int32_t>(image, 204), 1115);
}

TEST(SettingsImage, RoundTripKeepsEveryField)
{
    AnalysisSettings s;
    s.triggerLevel = -3;
    s.minPhotonsPerBurst = 40;
    s.histogramBins = 1000;
    s.intervalHistBinSize = 0.25;
    s.bleedFrac21 = 0.1;
    s.offsetC2 = -2.5;
    s.batchSegFcs = 0;
    s.sgFilterWidth = 13;
    s.fcsMultiTauStep = 128;
    s.binWidth = 0.1;
    s.fcsCalcBinWidth = 500;
    s.segFcsMultiTauStep = 2;
    s.displayMode = displayAverage;
    const SettingsImage image = encodeSettings(s);
    EXPECT_EQ(decodeSettings(image), s);
}

TEST(SettingsImage, ShortImageKeepsDefaultsForMissingFields)
{
    AnalysisSettings s;
    s.triggerLevel = 9;
    s.minPhotonsPerBurst = 30;
    const SettingsImage image = encodeSettings(s);
    const AnalysisSettings read = decodeSettings(std::span(image).first(6)); // second field cut in half
    EXPECT_EQ(read.triggerLevel, 9);
    EXPECT_EQ(read.minPhotonsPerBurst, 10);
    EXPECT_EQ(read.displayMode, 1115);
    EXPECT_EQ(decodeSettings({}), AnalysisSettings {});
}

TEST(SettingsImage, FieldsOutsideTheirDomainGetTheirDefaults)
{
    AnalysisSettings bad;
    bad.histogramBins = 0;
    bad.binWidth = 3.0;
    bad.fcsCalcBinWidth = std::numeric_limits<double>::quiet_NaN();
    bad.fcsMultiTauStep = 7;
    bad.segFcsMultiTauStep = 0;
    bad.sgFilterWidth = 6;
    bad.displayMode = 42;
    bad.bleedFrac12 = -1.0;
    bad.scaleA1 = std::numeric_limits<double>::infinity();
    bad.segFcsMinTime = -5;
    bad.burstHistBinSize = -1;
    bad.triggerLevel = 17; // in range: kept
    const AnalysisSettings read = decodeSettings(encodeSettings(bad));
    AnalysisSettings expected;
    expected.triggerLevel = 17;
    EXPECT_EQ(read, expected);

    bad = {};
    bad.histogramBins = 1001;
    EXPECT_EQ(decodeSettings(encodeSettings(bad)).histogramBins, 100);
}

TEST(SettingsFile, MissingFileThenDefaultsThenSaveFromAnotherFolder)
{
    TempDir start;
    TempDir elsewhere;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(start.path());
    SettingsStore store;
    EXPECT_FALSE(loadSettings(store));
    EXPECT_TRUE(writeDefaultSettings(store));
    const auto written = readBytes(start / "plask.ini");
    ASSERT_EQ(written.size(), 208u);
    EXPECT_EQ(std::vector<std::uint8_t>(written.begin(), written.begin() + 4), (std::vector<std::uint8_t> { 5, 0, 0, 0 }));
    EXPECT_EQ(std::vector<std::uint8_t>(written.end() - 4, written.end()),
        (std::vector<std::uint8_t> { 0x5B, 0x04, 0, 0 }));

    // A file dialog moved the current folder; the settings still go home.
    std::filesystem::current_path(elsewhere.path());
    store.settings.triggerLevel = 12;
    EXPECT_EQ(saveSettings(store), 1);
    EXPECT_FALSE(std::filesystem::exists(elsewhere / "plask.ini"));
    AnalysisSettings reread;
    EXPECT_TRUE(readSettingsFile(start / "plask.ini", reread));
    EXPECT_EQ(reread.triggerLevel, 12);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(start.path()), {}), 1);
    std::filesystem::current_path(previous);
}

TEST(SettingsFile, LongAndGarbageFilesNeverOverrun)
{
    TempDir dir;
    std::vector<std::uint8_t> garbage(5000, 0xFF);
    writeBytes(dir / "plask.ini", garbage);
    AnalysisSettings read;
    ASSERT_TRUE(readSettingsFile(dir / "plask.ini", read));
    EXPECT_EQ(read.histogramBins, 100); // -1 is out of range
    EXPECT_EQ(read.binWidth, 1.0); // NaN pattern
    EXPECT_EQ(read.triggerLevel, -1); // any integer is a trigger level
}

TEST(SettingsFile, UnwritableFolderReportsFailure)
{
    SettingsStore store;
    store.startDirectory = "/nonexistent/folder/for/plask";
    EXPECT_EQ(saveSettings(store), 0);
}

TEST(SelectionLists, IndexOfValueFallsBackToTheFirstEntry)
{
    EXPECT_EQ(indexOfValue<double>(250.0, binWidthValues), 9u);
    EXPECT_EQ(indexOfValue<double>(3.0, binWidthValues), 0u);
    EXPECT_EQ(indexOfValue<std::uint16_t>(128, multiTauStepValues), 8u);
    EXPECT_EQ(indexOfValue<std::int32_t>(11, sgFilterWidthValues), 3u);
    EXPECT_TRUE(isListedBinWidth(0.5));
    EXPECT_FALSE(isListedBinWidth(0.25));
}

} // namespace
} // namespace plask
