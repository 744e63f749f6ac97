#include "ui/desktop_store.h"

#include "core/photon_choice_text.h"
#include "formats/tttr_file.h"
#include "view/recent_files.h"

#include <QSettings>

namespace plask::ui {

namespace {
    QSettings store() { return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Plask"), QStringLiteral("plask-desktop")); }
    const QString recentKey = QStringLiteral("recentFiles");
    const QString folderKey = QStringLiteral("lastFolder");
    const QString photonKey = QStringLiteral("photonChoices");

    // One choice as "format|channels|gate from|gate to|window start|window
    // duration|spc layout": the fields as the dialogs show them, so a stored
    // choice reads back exactly.
    QString choiceEntry(const std::string& format, const PhotonSelection& selection)
    {
        const PhotonChoiceTexts t = photonChoiceTexts(selection);
        QStringList fields { QString::fromStdString(format) };
        for (const std::string* field : { &t.channels, &t.gateFromNs, &t.gateToNs, &t.windowStartS, &t.windowDurationS })
            fields << QString::fromStdString(*field);
        fields << QString::fromStdString(selection.spcType);
        return fields.join(u'|');
    }
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

std::map<std::string, PhotonSelection> photonChoices()
{
    std::map<std::string, PhotonSelection> choices;
    for (const QString& entry : store().value(photonKey).toStringList()) {
        const QStringList f = entry.split(u'|');
        if (f.size() != 6 && f.size() != 7) // stores written before the layout was kept have 6
            continue;
        PhotonChoiceRead read = photonChoiceFromTexts(
            { f[1].toStdString(), f[2].toStdString(), f[3].toStdString(), f[4].toStdString(), f[5].toStdString() });
        if (f.size() == 7)
            read.selection.spcType = f[6].toStdString();
        if (read.error.empty() && formats::spcTypeFromText(read.selection.spcType))
            choices[f[0].toStdString()] = read.selection;
    }
    return choices;
}

void rememberPhotonChoice(const std::string& format, const PhotonSelection& selection)
{
    QStringList entries;
    const QString prefix = QString::fromStdString(format) + u'|';
    for (const QString& entry : store().value(photonKey).toStringList())
        if (!entry.startsWith(prefix))
            entries << entry;
    entries << choiceEntry(format, selection);
    store().setValue(photonKey, entries);
}

void forgetPhotonChoices() { store().remove(photonKey); }

} // namespace plask::ui
