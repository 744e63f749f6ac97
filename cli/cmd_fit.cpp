// plask-cli fit and pchfit: a model fitted to a correlation curve file, or
// the 3D Gaussian PCH model to the counts of a stream file, written as a fit
// report by the writer the desktop program uses.

#include "analysis/burst_analysis.h"
#include "analysis/text_file.h"
#include "cli/burst_options.h"
#include "cli/cli_common.h"
#include "cli/file_runner.h"
#include "cli/provenance.h"
#include "cli/stream_loading.h"
#include "core/file_names.h"
#include "fitting/burst_free_pch.h"
#include "fitting/curve_file.h"
#include "fitting/fcs_fit.h"
#include "fitting/fit_report.h"
#include "fitting/pch_fit.h"
#include "view/panel_settings.h"

#include <array>
#include <charconv>
#include <cmath>
#include <memory>

namespace plask::cli {

namespace {
    using namespace plask::fitting;

    struct FitOptions {
        InputOptions inputs;
        std::string model = "diff3d";
        std::vector<std::string> fix;
        std::vector<std::string> init;
        std::vector<std::string> bound;
        double fromMs = 0.0;
        double toMs = std::numeric_limits<double>::infinity();
        std::string weights = "auto";
        std::string outputDir = ".";
    };

    struct PchFitOptions {
        InputOptions inputs;
        BurstPanelOptions burst;
        int species = 1;
        bool burstFree = false;
        std::string outputDir = ".";
    };

    bool parseNumber(std::string_view text, double& value)
    {
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        return error == std::errc {} && end == text.data() + text.size() && std::isfinite(value);
    }

    // NAME=VALUE, or NAME=LO:HI for bounds; false after a message.
    bool parseChoice(const std::string& text, const std::string& option, ParameterChoices& choices)
    {
        const std::size_t equals = text.find('=');
        const std::string name = text.substr(0, std::min(equals, text.size()));
        const std::string_view value = equals == std::string::npos ? std::string_view {} : std::string_view(text).substr(equals + 1);
        ParameterChoice& choice = choices[name];
        double number = 0.0;
        if (option == "--bound") {
            const std::size_t colon = value.find(':');
            double lo = 0.0;
            double hi = 0.0;
            if (!name.empty() && colon != std::string_view::npos && parseNumber(value.substr(0, colon), lo)
                && parseNumber(value.substr(colon + 1), hi)) {
                choice.lower = lo;
                choice.upper = hi;
                return true;
            }
            cliErr() << "--bound " << text << " is not NAME=LO:HI\n";
            return false;
        }
        if (name.empty() || !parseNumber(value, number)) {
            cliErr() << option << " " << text << " is not NAME=VALUE\n";
            return false;
        }
        (option == "--fix" ? choice.fixedValue : choice.initValue) = number;
        return true;
    }

    nlohmann::json numberOrNull(double value) { return std::isfinite(value) ? nlohmann::json(value) : nlohmann::json(); }

    // Writes the report; a failed write leaves no file behind.
    bool writeReport(const std::filesystem::path& path, const FitReport& report)
    {
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        if (writeFitReport(path.string(), report) == writeOk)
            return true;
        std::filesystem::remove(path, error);
        cliErr() << "File cannot be opened: " << path.string() << '\n';
        return false;
    }

