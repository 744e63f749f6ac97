#pragma once
// The photon-mode correlation curve as a comma-separated text file: `#`
// lines describing the run, then tau_ms,G,SEM. A second layout is the one an
// FCS fitting program's CSV import reads (tau in seconds, SEM as its weights
// column). plask-cli correlate and the desktop program's save both write
// through here.

#include "correlation/photon_correlator.h"

#include <cstdint>
#include <string>

namespace plask {

struct PhotonCorrelationRun {
    std::string source; // FILE
    std::string delayedSource; // OTHER of a cross-correlation; empty for an autocorrelation
    std::string channels; // e.g. "0", "0 x 1", "all"
    std::string gate; // "LO:HI ns" or "none"
    std::string window; // "START:DURATION s" or "whole record"
    double unitSeconds = 0.0; // the times' unit
    double minLagNs = 0.0;
    int step = 0;
    int parts = 0;
    std::uint64_t directPhotons = 0;
    std::uint64_t delayedPhotons = 0;
    double durationSeconds = 0.0;
    [[nodiscard]] bool cross() const { return !delayedSource.empty(); }
};

enum class PhotonCsvLayout {
    plain, // tau_ms,G,SEM
    fitImport, // tau_s,G,G,0,SEM with the column line such an import expects
};

// The whole file's text (ASCII apart from the file names), Windows line ends.
[[nodiscard]] std::string photonCorrelationCsv(
    const PhotonCorrelation& curve, const PhotonCorrelationRun& run, PhotonCsvLayout layout = PhotonCsvLayout::plain);

// "<base>_corr.csv", or "<base>_ccorr.csv" for a cross-correlation; the
// import layout adds "_fit" before ".csv".
[[nodiscard]] std::string photonCorrelationFileName(
    const std::string& sourcePath, bool cross, PhotonCsvLayout layout = PhotonCsvLayout::plain);

// Writes the text; false when the file cannot be written completely.
[[nodiscard]] bool writePhotonCorrelationCsv(const std::string& path, const std::string& text);

// The version written into the files.
[[nodiscard]] const char* plaskVersion();

} // namespace plask
