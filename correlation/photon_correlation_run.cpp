#include "correlation/photon_correlation_run.h"

#include "core/text_format.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace plask {

std::string unitNsText(double ns) { return formatText("%.6g", ns); }

std::string notWholeUnitText(double unitNs)
{
    return "is not a whole multiple of the file's time unit (" + unitNsText(unitNs) + " ns)";
}

PhotonCorrelationOutcome runPhotonCorrelation(const formats::TimeTagLoad& direct, const formats::TimeTagLoad* delayed,
    const PhotonCorrelationRequest& request, Progress& progress)
{
    PhotonCorrelationOutcome outcome;
    if (delayed != nullptr && !(delayed->unit == direct.unit)) {
        outcome.error = PhotonRunError::unitsDiffer;
        outcome.message = "The two streams have different time units (" + formatText("%g", direct.unit.seconds() * 1e9)
            + " ns and " + formatText("%g", delayed->unit.seconds() * 1e9)
            + " ns); photon-mode cross-correlation needs one unit";
        return outcome;
    }
    PhotonCorrelationSetup& setup = outcome.setup;
    setup.step = request.step;
    setup.parts = request.parts;
    if (request.minLagNs) {
        const std::optional<std::uint64_t> units = lagInUnits(*request.minLagNs, direct.unit.num, direct.unit.den);
        if (!units) {
            outcome.error = PhotonRunError::minLagNotWhole;
            return outcome;
        }
        setup.minLagUnits = *units;
    }
    // Two streams of one recording: the record runs to the later of their ends.
    outcome.lengthUnits = delayed != nullptr ? std::max(direct.lengthUnits, delayed->lengthUnits) : direct.lengthUnits;
    setup.maxLagUnits = request.maxLagMs
        ? static_cast<std::uint64_t>(std::floor(*request.maxLagMs * 1e-3 / direct.unit.seconds()))
        : outcome.lengthUnits / 10;
    setup.maxLagUnits = std::max(setup.maxLagUnits, setup.minLagUnits);

    WatchedProgress watched(progress);
    const auto started = std::chrono::steady_clock::now();
    outcome.curve = delayed != nullptr
        ? crossCorrelatePhotons(direct.times, delayed->times, outcome.lengthUnits, setup, watched)
        : autocorrelatePhotons(direct.times, outcome.lengthUnits, setup, watched);
    outcome.elapsedSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (watched.cancelled()) {
        outcome.error = PhotonRunError::cancelled;
    } else if (!outcome.curve.ok()) {
        outcome.error = PhotonRunError::correlator;
        outcome.message = outcome.curve.error;
    }
    return outcome;
}

PhotonCorrelationRun describePhotonRun(const PhotonCorrelationOutcome& outcome, const formats::TimeTagLoad& direct,
    std::string source, std::string delayedSource, std::string channels, std::string gate, std::string window)
{
    PhotonCorrelationRun run;
    run.source = std::move(source);
    run.delayedSource = std::move(delayedSource);
    run.channels = std::move(channels);
    run.gate = std::move(gate);
    run.window = std::move(window);
    run.unitSeconds = direct.unit.seconds();
    run.minLagNs = static_cast<double>(outcome.setup.minLagUnits) * (direct.unit.seconds() * 1e9);
    run.step = outcome.setup.step;
    run.parts = outcome.setup.parts;
    run.directPhotons = outcome.curve.directPhotons;
    run.delayedPhotons = outcome.curve.delayedPhotons;
    run.durationSeconds = static_cast<double>(outcome.lengthUnits) * direct.unit.seconds();
    return run;
}

} // namespace plask