    FileOutcome fitCurveFile(const FitOptions& o, const std::string& file)
    {
        const std::optional<FcsModel> model = modelFromName(o.model);
        if (!model) {
            std::string names;
            for (FcsModel m : allModels())
                names += (names.empty() ? "" : ", ") + std::string(modelName(m));
            cliErr() << "--model " << o.model << " is not a model; models: " << names << '\n';
            return { nullptr, 2 };
        }
        FcsFitRequest request;
        request.model = *model;
        request.fromMs = o.fromMs;
        request.toMs = o.toMs;
        if (o.weights != "auto" && o.weights != "none") {
            cliErr() << "--weights " << o.weights << " is neither auto nor none\n";
            return { nullptr, 2 };
        }
        request.weighting = o.weights == "none" ? Weighting::none : Weighting::automatic;
        for (const std::string& text : o.fix)
            if (!parseChoice(text, "--fix", request.choices))
                return { nullptr, 2 };
        for (const std::string& text : o.init)
            if (!parseChoice(text, "--init", request.choices))
                return { nullptr, 2 };
        for (const std::string& text : o.bound)
            if (!parseChoice(text, "--bound", request.choices))
                return { nullptr, 2 };

        const FitOutcome<CorrelationCurve> curve = readCurveFile(file);
        if (!curve.ok()) {
            cliErr() << file << ": " << curve.message() << '\n';
            return { nullptr, 1 };
        }
        const FitOutcome<FcsFit> fit = fitCorrelation(curve.value(), request);
        if (!fit.ok()) {
            cliErr() << file << ": " << fit.message() << '\n';
            return { nullptr, 1 };
        }
        const std::filesystem::path report
            = absoluteNoResolve(o.outputDir) / fitReportPath(std::filesystem::path(file).filename());
        if (!writeReport(report, fcsFitReport(fit.value(), absoluteNoResolve(file).string())))
            return { nullptr, 1 };

        nlohmann::json parameters = nlohmann::json::object();
        for (const FittedParameter& p : fit.value().parameters)
            parameters[p.name] = { { "value", p.value }, { "error", numberOrNull(p.error) }, { "fixed", p.fixed } };
        return { {
                     { "curve", absoluteNoResolve(file).string() },
                     { "model", o.model },
                     { "parameters", parameters },
                     { "chi2Reduced", fit.value().chi2Reduced },
                     { "weighted", fit.value().weighted },
                     { "points", fit.value().points() },
                     { "fromMs", fit.value().fromMs },
                     { "toMs", fit.value().toMs },
                     { "files", { report.string() } },
                     { "options",
                         { { "model", o.model }, { "fix", o.fix }, { "init", o.init }, { "bound", o.bound },
                             { "fromMs", o.fromMs }, { "toMs", numberOrNull(o.toMs) }, { "weights", o.weights } } },
                     { "version", versionJson() },
                     { "inputs", { inputJson(file) } },
                 },
            0 };
    }

