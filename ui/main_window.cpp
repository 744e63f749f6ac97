#include "ui/main_window.h"

#include "chart/chart.h"
#include "chart/chart_page.h"
#include "analysis/background.h"
#include "analysis/burst_analysis.h"
#include "analysis/burst_files.h"
#include "analysis/smoothing.h"
#include "analysis/stream_math.h"
#include "chart/printing.h"
#include "correlation/correlation_commands.h"
#include "correlation/correlation_files.h"
#include "correlation/segmental_correlation.h"
#include "formats/load_workflow.h"
#include "view/navigator.h"
#include "view/status_text.h"
#include "view/trace_navigation.h"
#include "view/panel_settings.h"
#include "formats/photon_count_file.h"
#include "core/settings_file.h"
#include "view/shell_commands.h"
#include "core/text_format.h"
#include "ui/app_icon.h"
#include "ui/commands.h"
#include "ui/desktop_store.h"
#include "ui/control_panel.h"
#include "ui/dialogs/batch_dialog.h"
#include "ui/dialogs/setup_commands.h"
#include "ui/overview_strip.h"
#include "ui/job_bar.h"
#include "ui/job_commands.h"
#include "ui/pch_page.h"
#include "ui/qt_platform.h"
#include "ui/results_window.h"
#include "ui/trace_view.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace plask::ui {

namespace {
    QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
} // namespace

MainWindow::MainWindow(AppState& state, QtPlatform& platform, const WindowGeometry& geometry)
    : state_(state)
    , platform_(platform)
{
    setObjectName(QStringLiteral("Plask"));
    setWindowTitle(QStringLiteral("Plask.exe - Photon Stream Analysis"));
    setWindowIcon(appIcon());
    setAcceptDrops(true);
    buildMenu();
    buildAccelerators();

    auto* client = new QWidget(this);
    client->setAutoFillBackground(true);
    QPalette white = client->palette();
    white.setColor(QPalette::Window, Qt::white);
    client->setPalette(white);
    tracePage_ = new chart::ChartPage(QStringLiteral("page1"), client);
    panel_ = new ControlPanel(client);
    // The panel stays docked along the bottom at full width; the trace takes the rest.
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tracePage_, 1);
    panel_->setFixedHeight(panel_->panelHeight());
    setCentralWidget(client);

    panel_->initialise(state_);
    connect(panel_, &ControlPanel::command, this, &MainWindow::runCommand);
    connect(panel_, &ControlPanel::zoomScrolled, this, &MainWindow::applyZoom);
    connect(panel_, &ControlPanel::segmentScrolled, this, &MainWindow::selectSegment);

    trace_ = new TraceView(state_, *tracePage_);
    trace_->setParent(this);
    connect(trace_, &TraceView::navigated, this, &MainWindow::followNavigation);
    overview_ = new OverviewStrip(state_, *trace_, client);
    connect(overview_, &OverviewStrip::navigated, this, &MainWindow::followNavigation);
    layout->addWidget(overview_, 0);
    layout->addWidget(panel_, 0);
    connect(trace_, &TraceView::backgroundRegionSelected, this, [this] {
        showBackgroundCounts();
        platform_.refreshStatisticsPanel(state_.activeChannel);
    });

    results_ = new ResultsWindow(state_, platform_, this);
    results_->setGeometry(geometry.results.x, geometry.results.y, geometry.results.width, geometry.results.height);
    results_->hide();
    connect(results_, &ResultsWindow::closeRequested, this, [this] { runCommand(cmdResults); });

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusText"));
    statusBar()->addWidget(status_, 1);
    showStatus();
    jobBar_ = new JobBar(this);
    statusBar()->addPermanentWidget(jobBar_);
    platform_.jobs().attach(jobBar_);
    connect(jobBar_, &JobBar::cancelRequested, this, [this] { platform_.jobs().cancel(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        if (platform_.jobs().running())
            platform_.jobs().cancel();
    });

    setGeometry(geometry.main.x, geometry.main.y, geometry.main.width, geometry.main.height);
    platform_.attach(this);
}

MainWindow::~MainWindow() { platform_.attach(nullptr); }

