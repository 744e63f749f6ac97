#pragma once
// "Batch burst/FCS processor": the widgets of the batch processor. What the
// buttons do is the session's (batch/batch_dialog.h); the dialog shows what
// the session tells it and carries the worker's calls to the GUI thread.

#include "batch/batch_dialog.h"
#include "batch/batch_view.h"
#include "batch/ui_thread.h"
#include "core/app_state.h"
#include "core/platform.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace plask::ui {

// Runs each call on the thread of `context` (the GUI thread): blocking from
// the worker, at once when already there.
class QtUiThread : public UiThread {
public:
    explicit QtUiThread(QObject& context);
    void invoke(std::function<void()> call) override;
    void post(std::function<void()> call) override;

private:
    QObject& context_;
};

class BatchDialog : public QDialog, public BatchView {
    Q_OBJECT
public:
    BatchDialog(AppState& state, Platform& platform, QWidget* parent = nullptr);
    // Waits for a worker still inside a file, serving its calls meanwhile.
    ~BatchDialog() override;
    BatchDialog(const BatchDialog&) = delete;
    BatchDialog& operator=(const BatchDialog&) = delete;

    [[nodiscard]] BatchPhase phase() const { return session_.phase; }

    // Escape and the window's close box act as "Close".
    void reject() override;

    [[nodiscard]] BatchOptions readOptions() override;
    void showOptions(const BatchOptions& options) override;
    void showWorkingDirectory(std::string_view path) override;
    void showSaveAsName(std::string_view name) override;
    void showLog(std::string_view shown, std::string_view appended) override;
    void showProgress(std::size_t done, std::size_t total) override;
    void enableButtons(const BatchButtons& buttons) override;
    void endDialog() override;

private:
    QLineEdit* workingDir_ = nullptr;
    QLineEdit* saveAs_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QCheckBox* smooth_ = nullptr;
    QCheckBox* estimateBackground_ = nullptr;
    QCheckBox* traceFcs_ = nullptr;
    QCheckBox* segFcs_ = nullptr;
    QCheckBox* vireoFiles_ = nullptr;
    QComboBox* timeTagFiles_ = nullptr; // "Time-tag files:", first entry: the box above decides
    QLineEdit* channels_ = nullptr;
    QLineEdit* gateFrom_ = nullptr;
    QLineEdit* gateTo_ = nullptr;
    QLineEdit* windowStart_ = nullptr;
    QLineEdit* windowDuration_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* abort_ = nullptr;
    QPushButton* close_ = nullptr;
    QtUiThread ui_;
    BatchSession session_; // last: it refers to the widgets through this view
};

// "Analysis Batch mode": the modal dialog; returns when it has ended.
void runBatchDialog(AppState& state, Platform& platform, QWidget* parent);

} // namespace plask::ui
