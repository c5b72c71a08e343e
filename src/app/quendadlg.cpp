#include "app/quendadlg.h"

#include "app/aboutdlg.h"
#include "app/commlogwindow.h"
#include "app/leavequestion.h"
#include "app/progressdlgs.h"
#include "app/resources.h"
#include "link/selectportdlg.h"
#include "pages/basicinfopage.h"
#include "pages/channellistpage.h"
#include "pages/radiopage.h"
#include "pages/serialpage.h"
#include "protocol/messages.h"
#include "ui/dialogunits.h"
#include "ui/messagebox.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <optional>
#include <utility>

namespace quenda {
namespace {
QIcon applicationIcon()
{
    QIcon icon;
    for (const char *size : {"32", "48", "256"})
        icon.addFile(QStringLiteral(":/res/icon128-%1.png").arg(QLatin1String(size)));
    return icon;
}
} // namespace

CQuendaDlg::CQuendaDlg(QuendaEnvironment env, QWidget *parent)
    : QDialog(parent),
      m_session(std::make_unique<RadioSession>(std::move(env), static_cast<SessionHost &>(*this)))
{
    buildWindow();
    m_systemMenu = new CWindowMenu(this);
    connect(m_systemMenu, &CWindowMenu::selectPortChosen, this, &CQuendaDlg::OnSelectPort);
    connect(m_systemMenu, &CWindowMenu::connectMethodChosen, this, &CQuendaDlg::setConnectMethod);
    connect(m_systemMenu, &CWindowMenu::aboutChosen, this, &CQuendaDlg::OnAbout);
    connect(m_systemMenu, &CWindowMenu::exportProfileChosen, this, &CQuendaDlg::OnExportProfile);
    connect(m_systemMenu, &CWindowMenu::importProfileChosen, this, &CQuendaDlg::OnImportProfile);
    connect(m_systemMenu, &CWindowMenu::backupsChosen, this, &CQuendaDlg::OnBackups);
    connect(m_systemMenu, &CWindowMenu::compareChosen, this, &CQuendaDlg::OnCompare);
    connect(m_systemMenu, &CWindowMenu::commLogChosen, this, &CQuendaDlg::OnCommLog);
    // The modeless windows created on the way go with the main window.
    m_windows = std::make_unique<SessionWindows>(*m_session, this);
    followSession();
    if (m_session->settingsLoadResult() == SettingsFile::LoadResult::NotRegular) {
        // Told once the window is up, so the message stands over it.
        QTimer::singleShot(0, this, [this] {
            MessageBox::warn(this, messages::settingsFileNotRegular(QDir::toNativeSeparators(
                                       m_session->settingsFile().path())));
        });
    }
    applyButtonStates(WindowEvent::Start);
}

CQuendaDlg::~CQuendaDlg()
{
    // It reads the session's log, which goes before the window's children do.
    delete m_commLogWindow;
}

void CQuendaDlg::buildWindow()
{
    initResources();
    setObjectName(QStringLiteral("quendaDlg"));
    setWindowTitle(QStringLiteral("QUENDA"));
    setWindowIcon(applicationIcon());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(DialogUnits::dialogFont());
    setFixedSize(DialogUnits::size(379, 185));

    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("logo"));
    logo->setPixmap(QPixmap(QStringLiteral(":/res/bitmap129.png")));
    logo->setGeometry(DialogUnits::rect(3, 5, 93, 43));
    logo->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto *group = new QGroupBox(this);
    DialogUnits::place(group, 9, 54, 78, 75);

