#pragma once
// Handles and styles of the chart layer. Handles are small indexes into the
// chart that made them.

#include <QColor>

namespace plask::chart {

struct DatasetId {
    int index = -1;
};
struct PlotId {
    int index = -1;
};
struct TextId {
    int index = -1;
};
struct MarkerId {
    int index = -1;
};

enum class Axis { x, y };

enum class MarkerShape {
    verticalLine, // a line from the x axis to the top of the plot area
    triangle, // a downward triangle standing on its position
};

// The sixteen colours charts pick by index (0 black, 1 red, 4 blue, 10 dark
// green, 12 dark red, ...); indexes outside wrap around.
[[nodiscard]] QColor paletteColour(int index);

} // namespace plask::chart
