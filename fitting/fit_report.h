#pragma once
// The fit report file: parameters with errors, chi2, then the fitted points
// as columns. One writer for the curve and histogram fits, the desktop
// program and plask-cli.

#include "fitting/fit_types.h"

#include <string>
#include <utility>
#include <vector>

namespace plask::fitting {

struct FcsFit;
struct PchFit;

struct FitReport {
    std::string source; // the fitted file
    std::string model;
    std::vector<std::pair<std::string, std::string>> facts; // further "label: \tvalue" header lines
    std::vector<FittedParameter> parameters;
    double chi2 = 0.0;
    double chi2Reduced = 0.0;
    int points = 0;
    std::vector<std::string> columnNames;
    std::vector<std::vector<double>> columns; // each as long as the others
};

[[nodiscard]] FitReport fcsFitReport(const FcsFit& fit, const std::string& source);
[[nodiscard]] FitReport pchFitReport(const PchFit& fit, const std::string& source);

// The report's file name for a PCH fit of the file `fileTitle`:
// "<title>_PCH_fit.txt", "<title>_burstfree_PCH_fit.txt" for the bins outside the bursts.
[[nodiscard]] std::string pchFitReportName(const std::string& fileTitle, bool burstFree);

// "Header size: \t%d rows" (the lines before the data, column names
// included), the header, then one tab-delimited line per point; Windows-1252
// with CR LF like every export. Returns a WriteResult code.
[[nodiscard]] int writeFitReport(const std::string& path, const FitReport& report);

} // namespace plask::fitting
