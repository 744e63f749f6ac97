#include "ui/desktop_store.h"

#include "view/recent_files.h"

#include <QSettings>

namespace plask::ui {

namespace {
    QSettings store() { return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Plask"), QStringLiteral("plask-desktop")); }
    const QString recentKey = QStringLiteral("recentFiles");
    const QString folderKey = QStringLiteral("lastFolder");
} // namespace

QStringList recentFiles() { return store().value(recentKey).toStringList(); }

void rememberRecentFile(const QString& path)
{
    std::vector<std::string> list;
    for (const QString& entry : recentFiles())
        list.push_back(entry.toStdString());
    QStringList updated;
    for (const std::string& entry : withRecentFile(std::move(list), path.toStdString()))
        updated.append(QString::fromStdString(entry));
    store().setValue(recentKey, updated);
}

void forgetRecentFiles() { store().remove(recentKey); }

QString lastUsedFolder() { return store().value(folderKey).toString(); }

void rememberFolder(const QString& folder)
{
    if (!folder.isEmpty())
        store().setValue(folderKey, folder);
}

} // namespace plask::ui
