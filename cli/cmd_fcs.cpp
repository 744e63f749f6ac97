// plask-cli fcs and segfcs: the program's correlation commands on stream
// files, with the setup dialogs answered by the options, written with the
// program's "Save FCS results".

#include "analysis/burst_analysis.h"
#include "cli/burst_options.h"
#include "cli/cli_common.h"
#include "cli/cli_platform.h"
#include "cli/file_runner.h"
#include "cli/provenance.h"
#include "cli/photon_options.h"
#include "cli/stream_loading.h"
#include "core/file_names.h"
#include "core/selection_lists.h"
#include "core/text_format.h"
#include "correlation/correlation_commands.h"
#include "correlation/correlation_files.h"
#include "correlation/segmental_correlation.h"

#include <array>
#include <charconv>
#include <memory>
#include <vector>

namespace plask::cli {

namespace {
    // The FCS setup dialog's lists; the defaults come from the settings.
    struct CorrelationOptions {
        std::optional<double> calcBinWidth;
        std::optional<long> step;
    };

    struct FcsOptions {
        InputOptions inputs;
        PhotonOptions photon;
        std::optional<double> binWidth;
        CorrelationOptions correlation;
        std::string region; // FIRST:LAST in bins of the data in memory
        std::string cross; // the delayed stream
        std::string outputDir = ".";
    };

    struct SegFcsOptions {
        InputOptions inputs;
        PhotonOptions photon;
        BurstPanelOptions burst;
        BurstPreparation preparation; // shapes the burst search only: the correlation reads the file again
        std::optional<double> minTime;
        CorrelationOptions correlation;
        std::string outputDir = ".";
    };

    void addCorrelationOptions(CLI::App* command, CorrelationOptions& options)
    {
        command->add_option("--calc-binwidth", options.calcBinWidth,
            "Correlation bin width in µs, one of " + allowedBinWidths() + " (default from plask.ini)");
        command->add_option(
            "--step", options.step, "Multi-tau step, one of " + allowedMultiTauSteps() + " (default from plask.ini)");
    }

    bool checkCorrelationOptions(const CorrelationOptions& options)
    {
        return (!options.calcBinWidth || checkBinWidthOption(*options.calcBinWidth, "--calc-binwidth"))
            && (!options.step || checkMultiTauStepOption(*options.step, "--step"));
    }

    void applyCorrelationOptions(const CorrelationOptions& options, AnalysisSettings& settings)
    {
        if (options.calcBinWidth)
            settings.fcsCalcBinWidth = *options.calcBinWidth;
        if (options.step)
            settings.fcsMultiTauStep = static_cast<std::uint16_t>(*options.step);
    }

    // FIRST:LAST within the stream; false after a message.
    bool applyRegion(const std::string& text, PhotonStream& stream)
    {
        const std::size_t colon = text.find(':');
        std::uint32_t first = 0;
        std::uint32_t last = 0;
        const char* end = text.data() + text.size();
        const bool parsed = colon != std::string::npos
            && std::from_chars(text.data(), text.data() + colon, first).ptr == text.data() + colon
            && std::from_chars(text.data() + colon + 1, end, last).ptr == end && colon + 1 < text.size();
        if (!parsed || first > last || last >= stream.length) {
            cliErr() << "--region " << text << " is not FIRST:LAST with FIRST <= LAST < " << stream.length
                      << " (bins of the loaded stream)\n";
            return false;
        }
        stream.regionStart = first;
        stream.regionEnd = static_cast<std::int32_t>(last);
        return true;
    }

    // "Save FCS results" of the channel's curve into the output folder.
    bool saveCurve(AppState& state, CliPlatform& platform, int channel, const std::string& outputDir)
    {
        const CorrelationResult& result = correlationOf(state, channel);
        platform.saveFiles = { (absoluteNoResolve(outputDir) / fileNameOf(proposedFcsFileName(result))).string() };
        const int messages = platform.messageCount;
        saveFcsResultsCommand(state, platform, channel);
        return platform.messageCount == messages && !platform.savedFiles.empty();
    }

    nlohmann::json curveSummary(const CorrelationResult& result, const CliPlatform& platform)
    {
        nlohmann::json files = nlohmann::json::array();
        for (const std::filesystem::path& path : platform.savedFiles)
            files.push_back(path.string());
        return {
            { "source", result.sourceName },
            { "kind", result.kind },
            { "mtStep", result.mtStep },
            { "calcBinWidth", result.calcBinWidthUs },
            { "lagCount", result.lagCount },
            { "levelCount", result.levelCount },
            { "correlatedBins", result.correlatedBins },
            { "curveCount", result.curveCount },
            { "elapsedSeconds", result.elapsedSeconds },
            { "files", files },
        };
    }

