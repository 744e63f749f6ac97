// plask-cli batch: the batch processor run headless over one directory, with
// the dialog's worker and output files.

#include "batch/batch_dialog.h"
#include "batch/batch_files.h"
#include "cli/burst_options.h"
#include "cli/cli_common.h"
#include "cli/photon_options.h"
#include "core/photon_choice_text.h"
#include "formats/tttr_file.h"
#include "cli/provenance.h"
#include "cli/stream_loading.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>

namespace plask::cli {

namespace {
    struct BatchCliOptions {
        std::string directory;
        BurstPanelOptions burst;
        std::optional<bool> smooth; // unset: as "plask.ini" has it
        std::optional<bool> estimateBackground;
        std::optional<bool> photonCountFiles;
        std::string timeTag; // an extension of the time-tag type the job reads: "ptu", "ht3", ...
        PhotonOptions photon;
        bool provenance = false;
        unsigned jobs = 1;
    };

    // The globs of the time-tag type `extension` belongs to, as the batch
    // dialog's "Time-tag files:" list offers them; empty when none does.
    std::string timeTagPatternsOf(std::string extension)
    {
        if (extension.starts_with('.'))
            extension.erase(0, 1);
        if (extension.empty())
            return {};
        // The batch's own matcher decides, so the type is the one a file of
        // this extension is found under.
        BatchJob job;
        job.fileKind = batchTimeTagFiles;
        for (const formats::PhotonFormat& format : formats::photonFormats()) {
            job.timeTagPatterns = format.patterns;
            if (formats::isTimeTagKind(format.kind) && matchesBatchPattern("file." + extension, job))
                return job.timeTagPatterns;
        }
        return {};
    }

    // The "Time-tag files:", "Channels:", "Gate (ns):" and "Window (s):"
    // fields of the dialog from --time-tag, --channel, --gate and --window.
    bool applyTimeTagOptions(const BatchCliOptions& o, BatchOptions& options)
    {
        const PhotonOptions& photon = o.photon;
        if (o.timeTag.empty()) {
            if (photon.channel.empty() && photon.gate.empty() && photon.window.empty())
                return true;
            cliErr() << "--channel, --gate and --window choose the photons of time-tag files: add --time-tag EXT\n";
            return false;
        }
        if (o.photonCountFiles.value_or(false)) {
            cliErr() << "--phc and --time-tag name different files; give one of them\n";
            return false;
        }
        options.timeTagPatterns = timeTagPatternsOf(o.timeTag);
        if (options.timeTagPatterns.empty()) {
            cliErr() << "--time-tag takes the extension of a time-tag file (ptu, pt3, pt2, ht3, ht2, spc, h5, hdf5), not "
                     << o.timeTag << '\n';
            return false;
        }
        const std::optional<PhotonSelection> selection = photonSelectionFrom(photon);
        if (!selection)
            return false;
        const PhotonChoiceTexts texts = photonChoiceTexts(*selection);
        options.channelsText = texts.channels;
        options.gateFromText = texts.gateFromNs;
        options.gateToText = texts.gateToNs;
        options.windowStartText = texts.windowStartS;
        options.windowDurationText = texts.windowDurationS;
        return true;
    }

    // The control panel's "Background Counts" shows the settings' level
    // again after an estimate, as the desktop program's panel does.
    class BatchCliPlatform : public CliPlatform {
    public:
        explicit BatchCliPlatform(const AppState& state)
            : state_(state)
        {
        }
        void showStreamInfo() override
        {
            panel.backgroundCountsText = std::to_string(state_.settings().backgroundCounts);
        }

    private:
        const AppState& state_;
    };

    // The dialog on a terminal: the status log goes to stderr as it grows,
    // and a progress line below it when stderr is a terminal.
    class TerminalBatchView : public BatchView {
    public:
        explicit TerminalBatchView(const BatchOptions& options)
            : options_(options)
            , progressLine_(isatty(STDERR_FILENO) != 0)
        {
        }
        BatchOptions readOptions() override { return options_; }
        void showOptions(const BatchOptions&) override { }
        void showWorkingDirectory(std::string_view) override { }
        void showSaveAsName(std::string_view) override { }
        void showLog(std::string_view, std::string_view appended) override
        {
            clearProgress();
            for (std::size_t i = 0; i < appended.size(); ++i)
                if (!(appended[i] == '\r' && i + 1 < appended.size() && appended[i + 1] == '\n'))
                    std::cerr << appended[i];
            std::cerr.flush();
            showProgressLine();
        }
        void showProgress(std::size_t done, std::size_t total) override
        {
            done_ = done;
            total_ = total;
            clearProgress();
            showProgressLine();
        }
        void enableButtons(const BatchButtons&) override { }
        void endDialog() override { clearProgress(); }

    private:
        void clearProgress()
        {
            if (progressShown_)
                std::cerr << "\r\x1b[K" << std::flush;
            progressShown_ = false;
        }
        void showProgressLine()
        {
            if (!progressLine_ || total_ == 0)
                return;
            std::cerr << "Files done: " << done_ << " of " << total_ << std::flush;
            progressShown_ = true;
        }

        BatchOptions options_;
        bool progressLine_;
        bool progressShown_ = false;
        std::size_t done_ = 0;
        std::size_t total_ = 0;
    };

