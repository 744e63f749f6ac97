#pragma once
// Taking the control panel's fields into the settings, and filling them from it.

#include "core/app_state.h"
#include "core/platform.h"

#include <string_view>

namespace plask {

// The leading decimal number of a field's text, 0 when there is none.
// Out-of-range numbers saturate at the limits of a 32-bit integer.
[[nodiscard]] std::int32_t leadingDecimal(std::string_view text);

// The leading decimal number of a field's text with its fraction and
// exponent ("12.5 µs" gives 12.5), 0 when there is none or it is not finite.
// The same in every locale.
[[nodiscard]] double leadingNumber(std::string_view text);

// The panel's fields as they stand for the given settings (start-up values).
[[nodiscard]] PanelFields panelFieldsFrom(const AnalysisSettings& settings);

// Reads the panel into the settings: burst parameters, bin width, check
// boxes and filter width. A minimum photon count below the trigger level
// (compared unsigned) is raised to it and written back into the panel.
void readPanelSettings(AppState& state, Platform& platform);

// Ends a selection mode the user left pending: unchecks the menu item and
// parks the markers. Only the mode of that menu item is cleared.
void endBackgroundSelection(AppState& state, Platform& platform);
void endRegionSelection(AppState& state, Platform& platform);

} // namespace plask
