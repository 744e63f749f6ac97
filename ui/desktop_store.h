#pragma once
// What the desktop program remembers between runs besides "plask.ini" (whose
// fixed layout holds the analysis settings only): the recent files and the
// folder the file dialogs last ended in. Kept in the user's configuration
// folder through QSettings.

#include <QString>
#include <QStringList>

namespace plask::ui {

[[nodiscard]] QStringList recentFiles();
// Puts a file in front of the recent files (the last 8 are kept).
void rememberRecentFile(const QString& path);
void forgetRecentFiles();

[[nodiscard]] QString lastUsedFolder();
void rememberFolder(const QString& folder);

} // namespace plask::ui
