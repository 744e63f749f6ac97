#pragma once
// Runs one long computation at a time on a worker thread (a BackgroundJob)
// while the window thread keeps serving its event loop (painting, the Cancel
// button, Escape). run() returns only when the job has ended, so the command
// that started it goes on, as it would inline, with its scratch data
// complete or cancelled.

#include "core/background_job.h"
#include "core/platform.h"
#include "ui/job_bar.h"

#include <QPointer>

namespace plask::ui {

class JobRunner {
public:
    // The bar that shows the running job; may be null.
    void attach(JobBar* bar) { bar_ = bar; }

    // Runs `job` on a worker thread and serves events until it ends.
    // A second job while one runs is not started and counts as cancelled.
    [[nodiscard]] JobOutcome run(std::string_view caption, const Job& job);
    // Asks the running job to stop at its next block boundary.
    void cancel()
    {
        if (job_)
            job_->cancel();
    }
    [[nodiscard]] bool running() const { return job_ != nullptr; }

private:
    QPointer<JobBar> bar_;
    BackgroundJob* job_ = nullptr; // the running job, window thread only
};

} // namespace plask::ui
