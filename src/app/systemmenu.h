#pragma once

#include <QList>

class QAction;
class QMenu;
class QWidget;

namespace quenda {

// Mirrors the window-menu entries into the window's system menu where the platform has one the
// program can reach (Windows); elsewhere they are offered as the window's context menu only.
class SystemMenu {
public:
    // Removes restore, size and maximise, then appends the entries of `menu` with the command
    // numbers of `commands` (one per action, in menu order, submenus included).
    static void install(QWidget *window, QMenu *menu, const QList<int> &commands);
    // Keeps the system menu's check marks in step with the actions.
    static void syncChecks(QWidget *window, QMenu *menu, const QList<int> &commands);
    // Runs the action of a system command; false when the command is not one of ours.
    static bool handleCommand(QMenu *menu, const QList<int> &commands, void *nativeMessage);
};

} // namespace quenda
