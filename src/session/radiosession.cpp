#include "session/radiosession.h"

#include "link/cmscomm.h"
#include "link/commerror.h"
#include "link/commlog.h"
#include "link/pause.h"
#include "link/portnaming.h"
#include "protocol/factorydefaults.h"
#include "protocol/radiocommands.h"
#include "protocol/reportparser.h"

#include <QCoreApplication>
#include <QDir>

namespace quenda {
namespace {
// Long enough for "ATA\r" at the slowest rate; short enough that a dead line never hangs the window.
constexpr int kDrainBeforeCloseMs = 500;

// A report answer is a few kilobytes; a line that keeps talking is not gathered without end.
constexpr int kMaxAnswerBytes = 256 * 1024;
} // namespace

// Marks a command that talks to the radio for as long as it runs.
class RadioSession::BusyScope {
public:
    explicit BusyScope(RadioSession &session) : m_session(session) { m_session.beginOperation(); }
    ~BusyScope() { m_session.endOperation(); }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    RadioSession &m_session;
};

template <typename Work>
bool RadioSession::guard(Work &&work)
{
    return catchCommError(std::forward<Work>(work),
                          [this](const QString &description) { emit portError(description); });
}

RadioSession::RadioSession(SessionEnvironment env, SessionHost &host, QObject *parent)
    : QObject(parent), m_host(host), m_pause(env.pause), m_config(*env.config),
      m_programFolder(env.programFolder.isEmpty() ? QCoreApplication::applicationDirPath()
                                                  : env.programFolder),
      m_log(new CommLog(this)), m_settingsFile(m_programFolder)
{
    Q_ASSERT(env.pause && env.config);
    if (!env.backend) {
        env.backend = std::make_unique<QSerialPortBackend>(
            PortNaming(QDir(m_programFolder).filePath(QStringLiteral("ports"))));
    }
    m_comm = std::make_unique<CMSComm>(*m_pause, std::move(env.backend));
    m_comm->setLog(m_log);
    connect(m_comm.get(), &CMSComm::OnComm, this, &RadioSession::OnCommEvent);
    connect(m_comm.get(), &CMSComm::portLost, this, &RadioSession::onPortLost);
    m_readWatchdog = new GatedTimer(*m_pause, this);
    connect(m_readWatchdog, &GatedTimer::timeout, this, &RadioSession::onReadWatchdog);
    m_saveReportWatchdog = new GatedTimer(*m_pause, this);
    connect(m_saveReportWatchdog, &GatedTimer::timeout, this, [this] {
        const bool waited = m_written && m_saveCompleted;
        stopSaveCheck();
        if (waited)
            emit saveReportMissing();
    });

    m_settingsLoad = m_settingsFile.load(m_portChoice);
    QString backupRoot = env.backupRoot;
    if (backupRoot.isEmpty())
        backupRoot = qEnvironmentVariable("QUENDA_BACKUPS");
    if (!backupRoot.isEmpty())
        m_backups = BackupStore(backupRoot);
    receiveText.clear();
    m_baudText = QStringLiteral("4800");
    m_save = SaveState{};
}

RadioSession::~RadioSession() = default;

void RadioSession::setState(State state)
{
    if (state == m_state)
        return;
    const State before = std::exchange(m_state, state);
    emit stateChanged(before, state);
}

RadioSession::State RadioSession::settledState() const
{
    return m_save.isWriting ? State::Saving : State::Connected;
}

void RadioSession::OpenPort()
{
    if (m_comm->GetPortOpen())
        m_comm->SetPortOpen(false);
    m_comm->SetCommPort(short(m_portChoice.portNumber));
    if (m_connectMethod == ConnectMethod::SoftDiagnostic)
        m_comm->SetSettings(m_baudText + QStringLiteral(",n,8,1"));
    m_comm->SetInBufferSize(1024);
    m_comm->SetOutBufferSize(512);
    m_comm->SetInputMode(1);
    m_comm->SetPortOpen(true);
    m_comm->SetRThreshold(1);
    m_comm->SetInputLen(0);
    m_comm->SetNullDiscard(true);
    m_comm->SetRTSEnable(true);
    m_comm->GetInput(); // whatever waited before the open is not the radio's answer
}

void RadioSession::connectRadio()
{
    if (m_busy > 0)
        return;
    guard([this] {
        const BusyScope busy(*this);
        if (!m_portChoice.portChosen) {
            emit portNotChosen();
            return;
        }
        // One procedure at a time: a second one would close the port under the first.
        if (m_powerOn && m_powerOn->isRunning()) {
            emit procedureStillRunning(ConnectMethod::PowerOn);
            return;
        }
        if (m_softDiag && m_softDiag->isRunning()) {
            emit procedureStillRunning(ConnectMethod::SoftDiagnostic);
            return;
        }
        if (m_connectMethod == ConnectMethod::PowerOn) {
            OpenPort();
            m_powerOn = std::make_unique<PowerOnProcedure>(static_cast<ConnectionHost &>(*this));
            watchProcedure(*m_powerOn, ConnectMethod::PowerOn);
        } else {
            m_softDiag =
                std::make_unique<SoftDiagnosticProcedure>(static_cast<ConnectionHost &>(*this));
            watchProcedure(*m_softDiag, ConnectMethod::SoftDiagnostic);
        }
        setState(State::Connecting);
        emit procedureStarted(m_connectMethod);
    });
}

void RadioSession::watchProcedure(ConnectProcedure &procedure, ConnectMethod method)
{
    connect(&procedure, &ConnectProcedure::ticked, this, [this, method] {
        emit procedureTicked(method);
    });
    connect(&procedure, &ConnectProcedure::gaveUp, this, &RadioSession::procedureGaveUp);
    connect(&procedure, &ConnectProcedure::failed, this, &RadioSession::procedureFailed);
}

void RadioSession::stopProcedures()
{
    // Every procedure, whichever method is chosen now: one left running would send "+++" into
    // the radio in configuration mode and close the port under the session.
    if (m_powerOn)
        m_powerOn->stop();
    if (m_softDiag)
        m_softDiag->stop();
}

void RadioSession::procedureEnded()
{
    // The port is closed: the session must not go on as connected.
    if (m_state == State::Connected || m_state == State::Saving) {
        setState(State::Idle);
        stopReading();
        endSave();
        emit connectionLost();
    } else if (m_state == State::Connecting) {
        setState(State::Idle);
    }
}

void RadioSession::sendCommand(const char *text)
{
    output(QByteArray(text));
    output(QByteArray(radio::kCR));
}

void RadioSession::output(const QByteArray &bytes)
{
    noteCommand(bytes);
    m_comm->SetOutput(bytes);
    if (m_save.isWriting && bytes.startsWith(radio::kRegisterPrefix)) {
        const std::span<const RegisterWrite> order = registerOrder();
        const int reg = bytes.mid(3, 3).toInt();
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (order[i].reg == reg)
                emit registerWritten(int(i) + 1, int(order.size()));
        }
    }
}