void MainWindow::buildMenu()
{
    for (const MenuDefinition& definition : mainMenu) {
        QMenu* menu = menuBar()->addMenu(qs(definition.title));
        for (const MenuItem& item : definition.items) {
            if (item.id == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(qs(item.caption));
            action->setObjectName(QStringLiteral("action%1").arg(item.id));
            action->setCheckable(isCheckable(item.id));
            const int id = item.id;
            connect(action, &QAction::triggered, this, [this, action, id] {
                // Check marks follow the program's state, not the click.
                if (action->isCheckable())
                    action->setChecked(!action->isChecked());
                runCommand(id);
            });
            actions_[id] = action;
        }
        if (definition.items.front().id == cmdOpen)
            buildRecentFilesMenu(*menu);
    }
    // The keys desktop programs share, beside the accelerators of the trace.
    actions_.at(cmdOpen)->setShortcut(QKeySequence::Open);
    actions_.at(cmdSaveData)->setShortcut(QKeySequence::Save);
    actions_.at(cmdHelpIndex)->setShortcut(QKeySequence::HelpContents);
    for (QAction* action : { actions_.at(cmdOpen), actions_.at(cmdSaveData), actions_.at(cmdHelpIndex) })
        action->setShortcutContext(Qt::WindowShortcut);
}

void MainWindow::buildRecentFilesMenu(QMenu& menu)
{
    recentMenu_ = new QMenu(QStringLiteral("Recent files"), &menu);
    recentMenu_->setObjectName(QStringLiteral("recentFilesMenu"));
    // Right under "Close", so Open, Close and the recent files sit together.
    const QList<QAction*> items = menu.actions();
    QAction* before = items.size() > 2 ? items.at(2) : nullptr;
    menu.insertMenu(before, recentMenu_);
    connect(recentMenu_, &QMenu::aboutToShow, this, &MainWindow::fillRecentFilesMenu);
    fillRecentFilesMenu();
}

void MainWindow::fillRecentFilesMenu()
{
    recentMenu_->clear();
    const QStringList files = recentFiles();
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString path = files.at(i);
        QAction* action = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
        action->setObjectName(QStringLiteral("recentFile%1").arg(i));
        action->setToolTip(path);
        action->setStatusTip(path);
        connect(action, &QAction::triggered, this, [this, path] { openFile(path); });
    }
    recentMenu_->menuAction()->setEnabled(!files.isEmpty());
}

void MainWindow::openFile(const QString& path)
{
    // A drop or a recent file while a job runs would ask and release the
    // channel under it: refused like the other commands.
    if (refusedDuringJob(cmdOpen))
        return;
    if (!QFileInfo::exists(path)) {
        platform_.showMessage("Error opening file.", "File I/O Error", Owner::mainWindow);
        return;
    }
    openFileCommand(state_, platform_, path.toStdString());
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.constFirst().isLocalFile())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.constFirst().isLocalFile())
        return;
    event->acceptProposedAction();
    // One stream per channel: the first file of a drop of several.
    openFile(urls.constFirst().toLocalFile());
}

QString MainWindow::statusText() const { return status_->text(); }

void MainWindow::showStatus() { status_->setText(QString::fromStdString(plask::statusText(state_))); }

void MainWindow::buildAccelerators()
{
    const std::pair<Qt::Key, int> keys[] = { { Qt::Key_Left, cmdPreviousSegment },
        { Qt::Key_PageDown, cmdNextBurst }, { Qt::Key_PageUp, cmdPreviousBurst }, { Qt::Key_Right, cmdNextSegment } };
    for (const auto& [key, id] : keys) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, id = id] { runCommand(id); });
    }
}

QAction* MainWindow::menuAction(int id) const
{
    const auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second;
}

void MainWindow::runCommand(int id)
{
    if (!refusedDuringJob(id))
        dispatch(id);
}

bool MainWindow::refusedDuringJob(int id)
{
    if (!platform_.jobs().running() || runsDuringJob(id))
        return false;
    statusBar()->showMessage(tr("Busy: wait for the running computation to end, or press Cancel (Esc)."), 5000);
    return true;
}

void MainWindow::jobStarted() { enableCommandsForJob(true); }

