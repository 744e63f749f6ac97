#include "batch/ui_thread.h"

namespace plask {

UiCallQueue::UiCallQueue()
    : owner_(std::this_thread::get_id())
{
}

void UiCallQueue::enqueue(const std::shared_ptr<Task>& task)
{
    {
        const std::lock_guard lock(mutex_);
        tasks_.push_back(task);
    }
    changed_.notify_all();
}

void UiCallQueue::invoke(std::function<void()> call)
{
    if (std::this_thread::get_id() == owner_) {
        call();
        return;
    }
    auto task = std::make_shared<Task>(Task { std::move(call) });
    enqueue(task);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&task] { return task->finished; });
}

void UiCallQueue::post(std::function<void()> call) { enqueue(std::make_shared<Task>(Task { std::move(call) })); }

void UiCallQueue::runUntil(const std::function<bool()>& done)
{
    while (!done()) {
        std::shared_ptr<Task> task;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !tasks_.empty(); });
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task->call();
        {
            const std::lock_guard lock(mutex_);
            task->finished = true;
        }
        changed_.notify_all();
    }
}

} // namespace plask
