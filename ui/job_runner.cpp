#include "ui/job_runner.h"

#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMetaObject>
#include <QString>
#include <QTimer>

namespace plask::ui {

namespace {
    // How often the bar follows the job's progress.
    constexpr int refreshMs = 50;
}

JobOutcome JobRunner::run(std::string_view caption, const Job& job)
{
    if (job_)
        return JobOutcome::cancelled;
    if (bar_)
        bar_->begin(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
    // A wait cursor set by the command turns into the busy arrow: the
    // window still answers, Cancel included.
    const bool waitCursor = QGuiApplication::overrideCursor() != nullptr;
    if (waitCursor)
        QGuiApplication::changeOverrideCursor(Qt::BusyCursor);

    QEventLoop loop;
    JobOutcome outcome = JobOutcome::completed;
    {
        // The quit is queued to the loop's thread, so it lands even when the
        // job ends before exec() starts.
        BackgroundJob background(
            job, [&loop] { QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection); });
        job_ = &background;
        QTimer refresh;
        QObject::connect(&refresh, &QTimer::timeout, &loop, [this, &background] {
            if (bar_)
                bar_->showProgress(background.fraction());
        });
        refresh.start(refreshMs);
        loop.exec();
        // The application may end every event loop at once: stop the job
        // before waiting for it.
        if (!background.finished())
            background.cancel();
        job_ = nullptr;
        outcome = background.wait();
    }
    if (waitCursor)
        QGuiApplication::changeOverrideCursor(Qt::WaitCursor);
    if (bar_)
        bar_->end();
    return outcome;
}

} // namespace plask::ui