    // In creation order, which is the tab order. The last three are present but never shown:
    // the undo command is reached only through its enabled state.
    const struct {
        const char *name;
        const char *text;
        QRect units;
        std::optional<CommandButton> role;
        std::function<void()> run;
    } buttons[] = {
        {"openButton", "打开", {15, 65, 66, 16}, CommandButton::Open, [this] { OnConnect(); }},
        {"saveButton", "保存", {15, 86, 66, 16}, CommandButton::Save, [this] { OnSave(); }},
        {"closeButton", "关闭", {15, 107, 66, 16}, CommandButton::Close, [this] { OnCloseRadio(); }},
        {"exitButton", "退出", {15, 136, 66, 16}, {}, [this] { reject(); }},
        {"defaultsButton", "恢复出厂默认值", {15, 160, 66, 16}, CommandButton::Defaults,
         [this] { OnRestoreDefaults(); }},
        {"basicInfoButton", "基本信息", {116, 14, 50, 14}, {}, [this] { m_pages->show(m_pages->basicInfo()); }},
        {"radioInfoButton", "电台信息", {166, 14, 50, 14}, CommandButton::RadioInfo,
         [this] { m_pages->show(m_pages->radio()); }},
        {"serialInfoButton", "串口信息", {215, 14, 50, 14}, CommandButton::SerialInfo,
         [this] { m_pages->show(m_pages->serial()); }},
        {"channelButton", "频率", {265, 14, 50, 14}, {}, [this] { m_pages->show(m_pages->channels()); }},
        {"printButton", "打印", {}, CommandButton::Print, {}},
        {"helpButton", "帮助", {}, {}, {}},
        {"undoButton", "撤销所有改动", {}, CommandButton::Undo, [this] { OnUndoAll(); }},
    };
    for (const auto &spec : buttons) {
        auto *button = new QPushButton(QString::fromUtf8(spec.text), this);
        button->setObjectName(QLatin1String(spec.name));
        const QRect units = spec.units.isValid() ? spec.units : QRect(0, 0, 1, 1);
        DialogUnits::place(button, units.x(), units.y(), units.width(), units.height());
        if (!spec.units.isValid())
            button->hide();
        if (spec.role)
            m_commandButtons[*spec.role] = button;
        if (spec.run)
            connect(button, &QPushButton::clicked, this, spec.run);
    }

    m_pages = new CPageSet(m_session->config(), this, DialogUnits::rect(116, 27, 256, 150));
    connect(m_pages, &CPageSet::changed, this, &CQuendaDlg::MarkChanged);
}

void CQuendaDlg::setConnectMethod(ConnectMethod method)
{
    m_session->setConnectMethod(method);
    m_systemMenu->setConnectMethod(method);
}

void CQuendaDlg::contextMenuEvent(QContextMenuEvent *event)
{
    // X11 and Wayland give programs no window menu: its entries live on the free area instead.
    QWidget *under = childAt(event->pos());
    if (under && !qobject_cast<QLabel *>(under) && !qobject_cast<QGroupBox *>(under) &&
        !qobject_cast<CPage *>(under)) {
        event->ignore();
        return;
    }
    m_systemMenu->exec(event->globalPos());
}

