#pragma once
// Menus of the page windows, built from a table of command ids and captions.

#include <QString>

#include <functional>
#include <map>
#include <span>

class QAction;
class QMenu;
class QMenuBar;
class QObject;

namespace plask::ui {

struct MenuEntry {
    int id = 0; // 0: separator
    const char* caption = nullptr;
};

// Adds a menu titled `title` to `bar` with one action per entry (object name
// "action<id>"), each calling `run(id)`; the actions are recorded by id.
QMenu* addCommandMenu(QMenuBar* bar, const QString& title, std::span<const MenuEntry> entries, QObject* context,
    const std::function<void(int)>& run, std::map<int, QAction*>& actions);

} // namespace plask::ui
