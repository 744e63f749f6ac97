#pragma once
// The desktop platform with its questions answered by a script: messages,
// Yes/No and file dialogs go to a FakePlatform (queues and a call log), while
// the panel and every announcement reach the real window.

#include "fake_platform.h"
#include "ui/qt_platform.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace plask::testing {

class ScriptedPlatform : public ui::QtPlatform {
public:
    FakePlatform script;

    void showMessage(std::string_view text, std::string_view caption, Owner owner) override
    {
        script.showMessage(text, caption, owner);
    }
    bool askYesNo(std::string_view text, std::string_view caption) override { return script.askYesNo(text, caption); }
    std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) override
    {
        if (!pendingOpenFiles.empty())
            return QtPlatform::chooseOpenFile(request);
        return script.chooseOpenFile(request);
    }
    std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override
    {
        return script.chooseSaveFile(request);
    }
    std::optional<std::string> chooseFolder(std::string_view title) override { return script.chooseFolder(title); }

    // With holdJobs, a job waits at its first progress report, on the worker,
    // until the test calls releaseJob(): the window meanwhile serves events,
    // so the test acts while the job is surely running.
    bool holdJobs = false;
    std::atomic<bool> jobHeld { false };
    void releaseJob() { jobReleased_.store(true); }

    JobOutcome runJob(std::string_view caption, const Job& job) override
    {
        if (!holdJobs)
            return QtPlatform::runJob(caption, job);
        jobHeld.store(false);
        jobReleased_.store(false);
        return QtPlatform::runJob(caption, [this, &job](Progress& progress) {
            HeldProgress held(progress, *this);
            job(held);
        });
    }

private:
    class HeldProgress final : public Progress {
    public:
        HeldProgress(Progress& inner, ScriptedPlatform& owner)
            : inner_(inner)
            , owner_(owner)
        {
        }
        bool step(double fractionDone) override
        {
            if (!owner_.jobHeld.exchange(true))
                while (!owner_.jobReleased_.load())
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return inner_.step(fractionDone);
        }

    private:
        Progress& inner_;
        ScriptedPlatform& owner_;
    };
    std::atomic<bool> jobReleased_ { false };
};

} // namespace plask::testing
