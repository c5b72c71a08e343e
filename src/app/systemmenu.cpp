#include "app/systemmenu.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace quenda {
namespace {
// The actions in menu order, descending into submenus; separators are skipped.
QList<QAction *> commandActions(QMenu *menu)
{
    QList<QAction *> out;
    for (QAction *action : menu->actions()) {
        if (action->menu())
            out << commandActions(action->menu());
        else if (!action->isSeparator())
            out << action;
    }
    return out;
}

#ifdef Q_OS_WIN
void appendEntries(HMENU target, QMenu *menu, const QList<QAction *> &actions,
                   const QList<int> &commands)
{
    for (QAction *action : menu->actions()) {
        if (action->isSeparator()) {
            AppendMenuW(target, MF_SEPARATOR, 0, nullptr);
        } else if (QMenu *sub = action->menu()) {
            HMENU popup = CreatePopupMenu();
            appendEntries(popup, sub, actions, commands);
            AppendMenuW(target, MF_POPUP, UINT_PTR(popup),
                        reinterpret_cast<LPCWSTR>(sub->title().utf16()));
        } else {
            const int index = int(actions.indexOf(action));
            UINT flags = MF_STRING | (action->isChecked() ? MF_CHECKED : MF_UNCHECKED);
            AppendMenuW(target, flags, UINT_PTR(commands.value(index)),
                        reinterpret_cast<LPCWSTR>(action->text().utf16()));
        }
    }
}
#endif
} // namespace

void SystemMenu::install(QWidget *window, QMenu *menu, const QList<int> &commands)
{
#ifdef Q_OS_WIN
    HMENU system = GetSystemMenu(HWND(window->winId()), FALSE);
    if (!system)
        return;
    RemoveMenu(system, SC_RESTORE, MF_BYCOMMAND);
    RemoveMenu(system, SC_SIZE, MF_BYCOMMAND);
    RemoveMenu(system, SC_MAXIMIZE, MF_BYCOMMAND);
    AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
    appendEntries(system, menu, commandActions(menu), commands);
#else
    Q_UNUSED(window);
    Q_UNUSED(menu);
    Q_UNUSED(commands);
#endif
}

void SystemMenu::syncChecks(QWidget *window, QMenu *menu, const QList<int> &commands)
{
#ifdef Q_OS_WIN
    HMENU system = GetSystemMenu(HWND(window->winId()), FALSE);
    const QList<QAction *> actions = commandActions(menu);
    for (int i = 0; system && i < actions.size(); ++i) {
        if (actions[i]->isCheckable())
            CheckMenuItem(system, UINT(commands.value(i)),
                          MF_BYCOMMAND | (actions[i]->isChecked() ? MF_CHECKED : MF_UNCHECKED));
    }
#else
    Q_UNUSED(window);
    Q_UNUSED(menu);
    Q_UNUSED(commands);
#endif
}

bool SystemMenu::handleCommand(QMenu *menu, const QList<int> &commands, void *nativeMessage)
{
#ifdef Q_OS_WIN
    const MSG *msg = static_cast<const MSG *>(nativeMessage);
    if (msg->message != WM_SYSCOMMAND)
        return false;
    const int index = int(commands.indexOf(int(msg->wParam)));
    const QList<QAction *> actions = commandActions(menu);
    if (index < 0 || index >= actions.size())
        return false;
    actions[index]->trigger();
    return true;
#else
    Q_UNUSED(menu);
    Q_UNUSED(commands);
    Q_UNUSED(nativeMessage);
    return false;
#endif
}

} // namespace quenda