    const char* resultName(BatchFileResult result)
    {
        switch (result) {
        case BatchFileResult::analysed:
            return "analysed";
        case BatchFileResult::loadFailed:
            return "load error";
        case BatchFileResult::analysisFailed:
            return "analysis error";
        case BatchFileResult::notProcessed:
            break;
        }
        return "not processed";
    }

    nlohmann::json runSummary(const BatchSession& session)
    {
        const BatchJob& job = session.job;
        nlohmann::json results = nlohmann::json::array();
        int analysed = 0;
        for (std::size_t i = 0; i < job.fileNames.size(); ++i) {
            const BatchFileOutcome& outcome = session.outcomes[i];
            analysed += outcome.result == BatchFileResult::analysed ? 1 : 0;
            results.push_back({ { "name", job.fileNames[i] }, { "result", resultName(outcome.result) },
                { "code", outcome.code }, { "bursts", outcome.bursts }, { "background", job.backgrounds[i] } });
        }
        nlohmann::json files = nlohmann::json::array();
        if (job.accumulated.burstCount > 0)
            files.push_back(batchBurstsPath(job.directory, job.saveAsName).string());
        files.push_back(batchInfoPath(job.directory, job.saveAsName).string());
        const auto found = static_cast<int>(job.fileNames.size());
        nlohmann::json summary = {
            { "directory", job.directory },
            { "filesFound", found },
            { "filesAnalysed", analysed },
            { "filesSkipped", found - analysed },
            { "totalBursts", job.accumulated.burstCount },
            { "files", files },
            { "results", results },
        };
        std::vector<std::string> inputs;
        for (const std::string& name : job.fileNames)
            inputs.push_back((std::filesystem::path(job.directory) / name).string());
        addProvenance(summary, inputs, session.state.settings());
        return summary;
    }

    int runBatch(const CliRun& run, const BatchCliOptions& o)
    {
        AppState state;
        BatchCliPlatform platform(state);
        if (!prepareSession(run, o.burst.binWidth, state, platform) || !applyBurstOptions(o.burst, state, platform))
            return 2;
        BatchOptions options = batchOptionsFrom(state.settings());
        options.smooth = o.smooth.value_or(options.smooth);
        options.estimateBackground = o.estimateBackground.value_or(options.estimateBackground);
        if (o.photonCountFiles)
            options.vireoFiles = !*o.photonCountFiles;
        if (!applyTimeTagOptions(o, options))
            return 2;

        TerminalBatchView view(options);
        UiCallQueue queue;
        BatchSession session(state, platform, view, queue);
        session.loadErrorBoxes = false; // the log line says it
        session.parallelFiles = o.jobs;
        openBatchDialog(session);
        platform.folder = absoluteNoResolve(o.directory);
        batchChooseDirectory(session);
        if (batchStart(session) != BatchStartResult::started) {
            batchClose(session);
            return 1; // the message is on stderr
        }
        queue.runUntil([&session] { return session.phase == BatchPhase::finished; });
        nlohmann::json summary = runSummary(session);
        if (!o.timeTag.empty())
            addPhotonParameters(summary, o.photon);
        batchClose(session);
        printJson(summary);
        if (o.provenance && !writeProvenanceFiles(summary, std::cerr))
            return 1;
        return 0;
    }

    void addChoice(CLI::App& command, const std::string& name, std::optional<bool>& value, const std::string& what)
    {
        command.add_flag_function(
            "--" + name, [&value](std::int64_t) { value = true; }, what);
        command.add_flag_function(
            "--no-" + name, [&value](std::int64_t) { value = false; }, "No: " + what);
    }
} // namespace

void registerBatchCommands(CLI::App& app, CliRun& run)
{
    // The options live as long as the parser and the action that reads them.
    auto options = std::make_shared<BatchCliOptions>();
    CLI::App* command = app.add_subcommand("batch",
        "Find the bursts of every data file of a directory and write <dir>_bursts.txt and <dir>_info.txt there");
    command->add_option("DIR", options->directory, "The working directory")->required();
    addBurstPanelOptions(*command, options->burst);
    addChoice(*command, "smooth", options->smooth, "Savitzky-Golay smoothing of each file (default: plask.ini)");
    addChoice(*command, "estimate-background", options->estimateBackground,
        "Estimate each file's background level (default: plask.ini)");
    addChoice(*command, "phc", options->photonCountFiles,
        "Photon count files (*.phc) instead of correlator stream files (*.dat) (default: plask.ini)");
    command->add_option("--time-tag", options->timeTag,
        "Time-tag files of the type of this extension instead (ptu; pt3, pt2, ht3, ht2; spc; h5, hdf5), each read "
        "with --channel, --gate and --window");
    addPhotonChoiceOptions(*command, options->photon);
    command->add_flag("--provenance", options->provenance,
        "Also write version, inputs and parameters beside the table and the info file (<file>.json)");
    command->add_option("--jobs", options->jobs, "Files analysed at once; the outputs are those of --jobs 1")
        ->check(CLI::Range(1u, 1024u))
        ->capture_default_str();
    command->callback([&run, options] { run.action = [&run, options] { return runBatch(run, *options); }; });
}

} // namespace plask::cli
