#include "app/windowmenu.h"

#include "app/systemmenu.h"

#include <QActionGroup>

namespace quenda {
namespace {
// Command numbers of the entries, in menu order: port, power-on, soft diagnosis, About, then
// export, import, backups, compare and the communication log.
const QList<int> kSystemCommands{17, 18, 19, 16, 20, 21, 22, 23, 24};
} // namespace

CWindowMenu::CWindowMenu(QWidget *window) : QMenu(window), m_window(window)
{
    setObjectName(QStringLiteral("systemMenu"));
    QAction *selectPort = addAction(QStringLiteral("选择端口..."));
    selectPort->setObjectName(QStringLiteral("selectPortAction"));
    connect(selectPort, &QAction::triggered, this, &CWindowMenu::selectPortChosen);

    QMenu *methods = addMenu(QStringLiteral("设置连接方法"));
    auto *group = new QActionGroup(methods);
    m_powerOnAction = methods->addAction(QStringLiteral("加电连接"));
    m_powerOnAction->setObjectName(QStringLiteral("powerOnAction"));
    m_softDiagAction = methods->addAction(QStringLiteral("软诊断"));
    m_softDiagAction->setObjectName(QStringLiteral("softDiagAction"));
    for (QAction *action : {m_powerOnAction, m_softDiagAction}) {
        action->setCheckable(true);
        group->addAction(action);
    }
    connect(m_powerOnAction, &QAction::triggered, this,
            [this] { emit connectMethodChosen(ConnectMethod::PowerOn); });
    connect(m_softDiagAction, &QAction::triggered, this,
            [this] { emit connectMethodChosen(ConnectMethod::SoftDiagnostic); });
    setConnectMethod(ConnectMethod::SoftDiagnostic);

    addSeparator();
    QAction *about = addAction(QStringLiteral("关于 QUENDA(&A)..."));
    about->setObjectName(QStringLiteral("aboutAction"));
    connect(about, &QAction::triggered, this, &CWindowMenu::aboutChosen);

    addSeparator();
    const struct {
        const char *name;
        const char *text;
        void (CWindowMenu::*chosen)();
    } profileEntries[] = {
        {"exportProfileAction", "导出配置...", &CWindowMenu::exportProfileChosen},
        {"importProfileAction", "导入配置...", &CWindowMenu::importProfileChosen},
        {"backupsAction", "备份与恢复...", &CWindowMenu::backupsChosen},
        {"compareAction", "与文件比较...", &CWindowMenu::compareChosen},
    };
    for (const auto &entry : profileEntries) {
        QAction *action = addAction(QString::fromUtf8(entry.text));
        action->setObjectName(QLatin1String(entry.name));
        connect(action, &QAction::triggered, this, entry.chosen);
    }

    addSeparator();
    QAction *commLog = addAction(QStringLiteral("通信记录..."));
    commLog->setObjectName(QStringLiteral("commLogAction"));
    connect(commLog, &QAction::triggered, this, &CWindowMenu::commLogChosen);
    SystemMenu::install(m_window, this, kSystemCommands);
}

void CWindowMenu::setConnectMethod(ConnectMethod method)
{
    m_powerOnAction->setChecked(method == ConnectMethod::PowerOn);
    m_softDiagAction->setChecked(method == ConnectMethod::SoftDiagnostic);
    SystemMenu::syncChecks(m_window, this, kSystemCommands);
}

bool CWindowMenu::handleSystemCommand(void *nativeMessage)
{
    return SystemMenu::handleCommand(this, kSystemCommands, nativeMessage);
}

} // namespace quenda
