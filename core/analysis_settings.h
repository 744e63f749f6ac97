#pragma once
// Every tunable value of the program. Its 208-byte little-endian image is the
// settings file "plask.ini".

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace plask {

inline constexpr std::size_t settingsImageSize = 208;

enum DisplayMode : std::int32_t {
    displayAverage = 1113,
    displaySum = 1114,
    displaySinglePoint = 1115,
};

struct AnalysisSettings {
    std::int32_t triggerLevel = 5;
    std::int32_t minPhotonsPerBurst = 10;
    std::int32_t subMinBins = 10;
    std::int32_t histogramBins = 100;
    std::int32_t backgroundCounts = 1;
    double burstHistBinSize = 0;
    double widthHistBinSize = 0;
    double intervalHistBinSize = 0;
    double bleed12Factor = 1;
    double bleed21Factor = 1;
    double bleedFrac12 = 0.5;
    double bleedFrac21 = 0.5;
    double scaleA1 = 1;
    double scaleA2 = 1;
    double offsetC1 = 0;
    double offsetC2 = 0;
    std::int32_t subtractBackground = 0;
    std::int32_t autoscaleY = 0;
    std::int32_t autoscaleHistograms = 1;
    std::int32_t showMarkersDefault = 1;
    std::int32_t showFcsSetupFirst = 1;
    std::int32_t showHistSetupFirst = 1;
    std::int32_t appendBurstResults = 1;
    std::int32_t batchTraceFcs = 1;
    std::int32_t batchSegFcs = 1;
    std::int32_t batchVireoFiles = 1;
    std::int32_t batchSmooth = 1;
    std::int32_t batchEstimateBackground = 1;
    std::int32_t sgFilterWidth = 5;
    std::uint16_t fcsMultiTauStep = 8;
    double binWidth = 1; // µs, for the next load
    double fcsCalcBinWidth = 1; // µs
    double segFcsMinTime = 100; // µs
    std::uint16_t segFcsMultiTauStep = 8;
    std::int32_t displayMode = displaySinglePoint;

    bool operator==(const AnalysisSettings&) const = default;
};

using SettingsImage = std::array<std::uint8_t, settingsImageSize>;

// The byte image of the settings, field by field at their file offsets.
[[nodiscard]] SettingsImage encodeSettings(const AnalysisSettings& settings);

// Reads an image of any length: a short image fills only its own length (the
// rest of the fields read as zero, as an uninitialised record would), extra
// bytes are ignored. Fields outside their domain are then replaced by their
// defaults (see sanitizeSettings).
[[nodiscard]] AnalysisSettings decodeSettings(std::span<const std::uint8_t> image);

// Replaces each field whose value cannot be used (a bin width, step, filter
// width or display mode not in its list, histogram bins outside 1..1000,
// non-finite or negative numbers where they make no sense) by its default.
void sanitizeSettings(AnalysisSettings& settings);

// Recomputes the two derived bleed-through factors as f / (f + 1).
void updateBleedFactors(AnalysisSettings& settings);

} // namespace plask