void RadioSession::pause(int ms)
{
    m_pause->pause(ms);
}

void RadioSession::noteCommand(const QByteArray &bytes)
{
    // A report request starts a new answer; the channel listing belongs to the same one.
    if (bytes == radio::kReadSettings || bytes == radio::kReadSettingsAfterSave) {
        m_answer.clear();
        m_collecting = true;
        m_listingRequested = false;
        ++m_answersBegun;
    } else if (bytes == radio::kReadChannels) {
        m_listingRequested = m_collecting;
    } else if (bytes != radio::kCR) {
        // Another command: the answer being gathered will never be whole.
        m_collecting = false;
        m_backupDue = false;
    }
}

void RadioSession::beginOperation()
{
    if (m_busy++ == 0)
        m_pausesAtStart = m_pause->pauseCount();
}

void RadioSession::endOperation()
{
    // Clicks made while the window was frozen wait in the window system; take them now, while
    // still busy, so that a command button pressed meanwhile is not run as a new command.
    if (m_busy == 1 && m_pause->holdsInput() && m_pause->pauseCount() != m_pausesAtStart)
        QCoreApplication::processEvents();
    if (--m_busy == 0 && m_leaveRequested) {
        m_leaveRequested = false;
        QMetaObject::invokeMethod(this, &RadioSession::readyToLeave, Qt::QueuedConnection);
    }
}

