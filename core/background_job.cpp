#include "core/background_job.h"

#include <utility>

namespace plask {

bool BackgroundJob::SharedProgress::step(double fractionDone)
{
    owner_.fraction_.store(fractionDone, std::memory_order_relaxed);
    if (!owner_.cancelRequested_.load(std::memory_order_relaxed))
        return true;
    owner_.stopped_.store(true, std::memory_order_relaxed);
    return false;
}

BackgroundJob::BackgroundJob(const Job& job, std::function<void()> whenDone)
    : whenDone_(std::move(whenDone))
    , thread_([this, &job] { run(job, whenDone_); })
{
}

BackgroundJob::~BackgroundJob()
{
    if (thread_.joinable()) {
        cancel();
        thread_.join();
    }
}

void BackgroundJob::run(const Job& job, const std::function<void()>& whenDone)
{
    SharedProgress progress(*this);
    try {
        job(progress);
    } catch (...) {
        failure_ = std::current_exception();
    }
    finished_.store(true, std::memory_order_release);
    if (whenDone)
        whenDone();
}

JobOutcome BackgroundJob::wait()
{
    if (thread_.joinable())
        thread_.join();
    if (failure_)
        std::rethrow_exception(std::exchange(failure_, nullptr));
    return stopped_.load() ? JobOutcome::cancelled : JobOutcome::completed;
}

} // namespace plask
