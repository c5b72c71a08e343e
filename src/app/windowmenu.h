#pragma once

#include "session/radiosession.h"

#include <QMenu>

class QAction;

namespace quenda {

// The window-menu entries: "选择端口...", the connection method and the About box, then the
// profile entries and "通信记录...". Kept in the
// window's system menu where the platform has one the program can reach (Windows), and offered
// as the context menu of the window's free area everywhere.
class CWindowMenu : public QMenu {
    Q_OBJECT
public:
    explicit CWindowMenu(QWidget *window);

    // Moves the check mark.
    void setConnectMethod(ConnectMethod method);
    // Runs the entry of a system command; false when the command is not one of ours.
    bool handleSystemCommand(void *nativeMessage);

signals:
    void selectPortChosen();
    void connectMethodChosen(ConnectMethod method);
    void aboutChosen();
    void exportProfileChosen();
    void importProfileChosen();
    void backupsChosen();
    void compareChosen();
    void commLogChosen();

private:
    QWidget *m_window;
    QAction *m_powerOnAction;
    QAction *m_softDiagAction;
};

} // namespace quenda