void MainWindow::jobEnded()
{
    enableCommandsForJob(false);
    // A close while the job ran cancelled it; the window closes once the
    // command that ran the job has returned to the event loop.
    if (closeAfterJob_) {
        closeAfterJob_ = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void MainWindow::enableCommandsForJob(bool running)
{
    for (const auto& [id, action] : actions_)
        action->setEnabled(!running || runsDuringJob(id));
}

void MainWindow::dispatch(int id)
{
    switch (id) {
    case cmdAutoscaleHistograms:
        toggleSetting(id, state_.settings().autoscaleHistograms);
        break;
    case cmdAutoscaleY:
        toggleSetting(id, state_.settings().autoscaleY);
        break;
    case cmdSubtractBackground:
        toggleSetting(id, state_.settings().subtractBackground);
        break;
    case cmdShowMarkers:
        state_.showMarkers = !state_.showMarkers;
        panel_->setChecked(id, state_.showMarkers);
        break;
    case cmdSelectPS1:
        setActiveChannel(0);
        break;
    case cmdSelectPS2:
        setActiveChannel(1);
        break;
    case cmdPreviousBurst:
    case cmdNextBurst:
        showBurst(trace_->stepBurst(id));
        break;
    case cmdNextSegment:
    case cmdPreviousSegment:
        stepSegment(id);
        break;
    case cmdExit:
        close();
        break;
    case cmdHelpIndex:
        helpIndexCommand(platform_);
        break;
    case cmdClose:
        closeCommand(state_, platform_);
        break;
    case cmdSelectBackground:
        toggleBackgroundSelection(state_, platform_);
        syncSelectionChecks();
        break;
    case cmdSelectRegion:
        toggleRegionSelection(state_, platform_);
        syncSelectionChecks();
        break;
    case cmdResults:
        toggleResultsWindow(state_, platform_);
        break;
    case cmdDisplaySetup:
    case cmdFcsSetup:
    case cmdHistogramSetup:
    case cmdAbout:
        runSetupDialog(id, state_, platform_, this, [this] { runCommand(cmdAutoscaleY); });
        break;
    case cmdShowData:
        showData();
        break;
    case cmdPrintResults:
    case cmdPrintBurstHist:
        printResults();
        break;
    case cmdPrintSetup:
    case cmdPrintSetupMenu:
        chart::runPrintSetup(nullptr);
        break;
    case cmdPrinterOptions:
    case cmdPrinterOptionsMenu:
        chart::runPrinterOptions(this);
        break;
    case cmdBatch:
        runBatchDialog(state_, platform_, this);
        break;
    default:
        runAnalysisCommand(id);
        break;
    }
}

void MainWindow::toggleSetting(int id, std::int32_t& value)
{
    value = value != 0 ? 0 : 1;
    panel_->setChecked(id, value != 0);
}

void MainWindow::setActiveChannel(int channel)
{
    state_.activeChannel = channel;
    showActiveChannel(channel);
}

void MainWindow::showActiveChannel(int channel)
{
    panel_->setActiveChannel(channel);
    // The burst markers belong to the channel they were placed for.
    drawTrace();
}

void MainWindow::syncSelectionChecks()
{
    actions_.at(cmdSelectBackground)->setChecked(state_.selectionMode == SelectionMode::background);
    actions_.at(cmdSelectRegion)->setChecked(state_.selectionMode == SelectionMode::region);
}

void MainWindow::selectionEnded(int menuItem)
{
    if (QAction* action = menuAction(menuItem))
        action->setChecked(false);
    trace_->parkSelectionMarkers();
    trace_->chart().redraw();
}

void MainWindow::showResultsWindow(bool visible)
{
    actions_.at(cmdResults)->setChecked(visible);
    results_->setVisible(visible);
}

void MainWindow::redrawTrace()
{
    trace_->streamsChanged();
    drawTrace();
}

void MainWindow::drawTrace()
{
    showBurst(trace_->redraw());
    overview_->update();
    showStatus();
}

void MainWindow::followNavigation()
{
    const NavigatorState& nav = state_.navigator;
    panel_->setZoomSlider(lowestZoomStep(nav), nav.zoomMax, nav.zoomStep);
    const std::uint32_t segments = nav.segmentsInStream;
    panel_->setSegmentSlider(static_cast<int>(segments) - 1, static_cast<int>(segmentPageSize(segments)),
        static_cast<int>(nav.currentSegment));
    panel_->setNavigatorTexts(QString::fromStdString(segmentTimeText(nav)), QString::fromStdString(segmentNumberText(nav)));
    drawTrace();
}

void MainWindow::showBurst(const std::optional<BurstCursor>& cursor)
{
    if (cursor)
        panel_->setBurstTexts(QString::fromStdString(cursor->numberText),
            QString::fromStdString(cursor->descriptionText));
}

void MainWindow::resetNavigator()
{
    // A new stream, or none: its envelope is built at the first redraw.
    trace_->streamsChanged();
    // Only a finished load resets the navigator: the file joins the recent ones.
    if (isLoaded(state_, state_.activeChannel))
        rememberRecentFile(QString::fromStdString(streamOf(state_, state_.activeChannel).filePath));
    plask::resetZoom(state_);
    const NavigatorState& nav = state_.navigator;
    panel_->setZoomSlider(lowestZoomStep(nav), nav.zoomMax, nav.zoomStep);
    applyZoom(nav.zoomStep);
    panel_->showStreamInfo(state_);
    resetSegments();
}

void MainWindow::showStreamInfo()
{
    trace_->streamsChanged();
    panel_->showStreamInfo(state_);
    showStatus();
}

void MainWindow::applyZoom(int position)
{
    plask::applyZoom(state_, position);
    panel_->setNavigatorTexts(QString::fromStdString(segmentTimeText(state_.navigator)),
        QString::fromStdString(segmentNumberText(state_.navigator)));
    resetSegments();
}

void MainWindow::resetSegments()
{
    const std::uint32_t segments = state_.navigator.segmentsInStream;
    plask::selectSegment(state_, 0);
    panel_->setSegmentSlider(static_cast<int>(segments) - 1, static_cast<int>(segmentPageSize(segments)), 0);
    panel_->setNavigatorTexts(QString::fromStdString(segmentTimeText(state_.navigator)), QStringLiteral("1"));
    drawTrace();
}

void MainWindow::selectSegment(int position)
{
    plask::selectSegment(state_, static_cast<std::uint32_t>(std::max(0, position)));
    panel_->setNavigatorTexts(QString::fromStdString(segmentTimeText(state_.navigator)),
        QString::fromStdString(segmentNumberText(state_.navigator)));
    drawTrace();
}

void MainWindow::stepSegment(int command)
{
    if (!panel_->segmentSliderHasFocus())
        return;
    if (const std::optional<std::uint32_t> segment = steppedSegment(state_.navigator, command)) {
        panel_->setSegmentPosition(static_cast<int>(*segment));
        selectSegment(static_cast<int>(*segment));
    }
}

void MainWindow::showBackgroundCounts()
{
    panel_->setBackgroundCountsText(
        QString::fromStdString(formatText("%u", static_cast<unsigned>(state_.settings().backgroundCounts))));
}

void MainWindow::showData() { trace_->chart().showDataWindow(trace_->plotOf(state_.activeChannel)); }

void MainWindow::printResults() { results_->print(); }

bool MainWindow::runAnalysisCommand(int id)
{
    const int channel = state_.activeChannel;
    switch (id) {
    case cmdOpen:
        openCommand(state_, platform_);
        return true;
    case cmdSaveData:
        saveDataCommand(state_, platform_);
        return true;
    case cmdAutocorrelation:
        autocorrelationCommand(state_, platform_, channel);
        return true;
    case cmdCrossCorrelation:
        crossCorrelationCommand(state_, platform_, channel);
        return true;
    case cmdPch:
        runPchPageCommand(state_, platform_, this);
        return true;
    case cmdBurstAnalysis:
        runBurstAnalysis(state_, platform_);
        // The new bursts' markers replace those of the last run at once.
        drawTrace();
        return true;
    case cmdSmooth:
        runSmoothCommand(state_, platform_);
        return true;
    case cmdEstimateBackground:
        runEstimateBackground(state_, platform_);
        return true;
    case cmdPs1MinusC1:
    case cmdPs1PlusC1:
    case cmdPs2MinusC2:
    case cmdPs2PlusC2:
    case cmdPs1TimesA1:
    case cmdPs2TimesA2:
    case cmdPs1PlusPs2:
    case cmdPs1MinusPs2:
    case cmdPs1PlusNoise:
    case cmdPs2PlusNoise:
    case cmdBleedthrough:
        runMathCommand(state_, platform_, id);
        return true;
    case cmdSaveBurstData:
        saveBurstData(state_, platform_);
        return true;
    case cmdSaveHistograms:
        saveHistograms(state_, platform_);
        return true;
    case cmdSegAutocorrelation:
        segmentalAutocorrelationCommand(state_, platform_, channel);
        return true;
    case cmdSaveFcs:
        saveFcsResultsCommand(state_, platform_, channel);
        return true;
    case cmdSaveSegment:
        saveSegmentCommand(state_, platform_, channel, trace_->buffers());
        return true;
    default:
        // Menu items without an action: "Analyze Co-Bursts", "Seg. Cross-Correlation", "Seg. FCS Setup".
        return false;
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The running job is cancelled and its command returns first; nothing
    // is released under it.
    if (platform_.jobs().running()) {
        platform_.jobs().cancel();
        closeAfterJob_ = true;
        event->ignore();
        return;
    }
    // The panel's fields become the settings, which are saved in the start folder.
    readPanelSettings(state_, platform_);
    saveSettings(state_.store);
    for (int channel = 0; channel < channelCount; ++channel) {
        releaseStream(streamOf(state_, channel));
        releaseBurstSet(burstSetOf(state_, channel));
    }
    state_.loadedFlags = {};
    state_.burstDataPresent = {};
    // The results window and any PCH pages go with the main window, so the program ends.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isWindow())
            child->hide();
    event->accept();
}

} // namespace plask::ui
