#pragma once
// What the desktop program remembers between runs besides "plask.ini" (whose
// fixed layout holds the analysis settings only): the recent files and the
// folder the file dialogs last ended in, the last "Photon file" choice per
// format. Kept in the user's configuration
// folder through QSettings.

#include "core/photon_selection.h"

#include <QString>
#include <QStringList>

#include <map>
#include <string>

namespace plask::ui {

[[nodiscard]] QStringList recentFiles();
// Puts a file in front of the recent files (the last 8 are kept).
void rememberRecentFile(const QString& path);
void forgetRecentFiles();

[[nodiscard]] QString lastUsedFolder();
void rememberFolder(const QString& folder);

// The channels, gate and window last chosen for each time-tag format (the
// .spc layout is chosen per file and not kept).
[[nodiscard]] std::map<std::string, PhotonSelection> photonChoices();
void rememberPhotonChoice(const std::string& format, const PhotonSelection& selection);
void forgetPhotonChoices();

} // namespace plask::ui
