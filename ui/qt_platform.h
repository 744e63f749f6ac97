#pragma once
// The platform seam for the desktop program: message boxes, questions and
// file dialogs as Qt dialogs owned by the main window, the wait cursor, the
// control panel, and the announcements turned into redraws of the window.

#include "core/platform.h"
#include "ui/desktop_store.h"
#include "ui/job_runner.h"

#include <QPointer>
#include <QString>

#include <deque>

class QWidget;

namespace plask::ui {

class MainWindow;

class QtPlatform : public Platform {
public:
    QtPlatform() = default;
    ~QtPlatform() override;
    QtPlatform(const QtPlatform&) = delete;
    QtPlatform& operator=(const QtPlatform&) = delete;

    // The window that owns the dialogs and receives the announcements.
    void attach(MainWindow* window);
    // Files the Open dialog answers with, in order, before it shows itself
    // (a file named on the command line).
    std::deque<std::string> pendingOpenFiles;

    void showMessage(std::string_view text, std::string_view caption, Owner owner) override;
    bool askYesNo(std::string_view text, std::string_view caption) override;
    std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override;
    std::optional<std::string> chooseFolder(std::string_view title) override;
    void setWaitCursor(bool busy) override;
    PanelFields readPanel() override;
    void setMinPhotonsField(std::string_view text) override;
    bool editFcsSetup(AnalysisSettings& settings) override;
    bool editFcsSetupWithPhotonMode(
        AnalysisSettings& settings, PhotonModeSettings& photonMode, bool photonModeOffered) override;
    bool runSegmentDialog(SegmentDialogFields& fields, const SegmentDialogActions& actions) override;
    // The "Photon file" dialog; an accepted choice is also kept for the next run.
    bool choosePhotonSelection(const PhotonFileSummary& file, PhotonSelection& selection) override;

    // On a worker thread, the window serving its events meanwhile.
    JobOutcome runJob(std::string_view caption, const Job& job) override;
    [[nodiscard]] JobRunner& jobs() { return jobs_; }

    void redrawTrace() override;
    void activeChannelChanged(int channel) override;
    void resetNavigator() override;
    void enableStreamNavigator(bool enabled) override;
    void enableBurstNavigator(bool enabled) override;
    void showStreamInfo() override;
    void selectionEnded(int menuItem) override;
    void refreshHistogramChart(int row) override;
    void releaseHistogramCharts() override;
    void refreshStatisticsPanel(int channel) override;
    void showCorrelationCurve(int slot) override;
    void setResultsWindowVisible(bool visible) override;

protected:
    [[nodiscard]] QWidget* ownerWindow() const;

private:
    QPointer<MainWindow> window_;
    JobRunner jobs_;
    QString lastFolder_ = lastUsedFolder(); // the file dialogs start where the last one ended, also in an earlier run
};

// Qt's name filter for one entry of a file dialog request.
[[nodiscard]] QString nameFilter(const FileFilter& filter);

} // namespace plask::ui
