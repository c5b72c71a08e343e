#pragma once

#include "app/buttonstates.h"
#include "app/commlogwindow.h"
#include "app/sessionwindows.h"
#include "app/windowmenu.h"
#include "pages/pageset.h"
#include "session/radiosession.h"

#include <QDialog>
#include <QHash>
#include <QPointer>

#include <memory>

class QPushButton;

namespace quenda {

// What the main window is given to work with; tests give fakes.
using QuendaEnvironment = SessionEnvironment;

// The main window: command buttons, the four pages and the windows shown on the way. It turns
// the radio session's reports into what the user sees and answers what the session asks.
class CQuendaDlg : public QDialog, private SessionHost {
    Q_OBJECT
public:
    explicit CQuendaDlg(QuendaEnvironment env, QWidget *parent = nullptr);
    ~CQuendaDlg() override;

    RadioSession &session() { return *m_session; }
    // The window-menu entries: also offered as the context menu of the window's free area.
    QMenu *systemMenu() const { return m_systemMenu; }
    ConnectMethod connectMethod() const { return m_session->connectMethod(); }
    void setConnectMethod(ConnectMethod method);
    const PortChoice &portChoice() const { return m_session->portChoice(); }
    const SaveState &saveState() const { return m_session->saveState(); }
    QString baudText() const { return m_session->baudText(); }
    CMSComm &serialControl() { return m_session->serialControl(); }
    void setReadAnswerBound(int ms) { m_session->setReadAnswerBound(ms); }

    CBasicInfoPage *basicInfoPage() const { return m_pages->basicInfo(); }
    CRadioPage *radioPage() const { return m_pages->radio(); }
    CSerialPage *serialPage() const { return m_pages->serial(); }
    CChannelListPage *channelListPage() const { return m_pages->channels(); }
    CPowerOnConnectDlg *powerOnDlg() const { return m_windows->powerOn(); }
    CSoftDiagConnectDlg *softDiagDlg() const { return m_windows->softDiag(); }
    CReadingDlg *readingDlg() const { return m_windows->reading(); }
    CSavingDlg *savingDlg() const { return m_windows->saving(); }
    // "通信记录" while it is open.
    CCommLogWindow *commLogWindow() const { return m_commLogWindow; }

    void OnConnect() { m_session->connectRadio(); }
    void OnSave() { m_session->save(); }
    void OnCloseRadio() { m_session->closeRadio(); }
    void OnRestoreDefaults() { m_session->restoreDefaults(); }
    void OnUndoAll();
    void OnSelectPort();
    void OnAbout();
    // The profile entries of the window menu.
    void OnExportProfile();
    void OnImportProfile();
    void OnBackups();
    void OnCompare();
    // Opens "通信记录", or brings it to the front when it is open.
    void OnCommLog();

    bool CheckSelectedChannels() override;
    void MarkChanged();

public slots:
    void reject() override; // "退出", Esc and the close box: leave configuration mode first
    void accept() override; // Enter on the window: never ends the program

protected:
    void closeEvent(QCloseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;
#endif

private:
    // SessionHost
    bool confirmSave() override;
    bool buildPendingChannels(SaveState &save) override;
    SettingsSelection currentSelection() override;

    void buildWindow();
    void followSession();
    void applyButtonStates(WindowEvent event);
    void showStart();
    // What the pages hold now, as a profile of the radio last read.
    RadioProfile pagesProfile(QStringList *skipped = nullptr) const;
    // Into the pages as edits: "保存" writes them.
    void loadIntoPages(const RadioProfile &profile);

    std::unique_ptr<RadioSession> m_session;
    std::unique_ptr<SessionWindows> m_windows;
    bool m_ending = false;
    // A backup that cannot be written is told once per run.
    bool m_backupFailureTold = false;

    CPageSet *m_pages = nullptr;
    QHash<CommandButton, QPushButton *> m_commandButtons;

    CWindowMenu *m_systemMenu = nullptr;
    QPointer<CCommLogWindow> m_commLogWindow;
};

} // namespace quenda
