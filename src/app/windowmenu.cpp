#include "app/windowmenu.h"

#include "app/systemmenu.h"

#include <QActionGroup>

namespace quenda {
namespace {
// Command numbers of the entries, in menu order: port, power-on, soft diagnosis, About.
const QList<int> kSystemCommands{17, 18, 19, 16};
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
