#include "ui/job_runner.h"

#include "ui/job_bar.h"

#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMetaObject>
#include <QString>
#include <QTimer>

#include <exception>
#include <thread>

namespace plask::ui {

namespace {
    // How often the bar follows the job's progress.
    constexpr int refreshMs = 50;
}

bool JobRunner::SharedProgress::step(double fractionDone)
{
    runner_.fraction_.store(fractionDone, std::memory_order_relaxed);
    if (!runner_.cancelRequested_.load(std::memory_order_relaxed))
        return true;
    runner_.stopped_.store(true, std::memory_order_relaxed);
    return false;
}

JobOutcome JobRunner::run(std::string_view caption, const Job& job)
{
    if (running_)
        return JobOutcome::cancelled;
    running_ = true;
    fraction_.store(0.0);
    cancelRequested_.store(false);
    stopped_.store(false);
    if (bar_)
        bar_->begin(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));

    // A wait cursor set by the command turns into the busy arrow: the
    // window still answers, Cancel included.
    const bool waitCursor = QGuiApplication::overrideCursor() != nullptr;
    if (waitCursor)
        QGuiApplication::changeOverrideCursor(Qt::BusyCursor);

    QEventLoop loop;
    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout, &loop, [this] {
        if (bar_)
            bar_->showProgress(fraction_.load(std::memory_order_relaxed));
    });
    refresh.start(refreshMs);

    std::exception_ptr failure;
    std::atomic<bool> finished { false };
    {
        SharedProgress progress(*this);
        // The quit is queued to the loop's thread, so it lands even when the
        // job ends before exec() starts.
        std::jthread worker([&] {
            try {
                job(progress);
            } catch (...) {
                failure = std::current_exception();
            }
            finished.store(true);
            QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
        });
        loop.exec();
        // The application may end every event loop at once: stop the job
        // before waiting for it.
        if (!finished.load())
            cancel();
    } // joins the worker

    refresh.stop();
    if (waitCursor)
        QGuiApplication::changeOverrideCursor(Qt::WaitCursor);
    if (bar_)
        bar_->end();
    running_ = false;
    if (failure)
        std::rethrow_exception(failure);
    return stopped_.load() ? JobOutcome::cancelled : JobOutcome::completed;
}

} // namespace plask::ui
