#include "view/window_geometry.h"

namespace plask {

bool screenLargeEnough(const ScreenMetrics& screen)
{
    return screen.width >= minimumScreenWidth && screen.height >= minimumScreenHeight;
}

WindowGeometry windowGeometry(const ScreenMetrics& screen)
{
    const double ratio = static_cast<double>(screen.width) / static_cast<double>(screen.height);
    const double share = ratio < 1.59 ? 0.5 : 0.4;
    const double workArea = screen.workAreaHeight;
    WindowGeometry geometry;
    geometry.main = { 0, 0, screen.width, static_cast<int>(workArea * share) };
    geometry.results = { 0, geometry.main.height, screen.width, static_cast<int>(workArea * (1.0 - share)) };
    return geometry;
}

} // namespace plask
