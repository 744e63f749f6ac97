#pragma once
// Printing a page from its menu, and saving it as an image file under a name
// the user picks or one built from the data file.

#include "core/photon_stream.h"
#include "core/platform.h"

#include <QRectF>

#include <string>

namespace plask::chart {
class ChartPage;
} // namespace plask::chart

namespace plask::ui {

// Prints the page on the shared printer within margins (fractions of the
// sheet); with no printer installed, into a PDF file chosen in a Save dialog
// proposing `pdfName`.
void printPage(chart::ChartPage& page, QRectF margins, Platform& platform, const std::string& pdfName);

// "<data file without extension>_results.png" next to the stream's data
// file, or nothing when no file was loaded.
[[nodiscard]] std::string autoSavePath(const PhotonStream& stream);

// The Save dialog with the PNG, SVG and PDF filters, proposing `name`; the
// page is written in the format of the chosen name. False when cancelled or
// not written (after the message).
bool savePageAs(chart::ChartPage& page, Platform& platform, const std::string& name);

// Writes the page to `path` in the format of its extension; the message
// "File cannot be opened" when that fails.
bool writePageImage(chart::ChartPage& page, Platform& platform, const std::string& path);

} // namespace plask::ui
