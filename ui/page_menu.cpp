#include "ui/page_menu.h"

#include <QMenu>
#include <QMenuBar>

namespace plask::ui {

QMenu* addCommandMenu(QMenuBar* bar, const QString& title, std::span<const MenuEntry> entries, QObject* context,
    const std::function<void(int)>& run, std::map<int, QAction*>& actions)
{
    QMenu* menu = bar->addMenu(title);
    for (const MenuEntry& entry : entries) {
        if (entry.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromLatin1(entry.caption));
        action->setObjectName(QStringLiteral("action%1").arg(entry.id));
        QObject::connect(action, &QAction::triggered, context, [run, id = entry.id] { run(id); });
        actions[entry.id] = action;
    }
    return menu;
}

} // namespace plask::ui
