// plask-cli bursts and pch: the burst analysis and the photon counting
// histogram of one stream file, written with the program's own Save commands.

#include "analysis/background.h"
#include "analysis/burst_analysis.h"
#include "analysis/burst_files.h"
#include "analysis/pch.h"
#include "analysis/smoothing.h"
#include "cli/burst_options.h"
#include "cli/cli_common.h"
#include "cli/stream_loading.h"

#include <iostream>
#include <memory>

namespace plask::cli {

namespace {
    struct BurstOptions {
        std::string file;
        BurstPanelOptions panel;
        bool smooth = false;
        bool estimateBackground = false;
        std::string outputDir = ".";
    };

    struct PchOptions {
        std::string file;
        std::optional<double> binWidth;
        std::string outputDir = ".";
    };

    // The Save dialogs answer with this folder, made when it is missing.
    bool prepareOutputDir(const std::string& folder, CliPlatform& platform)
    {
        platform.outputDir = absoluteNoResolve(folder);
        std::error_code error;
        std::filesystem::create_directories(platform.outputDir, error);
        if (error) {
            std::cerr << "Cannot make the folder " << platform.outputDir.string() << ": " << error.message() << '\n';
            return false;
        }
        return true;
    }

    nlohmann::json statsJson(const SeriesStats& stats)
    {
        return { { "mean", stats.mean }, { "sd", stats.sd }, { "max", stats.max }, { "min", stats.min } };
    }

    int runBursts(const CliRun& run, const BurstOptions& o)
    {
        AppState state;
        CliPlatform platform;
        if (!prepareSession(run, o.panel.binWidth, state, platform) || !applyBurstOptions(o.panel, state, platform))
            return 2;
        if (!openStreamFile(state, platform, o.file))
            return 1;
        if (o.smooth)
            runSmoothCommand(state, platform);
        if (o.estimateBackground) {
            runEstimateBackground(state, platform);
            // The estimate lands in the panel's field, which the analysis reads.
            platform.panel.backgroundCountsText = std::to_string(state.settings().backgroundCounts);
        }
        runBurstAnalysis(state, platform);
        if (state.burstDataPresent[0] == 0)
            return 1; // the analysis has put its message on stderr
        if (!prepareOutputDir(o.outputDir, platform))
            return 1;
        if (saveBurstData(state, platform) != 0 || saveHistograms(state, platform) != 0)
            return 1;

        const BurstSet& set = burstSetOf(state, 0);
        const AnalysisSettings& s = state.settings();
        nlohmann::json files = nlohmann::json::array();
        for (const std::filesystem::path& path : platform.savedFiles)
            files.push_back(path.string());
        printJson({
            { "file", streamOf(state, 0).filePath },
            { "parameters",
                { { "binWidth", set.binWidthUs }, { "triggerLevel", set.triggerLevel },
                    { "minPhotons", set.minPhotons }, { "backgroundCounts", set.backgroundCounts },
                    { "subMinBins", set.subMinBins }, { "subtractBackground", s.subtractBackground != 0 },
                    { "backgroundPerBin", set.backgroundPerBin },
                    { "smoothPasses", streamOf(state, 0).smoothPasses }, { "histogramBins", s.histogramBins },
                    { "autoscaleHistograms", s.autoscaleHistograms != 0 } } },
            { "burstCount", set.burstCount },
            { "photonStats", statsJson(set.photonStats) },
            { "widthStats", statsJson(set.widthStats) },
            { "intervalStats", statsJson(set.intervalStats) },
            { "peakStats", statsJson(set.peakStats) },
            { "files", files },
        });
        return 0;
    }

    int runPch(const CliRun& run, const PchOptions& o)
    {
        AppState state;
        CliPlatform platform;
        if (!prepareSession(run, o.binWidth, state, platform))
            return 2;
        if (!openStreamFile(state, platform, o.file) || !runPchCommand(state, platform))
            return 1;
        if (!prepareOutputDir(o.outputDir, platform))
            return 1;
        if (savePchCommand(state, platform) != 0)
            return 1;
        const PchResult& pch = state.pch;
        printJson({
            { "file", streamOf(state, 0).filePath },
            { "pointCount", pch.pointCount },
            { "maxPhotons", pch.maxPhotons },
            { "maxFrequency", pch.maxFrequency },
            { "files", { platform.savedFiles.front().string() } },
        });
        return 0;
    }
} // namespace

void registerBurstCommands(CLI::App& app, CliRun& run)
{
    // The options live as long as the parser and the action that reads them.
    auto bursts = std::make_shared<BurstOptions>();
    CLI::App* burstsCommand = app.add_subcommand("bursts",
        "Load a stream file as Open does, find its bursts and write <base>_bursts.txt and <base>_hist.txt");
    burstsCommand->add_option("FILE", bursts->file, "Correlator stream (.dat) or photon count (.phc) file")->required();
    addBurstPanelOptions(*burstsCommand, bursts->panel);
    burstsCommand->add_flag("--smooth", bursts->smooth, "Savitzky-Golay smoothing before the analysis");
    burstsCommand->add_flag("--estimate-background", bursts->estimateBackground,
        "Estimate \"Background Counts\" from the counts (after smoothing)");
    burstsCommand->add_option("-o,--output-dir", bursts->outputDir, "Folder for the files (default: here)");
    burstsCommand->callback([&run, bursts] { run.action = [&run, bursts] { return runBursts(run, *bursts); }; });

    auto pch = std::make_shared<PchOptions>();
    CLI::App* pchCommand = app.add_subcommand("pch", "Photon counting histogram of a stream file: <base>_PCH.txt");
    pchCommand->add_option("FILE", pch->file, "Correlator stream (.dat) or photon count (.phc) file")->required();
    pchCommand->add_option("--binwidth", pch->binWidth, "Bin width in µs, one of " + allowedBinWidths());
    pchCommand->add_option("-o,--output-dir", pch->outputDir, "Folder for the file (default: here)");
    pchCommand->callback([&run, pch] { run.action = [&run, pch] { return runPch(run, *pch); }; });
}

} // namespace plask::cli
