#pragma once

#include "app/buttonstates.h"
#include "link/connectdlgs.h"
#include "link/serialbackend.h"
#include "link/settingsfile.h"
#include "protocol/radioconfig.h"
#include "protocol/writedialogue.h"

#include <QDialog>
#include <QHash>

#include <memory>

class QAction;
class QMenu;
class QPushButton;

namespace quenda {

class CBasicInfoPage;
class CChannelListPage;
class CMSComm;
class CRadioPage;
class CReadingDlg;
class CSavingDlg;
class CSerialPage;

enum class ConnectMethod { PowerOn = 0, SoftDiagnostic = 1 };

// What the main window is given to work with; tests give fakes.
struct QuendaEnvironment {
    Pause *pause = nullptr;                  // required
    RadioConfig *config = nullptr;           // required: the process-wide record
    std::unique_ptr<SerialBackend> backend;  // none: the real serial ports
    QString programFolder;                   // para.ini and the ports folder; empty: the executable's
};

// The main window: command buttons, the four pages, and the coordination of the radio dialogue.
class CQuendaDlg : public QDialog, private ConnectionHost, private WriteDialogueHost {
    Q_OBJECT
public:
    explicit CQuendaDlg(QuendaEnvironment env, QWidget *parent = nullptr);
    ~CQuendaDlg() override;

    // The window-menu entries: also offered as the context menu of the window's free area.
    QMenu *systemMenu() const { return m_systemMenu; }
    ConnectMethod connectMethod() const { return m_connectMethod; }
    void setConnectMethod(ConnectMethod method);
    const PortChoice &portChoice() const { return m_portChoice; }
    const SaveState &saveState() const { return m_save; }
    QString baudText() const { return m_baudText; }
    CMSComm &serialControl() { return *m_comm; }

    CBasicInfoPage *basicInfoPage() const { return m_basicPage; }
    CRadioPage *radioPage() const { return m_radioPage; }
    CSerialPage *serialPage() const { return m_serialPage; }
    CChannelListPage *channelListPage() const { return m_channelPage; }
    CPowerOnConnectDlg *powerOnDlg() const { return m_powerOnDlg.get(); }
    CSoftDiagConnectDlg *softDiagDlg() const { return m_softDiagDlg.get(); }
    CReadingDlg *readingDlg() const { return m_readingDlg.get(); }
    CSavingDlg *savingDlg() const { return m_savingDlg.get(); }

    // Command handlers, each run through the guard that shows serial port failures.
    void OnConnect();
    void OnSave();
    void OnCloseRadio();
    void OnRestoreDefaults();
    void OnUndoAll();
    void OnSelectPort();
    void OnAbout();
    void OnCommEvent();

    void ParseReport(const char *bytes, int n);
    // How long after the read sequence a report may take to begin (tests shorten it).
    void setReadAnswerBound(int ms) { m_readAnswerBound = ms; }
    void WriteDialogueStep(const char *bytes, int length);
    bool CheckSelectedChannels() const;
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
    // ConnectionHost
    void setBaudText(const QString &text) override { m_baudText = text; }
    void OpenPort() override;
    CMSComm &comm() override { return *m_comm; }
    Pause &pause() override { return *m_pause; }
    int portNumber() const override { return m_portChoice.portNumber; }
    void beginOperation() override;
    void endOperation() override;
    void procedureGaveUp() override;
    // WriteDialogueHost
    void output(const QByteArray &bytes) override;
    void pause(int ms) override { m_pause->pause(ms); }
    SettingsSelection currentSelection() override;
    void hideSavingWindow() override;
    void showWriteError() override;
    void showSaveComplete() override;

    void buildWindow();
    void buildSystemMenu();
    QPushButton *addButton(const char *objectName, const QString &text, int x, int y, int w, int h);
    void applyButtonStates(WindowEvent event);
    void showPage(QWidget *page);
    void runReadSequence();
    void closeConnectionDialog();
    void takeAnswer(const QByteArray &chunk, bool partOfAnswer);
    void noteCommand(const QByteArray &bytes);
    void onReadWatchdog();
    void stopReading();
    class OperationScope;
    void returnToStart();
    void endSave();
    void onPortLost(const QString &description);
    void sendCommand(const char *text);
    void OnCancel();

    Pause *m_pause;
    RadioConfig &m_config;
    QString m_programFolder;
    std::unique_ptr<CMSComm> m_comm;
    PortChoice m_portChoice;
    SettingsFile m_settingsFile;
    ConnectMethod m_connectMethod = ConnectMethod::SoftDiagnostic;
    QString m_baudText;
    QString receiveText;
    SaveState m_save;
    bool m_ending = false;

    // A handler that talks to the radio is running (it may be paused): no other may start,
    // and leaving waits for it.
    int m_busy = 0;
    quint64 m_pausesAtStart = 0;
    bool m_leaveRequested = false;
    // The answer to the latest report request, gathered over as many receive events as it takes.
    QByteArray m_answer;
    bool m_collecting = false;
    bool m_listingRequested = false;
    quint64 m_answersBegun = 0;
    // Between a banner and the first report.
    bool m_reading = false;
    GatedTimer *m_readWatchdog = nullptr;
    int m_readAnswerBound = pauses::kReadAnswerBound;

    CBasicInfoPage *m_basicPage = nullptr;
    CRadioPage *m_radioPage = nullptr;
    CSerialPage *m_serialPage = nullptr;
    CChannelListPage *m_channelPage = nullptr;
    QHash<CommandButton, QPushButton *> m_commandButtons;

    QMenu *m_systemMenu = nullptr;
    QAction *m_powerOnAction = nullptr;
    QAction *m_softDiagAction = nullptr;

    std::unique_ptr<CPowerOnConnectDlg> m_powerOnDlg;
    std::unique_ptr<CSoftDiagConnectDlg> m_softDiagDlg;
    std::unique_ptr<CReadingDlg> m_readingDlg;
    std::unique_ptr<CSavingDlg> m_savingDlg;
};

} // namespace quenda
