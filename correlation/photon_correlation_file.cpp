#include "correlation/photon_correlation_file.h"

#include "core/file_names.h"
#include "core/text_format.h"

#include <cmath>
#include <cstdio>
#include <memory>

namespace plask {

namespace {
    std::string number(const char* format, double value)
    {
        return std::isfinite(value) ? formatText(format, value) : std::string("nan");
    }
} // namespace

const char* plaskVersion() { return PLASK_VERSION; }

std::string photonCorrelationCsv(const PhotonCorrelation& curve, const PhotonCorrelationRun& run, PhotonCsvLayout layout)
{
    const char* end = "\r\n";
    std::string text;
    const auto line = [&](const std::string& s) { text += "# " + s + end; };
    line(std::string("Plask photon-mode ") + (run.cross() ? "cross-correlation" : "autocorrelation"));
    if (layout == PhotonCsvLayout::fitImport)
        line(std::string("Type AC/CC: ") + (run.cross() ? "Cross-correlation" : "Autocorrelation"));
    line("source: " + run.source);
    if (run.cross())
        line("delayed source: " + run.delayedSource);
    line("channels: " + run.channels);
    line("gate: " + run.gate);
    line("window: " + run.window);
    line(formatText("min lag: %.6g ns", run.minLagNs));
    line(formatText("step: %d", run.step));
    line(formatText("parts: %d", run.parts));
    if (run.cross())
        line(formatText("photons: %llu direct, %llu delayed", static_cast<unsigned long long>(run.directPhotons),
            static_cast<unsigned long long>(run.delayedPhotons)));
    else
        line(formatText("photons: %llu", static_cast<unsigned long long>(run.directPhotons)));
    line(formatText("duration: %.9g s", run.durationSeconds));
    line(std::string("Plask version: ") + plaskVersion());
    if (layout == PhotonCsvLayout::plain) {
        text += std::string("tau_ms,G,SEM") + end;
        for (const PhotonLagPoint& p : curve.points) {
            const double tauMs = static_cast<double>(p.lagUnits) * run.unitSeconds * 1e3;
            text += number("%.10g", tauMs) + "," + number("%.10g", p.g) + "," + number("%.6g", p.sem) + end;
        }
        return text;
    }
    // No commas in the column line: the import takes its first field as the weights' name.
    text += std::string("# Channel (tau [s])\tExperimental correlation\tFitted correlation\tResiduals\tWeights [SEM]")
        + end;
    for (const PhotonLagPoint& p : curve.points) {
        const double tauS = static_cast<double>(p.lagUnits) * run.unitSeconds;
        text += number("%.10e", tauS) + "," + number("%.10e", p.g) + "," + number("%.10e", p.g) + ",0,"
            + number("%.5e", p.sem) + end;
    }
    return text;
}

std::string photonCorrelationFileName(const std::string& sourcePath, bool cross, PhotonCsvLayout layout)
{
    return stripExtension(fileNameOf(sourcePath)) + (cross ? "_ccorr" : "_corr")
        + (layout == PhotonCsvLayout::fitImport ? "_fit" : "") + ".csv";
}

bool writePhotonCorrelationCsv(const std::string& path, const std::string& text)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    return written && std::fflush(file.get()) == 0;
}

} // namespace plask
