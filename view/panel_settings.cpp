#include "view/panel_settings.h"

#include "core/selection_lists.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace plask {

std::int32_t leadingDecimal(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::numeric_limits<std::int32_t>::max())
            return negative ? std::numeric_limits<std::int32_t>::min() : std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

double leadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size() || text[i] == '-')
        return 0.0;
    double value = 0.0;
    const std::from_chars_result read = std::from_chars(text.data() + i, text.data() + text.size(), value);
    if (read.ec != std::errc() || !std::isfinite(value))
        return 0.0;
    return negative ? -value : value;
}

PanelFields panelFieldsFrom(const AnalysisSettings& settings)
{
    PanelFields fields;
    const std::int32_t minPhotons = static_cast<std::uint32_t>(settings.minPhotonsPerBurst)
            < static_cast<std::uint32_t>(settings.triggerLevel)
        ? settings.triggerLevel
        : settings.minPhotonsPerBurst;
    fields.minPhotonsText = std::to_string(minPhotons);
    fields.subMinBinsText = std::to_string(settings.subMinBins);
    fields.triggerLevelText = std::to_string(settings.triggerLevel);
    fields.backgroundCountsText = std::to_string(static_cast<std::uint32_t>(settings.backgroundCounts));
    fields.binWidthIndex = indexOfValue<double>(settings.binWidth, binWidthValues);
    fields.sgFilterWidthIndex = indexOfValue<std::int32_t>(settings.sgFilterWidth, sgFilterWidthValues);
    fields.subtractBackground = settings.subtractBackground != 0;
    fields.autoscaleHistograms = settings.autoscaleHistograms != 0;
    fields.showMarkers = settings.showMarkersDefault != 0;
    return fields;
}

void readPanelSettings(AppState& state, Platform& platform)
{
    const PanelFields fields = platform.readPanel();
    AnalysisSettings& s = state.settings();
    s.minPhotonsPerBurst = leadingDecimal(fields.minPhotonsText);
    s.subMinBins = leadingDecimal(fields.subMinBinsText);
    s.triggerLevel = leadingDecimal(fields.triggerLevelText);
    if (static_cast<std::uint32_t>(s.minPhotonsPerBurst) < static_cast<std::uint32_t>(s.triggerLevel)) {
        s.minPhotonsPerBurst = s.triggerLevel;
        platform.setMinPhotonsField(std::to_string(s.minPhotonsPerBurst));
    }
    s.backgroundCounts = leadingDecimal(fields.backgroundCountsText);
    s.binWidth = binWidthValues.at(fields.binWidthIndex < binWidthValues.size() ? fields.binWidthIndex : 0);
    s.subtractBackground = fields.subtractBackground ? 1 : 0;
    s.autoscaleHistograms = fields.autoscaleHistograms ? 1 : 0;
    s.showMarkersDefault = fields.showMarkers ? 1 : 0;
    s.sgFilterWidth
        = sgFilterWidthValues.at(fields.sgFilterWidthIndex < sgFilterWidthValues.size() ? fields.sgFilterWidthIndex : 0);
}

void endBackgroundSelection(AppState& state, Platform& platform)
{
    if (state.selectionMode == SelectionMode::background)
        state.selectionMode = SelectionMode::none;
    platform.selectionEnded(commandSelectBackground);
}

void endRegionSelection(AppState& state, Platform& platform)
{
    if (state.selectionMode == SelectionMode::region)
        state.selectionMode = SelectionMode::none;
    platform.selectionEnded(commandSelectRegion);
    // Correlations run on the whole stream again.
    PhotonStream& stream = streamOf(state, state.activeChannel);
    if (stream.length > 0) {
        stream.regionStart = 0;
        stream.regionEnd = static_cast<std::int32_t>(stream.length - 1);
    }
}

} // namespace plask
