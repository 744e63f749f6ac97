#pragma once
// Small commands of the program's shell: closing a channel and the help index.

#include "core/app_state.h"
#include "core/platform.h"

namespace plask {

inline constexpr const char* helpIndexText = "Help file not yet created";
inline constexpr const char* helpIndexCaption = "Plask Help";

// "Close": frees the active channel's burst results and stream without
// asking. When no channel holds data afterwards the loaded bin width is
// forgotten and both navigators are disabled. The channel texts and the
// trace are shown again.
void closeCommand(AppState& state, Platform& platform);

// "Index" of the Help menu.
void helpIndexCommand(Platform& platform);

// "Select Background Level" and "Select Region for FCS": with data in memory,
// switch their selection mode on, or end it when it is on already.
void toggleBackgroundSelection(AppState& state, Platform& platform);
void toggleRegionSelection(AppState& state, Platform& platform);

// "Results ": shows the results window when hidden, hides it when shown.
void toggleResultsWindow(AppState& state, Platform& platform);

} // namespace plask
