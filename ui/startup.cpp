#include "ui/startup.h"

#include "view/panel_settings.h"
#include "core/settings_file.h"
#include "ui/commands.h"
#include "ui/desktop_store.h"
#include "ui/main_window.h"
#include "ui/qt_platform.h"

#include <QApplication>
#include <QScreen>

namespace plask::ui {

ScreenMetrics primaryScreenMetrics()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {};
    return { screen->geometry().width(), screen->geometry().height(), screen->availableGeometry().height() };
}

std::unique_ptr<MainWindow> startProgram(AppState& state, QtPlatform& platform, const ScreenMetrics& screen)
{
    if (!screenLargeEnough(screen)) {
        platform.showMessage(displayErrorText, displayErrorCaption, Owner::none);
        return nullptr;
    }
    if (!loadSettings(state.store))
        writeDefaultSettings(state.store);
    initialiseShellState(state);
    state.photonChoices = photonChoices(); // the last "Photon file" choices of earlier runs
    AnalysisSettings& settings = state.settings();
    if (static_cast<std::uint32_t>(settings.minPhotonsPerBurst) < static_cast<std::uint32_t>(settings.triggerLevel))
        settings.minPhotonsPerBurst = settings.triggerLevel;
    return std::make_unique<MainWindow>(state, platform, windowGeometry(screen));
}

void openAtStart(MainWindow& window, QtPlatform& platform, const QString& path)
{
    platform.pendingOpenFiles.push_back(path.toStdString());
    window.runCommand(cmdOpen);
    platform.pendingOpenFiles.clear();
}

int runProgram(QApplication& app, const QStringList& arguments)
{
    AppState state;
    QtPlatform platform;
    const std::unique_ptr<MainWindow> window = startProgram(state, platform, primaryScreenMetrics());
    if (!window)
        return 0;
    window->show();
    if (arguments.size() > 1)
        openAtStart(*window, platform, arguments.at(1));
    return app.exec();
}

} // namespace plask::ui
