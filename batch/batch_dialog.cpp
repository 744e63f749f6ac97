#include "batch/batch_dialog.h"

#include "batch/batch_files.h"
#include "batch/batch_worker.h"
#include "batch/status_log.h"
#include "view/panel_settings.h"
#include "view/shell_commands.h"
#include "core/photon_choice_text.h"
#include "core/text_format.h"

#include <system_error>

namespace plask {

namespace {
    void setButtons(BatchSession& session, BatchButtons buttons)
    {
        session.buttons = buttons;
        session.view.enableButtons(buttons);
    }

    void storeOptions(const BatchOptions& options, AnalysisSettings& settings)
    {
        settings.batchTraceFcs = options.traceFcs ? 1 : 0;
        settings.batchSegFcs = options.segFcs ? 1 : 0;
        settings.batchVireoFiles = options.vireoFiles ? 1 : 0;
        settings.batchSmooth = options.smooth ? 1 : 0;
        settings.batchEstimateBackground = options.estimateBackground ? 1 : 0;
    }

    bool runStarted(BatchPhase phase) { return phase != BatchPhase::idle && phase != BatchPhase::directoryChosen; }

    void finishClose(BatchSession& session)
    {
        if (session.job.directoryChosen && !session.savedDirectory.empty()) {
            std::error_code ignored;
            std::filesystem::current_path(session.savedDirectory, ignored);
        }
        releaseJob(session.job);
        session.phase = BatchPhase::closed;
        session.view.endDialog();
    }
} // namespace

BatchOptions batchOptionsFrom(const AnalysisSettings& settings)
{
    return { settings.batchTraceFcs != 0, settings.batchSegFcs != 0, settings.batchVireoFiles != 0,
        settings.batchSmooth != 0, settings.batchEstimateBackground != 0 };
}

BatchSession::BatchSession(AppState& appState, Platform& uiPlatform, BatchView& dialogView, UiThread& uiThread)
    : state(appState)
    , platform(uiPlatform)
    , view(dialogView)
    , ui(uiThread)
{
}

BatchSession::~BatchSession()
{
    if (worker.joinable()) {
        job.running = false;
        worker.join();
    }
}

void appendLog(BatchSession& session, std::string_view line)
{
    session.state.batchLog += line;
    session.view.showLog(shownLogPart(session.state.batchLog), line);
}

void openBatchDialog(BatchSession& session)
{
    BatchJob& job = session.job;
    job.abortPressed = false;
    job.running = false;
    job.completed = false;
    job.directoryChosen = false;
    job.fileNames.clear();
    session.phase = BatchPhase::idle;
    session.view.showOptions(batchOptionsFrom(session.state.settings()));
    setButtons(session, BatchButtons {});
    session.view.showLog(shownLogPart(session.state.batchLog), {});
}

void batchChooseDirectory(BatchSession& session)
{
    // The worker reads the directory and base name while it runs.
    if (runStarted(session.phase))
        return;
    if (std::optional<std::string> chosen = session.platform.chooseFolder({}))
        session.browseText = std::move(*chosen);
    session.view.showWorkingDirectory(session.browseText);
    if (session.browseText.empty())
        return;
    BatchJob& job = session.job;
    job.directoryChosen = true;
    job.directory = session.browseText;
    job.saveAsName = saveAsNameFor(job.directory);
    session.view.showSaveAsName(job.saveAsName);
    session.phase = BatchPhase::directoryChosen;
}

BatchStartResult batchStart(BatchSession& session)
{
    if (runStarted(session.phase))
        return BatchStartResult::refused;
    BatchJob& job = session.job;
    AppState& state = session.state;
    if (!job.directoryChosen) {
        session.platform.showMessage(noDirectoryText, batchErrorCaption);
        return BatchStartResult::noDirectory;
    }
    // Saved once, so a second Start after a failed one still restores the first directory.
    std::error_code ignored;
    if (session.savedDirectory.empty())
        session.savedDirectory = std::filesystem::current_path(ignored);
    std::filesystem::current_path(job.directory, ignored);

    const BatchOptions options = session.view.readOptions();
    AnalysisSettings& settings = state.settings();
    storeOptions(options, settings);
    job.fileKind = options.vireoFiles ? batchCorrelatorFiles : batchPhotonCountFiles;
    job.timeTagPatterns.clear();
    job.photons = {};
    if (!options.timeTagPatterns.empty()) {
        // Each time-tag file is read with the channels, gate and time window typed here.
        const PhotonChoiceRead read = photonChoiceFromTexts({ options.channelsText, options.gateFromText,
            options.gateToText, options.windowStartText, options.windowDurationText });
        if (!read.error.empty()) {
            session.platform.showMessage(read.error, batchErrorCaption);
            return BatchStartResult::refused;
        }
        job.fileKind = batchTimeTagFiles;
        job.timeTagPatterns = options.timeTagPatterns;
        job.photons = read.selection;
    }
    readPanelSettings(state, session.platform);
    job.binWidth = settings.binWidth;
    job.sgWidth = settings.sgFilterWidth;
    job.minPhotons = settings.minPhotonsPerBurst;
    job.triggerLevel = settings.triggerLevel;
    job.subMinBins = settings.subMinBins;
    job.smooth = options.smooth;
    job.estimateBackground = options.estimateBackground;

    const std::size_t found = scanDirectory(job);
    if (found == 0) {
        session.platform.showMessage(noFilesText, batchErrorCaption);
        return BatchStartResult::noFiles;
    }
    appendLog(session,
        formatText("Found %d %s files in %s\r\n", static_cast<int>(found), batchFilePattern(job).c_str(),
            job.directory.c_str()));

    job.running = true;
    job.backgrounds.assign(found, 0);
    session.outcomes.assign(found, {});
    setButtons(session, { .browse = false, .start = false, .abort = true, .close = false });
    if (!state.resultsShown)
        toggleResultsWindow(state, session.platform);
    session.view.showProgress(0, found);
    session.phase = BatchPhase::running;
    try {
        session.worker = std::thread(batchWorker, std::ref(session));
    } catch (const std::system_error&) {
        // No thread to be had: the run ends before its first file.
        batchWorkerEnded(session, false);
    }
    return BatchStartResult::started;
}

void batchAbort(BatchSession& session)
{
    if (session.phase != BatchPhase::running)
        return;
    session.job.running = false;
    session.job.abortPressed = true;
    session.phase = BatchPhase::aborting;
    BatchButtons buttons = session.buttons;
    buttons.close = true;
    setButtons(session, buttons);
}

BatchCloseResult batchClose(BatchSession& session)
{
    if (session.phase == BatchPhase::closed)
        return BatchCloseResult::closed;
    BatchJob& job = session.job;
    if (!job.completed && job.abortPressed) {
        session.platform.showMessage(abortNoticeText, abortNoticeCaption);
        job.abortPressed = false;
        return BatchCloseResult::stayOpen;
    }
    if (session.phase == BatchPhase::running || session.phase == BatchPhase::aborting) {
        session.closePending = true;
        return BatchCloseResult::waitingForWorker;
    }
    finishClose(session);
    return BatchCloseResult::closed;
}

void batchWorkerEnded(BatchSession& session, bool reachedEnd)
{
    if (session.worker.joinable())
        session.worker.join();
    BatchJob& job = session.job;
    job.completed = reachedEnd;
    job.running = false;
    BatchButtons buttons = session.buttons;
    buttons.close = true;
    buttons.abort = false;
    setButtons(session, buttons);
    writeProcessLog(job, session.state.settings().batchSmooth != 0, session.state.batchLog);
    appendLog(session, "Processing complete.\r\n");
    session.phase = BatchPhase::finished;
    if (session.closePending)
        finishClose(session);
}

} // namespace plask
