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
#include "formats/time_tag_stream.h"
#include "core/silent_platform.h"
#include "core/text_format.h"

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

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

    struct HeldMessage {
        std::string text;
        std::string caption;
        Owner owner = Owner::none;
    };

    // A reader's messages on a helper thread, shown later in file order.
    class HoldingPlatform : public SilentPlatform {
    public:
        void showMessage(std::string_view text, std::string_view caption, Owner owner) override
        {
            held.push_back({ std::string(text), std::string(caption), owner });
        }
        std::vector<HeldMessage> held;
    };

    // What can be done for one file without the user-interface thread.
    struct PreparedFile {
        bool skipped = false; // Abort came first: not loaded
        int loaded = 0; // the reader's result
        std::vector<HeldMessage> messages; // the reader's, when held back
        PhotonStream stream;
        bool smoothed = false;
        std::optional<std::uint16_t> background; // the estimate, when asked for
        std::optional<AnalysisSettings> searchedWith; // the burst search below was made with these
        BurstSet set;
        BurstHistograms histograms;
        int result = 0;
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

        int load(Platform& platform, const std::string& path, PhotonStream& stream) const
        {
            stream.filePath = path;
            stream.fileTitle = std::filesystem::path(path).filename().string();
            if (job.fileKind == batchPhotonCountFiles) {
                stream.fileType = fileTypePhotonCount;
                return readPhotonCountFile(platform, Owner::none, path, stream);
            }
            if (job.fileKind == batchTimeTagFiles) {
                stream.fileType = fileTypeTimeTagged;
                stream.selection = job.photons;
                return readTimeTagStream(platform, Owner::none, path, stream, job.binWidth);
            }
            stream.fileType = fileTypeCorrelator;
            return readCorrelatorStream(platform, path, stream, job.binWidth);
        }

        // Loading, smoothing and the background estimate; with `panel`, the
        // burst search too, with the settings the panel would give this file.
        PreparedFile prepare(std::size_t i, Platform& platform, const std::optional<AnalysisSettings>& panel) const
        {
            PreparedFile file;
            file.loaded = load(platform, (std::filesystem::path(job.directory) / job.fileNames[i]).string(), file.stream);
            if (file.loaded != 0)
                return file;
            file.smoothed = job.smooth && smoothStream(file.stream, job.sgWidth) != SmoothResult::noMemory;
            if (job.estimateBackground)
                file.background = estimateBackground(file.stream);
            if (panel) {
                AnalysisSettings settings = *panel;
                if (file.background)
                    settings.backgroundCounts = *file.background;
                adjustForFile(settings, file.stream);
                SilentPlatform announcements; // one per thread
                file.result = measureBursts(file.stream, file.set, settings, file.histograms, announcements);
                file.searchedWith = settings;
            }
            return file;
        }

        // A photon count file keeps its own bin width; widths are measured in it.
        void adjustForFile(AnalysisSettings& settings, const PhotonStream& stream) const
        {
            if (job.fileKind == batchPhotonCountFiles)
                settings.binWidth = stream.binWidth;
        }

        // The settings as every burst analysis takes them from the panel, on
        // the user-interface thread.
        AnalysisSettings panelSettings()
        {
            AnalysisSettings settings;
            session.ui.invoke([&] {
                endBackgroundSelection(session.state, session.platform);
                readPanelSettings(session.state, session.platform);
                settings = session.state.settings();
            });
            return settings;
        }

        // Logging, the estimate's way into the settings, the burst search
        // unless it was made with the same settings, and the accumulation.
        void finish(std::size_t i, PreparedFile& file)
        {
            const std::string& name = job.fileNames[i];
            BatchFileOutcome& outcome = session.outcomes[i];
            if (!file.messages.empty())
                session.ui.invoke([&] {
                    for (const HeldMessage& message : file.messages)
                        session.platform.showMessage(message.text, message.caption, message.owner);
                });
            if (file.loaded != 0) {
                outcome = { BatchFileResult::loadFailed, file.loaded, 0 };
                const std::string text = formatText("Error loading %s -- skipping this file.\r\n", name.c_str());
                session.ui.invoke([&] {
                    appendLog(session, text);
                    if (session.loadErrorBoxes)
                        session.platform.showMessage(text, loadErrorCaption, Owner::none);
                });
                return;
            }
            if (file.smoothed)
                log(formatText("Data file %s filtered with SG width %d\r\n", name.c_str(), job.sgWidth));
            if (job.estimateBackground) {
                session.ui.invoke([&] {
                    AnalysisSettings& settings = session.state.settings();
                    if (file.background) {
                        settings.backgroundCounts = *file.background;
                        session.platform.showStreamInfo();
                    }
                    job.backgrounds[i] = settings.backgroundCounts;
                    appendLog(session,
                        formatText("Data file %s background is %d\r\n", name.c_str(), settings.backgroundCounts));
                });
            }

            AnalysisSettings settings = panelSettings();
            adjustForFile(settings, file.stream);
            if (file.searchedWith != settings) {
                file.set = BurstSet {};
                file.histograms = job.histograms;
                file.result = measureBursts(file.stream, file.set, settings, file.histograms, quiet);
            }
            if (file.result > burstAnalysisSuccessful) {
                outcome = { BatchFileResult::analysisFailed, file.result, 0 };
                log(formatText(
                    "Data file %s: %s\r\n", name.c_str(), std::string(burstMessageText(file.result)).c_str()));
                return;
            }
            job.histograms = file.histograms;
            outcome = { BatchFileResult::analysed, file.result, file.set.burstCount };
            appendBurstsAndWrite(job.accumulated, file.set, job.directory, job.saveAsName);
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

        void process(std::size_t i)
        {
            log(formatText("Loading file: %s\r\n", job.fileNames[i].c_str()));
            PreparedFile file = prepare(i, readerPlatform, std::nullopt);
            finish(i, file);
        }

        void showProgress(std::size_t done, std::size_t count)
        {
            session.ui.invoke([this, done, count] { session.view.showProgress(done, count); });
        }

        // One file after another on this thread. Returns the files done.
        std::size_t runSerial(std::size_t count)
        {
            std::size_t i = 0;
            for (; i < count && job.running; ++i) {
                process(i);
                showProgress(i + 1, count);
            }
            return i;
        }

        // Helpers prepare at most `lanes` files ahead of the one being finished.
        std::size_t runParallel(std::size_t count, std::size_t lanes)
        {
            const std::optional<AnalysisSettings> panel = panelSettings();
            std::vector<std::optional<PreparedFile>> ready(count);
            std::mutex mutex;
            std::condition_variable changed;
            std::size_t next = 0; // the next file a helper takes
            std::size_t finished = 0; // files the worker is done with
            bool stop = false;

            const auto help = [&] {
                for (;;) {
                    std::size_t i = 0;
                    {
                        std::unique_lock lock(mutex);
                        changed.wait(lock, [&] { return stop || (next < count && next < finished + lanes); });
                        if (stop)
                            return;
                        i = next++;
                    }
                    HoldingPlatform holding;
                    PreparedFile file;
                    file.skipped = !job.running;
                    if (!file.skipped) {
                        file = prepare(i, holding, panel);
                        file.messages = std::move(holding.held);
                    }
                    const std::lock_guard lock(mutex);
                    ready[i] = std::move(file);
                    changed.notify_all();
                }
            };
            std::vector<std::jthread> helpers;
            for (std::size_t t = 0; t < std::min(lanes, count); ++t)
                helpers.emplace_back(help);

            std::size_t i = 0;
            for (; i < count && job.running; ++i) {
                std::optional<PreparedFile> file;
                {
                    std::unique_lock lock(mutex);
                    changed.wait(lock, [&] { return ready[i].has_value(); });
                    file = std::move(ready[i]);
                    ready[i].reset();
                }
                if (file->skipped)
                    break;
                log(formatText("Loading file: %s\r\n", job.fileNames[i].c_str()));
                finish(i, *file);
                file.reset(); // its stream and bursts go before the next file is taken
                {
                    const std::lock_guard lock(mutex);
                    finished = i + 1;
                    changed.notify_all();
                }
                showProgress(i + 1, count);
            }
            {
                const std::lock_guard lock(mutex);
                stop = true;
                changed.notify_all();
            }
            return i;
        }
    };
} // namespace

void batchWorker(BatchSession& session)
{
    Worker worker { session, session.job, WorkerPlatform(session.platform, session.ui), {} };
    const std::size_t count = session.job.fileNames.size();
    const std::size_t done
        = session.parallelFiles > 1 ? worker.runParallel(count, session.parallelFiles) : worker.runSerial(count);
    releaseStream(session.job.stream);
    const bool reachedEnd = done == count;
    session.ui.post([&session, reachedEnd] { batchWorkerEnded(session, reachedEnd); });
}

} // namespace plask
