#pragma once

#include "link/connectprocedures.h"
#include "link/serialbackend.h"
#include "link/settingsfile.h"
#include "profile/backupstore.h"
#include "profile/profilediff.h"
#include "protocol/radioconfig.h"
#include "protocol/settingsselection.h"
#include "protocol/timing.h"
#include "protocol/writedialogue.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace quenda {

class CMSComm;
class CommLog;

enum class ConnectMethod { PowerOn = 0, SoftDiagnostic = 1 };

// What a session is given to work with; tests give fakes.
struct SessionEnvironment {
    Pause *pause = nullptr;                  // required
    RadioConfig *config = nullptr;           // required: the process-wide record
    std::unique_ptr<SerialBackend> backend;  // none: the real serial ports
    QString programFolder;                   // para.ini and the ports folder; empty: the executable's
    QString backupRoot; // empty: $QUENDA_BACKUPS, else the application data location
};

// What only the front end can decide: whether to go on, and what to write.
class SessionHost {
public:
    virtual ~SessionHost() = default;
    // "确定要将新配置写入存储器?": true to save.
    virtual bool confirmSave() = 0;
    // Fills the channel entries a save writes into `save`; true when the channel list differs
    // from the one last read.
    virtual bool buildPendingChannels(SaveState &save) = 0;
    // Whether the channel rows chosen as main and repeater channels are complete.
    virtual bool CheckSelectedChannels() = 0;
    // The values to write, asked for at the moment each one is written.
    virtual SettingsSelection currentSelection() = 0;
};

// The conversation with the radio on the one serial port: connecting, the receive handler and
// the read, saving, factory defaults and leaving configuration mode. No widgets: it tells its
// front end what happened through signals and asks it only through SessionHost. One radio
// operation runs at a time; a command given while one runs is ignored, and leaving waits for it.
// Serial port failures end the operation at the failing call and are reported by portError().
class RadioSession : public QObject, private ConnectionHost, private WriteDialogueHost {
    Q_OBJECT
public:
    enum class State {
        Idle,       // no radio: at start, after "关闭", after a give-up or a lost port
        Connecting, // a connection procedure runs
        Reading,    // the banner came; the report has not
        Connected,  // the radio is in configuration mode
        Saving,     // a save waits for the radio's answers
        Leaving,    // "ATA" on its way, then the port closes
    };
    Q_ENUM(State)

    RadioSession(SessionEnvironment env, SessionHost &host, QObject *parent = nullptr);
    ~RadioSession() override;

    State state() const { return m_state; }
    // A command runs (it may be paused); the next one is ignored until it returns.
    bool isBusy() const { return m_busy > 0; }
    ConnectMethod connectMethod() const { return m_connectMethod; }
    void setConnectMethod(ConnectMethod method) { m_connectMethod = method; }
    PortChoice &portChoice() { return m_portChoice; }
    const SettingsFile &settingsFile() const { return m_settingsFile; }
    // How para.ini was found at the start.
    SettingsFile::LoadResult settingsLoadResult() const { return m_settingsLoad; }
    QString programFolder() const { return m_programFolder; }
    QString baudText() const { return m_baudText; }
    const SaveState &saveState() const { return m_save; }
    RadioConfig &config() { return m_config; }
    CMSComm &serialControl() { return *m_comm; }
    // Everything that passed on the port in this session.
    CommLog &commLog() { return *m_log; }
    // The latest procedure of each kind; none before the first.
    PowerOnProcedure *powerOnProcedure() const { return m_powerOn.get(); }
    SoftDiagnosticProcedure *softDiagnosticProcedure() const { return m_softDiag.get(); }
    // Where every complete read is kept.
    const BackupStore &backupStore() const { return m_backups; }
    // How long after the read sequence a report may take to begin (tests shorten it).
    void setReadAnswerBound(int ms) { m_readAnswerBound = ms; }

    // "打开": starts the procedure of the chosen method; one at a time.
    void connectRadio();
    // "保存": asks, then makes the save's first transmission; the answers drive the rest.
    void save();
    // "恢复出厂默认值".
    void restoreDefaults();
    // "关闭": "ATA", the port closed, back to the start.
    void closeRadio();
    // "退出": "ATA" if the port is open, and the port closed. False while a command runs:
    // readyToLeave() follows once it has returned.
    bool leave();