void RadioSession::OnCommEvent()
{
    if (m_comm->GetCommEvent() != CMSComm::comEvReceive)
        return;
    guard([this] {
        const BusyScope busy(*this);
        m_pause->pause(pauses::kReceiveSettle);
        receiveText.clear();

        // Whole, however long: what follows a cut would be lost.
        const QByteArray input = m_comm->GetInput();
        const int n = int(input.size());
        // Each consumer gets its own copy: a handler re-entered from a message box cannot
        // disturb it.
        const QByteArray detectCopy = input;
        const QByteArray parseCopy = input;
        const QByteArray writeCopy = input;
        const quint64 answersBefore = m_answersBegun;

        const QLatin1String banner(radio::kBanner);
        for (int i = 0; i < n; ++i) {
            receiveText.append(QChar(uchar(detectCopy[i])));
            if (receiveText == banner)
                runReadSequence();
        }

        if (m_save.isWriting)
            WriteDialogueStep(writeCopy.constData(), n);

        // A chunk that came before a request written while handling it is no part of its answer.
        takeAnswer(parseCopy, answersBefore == m_answersBegun);
    });
}

void RadioSession::takeAnswer(const QByteArray &chunk, bool partOfAnswer)
{
    QByteArray report = chunk;
    bool wholeAnswer = true;
    if (m_collecting && partOfAnswer) {
        m_answer += chunk;
        report = m_answer;
        // Complete once the radio's closing "OK" has come (after the listing, when one was
        // asked for); what arrives later is a chunk of its own again.
        const bool complete =
            report.endsWith(radio::kListingEnd) &&
            (!m_listingRequested || report.contains(radio::kListingStart));
        wholeAnswer = complete;
        if (complete || m_answer.size() > kMaxAnswerBytes) {
            m_collecting = false;
            m_answer.clear();
        }
    }
    if (report.size() <= 100)
        return;
    // Two settings reports in one answer must not join their values: the later one stands.
    const qsizetype lastReport = report.lastIndexOf(radio::kSerialTag);
    if (lastReport > 0 && report.indexOf(radio::kSerialTag) != lastReport)
        report = report.mid(lastReport);

    // Traffic that carries no report (a radio still in data mode) leaves the record alone.
    RadioConfig parsed = m_config;
    if (!ParseReport(report.constData(), int(report.size()), parsed))
        return;
    m_config = parsed;
    // Only the report a read asked for is what the radio held; the one after a save is checked.
    if (m_state == State::Reading)
        m_backupDue = true;
    stopReading();
    // The radio is talking: no procedure may give up and close the port under it.
    stopProcedures();
    setState(settledState());
    emit reportParsed();
    if (m_backupDue) {
        // A backup holds what the radio held: the whole answer, its listing included.
        if (wholeAnswer) {
            m_backupDue = false;
            keepBackup();
            emit readCompleted();
        }
    } else if (m_written) {
        m_heldAfterSave = profile::fromConfig(m_config);
        // "at&v" reports the registers only; the rows are checked when a listing came too.
        if (!report.contains(radio::kListingStart))
            m_written->channels.clear();
        if (m_saveCompleted)
            checkSave();
    }
}

void RadioSession::checkSave()
{
    const QList<ProfileDifference> differences = verifySave(*m_written, *m_heldAfterSave);
    stopSaveCheck();
    emit saveChecked(differences);
}

void RadioSession::stopSaveCheck()
{
    m_saveReportWatchdog->stop();
    m_written.reset();
    m_heldAfterSave.reset();
    m_saveCompleted = false;
}

void RadioSession::keepBackup()
{
    QString error;
    if (!m_backups.store(profile::fromConfig(m_config), &error))
        emit backupFailed(error);
}

void RadioSession::stopReading()
{
    m_readWatchdog->stop();
    if (m_state == State::Reading)
        setState(settledState());
    emit readingEnded();
}

void RadioSession::onReadWatchdog()
{
    m_readWatchdog->stop();
    if (m_state != State::Reading)
        return;
    stopReading();
    emit readFailed();
}

void RadioSession::runReadSequence()
{
    receiveText.clear();
    stopProcedures();
    setState(State::Reading);
    m_backupDue = false;
    emit readingStarted();
    sendCommand(radio::kReadSettings);
    m_pause->pause(pauses::kAfterSettingsRequest);
    sendCommand(radio::kReadChannels);
    m_pause->pause(pauses::kAfterChannelRequest);
    // The port may have gone during the pauses: then nothing is to be waited for.
    if (m_state == State::Reading)
        m_readWatchdog->start(m_readAnswerBound);
}