    FileOutcome fitPchFile(const CliRun& run, const PchFitOptions& o, const std::string& file)
    {
        AppState state;
        CliPlatform platform;
        if (!prepareSession(run, o.burst.binWidth, state, platform) || !applyBurstOptions(o.burst, state, platform))
            return { nullptr, 2 };
        if (o.species != 1 && o.species != 2) {
            cliErr() << "--species " << o.species << " is neither 1 nor 2\n";
            return { nullptr, 2 };
        }
        if (!openStreamFile(state, platform, file))
            return { nullptr, 1 };
        readPanelSettings(state, platform);
        const PhotonStream& stream = streamOf(state, 0);
        std::vector<double> histogram;
        nlohmann::json extra = nlohmann::json::object();
        if (o.burstFree) {
            runBurstAnalysis(state, platform);
            if (state.burstDataPresent[0] == 0)
                return { nullptr, 1 }; // the analysis has put its message on stderr
            histogram = burstFreeHistogram(stream, burstSetOf(state, 0));
            extra["burstCount"] = burstSetOf(state, 0).burstCount;
        } else {
            histogram = streamHistogram(stream);
        }
        PchFitRequest request;
        request.species = o.species;
        request.binWidthUs = stream.binWidth;
        request.backgroundPerBin = o.burst.backgroundPerBin.value_or(state.settings().backgroundCounts);
        const FitOutcome<PchFit> fit = fitPch(histogram, request);
        if (!fit.ok()) {
            cliErr() << file << ": " << fit.message() << '\n';
            return { nullptr, 1 };
        }
        const std::filesystem::path report = absoluteNoResolve(o.outputDir)
            / pchFitReportName(stream.fileTitle, o.burstFree);
        if (!writeReport(report, pchFitReport(fit.value(), stream.filePath)))
            return { nullptr, 1 };

        nlohmann::json summary = {
            { "file", stream.filePath },
            { "binWidth", stream.binWidth },
            { "backgroundPerBin", request.backgroundPerBin },
            { "species", o.species },
            { "burstFree", o.burstFree },
            { "method", "maximum likelihood" },
        };
        for (const FittedParameter& p : fit.value().parameters)
            summary[p.name] = { { "value", p.value }, { "error", numberOrNull(p.error) } };
        summary["chi2Reduced"] = fit.value().chi2Reduced;
        summary["bins"] = fit.value().totalBins;
        summary["warnings"] = fit.value().warnings;
        for (const std::string& warning : fit.value().warnings)
            cliErr() << file << ": warning: " << warning << '\n';
        summary.update(extra);
        summary["files"] = { report.string() };
        addProvenance(summary, std::array { file }, state.settings());
        return { std::move(summary), 0 };
    }

} // namespace

void registerFitCommands(CLI::App& app, CliRun& run)
{
    auto fit = std::make_shared<FitOptions>();
    CLI::App* fitCommand = app.add_subcommand("fit",
        "Fit a model to a correlation curve file (_fcs.txt, _fccs.txt, _segfcs.txt or tau_ms,G,SEM CSV) and write "
        "<base>_fit.txt");
    addInputOptions(*fitCommand, fit->inputs, "Correlation curve files");
    fitCommand->add_option(
        "--model", fit->model, "diff3d (default), diff3d-triplet, diff2d, diff3d-2comp or diff3d-anomalous");
    fitCommand->add_option("--fix", fit->fix, "NAME=VALUE: hold a parameter at a value (repeatable)");
    fitCommand->add_option("--init", fit->init,
        "NAME=VALUE: start a parameter here; frees kappa and offset, which are fixed by default (repeatable)");
    fitCommand->add_option("--bound", fit->bound, "NAME=LO:HI: keep a parameter within bounds (repeatable)");
    fitCommand->add_option("--from-ms", fit->fromMs, "Fit the points from this lag in ms (default: all)");
    fitCommand->add_option("--to-ms", fit->toMs, "Fit the points up to this lag in ms (default: all)");
    fitCommand->add_option("--weights", fit->weights, "auto (1/SEM^2 when the file has errors) or none");
    fitCommand->add_option("-o,--output-dir", fit->outputDir, "Folder for the report (default: here)");
    fitCommand->callback([&run, fit] {
        run.action = [fit] {
            return runOverInputs(fit->inputs, [fit](const std::string& file) { return fitCurveFile(*fit, file); });
        };
    });

    auto pch = std::make_shared<PchFitOptions>();
    CLI::App* pchCommand = app.add_subcommand("pchfit",
        "Fit the 3D Gaussian PCH model (background: Background Counts per bin) to a stream file's counts by maximum "
        "likelihood and write <base>_PCH_fit.txt");
    addInputOptions(*pchCommand, pch->inputs, "Correlator stream (.dat) or photon count (.phc) files");
    addBurstPanelOptions(*pchCommand, pch->burst, true);
    pchCommand->add_option("--species", pch->species, "1 (default) or 2 species");
    pchCommand->add_flag("--burst-free", pch->burstFree, "Fit the counts outside the bursts the analysis finds");
    pchCommand->add_option("-o,--output-dir", pch->outputDir, "Folder for the report (default: here)");
    pchCommand->callback([&run, pch] {
        run.action = [&run, pch] {
            return runOverInputs(pch->inputs, [&run, pch](const std::string& file) { return fitPchFile(run, *pch, file); });
        };
    });
}

} // namespace plask::cli
