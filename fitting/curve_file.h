#pragma once
// Reading a correlation curve from the files Plask writes: the "Save FCS
// results" files (a "Header size" line, then lag and G per line) and the
// photon-mode CSV (`#` lines, then tau_ms,G,SEM).

#include "fitting/correlation_curve.h"
#include "fitting/fit_types.h"

#include <filesystem>
#include <string_view>

namespace plask::fitting {

// Parses the text of a curve file. Fails when it is no correlation curve.
[[nodiscard]] FitOutcome<CorrelationCurve> parseCurveText(std::string_view text);

// Reads and parses the file.
[[nodiscard]] FitOutcome<CorrelationCurve> readCurveFile(const std::filesystem::path& path);

// The report's name beside the curve: x_fcs.txt -> x_fcs_fit.txt.
[[nodiscard]] std::filesystem::path fitReportPath(const std::filesystem::path& curvePath);

} // namespace plask::fitting
