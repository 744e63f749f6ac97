#include "fitting/fit_report.h"

#include "analysis/text_file.h"
#include "core/file_names.h"
#include "fitting/fcs_fit.h"
#include "fitting/pch_fit.h"

#include <cmath>

namespace plask::fitting {

namespace {
    // Errors that are not determined (fixed parameters, singular covariance) print as "-".
    std::string errorText(double error)
    {
        if (!std::isfinite(error))
            return "-";
        char text[32];
        std::snprintf(text, sizeof text, "%.8g", error);
        return text;
    }
} // namespace

FitReport fcsFitReport(const FcsFit& fit, const std::string& source)
{
    FitReport report;
    report.source = source;
    report.model = std::string(modelName(fit.model));
    char range[64];
    std::snprintf(range, sizeof range, "%g to %g ms", fit.fromMs, fit.toMs);
    report.facts = { { "Range", range }, { "Weights", fit.weighted ? "1/SEM^2" : "none" } };
    report.parameters = fit.parameters;
    report.chi2 = fit.chi2;
    report.chi2Reduced = fit.chi2Reduced;
    report.points = fit.points();
    report.columnNames = { "tau_ms", "G", "fit", "residual" };
    report.columns = { fit.tauMs, fit.g, fit.fit, fit.residual };
    return report;
}

FitReport pchFitReport(const PchFit& fit, const std::string& source)
{
    FitReport report;
    report.source = source;
    report.model = fit.species == 1 ? "pch 3D Gaussian, 1 species" : "pch 3D Gaussian, 2 species";
    char facts[3][64];
    std::snprintf(facts[0], sizeof facts[0], "%g \xB5s", fit.binWidthUs);
    std::snprintf(facts[1], sizeof facts[1], "%g", fit.backgroundPerBin);
    std::snprintf(facts[2], sizeof facts[2], "%.0f", fit.totalBins);
    report.facts = { { "Bin width", facts[0] }, { "Background counts per bin", facts[1] }, { "Bins", facts[2] },
        { "Method", "maximum likelihood (chi2: Poisson deviance)" } };
    for (const std::string& warning : fit.warnings)
        report.facts.emplace_back("Warning", warning);
    report.parameters = fit.parameters;
    report.chi2 = fit.deviance;
    report.chi2Reduced = fit.chi2Reduced;
    report.points = static_cast<int>(fit.photons.size());
    report.columnNames = { "photons", "frequency", "fit", "residual" };
    report.columns = { fit.photons, fit.frequency, fit.fit, fit.residual };
    return report;
}

std::string pchFitReportName(const std::string& fileTitle, bool burstFree)
{
    return stripExtension(fileTitle) + (burstFree ? "_burstfree_PCH_fit.txt" : "_PCH_fit.txt");
}

int writeFitReport(const std::string& path, const FitReport& report)
{
    TextFile file(path);
    if (!file.isOpen())
        return writeCannotOpen;
    const int headerRows = 8 + static_cast<int>(report.facts.size() + report.parameters.size());
    file.print("Header size: \t%d rows\n", headerRows);
    file.print("Fitted file: \t%s\n", toWindows1252(report.source).c_str());
    file.print("Model: \t%s\n", report.model.c_str());
    for (const auto& [label, value] : report.facts)
        file.print("%s: \t%s\n", label.c_str(), value.c_str());
    file.print("Points: \t%d\n", report.points);
    file.print("Chi2: \t%.8g\n", report.chi2);
    file.print("Reduced chi2: \t%.8g\n", report.chi2Reduced);
    file.print("Parameter\tValue\tError\tFixed\n");
    for (const FittedParameter& p : report.parameters)
        file.print("%s\t%.8g\t%s\t%s\n", p.name.c_str(), p.value, errorText(p.error).c_str(), p.fixed ? "yes" : "no");
    for (std::size_t c = 0; c < report.columnNames.size(); ++c)
        file.print("%s%s", c ? "\t" : "", report.columnNames[c].c_str());
    file.print("\n");
    const std::size_t rows = report.columns.empty() ? 0 : report.columns.front().size();
    for (std::size_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < report.columns.size(); ++c)
            file.print("%s%.8g", c ? "\t" : "", r < report.columns[c].size() ? report.columns[c][r] : 0.0);
        file.print("\n");
    }
    return file.finish() ? writeOk : writeFailed;
}

} // namespace plask::fitting
