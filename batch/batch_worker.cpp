#include "batch/batch_worker.h"

#include "analysis/background.h"
#include "analysis/burst_analysis.h"
#include "analysis/burst_messages.h"
#include "analysis/smoothing.h"
#include "batch/batch_dialog.h"
#include "batch/batch_files.h"
#include "formats/correlator_file.h"
#include "view/panel_settings.h"
#include "formats/photon_count_file.h"
#include "core/silent_platform.h"
#include "core/text_format.h"

#include <filesystem>

namespace plask {

namespace {
    // The readers' own messages, carried to the user-interface thread;
    // everything else a reader might announce is of no use here.
    class WorkerPlatform : public SilentPlatform {
    public:
        WorkerPlatform(Platform& target, UiThread& ui)
            : target_(target)
            , ui_(ui)
        {
        }
        void showMessage(std::string_view text, std::string_view caption, Owner owner) override
        {
            ui_.invoke([&] { target_.showMessage(text, caption, owner); });
        }

    private:
        Platform& target_;
        UiThread& ui_;
    };

    struct Worker {
        BatchSession& session;
        BatchJob& job;
        WorkerPlatform readerPlatform;
        SilentPlatform quiet; // the analysis's announcements; the results are shown in one step

        void log(const std::string& line)
        {
            session.ui.invoke([&] { appendLog(session, line); });
        }

        int load(const std::string& path)
        {
            releaseStream(job.stream);
            job.stream.filePath = path;
            job.stream.fileTitle = std::filesystem::path(path).filename().string();
            if (job.fileKind == batchPhotonCountFiles) {
                job.stream.fileType = fileTypePhotonCount;
                return readPhotonCountFile(readerPlatform, Owner::none, path, job.stream);
            }
            job.stream.fileType = fileTypeCorrelator;
            return readCorrelatorStream(readerPlatform, path, job.stream, job.binWidth);
        }

        // The settings of this file's run, taken on the user-interface thread
        // as every burst analysis takes them.
        AnalysisSettings runSettings()
        {
            AnalysisSettings settings;
            session.ui.invoke([&] {
                endBackgroundSelection(session.state, session.platform);
                readPanelSettings(session.state, session.platform);
                settings = session.state.settings();
            });
            // A photon count file keeps its own bin width; widths are measured in it.
            if (job.fileKind == batchPhotonCountFiles)
                settings.binWidth = job.stream.binWidth;
            return settings;
        }

        void process(std::size_t i)
        {
            const std::string& name = job.fileNames[i];
            BatchFileOutcome& outcome = session.outcomes[i];
            log(formatText("Loading file: %s\r\n", name.c_str()));
            const int loaded = load((std::filesystem::path(job.directory) / name).string());
            if (loaded != 0) {
                outcome = { BatchFileResult::loadFailed, loaded, 0 };
                const std::string text = formatText("Error loading %s -- skipping this file.\r\n", name.c_str());
                session.ui.invoke([&] {
                    appendLog(session, text);
                    if (session.loadErrorBoxes)
                        session.platform.showMessage(text, loadErrorCaption, Owner::none);
                });
                return;
            }
            if (job.smooth && smoothStream(job.stream, job.sgWidth) != SmoothResult::noMemory)
                log(formatText("Data file %s filtered with SG width %d\r\n", name.c_str(), job.sgWidth));
            if (job.estimateBackground) {
                session.ui.invoke([&] {
                    AnalysisSettings& settings = session.state.settings();
                    applyBackgroundEstimate(job.stream, settings, session.platform);
                    job.backgrounds[i] = settings.backgroundCounts;
                    appendLog(session,
                        formatText("Data file %s background is %d\r\n", name.c_str(), settings.backgroundCounts));
                });
            }

            const AnalysisSettings settings = runSettings();
            BurstSet fileSet; // released when this file is done
            const int result = measureBursts(job.stream, fileSet, settings, job.histograms, quiet);
            if (result > burstAnalysisSuccessful) {
                outcome = { BatchFileResult::analysisFailed, result, 0 };
                log(formatText("Data file %s: %s\r\n", name.c_str(), std::string(burstMessageText(result)).c_str()));
                return;
            }
            outcome = { BatchFileResult::analysed, result, fileSet.burstCount };
            appendBurstsAndWrite(job.accumulated, fileSet, job.directory, job.saveAsName);
            updateBurstHistograms(job.accumulated, settings, job.histograms, quiet);
            session.ui.invoke([&] {
                appendLog(session, formatText("Data file %s analysed\r\n", name.c_str()));
                AppState& state = session.state;
                state.histograms = job.histograms;
                for (int row = histogramPhotons; row <= histogramIntervals; ++row)
                    session.platform.refreshHistogramChart(row);
                session.platform.refreshStatisticsPanel(state.activeChannel);
            });
        }
    };
} // namespace

void batchWorker(BatchSession& session)
{
    Worker worker { session, session.job, WorkerPlatform(session.platform, session.ui), {} };
    const std::size_t count = session.job.fileNames.size();
    std::size_t i = 0;
    for (; i < count && session.job.running; ++i) {
        worker.process(i);
        session.ui.invoke([&session, done = i + 1, count] { session.view.showProgress(done, count); });
    }
    releaseStream(session.job.stream);
    const bool reachedEnd = i == count;
    session.ui.post([&session, reachedEnd] { batchWorkerEnded(session, reachedEnd); });
}

} // namespace plask