    // The receive handler: one receive event of the serial control.
    void OnCommEvent();

signals:
    void stateChanged(RadioSession::State before, RadioSession::State now);
    // "打开" without a port: "请选择端口！".
    void portNotChosen();
    void procedureStarted(ConnectMethod method);
    // "打开" again while a procedure runs: it goes on, nothing new starts.
    void procedureStillRunning(ConnectMethod method);
    void procedureTicked(ConnectMethod method);
    void procedureGaveUp(const QString &message);
    // A procedure's port could not be opened; the procedure has stopped.
    void procedureFailed(const QString &description);
    // The banner came: the read sequence begins (its pauses follow at once).
    void readingStarted();
    // No read is under way any more: its report came, it failed or it was abandoned (also sent
    // when none was).
    void readingEnded();
    // A report filled the record.
    void reportParsed();
    // The whole answer of a read has come, channel listing included: the record holds what the
    // radio holds.
    void readCompleted();
    // The read sequence got no report in time.
    void readFailed();
    // The report of a complete read could not be kept as a backup; the read goes on.
    void backupFailed(const QString &reason);
    // A save was confirmed; its first transmission follows at once.
    void saveStarted();
    // No save runs any more, however it ended (also sent when none ran).
    void saveEnded();
    // A save wrote register `done` of `total`, or entered channel row `done` of `total`.
    void registerWritten(int done, int total);
    void channelEntered(int done, int total);
    // "保存完毕！".
    void saveFinished();
    // The report after "保存完毕！" was compared with what the save wrote; empty when all match.
    void saveChecked(const QList<quenda::ProfileDifference> &differences);
    // No report came after "保存完毕！" in time: the save could not be checked.
    void saveReportMissing();
    // The radio answered "ERROR": "数据有误，请检查！".
    void saveFailed();
    // The save was refused before anything was sent: the main or repeater channel rows are
    // incomplete.
    void channelsIncomplete();
    void defaultsRestored();
    // "关闭" is done: the port is closed.
    void closed();
    // A procedure gave up while a radio was connected, and closed its port.
    void connectionLost();
    // The device went away; every procedure has stopped.
    void portLost(const QString &description);
    // A serial port operation failed; the command stopped there.
    void portError(const QString &description);
    // Leaving was asked for while a command ran, which has now returned.
    void readyToLeave();

private:
    class BusyScope;

    // ConnectionHost
    void setBaudText(const QString &text) override { m_baudText = text; }
    void OpenPort() override;
    CMSComm &comm() override { return *m_comm; }
    Pause &pause() override { return *m_pause; }
    int portNumber() const override { return m_portChoice.portNumber; }
    void beginOperation() override;
    void endOperation() override;
    void procedureEnded() override;
    // WriteDialogueHost
    void output(const QByteArray &bytes) override;
    void pause(int ms) override;
    SettingsSelection currentSelection() override { return m_host.currentSelection(); }
    void hideSavingWindow() override { emit saveEnded(); }
    void showWriteError() override;
    void showSaveComplete() override;

    void WriteDialogueStep(const char *bytes, int length);
    template <typename Work>
    bool guard(Work &&work);
    void setState(State state);
    // Where the session stands once a read or a save is over.
    State settledState() const;
    void watchProcedure(ConnectProcedure &procedure, ConnectMethod method);
    void stopProcedures();
    void runReadSequence();
    void takeAnswer(const QByteArray &chunk, bool partOfAnswer);
    void noteCommand(const QByteArray &bytes);
    void onReadWatchdog();
    void stopReading();
    void keepBackup();
    void checkSave();
    void stopSaveCheck();
    void endSave();
    void returnToStart();
    void onPortLost(const QString &description);
    void sendCommand(const char *text);

    SessionHost &m_host;
    Pause *m_pause;
    RadioConfig &m_config;
    QString m_programFolder;
    CommLog *m_log;
    std::unique_ptr<CMSComm> m_comm;
    PortChoice m_portChoice;
    SettingsFile m_settingsFile;
    SettingsFile::LoadResult m_settingsLoad;
    BackupStore m_backups;
    ConnectMethod m_connectMethod = ConnectMethod::SoftDiagnostic;
    QString m_baudText;
    QString receiveText;
    SaveState m_save;
    State m_state = State::Idle;
    std::unique_ptr<PowerOnProcedure> m_powerOn;
    std::unique_ptr<SoftDiagnosticProcedure> m_softDiag;

    // A command that talks to the radio is running (it may be paused): no other may start,
    // and leaving waits for it.
    int m_busy = 0;
    quint64 m_pausesAtStart = 0;
    bool m_leaveRequested = false;
    // The answer to the latest report request, gathered over as many receive events as it takes.
    QByteArray m_answer;
    bool m_collecting = false;
    // A read's report came in part: its backup waits for the whole answer.
    bool m_backupDue = false;
    bool m_listingRequested = false;
    quint64 m_answersBegun = 0;
    GatedTimer *m_readWatchdog = nullptr;
    int m_readAnswerBound = pauses::kReadAnswerBound;
    // What the running save wrote, and what the radio reported after it.
    std::optional<WrittenSettings> m_written;
    std::optional<RadioProfile> m_heldAfterSave;
    bool m_saveCompleted = false;
    GatedTimer *m_saveReportWatchdog = nullptr;
};

} // namespace quenda
