#pragma once
// The screen check and the window layout computed once at start-up.

namespace plask {

inline constexpr int minimumScreenWidth = 1024;
inline constexpr int minimumScreenHeight = 768;
inline constexpr const char* displayErrorText = "Program requires 1024 x 768 of larger screen resolution.";
inline constexpr const char* displayErrorCaption = "Display error";

struct ScreenMetrics {
    int width = 0;
    int height = 0;
    int workAreaHeight = 0; // the desktop without the task bar
};

struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WindowRect&) const = default;
};

struct WindowGeometry {
    WindowRect main; // top of the screen, full width
    WindowRect results; // right below the main window
};

[[nodiscard]] bool screenLargeEnough(const ScreenMetrics& screen);

// Wide screens (ratio 1.59 and above) give the main window 0.4 of the work
// area's height, others 0.5; the results window takes the rest.
[[nodiscard]] WindowGeometry windowGeometry(const ScreenMetrics& screen);

} // namespace plask