void RadioSession::WriteDialogueStep(const char *bytes, int length)
{
    const int enteredBefore = m_save.channelsEntered;
    const int total = m_save.pendingChannelCount;
    quenda::WriteDialogueStep(bytes, length, m_save, static_cast<WriteDialogueHost &>(*this));
    if (m_save.channelsEntered > enteredBefore)
        emit channelEntered(m_save.channelsEntered, total);
}

void RadioSession::showWriteError()
{
    if (m_state == State::Saving)
        setState(settledState());
    stopSaveCheck();
    emit saveFailed();
}

void RadioSession::showSaveComplete()
{
    if (m_state == State::Saving)
        setState(settledState());
    emit saveFinished();
    if (!m_written)
        return;
    m_saveCompleted = true;
    if (m_heldAfterSave)
        checkSave();
    else
        m_saveReportWatchdog->start(m_readAnswerBound);
}

void RadioSession::save()
{
    // A second save over a running one would rebuild the table under its dialogue.
    if (m_busy > 0 || m_save.isWriting || m_state == State::Reading)
        return;
    const BusyScope busy(*this);
    if (!m_host.confirmSave())
        return;
    m_save.end();
    m_save.isWriting = true;
    setState(State::Saving);
    emit saveStarted();

    const bool channelsChanged = m_host.buildPendingChannels(m_save);
    stopSaveCheck();
    m_written = writtenSettings(m_host.currentSelection(), m_save.pendingChannels,
                                m_save.pendingChannelCount);
    m_save.channelRowIndex = 0;
    const bool sent = guard([&] {
        if (!channelsChanged) {
            output(radio::registerCommand(102, m_host.currentSelection().baudIndex));
            return;
        }
        if (!m_host.CheckSelectedChannels()) {
            emit channelsIncomplete();
            endSave();
            return;
        }
        sendCommand(radio::kEnterChannels);
        output(QByteArray(radio::kAccessCode));
        m_pause->pause(pauses::kAfterAccessCode);
    });
    // A save whose first write failed has nothing to wait for.
    if (!sent)
        endSave();
}

void RadioSession::endSave()
{
    stopSaveCheck();
    emit saveEnded();
    m_save.end();
    if (m_state == State::Saving)
        setState(settledState());
}

void RadioSession::restoreDefaults()
{
    if (m_busy > 0 || m_save.isWriting || m_state == State::Reading)
        return;
    guard([this] {
        const BusyScope busy(*this);
        RestoreDefaults(m_host.currentSelection(), static_cast<RadioOutput &>(*this));
        emit defaultsRestored();
    });
}

void RadioSession::closeRadio()
{
    // Not in the middle of another command; a save waiting for the radio may be abandoned.
    if (m_busy > 0)
        return;
    const BusyScope busy(*this);
    setState(State::Leaving);
    // A port that went away cannot take "ATA"; the user is told, and the session still returns
    // to its start so another radio can be connected.
    if (guard([this] { sendCommand(radio::kLeaveConfig); }))
        m_comm->drainOutput(kDrainBeforeCloseMs);
    returnToStart();
}

void RadioSession::returnToStart()
{
    stopReading();
    if (m_comm->GetPortOpen())
        m_comm->SetPortOpen(false);
    endSave();
    setState(State::Idle);
    emit closed();
}

void RadioSession::onPortLost(const QString &description)
{
    // Nothing more may be written: stop every procedure, then tell the front end.
    setState(State::Idle);
    endSave();
    stopProcedures();
    stopReading();
    emit portLost(description);
}

bool RadioSession::leave()
{
    // Leaving mid-command would send "ATA" into a read or a save: leave once it has returned.
    if (m_busy > 0) {
        m_leaveRequested = true;
        return false;
    }
    if (!m_comm->GetPortOpen())
        return true;
    setState(State::Leaving);
    if (guard([this] { sendCommand(radio::kLeaveConfig); }))
        m_comm->drainOutput(kDrainBeforeCloseMs);
    if (m_comm->GetPortOpen())
        m_comm->SetPortOpen(false);
    setState(State::Idle);
    return true;
}

} // namespace quenda