#ifdef Q_OS_WIN
bool CQuendaDlg::nativeEvent(const QByteArray &eventType, void *message, qintptr *result)
{
    if (m_systemMenu->handleSystemCommand(message)) {
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

void CQuendaDlg::applyButtonStates(WindowEvent event)
{
    for (CommandButton button : kCommandButtons) {
        if (const std::optional<bool> on = buttonStateAfter(event, button))
            m_commandButtons.value(button)->setEnabled(*on);
    }
}

void CQuendaDlg::followSession()
{
    RadioSession *s = m_session.get();
    connect(s, &RadioSession::portNotChosen, this,
            [this] { MessageBox::inform(this, messages::choosePort()); });
    connect(s, &RadioSession::reportParsed, this, [this] {
        m_pages->fillFromRecord();
        applyButtonStates(WindowEvent::ReportShown);
    });
    connect(s, &RadioSession::readFailed, this, [this] {
        applyButtonStates(WindowEvent::ReadFailed);
        MessageBox::warn(this, messages::readNoAnswer());
    });
    connect(s, &RadioSession::backupFailed, this, [this](const QString &reason) {
        if (std::exchange(m_backupFailureTold, true))
            return;
        MessageBox::warn(this, messages::backupFailed(reason));
    });
    connect(s, &RadioSession::saveFinished, this,
            [this] { MessageBox::inform(this, messages::saveComplete()); });
    connect(s, &RadioSession::saveChecked, this,
            [this](const QList<ProfileDifference> &differences) {
                if (differences.isEmpty())
                    return;
                QStringList lines;
                for (const ProfileDifference &d : differences)
                    lines << messages::verifyLine(d.label, d.first, d.second);
                MessageBox::warn(this, messages::saveNotVerified(lines));
            });
    connect(s, &RadioSession::saveReportMissing, this,
            [this] { MessageBox::warn(this, messages::saveReportMissing()); });
    connect(s, &RadioSession::saveFailed, this,
            [this] { MessageBox::inform(this, messages::writeError()); });
    connect(s, &RadioSession::channelsIncomplete, this, [this] {
        MessageBox::ask(this, messages::channelsIncomplete(), messages::channelsIncompleteCaption());
    });
    connect(s, &RadioSession::defaultsRestored, this, &CQuendaDlg::MarkChanged);
    connect(s, &RadioSession::closed, this, &CQuendaDlg::showStart);
    connect(s, &RadioSession::connectionLost, this,
            [this] { applyButtonStates(WindowEvent::PortLost); });
    connect(s, &RadioSession::portLost, this, [this](const QString &description) {
        applyButtonStates(WindowEvent::PortLost);
        MessageBox::warn(this, description);
    });
    connect(s, &RadioSession::portError, this,
            [this](const QString &description) { MessageBox::warn(this, description); });
    connect(s, &RadioSession::readyToLeave, this, &CQuendaDlg::reject);
}

void CQuendaDlg::showStart()
{
    m_pages->clear();
    applyButtonStates(WindowEvent::Closed);
    m_pages->channels()->setDeleteEnabled(false);
}

void CQuendaDlg::MarkChanged()
{
    applyButtonStates(WindowEvent::Edited);
}

void CQuendaDlg::OnAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void CQuendaDlg::OnCommLog()
{
    if (m_commLogWindow) {
        m_commLogWindow->setWindowState(m_commLogWindow->windowState() & ~Qt::WindowMinimized);
        m_commLogWindow->show();
        m_commLogWindow->raise();
        m_commLogWindow->activateWindow();
        return;
    }
    m_commLogWindow = new CCommLogWindow(m_session->commLog(), this);
    showCentredNow(m_commLogWindow, this);
}

void CQuendaDlg::OnSelectPort()
{
    CSelectPortDlg dlg(m_session->portChoice(),
                       PortNaming(QDir(m_session->programFolder()).filePath(QStringLiteral("ports"))),
                       m_session->settingsFile(), this);
    dlg.exec();
}

void CQuendaDlg::OnUndoAll()
{
    m_pages->refillEditable();
    applyButtonStates(WindowEvent::UndoAll);
}

bool CQuendaDlg::confirmSave()
{
    // Rows that cannot be written are named before anything is sent.
    return m_pages->channels()->ConfirmRowsBeforeSave() &&
           MessageBox::ask(this, messages::confirmSave(), messages::confirmSaveCaption()) ==
               MessageBox::Ok;
}

bool CQuendaDlg::buildPendingChannels(SaveState &save)
{
    return m_pages->channels()->BuildPendingChannels(save);
}

SettingsSelection CQuendaDlg::currentSelection()
{
    return m_pages->selection();
}

bool CQuendaDlg::CheckSelectedChannels()
{
    return m_pages->CheckSelectedChannels();
}

void CQuendaDlg::reject()
{
    if (m_ending)
        return;
    // Asked once nothing runs: a leave put off until the running command returns asks then.
    if (!m_session->isBusy() &&
        !confirmLeave(this, m_commandButtons.value(CommandButton::Save)->isEnabled()))
        return;
    m_ending = true;
    // Leaving mid-command would send "ATA" into a read or a save: the session leaves once it
    // has returned, and says so.
    if (!m_session->leave()) {
        m_ending = false;
        return;
    }
    QDialog::reject();
}

void CQuendaDlg::accept()
{
    // Enter on the window must not end the program without "ATA"; it does nothing here.
}

void CQuendaDlg::closeEvent(QCloseEvent *event)
{
    event->ignore();
    reject();
}

} // namespace quenda