    FileOutcome runFcs(const CliRun& run, const FcsOptions& o, const std::string& file)
    {
        AppState state;
        CliPlatform platform;
        if (!prepareSession(run, o.binWidth, state, platform) || !checkCorrelationOptions(o.correlation)
            || !applyPhotonOptions(o.photon, state, !o.cross.empty()))
            return { nullptr, 2 };
        applyCorrelationOptions(o.correlation, state.settings());
        platform.fcsSetup = [&o](AnalysisSettings& settings) { applyCorrelationOptions(o.correlation, settings); };

        // For a cross-correlation the delayed stream goes into PS1 first and
        // FILE into PS2, which stays active, as a user would load them.
        const bool cross = !o.cross.empty();
        const int channel = cross ? 1 : 0;
        if (cross && !openStreamFile(state, platform, o.cross, 0))
            return { nullptr, 1 };
        if (cross && !applyPhotonOptions(o.photon, state))
            return { nullptr, 2 };
        if (!openStreamFile(state, platform, file, channel))
            return { nullptr, 1 };
        if (!o.region.empty() && !applyRegion(o.region, streamOf(state, channel)))
            return { nullptr, 2 };

        if (cross)
            crossCorrelationCommand(state, platform, channel);
        else
            autocorrelationCommand(state, platform, channel);
        if (correlationOf(state, channel).lagCount <= 0)
            return { nullptr, 1 }; // the command has put its message on stderr
        if (!saveCurve(state, platform, channel, o.outputDir))
            return { nullptr, 1 };
        nlohmann::json summary = curveSummary(correlationOf(state, channel), platform);
        addPhotonParameters(summary, o.photon, cross);
        addProvenance(summary, cross ? std::vector { o.cross, file } : std::vector { file }, state.settings());
        return { std::move(summary), 0 };
    }
    FileOutcome runSegFcs(const CliRun& run, const SegFcsOptions& o, const std::string& file)
    {
        AppState state;
        CliPlatform platform;
        if (!prepareSession(run, o.burst.binWidth, state, platform) || !applyBurstOptions(o.burst, state, platform)
            || !applyPhotonOptions(o.photon, state)
            || !checkCorrelationOptions(o.correlation))
            return { nullptr, 2 };
        if (!openStreamFile(state, platform, file))
            return { nullptr, 1 };
        prepareBurstSearch(o.preparation, state, platform);
        runBurstAnalysis(state, platform);
        if (state.burstDataPresent[0] == 0)
            return { nullptr, 1 }; // the analysis has put its message on stderr

        // The segmental dialog, filled as the user would fill it.
        platform.segmentSetup = [&o](SegmentDialogFields& fields) {
            if (o.minTime)
                fields.minimumText = formatText("%g", *o.minTime);
            if (o.correlation.calcBinWidth)
                fields.binWidthIndex = indexOfValue<double>(*o.correlation.calcBinWidth, binWidthValues);
            if (o.correlation.step)
                fields.stepIndex
                    = indexOfValue<std::uint16_t>(static_cast<std::uint16_t>(*o.correlation.step), multiTauStepValues);
        };
        segmentalAutocorrelationCommand(state, platform, 0);
        const CorrelationResult& result = correlationOf(state, 0);
        if (result.kind != correlationSegmentalAuto || result.lagCount <= 0)
            return { nullptr, 1 }; // the command has put its message on stderr
        if (!saveCurve(state, platform, 0, o.outputDir))
            return { nullptr, 1 };
        nlohmann::json summary = curveSummary(result, platform);
        summary["burstCount"] = burstSetOf(state, 0).burstCount;
        summary["segmentCount"] = result.segmentCount;
        summary["minSegmentUs"] = result.minSegmentUs;
        summary["longestSegmentUs"] = result.longestSegmentUs;
        summary["parameters"] = { { "smoothPasses", streamOf(state, 0).smoothPasses } };
        addPhotonParameters(summary, o.photon);
        addProvenance(summary, std::array { file }, state.settings());
        return { std::move(summary), 0 };
    }
} // namespace

void registerFcsCommands(CLI::App& app, CliRun& run)
{
    auto fcs = std::make_shared<FcsOptions>();
    CLI::App* fcsCommand = app.add_subcommand(
        "fcs", "Load a stream file as Open does, correlate its region and write <base>_fcs.txt (or <base>_fccs.txt)");
    addInputOptions(*fcsCommand, fcs->inputs, "Stream file: .dat, .phc or a time-tag file (.ptu .pt3 .pt2 .ht3 .ht2 .spc .h5)");
    addPhotonOptions(*fcsCommand, fcs->photon, true);
    fcsCommand->add_option("--binwidth", fcs->binWidth, "Bin width in µs for loading, one of " + allowedBinWidths());
    addCorrelationOptions(fcsCommand, fcs->correlation);
    fcsCommand->add_option("--region", fcs->region, "FIRST:LAST bins of the loaded stream (default: all)");
    fcsCommand->add_option("--cross", fcs->cross,
        "Cross-correlate with this file as the delayed stream (loaded into PS1; FILE goes into PS2)");
    fcsCommand->add_option("-o,--output-dir", fcs->outputDir, "Folder for the file (default: here)");
    fcsCommand->callback([&run, fcs] {
        run.action = [&run, fcs] {
            return runOverInputs(fcs->inputs, [&run, fcs](const std::string& file) { return runFcs(run, *fcs, file); });
        };
    });

    auto seg = std::make_shared<SegFcsOptions>();
    CLI::App* segCommand = app.add_subcommand("segfcs",
        "Find the bursts of a stream file, pool the burst-free segments into one autocorrelation curve and write "
        "<base>_segfcs.txt");
    addInputOptions(*segCommand, seg->inputs, "Stream file: .dat, .phc or a time-tag file (.ptu .pt3 .pt2 .ht3 .ht2 .spc .h5)");
    addPhotonOptions(*segCommand, seg->photon);
    addBurstPanelOptions(*segCommand, seg->burst);
    addBurstPreparationFlags(*segCommand, seg->preparation);
    segCommand->add_option("--min-time", seg->minTime, "Minimum segment time in µs (default from plask.ini)");
    addCorrelationOptions(segCommand, seg->correlation);
    segCommand->add_option("-o,--output-dir", seg->outputDir, "Folder for the file (default: here)");
    segCommand->callback([&run, seg] {
        run.action = [&run, seg] {
            return runOverInputs(seg->inputs, [&run, seg](const std::string& file) { return runSegFcs(run, *seg, file); });
        };
    });
}

} // namespace plask::cli
