#pragma once
// Runs one long computation at a time on a worker thread while the window
// thread keeps serving its event loop (painting, the Cancel button, Escape).
// run() returns only when the job has ended, so the command that started it
// goes on, as it would inline, with its scratch data complete or cancelled.

#include "core/platform.h"
#include "ui/job_bar.h"

#include <QPointer>

#include <atomic>

namespace plask::ui {

class JobRunner {
public:
    // The bar that shows the running job; may be null.
    void attach(JobBar* bar) { bar_ = bar; }

    // Runs `job` on a worker thread and serves events until it ends.
    // A second job while one runs is not started and counts as cancelled.
    [[nodiscard]] JobOutcome run(std::string_view caption, const Job& job);
    // Asks the running job to stop at its next block boundary.
    void cancel() { cancelRequested_.store(true); }
    [[nodiscard]] bool running() const { return running_; }

private:
    // The job's side: stores the fraction for the bar, answers the cancel.
    class SharedProgress final : public Progress {
    public:
        explicit SharedProgress(JobRunner& runner)
            : runner_(runner)
        {
        }
        bool step(double fractionDone) override;

    private:
        JobRunner& runner_;
    };

    QPointer<JobBar> bar_;
    bool running_ = false; // window thread only
    std::atomic<double> fraction_ { 0.0 };
    std::atomic<bool> cancelRequested_ { false };
    std::atomic<bool> stopped_ { false }; // a step() answered the cancel
};

} // namespace plask::ui
