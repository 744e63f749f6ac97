#pragma once
// Start-up of the desktop program: the screen check, the settings file, the
// shell state and the main window.

#include "core/app_state.h"
#include "view/window_geometry.h"

#include <QStringList>

#include <memory>

class QApplication;

namespace plask::ui {

class MainWindow;
class QtPlatform;

// Size and work area of the primary screen.
[[nodiscard]] ScreenMetrics primaryScreenMetrics();

// Checks the screen (too small: the "Display error" message and nothing
// else), reads "plask.ini" from the current folder (writing the defaults when
// it is missing), sets up the shell state and builds the main window at the
// geometry the screen gives. The window is not shown yet.
[[nodiscard]] std::unique_ptr<MainWindow> startProgram(AppState& state, QtPlatform& platform,
    const ScreenMetrics& screen);

// Opens a file into PS1 as "Open " would, without showing the Open dialog.
void openAtStart(MainWindow& window, QtPlatform& platform, const QString& path);

// The whole program: start-up, the main window shown, the file named by the
// first argument (if any) opened into PS1, then the event loop. Returns its
// exit code, or 0 when start-up fails.
int runProgram(QApplication& app, const QStringList& arguments);

} // namespace plask::ui
