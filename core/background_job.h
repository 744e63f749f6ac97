#pragma once
// One job on a thread of its own: the owner's thread asks for its progress,
// cancels it and waits for it; the job's thread runs it and reports through
// a Progress whose step() answers the cancel. Plain C++, so the threading is
// the same in the desktop program (which serves its event loop meanwhile)
// and in the tests that run it under ThreadSanitizer.

#include "core/platform.h"

#include <atomic>
#include <exception>
#include <functional>
#include <thread>

namespace plask {

class BackgroundJob {
public:
    // Starts `job` at once; `whenDone` runs on the job's thread right after
    // the job returned (to wake the owner). Both must outlive the object.
    BackgroundJob(const Job& job, std::function<void()> whenDone = {});
    // Cancels a job still running and waits for it.
    ~BackgroundJob();
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    // The next step() of the job answers false.
    void cancel() { cancelRequested_.store(true, std::memory_order_relaxed); }
    // The fraction of the last step().
    [[nodiscard]] double fraction() const { return fraction_.load(std::memory_order_relaxed); }
    [[nodiscard]] bool finished() const { return finished_.load(std::memory_order_acquire); }
    // Waits for the job; cancelled when a step() answered a cancel. An
    // exception of the job is thrown again here.
    JobOutcome wait();

private:
    class SharedProgress final : public Progress {
    public:
        explicit SharedProgress(BackgroundJob& owner)
            : owner_(owner)
        {
        }
        bool step(double fractionDone) override;

    private:
        BackgroundJob& owner_;
    };

    void run(const Job& job, const std::function<void()>& whenDone);

    std::atomic<double> fraction_ { 0.0 };
    std::atomic<bool> cancelRequested_ { false };
    std::atomic<bool> stopped_ { false }; // a step() answered the cancel
    std::atomic<bool> finished_ { false };
    std::exception_ptr failure_; // written by the job's thread before finished_
    std::function<void()> whenDone_;
    std::jthread thread_; // last: starts after everything above exists
};

} // namespace plask
