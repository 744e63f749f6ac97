#pragma once
// One photon-mode correlation run on streams read as arrival times: the
// lag setup from the requested lags (checked against the file's time unit),
// the record's length, the correlator call and its computing time, and the
// description the CSV file carries. plask-cli correlate and the desktop
// program's photon-mode command both run through here; each words its own
// messages for the options or fields the user gave.

#include "core/progress.h"
#include "correlation/photon_correlation_file.h"
#include "correlation/photon_correlator.h"
#include "formats/time_tags.h"

#include <cstdint>
#include <optional>
#include <string>

namespace plask {

// What the user asked for; an empty optional stands for the default.
struct PhotonCorrelationRequest {
    std::optional<double> minLagNs; // default: one time unit of the file
    std::optional<double> maxLagMs; // default: a tenth of the record
    int step = 8;
    int parts = 10;
};

enum class PhotonRunError {
    none,
    unitsDiffer, // the two streams of a cross-correlation have different time units
    minLagNotWhole, // the minimum lag is not a whole multiple of the time unit
    correlator, // the correlator refused (its message in `message`)
    cancelled,
};

struct PhotonCorrelationOutcome {
    PhotonCorrelation curve;
    PhotonCorrelationSetup setup;
    std::uint64_t lengthUnits = 0; // the record correlated
    double elapsedSeconds = 0.0; // the correlator's computing time
    PhotonRunError error = PhotonRunError::none;
    std::string message; // for unitsDiffer and correlator
    [[nodiscard]] bool ok() const { return error == PhotonRunError::none; }
};

// Correlates `direct` with itself, or with `delayed` (the stream that lags
// behind) when given. The record runs to the later of the two ends.
[[nodiscard]] PhotonCorrelationOutcome runPhotonCorrelation(const formats::TimeTagLoad& direct,
    const formats::TimeTagLoad* delayed, const PhotonCorrelationRequest& request, Progress& progress = noProgress());

// "is not a whole multiple of the file's time unit (U ns)", the tail of the
// message for minLagNotWhole after the caller's naming of the value.
[[nodiscard]] std::string notWholeUnitText(double unitNs);

// A time unit in ns for messages ("%.6g").
[[nodiscard]] std::string unitNsText(double ns);

// The run's description for the file; the texts for the photons chosen
// (channels, gate, window) and the sources are the caller's.
[[nodiscard]] PhotonCorrelationRun describePhotonRun(const PhotonCorrelationOutcome& outcome,
    const formats::TimeTagLoad& direct, std::string source, std::string delayedSource, std::string channels,
    std::string gate, std::string window);

} // namespace plask
