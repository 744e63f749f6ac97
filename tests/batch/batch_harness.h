#pragma once
// A batch dialog run headless: the session with a scripted platform, a view
// that records what the dialog would show, and a call queue pumped by the
// test's thread in place of the user-interface thread.

#include "batch/batch_dialog.h"
#include "fake_platform.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace plask::testing {

struct RecordingView : BatchView {
    BatchOptions options {
        .traceFcs = true, .segFcs = true, .vireoFiles = true, .smooth = false, .estimateBackground = true
    };
    BatchOptions shownOptions;
    std::string workingDirectory;
    std::string saveAsName;
    std::string shownLog;
    std::string appendedLog; // everything appended while this view was open
    std::vector<std::pair<std::size_t, std::size_t>> progress;
    std::vector<BatchButtons> buttonStates;
    bool ended = false;
    // Hooks that run on the "user-interface" thread while the worker waits.
    std::function<void(std::size_t done)> onProgress;
    std::function<void(std::string_view line)> onLog;

    BatchOptions readOptions() override { return options; }
    void showOptions(const BatchOptions& shown) override { shownOptions = shown; }
    void showWorkingDirectory(std::string_view path) override { workingDirectory = path; }
    void showSaveAsName(std::string_view name) override { saveAsName = name; }
    void showLog(std::string_view shown, std::string_view appended) override
    {
        shownLog = shown;
        appendedLog += appended;
        if (onLog)
            onLog(appended);
    }
    void showProgress(std::size_t done, std::size_t total) override
    {
        progress.emplace_back(done, total);
        if (onProgress)
            onProgress(done);
    }
    void enableButtons(const BatchButtons& buttons) override { buttonStates.push_back(buttons); }
    void endDialog() override { ended = true; }
};

// The control panel shows "Background Counts" again whenever the level
// changes, as the desktop program's panel does.
struct PanelFollowingPlatform : FakePlatform {
    explicit PanelFollowingPlatform(const AppState& appState)
        : state(appState)
    {
    }
    const AppState& state;
    void showStreamInfo() override
    {
        FakePlatform::showStreamInfo();
        panel.backgroundCountsText = std::to_string(state.settings().backgroundCounts);
    }
};

struct BatchHarness {
    explicit BatchHarness(AppState& appState)
        : platform(appState)
        , session(appState, platform, view, queue)
    {
        openBatchDialog(session);
    }
    PanelFollowingPlatform platform;
    RecordingView view;
    UiCallQueue queue;
    BatchSession session;

    void chooseDirectory(const std::filesystem::path& directory)
    {
        platform.folderAnswers.push_back(directory.string());
        batchChooseDirectory(session);
    }
    // Pumps the queue until the worker has ended.
    void waitForRun()
    {
        queue.runUntil([this] { return session.phase == BatchPhase::finished || session.phase == BatchPhase::closed; });
    }
};

// A correlator stream file at 40 MHz whose photons fall, at 1 µs bins, into
// bins holding exactly `counts`, plus one photon that ends the stream in its
// last bin.
std::vector<std::uint8_t> correlatorFileFor(const std::vector<std::uint16_t>& counts);

// Counts of `bins` bins, zero but for every `step`-th bin holding `level`.
std::vector<std::uint16_t> backgroundCounts(std::size_t bins, std::size_t step, std::uint16_t level);

// The same counts with `values` written from bin `start` on.
std::vector<std::uint16_t> withBurst(
    std::vector<std::uint16_t> counts, std::size_t start, const std::vector<std::uint16_t>& values);

// An expected file from tests/data with "@DIR@" replaced by `directory`.
std::string expectedFile(const std::string& name, const std::string& directory);

} // namespace plask::testing
