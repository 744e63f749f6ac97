// plask-cli bursts and pch: the burst analysis and the photon counting
// histogram of one stream file, written with the program's own Save commands.

#include "analysis/burst_analysis.h"
#include "analysis/burst_files.h"
#include "analysis/pch.h"
#include "cli/burst_options.h"
#include "cli/cli_common.h"
#include "cli/file_runner.h"
#include "cli/provenance.h"
#include "cli/photon_options.h"
#include "cli/stream_loading.h"

#include <array>
#include <memory>

namespace plask::cli {

namespace {
    struct BurstOptions {
        InputOptions inputs;
        PhotonOptions photon;
        BurstPanelOptions panel;
        BurstPreparation preparation;
        std::string outputDir = ".";
    };

    struct PchOptions {
        InputOptions inputs;
        PhotonOptions photon;
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
            cliErr() << "Cannot make the folder " << platform.outputDir.string() << ": " << error.message() << '\n';
            return false;
        }
        return true;
    }

    nlohmann::json statsJson(const SeriesStats& stats)
    {
        return { { "mean", stats.mean }, { "sd", stats.sd }, { "max", stats.max }, { "min", stats.min } };
    }

    FileOutcome runBursts(const CliRun& run, const BurstOptions& o, const std::string& file)
    {
        AppState state;
        CliPlatform platform;
        if (!prepareSession(run, o.panel.binWidth, state, platform) || !applyBurstOptions(o.panel, state, platform)
            || !applyPhotonOptions(o.photon, state))
            return { nullptr, 2 };
        if (!openStreamFile(state, platform, file))
            return { nullptr, 1 };
        prepareBurstSearch(o.preparation, state, platform);
        runBurstAnalysis(state, platform);
        if (state.burstDataPresent[0] == 0)
            return { nullptr, 1 }; // the analysis has put its message on stderr
        if (!prepareOutputDir(o.outputDir, platform))
            return { nullptr, 1 };
        if (saveBurstData(state, platform) != 0 || saveHistograms(state, platform) != 0)
            return { nullptr, 1 };

        const BurstSet& set = burstSetOf(state, 0);
        const AnalysisSettings& s = state.settings();
        nlohmann::json files = nlohmann::json::array();
        for (const std::filesystem::path& path : platform.savedFiles)
            files.push_back(path.string());
        nlohmann::json summary = {
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
        };
        addPhotonParameters(summary, o.photon);
        addProvenance(summary, std::array { file }, s);
        return { std::move(summary), 0 };
    }

    FileOutcome runPch(const CliRun& run, const PchOptions& o, const std::string& file)
    {
        AppState state;
        CliPlatform platform;
        if (!prepareSession(run, o.binWidth, state, platform) || !applyPhotonOptions(o.photon, state))
            return { nullptr, 2 };
        if (!openStreamFile(state, platform, file) || !runPchCommand(state, platform))
            return { nullptr, 1 };
        if (!prepareOutputDir(o.outputDir, platform))
            return { nullptr, 1 };
        if (savePchCommand(state, platform) != 0)
            return { nullptr, 1 };
        const PchResult& pch = state.pch;
        nlohmann::json summary = {
            { "file", streamOf(state, 0).filePath },
            { "pointCount", pch.pointCount },
            { "maxPhotons", pch.maxPhotons },
            { "maxFrequency", pch.maxFrequency },
            { "files", { platform.savedFiles.front().string() } },
        };
        addPhotonParameters(summary, o.photon);
        addProvenance(summary, std::array { file }, state.settings());
        return { std::move(summary), 0 };
    }
} // namespace

void registerBurstCommands(CLI::App& app, CliRun& run)
{
    // The options live as long as the parser and the action that reads them.
    auto bursts = std::make_shared<BurstOptions>();
    CLI::App* burstsCommand = app.add_subcommand("bursts",
        "Load a stream file as Open does, find its bursts and write <base>_bursts.txt and <base>_hist.txt");
    addInputOptions(*burstsCommand, bursts->inputs, "Stream file: .dat, .phc or a time-tag file (.ptu .pt3 .pt2 .ht3 .ht2 .spc .h5)");
    addPhotonOptions(*burstsCommand, bursts->photon);
    addBurstPanelOptions(*burstsCommand, bursts->panel);
    addBurstPreparationFlags(*burstsCommand, bursts->preparation);
    burstsCommand->add_option("-o,--output-dir", bursts->outputDir, "Folder for the files (default: here)");
    burstsCommand->callback([&run, bursts] {
        run.action = [&run, bursts] {
            return runOverInputs(
                bursts->inputs, [&run, bursts](const std::string& file) { return runBursts(run, *bursts, file); });
        };
    });

    auto pch = std::make_shared<PchOptions>();
    CLI::App* pchCommand = app.add_subcommand("pch", "Photon counting histogram of a stream file: <base>_PCH.txt");
    addInputOptions(*pchCommand, pch->inputs, "Stream file: .dat, .phc or a time-tag file (.ptu .pt3 .pt2 .ht3 .ht2 .spc .h5)");
    addPhotonOptions(*pchCommand, pch->photon);
    pchCommand->add_option("--binwidth", pch->binWidth, "Bin width in µs, one of " + allowedBinWidths());
    pchCommand->add_option("-o,--output-dir", pch->outputDir, "Folder for the file (default: here)");
    pchCommand->callback([&run, pch] {
        run.action = [&run, pch] {
            return runOverInputs(pch->inputs, [&run, pch](const std::string& file) { return runPch(run, *pch, file); });
        };
    });
}

} // namespace plask::cli
