#pragma once
// Saving a page as an image file: PNG (pixels as on screen), SVG or PDF
// (vector drawings), chosen by the file's extension.

#include <QString>

namespace plask::chart {

class ChartPage;

enum class ImageFormat { png, svg, pdf };

// The format an extension names (case ignored); PNG for any other.
[[nodiscard]] ImageFormat imageFormatOf(const QString& path);

// Draws the page at its size on screen into the file. False when the file
// cannot be written.
bool savePageImage(ChartPage& page, const QString& path);

} // namespace plask::chart
