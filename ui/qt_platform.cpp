#include "ui/qt_platform.h"

#include "ui/control_panel.h"
#include "ui/dialogs/fcs_setup_dialog.h"
#include "ui/dialogs/photon_file_dialog.h"
#include "ui/dialogs/segment_dialog.h"
#include "ui/main_window.h"
#include "ui/results_window.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>

namespace plask::ui {

namespace {
    QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

    QStringList nameFilters(const FileDialogRequest& request)
    {
        QStringList filters;
        for (const FileFilter& filter : request.filters)
            filters << nameFilter(filter);
        return filters;
    }
} // namespace

QString nameFilter(const FileFilter& filter)
{
    const QString description = qs(filter.description);
    // "Vireo photon stream file (*.dat)" already names its pattern.
    if (description.contains(u'(') || filter.pattern.empty())
        return description;
    return description + QStringLiteral(" (") + qs(filter.pattern) + u')';
}

QtPlatform::~QtPlatform() = default;

void QtPlatform::attach(MainWindow* window) { window_ = window; }

QWidget* QtPlatform::ownerWindow() const { return window_; }

void QtPlatform::showMessage(std::string_view text, std::string_view caption, Owner owner)
{
    QMessageBox box(QMessageBox::NoIcon, qs(caption), qs(text), QMessageBox::Ok,
        owner == Owner::mainWindow ? ownerWindow() : nullptr);
    box.exec();
}

bool QtPlatform::askYesNo(std::string_view text, std::string_view caption)
{
    QMessageBox box(QMessageBox::Question, qs(caption), qs(text), QMessageBox::Yes | QMessageBox::No, ownerWindow());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtPlatform::chooseOpenFile(const FileDialogRequest& request)
{
    if (!pendingOpenFiles.empty()) {
        std::string path = std::move(pendingOpenFiles.front());
        pendingOpenFiles.pop_front();
        return path;
    }
    QFileDialog dialog(ownerWindow(), QString(), lastFolder_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly);
    dialog.setNameFilters(nameFilters(request));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    lastFolder_ = dialog.directory().absolutePath();
    rememberFolder(lastFolder_);
    return dialog.selectedFiles().constFirst().toStdString();
}

std::optional<std::string> QtPlatform::chooseSaveFile(const FileDialogRequest& request)
{
    QFileDialog dialog(ownerWindow(), QString(), lastFolder_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(nameFilters(request));
    QString suffix = qs(request.defaultExtension);
    if (suffix.startsWith(u'.'))
        suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    // A name typed without extension takes the one of the filter picked.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        const qsizetype star = filter.indexOf(QStringLiteral("*."));
        if (star >= 0)
            dialog.setDefaultSuffix(filter.mid(star + 2).section(u')', 0, 0).section(u' ', 0, 0));
    });
    dialog.selectFile(qs(request.defaultName));
    // QFileDialog asks before overwriting an existing file.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    lastFolder_ = dialog.directory().absolutePath();
    rememberFolder(lastFolder_);
    return dialog.selectedFiles().constFirst().toStdString();
}

std::optional<std::string> QtPlatform::chooseFolder(std::string_view title)
{
    const QString folder = QFileDialog::getExistingDirectory(ownerWindow(), qs(title), lastFolder_);
    if (folder.isEmpty())
        return std::nullopt;
    return folder.toStdString();
}

void QtPlatform::setWaitCursor(bool busy)
{
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

PanelFields QtPlatform::readPanel() { return window_ ? window_->panel().fields() : PanelFields {}; }

void QtPlatform::setMinPhotonsField(std::string_view text)
{
    if (window_)
        window_->panel().setMinPhotonsText(qs(text));
}

bool QtPlatform::editFcsSetup(AnalysisSettings& settings)
{
    FcsSetupDialog dialog(settings, ownerWindow());
    return dialog.exec() == QDialog::Accepted;
}

bool QtPlatform::editFcsSetupWithPhotonMode(
    AnalysisSettings& settings, PhotonModeSettings& photonMode, bool photonModeOffered)
{
    FcsSetupDialog dialog(settings, photonMode, photonModeOffered, ownerWindow());
    return dialog.exec() == QDialog::Accepted;
}

bool QtPlatform::runSegmentDialog(SegmentDialogFields& fields, const SegmentDialogActions& actions)
{
    SegmentDialog dialog(fields, actions, ownerWindow());
    return dialog.exec() == QDialog::Accepted;
}

bool QtPlatform::choosePhotonSelection(const PhotonFileSummary& file, PhotonSelection& selection)
{
    PhotonFileDialog dialog(file, selection, *this, ownerWindow(), [this] { jobs_.cancel(); });
    if (dialog.exec() != QDialog::Accepted)
        return false;
    rememberPhotonChoice(file.choiceKey.empty() ? file.format : file.choiceKey, selection);
    return true;
}

JobOutcome QtPlatform::runJob(std::string_view caption, const Job& job)
{
    if (window_)
        window_->jobStarted();
    const JobOutcome outcome = jobs_.run(caption, job);
    if (window_)
        window_->jobEnded();
    return outcome;
}

void QtPlatform::redrawTrace()
{
    if (window_)
        window_->redrawTrace();
}

void QtPlatform::activeChannelChanged(int channel)
{
    if (window_)
        window_->showActiveChannel(channel);
}

void QtPlatform::resetNavigator()
{
    if (window_)
        window_->resetNavigator();
}

void QtPlatform::enableStreamNavigator(bool enabled)
{
    if (window_)
        window_->panel().enableStreamNavigator(enabled);
}

void QtPlatform::enableBurstNavigator(bool enabled)
{
    if (window_)
        window_->panel().enableBurstNavigator(enabled);
}

void QtPlatform::showStreamInfo()
{
    if (window_)
        window_->showStreamInfo();
}

void QtPlatform::selectionEnded(int menuItem)
{
    if (window_)
        window_->selectionEnded(menuItem);
}

void QtPlatform::refreshHistogramChart(int row)
{
    if (window_)
        window_->resultsWindow().refreshHistogram(row);
}

void QtPlatform::releaseHistogramCharts()
{
    if (window_)
        window_->resultsWindow().releaseHistograms();
}

void QtPlatform::refreshStatisticsPanel(int channel)
{
    if (window_)
        window_->resultsWindow().refreshStatistics(channel);
}

void QtPlatform::showCorrelationCurve(int slot)
{
    if (window_)
        window_->resultsWindow().showCorrelation(slot);
}

void QtPlatform::setResultsWindowVisible(bool visible)
{
    if (window_)
        window_->showResultsWindow(visible);
}

} // namespace plask::ui
