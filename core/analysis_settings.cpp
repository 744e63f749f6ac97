#include "core/analysis_settings.h"

#include "core/selection_lists.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace plask {

namespace {
    // Little-endian field access at fixed offsets of the image.
    template <typename T>
    void put(SettingsImage& image, std::size_t offset, T value)
    {
        auto bytes = std::bit_cast<std::array<std::uint8_t, sizeof(T)>>(value);
        if constexpr (std::endian::native == std::endian::big)
            std::ranges::reverse(bytes);
        std::memcpy(image.data() + offset, bytes.data(), sizeof(T));
    }

    // Reads a field only when the image holds all of its bytes; a missing
    // field keeps the value it had.
    template <typename T>
    void get(std::span<const std::uint8_t> image, std::size_t offset, T& field)
    {
        if (image.size() < offset + sizeof(T))
            return;
        std::array<std::uint8_t, sizeof(T)> bytes {};
        std::memcpy(bytes.data(), image.data() + offset, sizeof(T));
        if constexpr (std::endian::native == std::endian::big)
            std::ranges::reverse(bytes);
        field = std::bit_cast<T>(bytes);
    }

    // Visits every stored field with its offset, so encoding and decoding
    // share one table of the layout.
    template <typename Settings, typename Visit>
    void forEachField(Settings& s, Visit&& visit)
    {
        visit(0, s.triggerLevel);
        visit(4, s.minPhotonsPerBurst);
        visit(8, s.subMinBins);
        visit(12, s.histogramBins);
        visit(16, s.backgroundCounts);
        visit(24, s.burstHistBinSize);
        visit(32, s.widthHistBinSize);
        visit(40, s.intervalHistBinSize);
        visit(48, s.bleed12Factor);
        visit(56, s.bleed21Factor);
        visit(64, s.bleedFrac12);
        visit(72, s.bleedFrac21);
        visit(80, s.scaleA1);
        visit(88, s.scaleA2);
        visit(96, s.offsetC1);
        visit(104, s.offsetC2);
        visit(112, s.subtractBackground);
        visit(116, s.autoscaleY);
        visit(120, s.autoscaleHistograms);
        visit(124, s.showMarkersDefault);
        visit(128, s.showFcsSetupFirst);
        visit(132, s.showHistSetupFirst);
        visit(136, s.appendBurstResults);
        visit(140, s.batchTraceFcs);
        visit(144, s.batchSegFcs);
        visit(148, s.batchVireoFiles);
        visit(152, s.batchSmooth);
        visit(156, s.batchEstimateBackground);
        visit(160, s.sgFilterWidth);
        visit(164, s.fcsMultiTauStep);
        visit(168, s.binWidth);
        visit(184, s.fcsCalcBinWidth);
        visit(192, s.segFcsMinTime);
        visit(200, s.segFcsMultiTauStep);
        visit(204, s.displayMode);
    }

    constexpr double reservedTen = 10.0; // offset 176: written, never read

    bool finiteAtLeastZero(double value) { return std::isfinite(value) && value >= 0.0; }

    template <typename T>
    void keepIf(bool ok, T& field, T fallback)
    {
        if (!ok)
            field = fallback;
    }
} // namespace

SettingsImage encodeSettings(const AnalysisSettings& settings)
{
    SettingsImage image {};
    forEachField(settings, [&image](std::size_t offset, const auto& field) { put(image, offset, field); });
    put(image, 176, reservedTen);
    return image;
}

AnalysisSettings decodeSettings(std::span<const std::uint8_t> image)
{
    AnalysisSettings settings;
    forEachField(settings, [image](std::size_t offset, auto& field) { get(image, offset, field); });
    sanitizeSettings(settings);
    return settings;
}

void sanitizeSettings(AnalysisSettings& s)
{
    const AnalysisSettings d;
    keepIf(s.histogramBins >= 1 && s.histogramBins <= 1000, s.histogramBins, d.histogramBins);
    keepIf(s.backgroundCounts >= 0, s.backgroundCounts, d.backgroundCounts);
    keepIf(finiteAtLeastZero(s.burstHistBinSize), s.burstHistBinSize, d.burstHistBinSize);
    keepIf(finiteAtLeastZero(s.widthHistBinSize), s.widthHistBinSize, d.widthHistBinSize);
    keepIf(finiteAtLeastZero(s.intervalHistBinSize), s.intervalHistBinSize, d.intervalHistBinSize);
    keepIf(finiteAtLeastZero(s.bleedFrac12), s.bleedFrac12, d.bleedFrac12);
    keepIf(finiteAtLeastZero(s.bleedFrac21), s.bleedFrac21, d.bleedFrac21);
    keepIf(std::isfinite(s.bleed12Factor), s.bleed12Factor, d.bleed12Factor);
    keepIf(std::isfinite(s.bleed21Factor), s.bleed21Factor, d.bleed21Factor);
    keepIf(std::isfinite(s.scaleA1), s.scaleA1, d.scaleA1);
    keepIf(std::isfinite(s.scaleA2), s.scaleA2, d.scaleA2);
    keepIf(std::isfinite(s.offsetC1), s.offsetC1, d.offsetC1);
    keepIf(std::isfinite(s.offsetC2), s.offsetC2, d.offsetC2);
    keepIf(isListedSgFilterWidth(s.sgFilterWidth), s.sgFilterWidth, d.sgFilterWidth);
    keepIf(isListedMultiTauStep(s.fcsMultiTauStep), s.fcsMultiTauStep, d.fcsMultiTauStep);
    keepIf(isListedMultiTauStep(s.segFcsMultiTauStep), s.segFcsMultiTauStep, d.segFcsMultiTauStep);
    keepIf(isListedBinWidth(s.binWidth), s.binWidth, d.binWidth);
    keepIf(isListedBinWidth(s.fcsCalcBinWidth), s.fcsCalcBinWidth, d.fcsCalcBinWidth);
    keepIf(finiteAtLeastZero(s.segFcsMinTime), s.segFcsMinTime, d.segFcsMinTime);
    keepIf(s.displayMode >= displayAverage && s.displayMode <= displaySinglePoint, s.displayMode, d.displayMode);
}

void updateBleedFactors(AnalysisSettings& settings)
{
    settings.bleed12Factor = settings.bleedFrac12 / (settings.bleedFrac12 + 1.0);
    settings.bleed21Factor = settings.bleedFrac21 / (settings.bleedFrac21 + 1.0);
}

} // namespace plask
