#include "ui/dialogs/batch_dialog.h"

#include "formats/tttr_file.h"
#include "ui/dialogs/dialog_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <QVBoxLayout>

#include <limits>

namespace plask::ui {

namespace {
    QCheckBox* makeBox(const QString& text, const char* name, QWidget* parent)
    {
        auto* box = new QCheckBox(text, parent);
        box->setObjectName(QString::fromLatin1(name));
        return box;
    }

    int progressValue(std::size_t value)
    {
        return static_cast<int>(std::min<std::size_t>(value, std::numeric_limits<int>::max()));
    }
} // namespace

QtUiThread::QtUiThread(QObject& context)
    : context_(context)
{
}

void QtUiThread::invoke(std::function<void()> call)
{
    if (QThread::currentThread() == context_.thread()) {
        call();
        return;
    }
    QMetaObject::invokeMethod(&context_, std::move(call), Qt::BlockingQueuedConnection);
}

void QtUiThread::post(std::function<void()> call)
{
    QMetaObject::invokeMethod(&context_, std::move(call), Qt::QueuedConnection);
}

BatchDialog::BatchDialog(AppState& state, Platform& platform, QWidget* parent)
    : QDialog(parent)
    , workingDir_(new QLineEdit(this))
    , saveAs_(new QLineEdit(this))
    , log_(new QPlainTextEdit(this))
    , progress_(new QProgressBar(this))
    , smooth_(makeBox(QStringLiteral("Smooth"), "smooth", this))
    , estimateBackground_(makeBox(QStringLiteral("Est. Bkgd"), "estimateBackground", this))
    , traceFcs_(makeBox(QStringLiteral("Trace FCS "), "traceFcs", this))
    , segFcs_(makeBox(QStringLiteral("Seg. FCS"), "segFcs", this))
    , vireoFiles_(makeBox(QStringLiteral("Vireo  files"), "vireoFiles", this))
    , timeTagFiles_(new QComboBox(this))
    , channels_(makeField("channels", QString(), this))
    , gateFrom_(makeField("gateFrom", QString(), this))
    , gateTo_(makeField("gateTo", QString(), this))
    , windowStart_(makeField("windowStart", QString(), this))
    , windowDuration_(makeField("windowDuration", QString(), this))
    , browse_(makeButton(QStringLiteral("Browse"), "browseButton", this))
    , start_(makeButton(QStringLiteral("Start"), "startButton", this))
    , abort_(makeButton(QStringLiteral("Abort"), "abortButton", this))
    , close_(makeButton(QStringLiteral("Close"), "closeButton", this))
    , ui_(*this)
    , session_(state, platform, *this, ui_)
{
    setObjectName(QStringLiteral("BATCHDIALOG"));
    setWindowTitle(QStringLiteral("Batch burst/FCS processor"));
    workingDir_->setObjectName(QStringLiteral("workingDir"));
    workingDir_->setReadOnly(true);
    saveAs_->setObjectName(QStringLiteral("saveAs"));
    log_->setObjectName(QStringLiteral("statusLog"));
    log_->setReadOnly(true);
    log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log_->setMinimumSize(360, 140);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setOrientation(Qt::Vertical);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    progress_->setFormat(QStringLiteral("%v/%m"));
    // The time-tag types of Open's table; the item data holds their globs.
    timeTagFiles_->setObjectName(QStringLiteral("timeTagFiles"));
    timeTagFiles_->addItem(QStringLiteral("none (Vireo  files box: *.dat or *.phc)"), QString());
    for (const formats::PhotonFormat& format : formats::photonFormats())
        if (formats::isTimeTagKind(format.kind))
            timeTagFiles_->addItem(toQString(format.filterName), toQString(format.patterns));
    channels_->setPlaceholderText(QStringLiteral("all"));
    gateFrom_->setPlaceholderText(QStringLiteral("none"));
    gateTo_->setPlaceholderText(QStringLiteral("none"));
    windowStart_->setPlaceholderText(QStringLiteral("0"));
    windowDuration_->setPlaceholderText(QStringLiteral("whole file"));
    const auto enableChoice = [this] {
        const bool timeTag = timeTagFiles_->currentIndex() > 0;
        for (QWidget* field : { channels_, gateFrom_, gateTo_, windowStart_, windowDuration_ })
            field->setEnabled(timeTag);
    };
    connect(timeTagFiles_, &QComboBox::currentIndexChanged, this, enableChoice);
    enableChoice();

    connect(browse_, &QPushButton::clicked, this, [this] { batchChooseDirectory(session_); });
    connect(start_, &QPushButton::clicked, this, [this] { (void)batchStart(session_); });
    connect(abort_, &QPushButton::clicked, this, [this] { batchAbort(session_); });
    connect(close_, &QPushButton::clicked, this, [this] { (void)batchClose(session_); });

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Working Dir:"), this), 0, 0);
    fields->addWidget(workingDir_, 0, 1);
    fields->addWidget(browse_, 0, 2);
    fields->addWidget(new QLabel(QStringLiteral("Save as:"), this), 1, 0);
    fields->addWidget(saveAs_, 1, 1);

    auto* logRow = new QHBoxLayout;
    logRow->addWidget(log_, 1);
    logRow->addWidget(progress_);
    auto* options = new QVBoxLayout;
    for (QWidget* box : { static_cast<QWidget*>(smooth_), static_cast<QWidget*>(estimateBackground_),
             static_cast<QWidget*>(traceFcs_), static_cast<QWidget*>(segFcs_), static_cast<QWidget*>(vireoFiles_) })
        options->addWidget(box);
    options->addStretch(1);
    logRow->addLayout(options);

    auto* photons = new QGridLayout;
    photons->addWidget(new QLabel(QStringLiteral("Time-tag files:"), this), 0, 0);
    photons->addWidget(timeTagFiles_, 0, 1, 1, 5);
    photons->addWidget(new QLabel(QStringLiteral("Channels:"), this), 1, 0);
    photons->addWidget(channels_, 1, 1);
    photons->addWidget(new QLabel(QStringLiteral("Gate (ns):"), this), 1, 2);
    photons->addWidget(gateFrom_, 1, 3);
    photons->addWidget(new QLabel(QStringLiteral("to"), this), 1, 4);
    photons->addWidget(gateTo_, 1, 5);
    photons->addWidget(new QLabel(QStringLiteral("Window (s):"), this), 2, 0);
    photons->addWidget(windowStart_, 2, 1);
    photons->addWidget(new QLabel(QStringLiteral("for"), this), 2, 2, Qt::AlignRight);
    photons->addWidget(windowDuration_, 2, 3);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(start_);
    buttons->addWidget(abort_);
    buttons->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(new QLabel(QStringLiteral("Processing status:"), this));
    layout->addLayout(logRow, 1);
    layout->addLayout(photons);
    layout->addLayout(buttons);
    openBatchDialog(session_);
}

BatchDialog::~BatchDialog()
{
    // The worker's calls come here blocking: serve them until it has ended.
    if (session_.phase == BatchPhase::running || session_.phase == BatchPhase::aborting) {
        batchAbort(session_);
        while (session_.phase == BatchPhase::running || session_.phase == BatchPhase::aborting)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

void BatchDialog::reject() { (void)batchClose(session_); }

BatchOptions BatchDialog::readOptions()
{
    return { traceFcs_->isChecked(), segFcs_->isChecked(), vireoFiles_->isChecked(), smooth_->isChecked(),
        estimateBackground_->isChecked(), timeTagFiles_->currentData().toString().toStdString(),
        channels_->text().toStdString(), gateFrom_->text().toStdString(), gateTo_->text().toStdString(),
        windowStart_->text().toStdString(), windowDuration_->text().toStdString() };
}

void BatchDialog::showOptions(const BatchOptions& options)
{
    traceFcs_->setChecked(options.traceFcs);
    segFcs_->setChecked(options.segFcs);
    vireoFiles_->setChecked(options.vireoFiles);
    smooth_->setChecked(options.smooth);
    estimateBackground_->setChecked(options.estimateBackground);
    const int timeTag = timeTagFiles_->findData(toQString(options.timeTagPatterns));
    timeTagFiles_->setCurrentIndex(std::max(timeTag, 0));
    channels_->setText(toQString(options.channelsText));
    gateFrom_->setText(toQString(options.gateFromText));
    gateTo_->setText(toQString(options.gateToText));
    windowStart_->setText(toQString(options.windowStartText));
    windowDuration_->setText(toQString(options.windowDurationText));
}

void BatchDialog::showWorkingDirectory(std::string_view path) { workingDir_->setText(toQString(path)); }

void BatchDialog::showSaveAsName(std::string_view name) { saveAs_->setText(toQString(name)); }

void BatchDialog::showLog(std::string_view shown, std::string_view /*appended*/)
{
    log_->setPlainText(toQString(shown));
    QScrollBar* bar = log_->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void BatchDialog::showProgress(std::size_t done, std::size_t total)
{
    progress_->setRange(0, progressValue(std::max<std::size_t>(total, 1)));
    progress_->setValue(progressValue(done));
}

void BatchDialog::enableButtons(const BatchButtons& buttons)
{
    browse_->setEnabled(buttons.browse);
    start_->setEnabled(buttons.start);
    abort_->setEnabled(buttons.abort);
    close_->setEnabled(buttons.close);
}

void BatchDialog::endDialog() { QDialog::accept(); }

void runBatchDialog(AppState& state, Platform& platform, QWidget* parent)
{
    BatchDialog dialog(state, platform, parent);
    dialog.exec();
}

} // namespace plask::ui
