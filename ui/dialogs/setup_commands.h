#pragma once
// The menu commands that open the setup dialogs and "About": "PS Display
// Setup", "FCS Setup", "Histogram Setup" and "About Plask.exe".

#include "core/app_state.h"
#include "core/platform.h"

#include <functional>

class QWidget;

namespace plask::ui {

// Runs the dialog of a command modally over `owner`; false when the id
// names none of them. "Sum" chosen with "Autoscale Y" off calls
// switchAutoscaleYOn, the control panel's toggle.
bool runSetupDialog(
    int id, AppState& state, Platform& platform, QWidget* owner, const std::function<void()>& switchAutoscaleYOn);

} // namespace plask::ui
