#pragma once
// "BATCHDIALOG": the batch processor's states and the handlers of its
// buttons as plain functions on a session record. All of them run on the
// user-interface thread; the worker reaches that thread through UiThread.
//
// States: idle -> directoryChosen (Browse) -> running (Start) -> finished
// (worker ended) or aborting (Abort; the worker ends after its current file,
// then finished) -> closed (Close; the job released, the directory restored).

#include "batch/batch_job.h"
#include "batch/batch_view.h"
#include "batch/ui_thread.h"
#include "core/app_state.h"
#include "core/platform.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace plask {

inline constexpr int commandBatchMode = 40110;
inline constexpr std::string_view batchErrorCaption = "Batch Processing Error";
inline constexpr std::string_view noDirectoryText = "Select a data directory for analysis";
inline constexpr std::string_view noFilesText = "No valid files were found in selected directory";
inline constexpr std::string_view abortNoticeText = "Abort selected - Press Close again to exit dialogbox.";
inline constexpr std::string_view abortNoticeCaption = "Processing aborted";
inline constexpr std::string_view loadErrorCaption = "Batch processing error";

enum class BatchPhase { idle, directoryChosen, running, aborting, finished, closed };

enum class BatchFileResult { notProcessed, loadFailed, analysisFailed, analysed };

struct BatchFileOutcome {
    BatchFileResult result = BatchFileResult::notProcessed;
    int code = 0; // the reader's or the burst analysis's result code
    std::uint32_t bursts = 0;
};

struct BatchSession {
    BatchSession(AppState& appState, Platform& uiPlatform, BatchView& dialogView, UiThread& uiThread);
    // The dialog ends through batchClose, which waits for the worker; this
    // join is only a last resort.
    ~BatchSession();
    BatchSession(const BatchSession&) = delete;
    BatchSession& operator=(const BatchSession&) = delete;

    AppState& state;
    Platform& platform;
    BatchView& view;
    UiThread& ui;

    BatchJob job;
    BatchPhase phase = BatchPhase::idle;
    BatchButtons buttons;
    std::string browseText; // what "Working Dir:" shows
    std::filesystem::path savedDirectory; // current before the first Start; empty until then
    bool loadErrorBoxes = true; // plask-cli only logs a file that fails to load
    // Files loaded and analysed at once; the log, table and info file are
    // written in file order whatever the number (see batch_worker.h).
    std::size_t parallelFiles = 1;
    bool closePending = false; // Close pressed while the worker was still inside a file
    // Per file; written by the worker, read once the run has finished.
    std::vector<BatchFileOutcome> outcomes;
    std::thread worker;
};

enum class BatchStartResult { started, noDirectory, noFiles, refused };
enum class BatchCloseResult { closed, stayOpen, waitingForWorker };

// The option boxes as the settings have them.
[[nodiscard]] BatchOptions batchOptionsFrom(const AnalysisSettings& settings);

// Dialog initialisation: the option boxes from the settings, the buttons,
// and the log so far.
void openBatchDialog(BatchSession& session);

// "Browse": the folder browser; a non-empty choice becomes the working
// directory and gives the "Save as:" name. Refused once a run has started.
void batchChooseDirectory(BatchSession& session);

// "Start": takes the options and the control panel, makes the working
// directory current, scans it and starts the worker.
BatchStartResult batchStart(BatchSession& session);

// "Abort": the worker stops before its next file.
void batchAbort(BatchSession& session);

// "Close": after an Abort the first Close only explains; otherwise the job
// is released, the directory restored and the dialog ended, once the worker
// has ended (waitingForWorker: it closes itself then).
BatchCloseResult batchClose(BatchSession& session);

// Appends a line (CR LF included) to the status log and shows it.
void appendLog(BatchSession& session, std::string_view line);

// The worker's last step, posted to the user-interface thread: joins it,
// writes the process log and enables Close.
void batchWorkerEnded(BatchSession& session, bool reachedEnd);

} // namespace plask
