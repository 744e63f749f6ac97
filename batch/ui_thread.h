#pragma once
// How the batch worker reaches the user-interface thread. The desktop
// program carries each call over with Qt's queued connections; plask-cli and
// the tests pump a UiCallQueue on their main thread.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace plask {

class UiThread {
public:
    virtual ~UiThread() = default;
    // Runs `call` on the user-interface thread and returns when it has run
    // (at once when called on that thread).
    virtual void invoke(std::function<void()> call) = 0;
    // Queues `call` for the user-interface thread and returns at once.
    virtual void post(std::function<void()> call) = 0;
};

// A user-interface thread made of a plain queue: the thread that creates it
// runs the calls whenever it pumps the queue.
class UiCallQueue : public UiThread {
public:
    UiCallQueue();
    void invoke(std::function<void()> call) override;
    void post(std::function<void()> call) override;
    // Runs queued calls, waiting for more, until `done` holds. Call it on the
    // creating thread; `done` is checked there before each wait.
    void runUntil(const std::function<bool()>& done);

private:
    struct Task {
        std::function<void()> call;
        bool finished = false;
    };
    void enqueue(const std::shared_ptr<Task>& task);

    std::thread::id owner_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Task>> tasks_;
};

} // namespace plask
