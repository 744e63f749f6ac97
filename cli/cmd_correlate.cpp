// plask-cli correlate: photon-mode correlation on the arrival times of a
// photon file, with the standard error from equal parts, written as
// <base>_corr.csv (or <base>_ccorr.csv).

#include "cli/cli_common.h"
#include "cli/cmd_correlate.h"
#include "cli/file_runner.h"
#include "cli/photon_options.h"
#include "cli/provenance.h"
#include "correlation/photon_correlation_file.h"
#include "correlation/photon_correlation_run.h"
#include "formats/time_tags.h"

#include <charconv>
#include <cmath>
#include <iostream>
#include <memory>

namespace plask::cli {

namespace {
    std::string channelText(const std::string& channels) { return channels.empty() ? std::string("all") : channels; }

    nlohmann::json numberOrNull(double value) { return std::isfinite(value) ? nlohmann::json(value) : nlohmann::json(); }
} // namespace

FileOutcome correlateFile(const CorrelateOptions& o, const std::string& file)
{
    FileOutcome outcome;
    outcome.exitCode = 2;
    if (o.step && !checkMultiTauStepOption(*o.step, "--step"))
        return outcome;
    if (o.parts < 1 || o.parts > 1000) {
        cliErr() << "--parts " << o.parts << " is not between 1 and 1000\n";
        return outcome;
    }
    if (o.minLagNs && !(*o.minLagNs > 0)) {
        cliErr() << "--min-lag-ns must be positive\n";
        return outcome;
    }
    if (o.maxLagMs && !(*o.maxLagMs > 0)) {
        cliErr() << "--max-lag-ms must be positive\n";
        return outcome;
    }
    const std::optional<PhotonSelection> directSelection = photonSelectionFrom(o.photon);
    const std::optional<PhotonSelection> delayedSelection = photonSelectionFrom(o.photon, true);
    if (!directSelection || !delayedSelection)
        return outcome;

    outcome.exitCode = 1;
    // A cross-channel alone correlates two channels of FILE.
    const bool cross = !o.cross.empty() || !o.photon.crossChannel.empty();
    const std::string delayedPath = o.cross.empty() ? file : o.cross;
    const formats::TimeTagLoad direct = formats::readTimeTags(file, *directSelection);
    if (!direct.ok()) {
        cliErr() << file << ": " << direct.error << '\n';
        return outcome;
    }
    formats::TimeTagLoad delayed;
    if (cross) {
        delayed = formats::readTimeTags(delayedPath, *delayedSelection);
        if (!delayed.ok()) {
            cliErr() << delayedPath << ": " << delayed.error << '\n';
            return outcome;
        }
    }
    const double unitNs = direct.unit.seconds() * 1e9;

    PhotonCorrelationRequest request;
    request.minLagNs = o.minLagNs;
    request.maxLagMs = o.maxLagMs;
    request.step = o.step ? static_cast<int>(*o.step) : 8;
    request.parts = o.parts;
    const PhotonCorrelationOutcome result = runPhotonCorrelation(direct, cross ? &delayed : nullptr, request);
    switch (result.error) {
    case PhotonRunError::none:
        break;
    case PhotonRunError::minLagNotWhole:
        cliErr() << "--min-lag-ns " << *o.minLagNs << ' ' << notWholeUnitText(unitNs) << '\n';
        outcome.exitCode = 2;
        return outcome;
    case PhotonRunError::unitsDiffer:
    case PhotonRunError::correlator:
    case PhotonRunError::cancelled:
        cliErr() << result.message << '\n';
        return outcome;
    }
    const PhotonCorrelation& curve = result.curve;
    const PhotonCorrelationSetup& setup = result.setup;
    const double elapsed = result.elapsedSeconds;

    const PhotonCorrelationRun run = describePhotonRun(result, direct, absoluteNoResolve(file).string(),
        cross ? absoluteNoResolve(delayedPath).string() : std::string(),
        cross ? channelText(o.photon.channel) + " x " + channelText(o.photon.crossChannel)
              : channelText(o.photon.channel),
        o.photon.gate.empty() ? "none" : o.photon.gate + " ns",
        o.photon.window.empty() ? "whole record" : o.photon.window + " s");

    nlohmann::json files = nlohmann::json::array();
    std::vector<PhotonCsvLayout> layouts { PhotonCsvLayout::plain };
    if (o.fitImport)
        layouts.push_back(PhotonCsvLayout::fitImport);
    for (const PhotonCsvLayout layout : layouts) {
        const std::string path
            = (absoluteNoResolve(o.outputDir) / photonCorrelationFileName(file, cross, layout)).string();
        if (!writePhotonCorrelationCsv(path, photonCorrelationCsv(curve, run, layout))) {
            cliErr() << "Cannot write " << path << '\n';
            return outcome;
        }
        files.push_back(path);
    }

    nlohmann::json tau = nlohmann::json::array();
    nlohmann::json g = nlohmann::json::array();
    nlohmann::json sem = nlohmann::json::array();
    for (const PhotonLagPoint& p : curve.points) {
        tau.push_back(static_cast<double>(p.lagUnits) * run.unitSeconds * 1e3);
        g.push_back(p.g);
        sem.push_back(numberOrNull(p.sem));
    }
    nlohmann::json photons = nlohmann::json::array({ curve.directPhotons });
    if (cross)
        photons.push_back(curve.delayedPhotons);
    outcome.summary = {
        { "source", run.source },
        { "kind", cross ? "cross" : "auto" },
        { "format", direct.format },
        { "channels", run.channels },
        { "unitNs", unitNs },
        { "minLagNs", run.minLagNs },
        { "maxLagMs", static_cast<double>(setup.maxLagUnits) * run.unitSeconds * 1e3 },
        { "step", setup.step },
        { "parts", setup.parts },
        { "levelCount", curve.levels },
        { "durationSeconds", run.durationSeconds },
        { "photons", photons },
        { "lagCount", curve.points.size() },
        { "tauMs", tau },
        { "g", g },
        { "sem", sem },
        { "elapsedSeconds", elapsed },
        { "files", files },
    };
    addPhotonParameters(outcome.summary, o.photon, true);
    if (cross)
        outcome.summary["delayedSource"] = run.delayedSource;
    outcome.summary["parameters"] = {
        { "minLagNs", run.minLagNs },
        { "maxLagMs", outcome.summary["maxLagMs"] },
        { "step", setup.step },
        { "parts", setup.parts },
    };
    // Photon mode reads no settings: the defaults stand for them.
    addProvenance(outcome.summary, cross && !o.cross.empty() ? std::vector { file, o.cross } : std::vector { file },
        AnalysisSettings {});
    outcome.exitCode = 0;
    return outcome;
}

std::string formatUnit(double ns) { return unitNsText(ns); }

void registerCorrelateCommands(CLI::App& app, CliRun& run)
{
    auto o = std::make_shared<CorrelateOptions>();
    CLI::App* command = app.add_subcommand("correlate",
        "Photon-mode correlation on the photons' arrival times, from the file's time unit up, with the standard "
        "error from equal parts; writes <base>_corr.csv (or <base>_ccorr.csv)");
    addInputOptions(*command, o->inputs, "Photon files (.dat or time-tagged); each is the direct stream");
    // --cross-channel without --cross correlates two channels of FILE.
    addPhotonOptions(*command, o->photon, true);
    command->add_option("--cross", o->cross, "Cross-correlate with this file's photons as the delayed stream");
    command->add_option("--min-lag-ns", o->minLagNs, "Minimum lag in ns, a whole multiple of the file's time unit "
                                                     "(default: one unit)");
    command->add_option("--max-lag-ms", o->maxLagMs, "Maximum lag in ms (default: 1/10 of the record)");
    command->add_option("--step", o->step, "Multi-tau step, one of " + allowedMultiTauSteps() + " (default 8)");
    command->add_option("--parts", o->parts, "Equal parts for the standard error (default 10; 1: none)");
    command->add_flag("--fit-csv", o->fitImport,
        "Also write <base>_corr_fit.csv, the comma-separated layout FCS fitting programs import (tau in s)");
    command->add_option("-o,--output-dir", o->outputDir, "Folder for the file (default: here)");
    command->callback([&run, o] {
        run.action = [o] {
            return runOverInputs(o->inputs, [o](const std::string& file) { return correlateFile(*o, file); });
        };
    });
}

} // namespace plask::cli
