#pragma once
// The main window "Plask.exe - Photon Stream Analysis": the menu "MAINMENU",
// the accelerators, the trace page above the docked control panel, the
// hidden results window, and the one dispatcher every command goes through.

#include "core/app_state.h"
#include "view/burst_markers.h"
#include "view/window_geometry.h"

#include <QMainWindow>

#include <map>
#include <optional>

class QAction;
class QLabel;
class QMenu;

namespace plask::chart {
class ChartPage;
} // namespace plask::chart

namespace plask::ui {

class ControlPanel;
class OverviewStrip;
class JobBar;
class QtPlatform;
class ResultsWindow;
class TraceView;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(AppState& state, QtPlatform& platform, const WindowGeometry& geometry);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Runs a command identifier from the menu, an accelerator or the panel.
    void runCommand(int id);

    [[nodiscard]] ControlPanel& panel() const { return *panel_; }
    [[nodiscard]] TraceView& trace() const { return *trace_; }
    [[nodiscard]] chart::ChartPage& tracePage() const { return *tracePage_; }
    [[nodiscard]] ResultsWindow& resultsWindow() const { return *results_; }
    [[nodiscard]] OverviewStrip& overview() const { return *overview_; }
    [[nodiscard]] QAction* menuAction(int id) const;
    [[nodiscard]] QMenu& recentFilesMenu() const { return *recentMenu_; }
    [[nodiscard]] QString statusText() const;

    // "Open " of a file already chosen (dropped, or from Recent files) into the active channel.
    void openFile(const QString& path);

    // What the platform seam announces. A redraw announced from outside means
    // the counts may have changed.
    void redrawTrace();
    void showActiveChannel(int channel);
    void resetNavigator();
    void showStreamInfo();
    void selectionEnded(int menuItem);
    void showResultsWindow(bool visible);
    // A long computation starts or ends on the worker: the commands that
    // cannot run beside it are disabled meanwhile.
    void jobStarted();
    void jobEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenu();
    void buildAccelerators();
    void buildRecentFilesMenu(QMenu& menu);
    void fillRecentFilesMenu();
    void showStatus();
    void applyZoom(int position);
    void resetSegments();
    void selectSegment(int position);
    void stepSegment(int command);
    // Redraws the trace over unchanged counts (paging, zoom, pan).
    void drawTrace();
    // The sliders and navigator texts follow a move of the mouse, and the trace is drawn there.
    void followNavigation();
    void showBurst(const std::optional<BurstCursor>& cursor);
    void setActiveChannel(int channel);
    void toggleSetting(int id, std::int32_t& value);
    void syncSelectionChecks();
    void showBackgroundCounts();
    void printResults();
    void showData();
    bool runAnalysisCommand(int id);
    void dispatch(int id);
    // True, after a word in the status bar, when a job runs and `id` may not run beside it.
    bool refusedDuringJob(int id);
    void enableCommandsForJob(bool running);

    AppState& state_;
    QtPlatform& platform_;
    ControlPanel* panel_ = nullptr; // Qt children of the window
    chart::ChartPage* tracePage_ = nullptr;
    TraceView* trace_ = nullptr;
    OverviewStrip* overview_ = nullptr;
    ResultsWindow* results_ = nullptr;
    JobBar* jobBar_ = nullptr;
    std::map<int, QAction*> actions_;
    QMenu* recentMenu_ = nullptr;
    QLabel* status_ = nullptr; // active file, format, channels, bin width, photons, rate
    bool closeAfterJob_ = false; // the window was closed while a job ran
};

} // namespace plask::ui
