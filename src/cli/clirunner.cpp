#include "cli/clirunner.h"

#include "cli/clitexts.h"
#include "link/cmscomm.h"
#include "link/commlog.h"
#include "link/portnaming.h"
#include "link/serialbackend.h"
#include "profile/profile.h"
#include "profile/profilediff.h"
#include "protocol/factorydefaults.h"
#include "protocol/messages.h"
#include "protocol/pendingchannels.h"
#include "protocol/timing.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <csignal>

namespace quenda::cli {
namespace {
volatile std::sig_atomic_t g_interrupted = 0;

QString portsFolder()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("ports"));
}

// The number of a port given as a number, "COMn" or a device path; 0 with `error` set when none.
int portNumberOf(const QString &text, PortNaming &naming, QString *error)
{
    bool digits = false;
    int number = text.toInt(&digits);
    if (!digits)
        number = PortNaming::comNumber(text);
    if (number == 0 && (text.contains(u'/') || text.contains(u'\\'))) {
        number = naming.numberFor(text);
        if (number == 0)
            *error = texts::badPortNumber(text);
        return number;
    }
    if (number < PortNaming::kFirstPort || number > PortNaming::kLastPort) {
        *error = texts::badPortNumber(text);
        return 0;
    }
    return number;
}

QString statusText(const PortProbe &probe)
{
    switch (probe.status) {
    case PortStatus::Available: return messages::portAvailable();
    case PortStatus::Busy: return messages::portBusy();
    case PortStatus::NoPermission:
        return messages::portNoPermission() + QStringLiteral("：") + messages::noPermissionHint();
    case PortStatus::Missing: break;
    }
    return probe.reason;
}

bool rowComplete(const ChannelTable &rows, int row)
{
    if (row < 0 || row >= kChannelSlots)
        return false;
    const ChannelEntry &e = rows[std::size_t(row)];
    return !e.frequency.isEmpty() && !e.bandwidth.isEmpty() && !e.direction.isEmpty();
}
} // namespace

Runner::Runner(Options options, QTextStream &out, QTextStream &err)
    : m_options(std::move(options)), m_out(out), m_err(err)
{
}

Runner::~Runner() = default;

void Runner::interrupt()
{
    g_interrupted = 1;
}

void Runner::say(const QString &line)
{
    m_err << line << Qt::endl;
}

void Runner::fail(ExitCode code, const QString &message)
{
    if (!m_failure)
        m_failure = std::make_pair(code, message);
}

int Runner::run()
{
    switch (m_options.command) {
    case Command::Ports: return listPorts();
    case Command::Read: return readRadio();
    case Command::Write: return writeRadio();
    case Command::Defaults: return loadDefaults();
    case Command::None: break;
    }
    return UsageError;
}

int Runner::listPorts()
{
    const PortNaming naming(portsFolder());
    QStringList lines;
    for (int n = PortNaming::kFirstPort; n <= PortNaming::kLastPort; ++n) {
        const QString device = naming.device(n);
        if (device.isEmpty())
            continue;
        const PortProbe probe = PortNaming::probe(device);
        // The fixed table names far more devices than a machine has; a missing one is listed
        // only when a link in the ports folder names it.
        const QFileInfo link(QDir(naming.portsFolder()).filePath(QStringLiteral("com%1").arg(n)));
        if (probe.status == PortStatus::Missing && !link.isSymLink() && !link.exists())
            continue;
        lines << QStringLiteral("%1 %2 %3")
                     .arg(PortNaming::comName(n).leftJustified(7), device.leftJustified(21),
                          statusText(probe));
    }
    if (lines.isEmpty()) {
        m_out << texts::noPorts() << Qt::endl;
        return Success;
    }
    m_out << texts::portsHeading() << Qt::endl;
    for (const QString &line : lines)
        m_out << line << Qt::endl;
    return Success;
}

bool Runner::openLog()
{
    if (m_options.log.isEmpty())
        return true;
    m_logFile.setFileName(m_options.log);
    if (!m_logFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(FileError, texts::logNotWritten(m_options.log, m_logFile.errorString()));
        return false;
    }
    const CommLog &log = m_session->commLog();
    m_logFile.write(messages::commLogHeading(log.startedAt().toString(Qt::ISODateWithMs)).toUtf8() +
                    '\n');
    // Written as it happens: a run that is killed still leaves what passed until then.
    connect(&log, &CommLog::appended, this, [this, &log] {
        m_logFile.write(log.formatEntry(log.entries().back()).toUtf8() + '\n');
        m_logFile.flush();
    });
    return true;
}

bool Runner::startSession()
{
    PortNaming naming(portsFolder());
    QString error;
    const int number = portNumberOf(m_options.port, naming, &error);
    if (number == 0) {
        fail(UsageError, error);
        return false;
    }
    const QString device = naming.device(number);
    // Told at once, rather than after the first try of a procedure.
    const PortProbe probe = PortNaming::probe(device);
    if (probe.status != PortStatus::Available) {
        fail(PortError, messages::portOpenFailed(PortNaming::comName(number), device,
                                                 statusText(probe)));
        return false;
    }

    SessionEnvironment env;
    env.pause = &m_pause;
    env.config = &m_config;
    env.backend = std::make_unique<QSerialPortBackend>(naming);
    m_session = std::make_unique<RadioSession>(std::move(env), static_cast<SessionHost &>(*this));
    m_session->portChoice() = PortChoice{number, true};
    m_session->setConnectMethod(m_options.method);
    if (!openLog())
        return false;
    watchSession();
    say(texts::usingPort(PortNaming::comName(number), device));
    return true;
}

void Runner::watchSession()
{
    RadioSession *s = m_session.get();
    connect(&s->commLog(), &CommLog::appended, this, [this, s] {
        if (s->commLog().entries().back().kind == CommLogEntry::Kind::Received)
            m_sinceTraffic.restart();
    });
    connect(s, &RadioSession::procedureTicked, this, [this, s](ConnectMethod method) {
        if (method == ConnectMethod::SoftDiagnostic) {
            say(texts::tryingRate(s->softDiagnosticProcedure()->rateTried()));
        } else if (const int left = s->powerOnProcedure()->secondsShown(); left != m_secondsShown) {
            m_secondsShown = left;
            say(texts::secondsLeft(left));
        }
    });
    connect(s, &RadioSession::procedureGaveUp, this,
            [this](const QString &message) { fail(NoRadio, message); });
    connect(s, &RadioSession::procedureFailed, this,
            [this](const QString &description) { fail(PortError, description); });
    connect(s, &RadioSession::portError, this,
            [this](const QString &description) { fail(PortError, description); });
    connect(s, &RadioSession::portLost, this,
            [this](const QString &description) { fail(PortError, description); });
    connect(s, &RadioSession::connectionLost, this,
            [this] { fail(NoRadio, texts::connectionLost()); });
    connect(s, &RadioSession::readingStarted, this, [this] { say(texts::reading()); });
    connect(s, &RadioSession::readFailed, this, [this] { fail(NoRadio, texts::readNoReport()); });
    connect(s, &RadioSession::readCompleted, this, [this] { m_readComplete = true; });
    connect(s, &RadioSession::reportParsed, this, [this] { ++m_reports; });
    connect(s, &RadioSession::backupFailed, this,
            [this](const QString &reason) { say(messages::backupFailed(reason)); });
    connect(s, &RadioSession::registerWritten, this,
            [this](int done, int total) { say(texts::registerProgress(done, total)); });
    connect(s, &RadioSession::channelEntered, this,
            [this](int done, int total) { say(texts::channelProgress(done, total)); });
    connect(s, &RadioSession::saveFinished, this, [this] { say(texts::saved()); });
    connect(s, &RadioSession::saveChecked, this,
            [this](const QList<ProfileDifference> &differences) {
                m_saveChecked = true;
                if (differences.isEmpty()) {
                    say(texts::verified());
                    return;
                }
                QStringList lines;
                for (const ProfileDifference &d : differences)
                    lines << messages::verifyLine(d.label, d.first, d.second);
                fail(VerifyMismatch, messages::saveNotVerified(lines));
            });
    connect(s, &RadioSession::saveReportMissing, this,
            [this] { fail(VerifyMismatch, messages::saveReportMissing()); });
    connect(s, &RadioSession::saveFailed, this, [this] { fail(ValueRefused, messages::writeError()); });
    connect(s, &RadioSession::channelsIncomplete, this,
            [this] { fail(FileError, messages::channelsIncomplete()); });
}

bool Runner::waitUntil(const std::function<bool()> &done, int quietMs)
{
    m_sinceTraffic.restart();
    QEventLoop loop;
    QTimer poll;
    const auto check = [&] {
        if (g_interrupted)
            fail(Interrupted, texts::interrupted());
        if (!m_failure && quietMs > 0 && m_sinceTraffic.elapsed() > quietMs)
            fail(NoRadio, texts::radioSilent(quietMs / 1000));
        if (m_failure || done())
            loop.quit();
    };
    connect(&poll, &QTimer::timeout, &loop, check);
    poll.start(20);
    check();
    if (!m_failure && !done())
        loop.exec();
    return !m_failure;
}

bool Runner::connectAndRead()
{
    if (m_options.method == ConnectMethod::PowerOn)
        say(texts::switchOn(PowerOnProcedure::kStartSeconds));
    m_session->connectRadio();
    // The procedures end on their own; the read has its own watchdog.
    if (!waitUntil([this] { return m_readComplete; }))
        return false;
    say(texts::readDone(m_config.serialNumber, profile::fromConfig(m_config).channelCount()));
    return true;
}

int Runner::finish(int code)
{
    if (m_session) {
        // Never in the middle of a handler: the event loop has returned.
        const RadioSession::State state = m_session->state();
        if (state == RadioSession::State::Reading || state == RadioSession::State::Connected ||
            state == RadioSession::State::Saving) {
            m_session->closeRadio();
            if (m_session->state() == RadioSession::State::Idle)
                say(texts::left());
        }
    }
    if (m_failure) {
        m_err << texts::error(m_failure->second) << Qt::endl;
        return m_failure->first;
    }
    return code;
}

int Runner::readRadio()
{
    if (!startSession() || !connectAndRead())
        return finish(Failure);
    QStringList skipped;
    const RadioProfile held = profile::fromConfig(m_config, &skipped);
    for (const QString &note : skipped)
        say(texts::skippedLine(note));
    if (m_options.output.isEmpty()) {
        m_out << QString::fromUtf8(profile::toJson(held));
        m_out.flush();
    } else {
        QString error;
        if (profile::write(m_options.output, held, &error))
            say(texts::profileWritten(m_options.output));
        else
            fail(FileError, error);
    }
    return finish(Success);
}

bool Runner::buildPendingChannels(SaveState &save)
{
    return BuildPendingChannels(m_plan.rows, m_plan.readRows, save.pendingChannels,
                                save.pendingChannelCount);
}

bool Runner::CheckSelectedChannels()
{
    for (int row : {m_selection.mainTxIndex, m_selection.mainRxIndex, m_selection.repeaterTxIndex,
                    m_selection.repeaterRxIndex}) {
        if (!rowComplete(m_plan.rows, row))
            return false;
    }
    return true;
}

int Runner::writeRadio()
{
    // The file first: a bad one must not cost a connection.
    const profile::Loaded loaded = profile::read(m_options.file);
    if (!loaded.profile) {
        fail(FileError, loaded.error);
        return finish(Failure);
    }
    if (!loaded.unknownKeys.isEmpty())
        say(messages::unknownKeysIgnored(loaded.unknownKeys));
    const RadioProfile &target = *loaded.profile;
    if (!startSession() || !connectAndRead())
        return finish(Failure);
    if (!target.serialNumber.isEmpty() && target.serialNumber != m_config.serialNumber)
        say(texts::otherRadio(target.serialNumber, m_config.serialNumber));

    m_plan = planFor(m_config, target);
    m_selection = m_plan.selection;
    QStringList problems;
    for (const ChannelRowProblem &p : FindChannelProblems(m_plan.rows, m_plan.readRows))
        problems << messages::channelRowProblem(p.row, p.problem, p.text);
    if (!problems.isEmpty()) {
        fail(FileError, texts::rowsBlocked(problems));
        return finish(Failure);
    }
    say(texts::plan(int(registerOrder().size()), int(m_plan.changedChannels.size())));
    m_session->save();
    waitUntil([this] { return m_saveChecked; }, pauses::kReadAnswerBound);
    return finish(Success);
}

int Runner::loadDefaults()
{
    if (!startSession() || !connectAndRead())
        return finish(Failure);
    const std::optional<SettingsSelection> chosen =
        selectionForPreset(m_options.preset, selectionOf(m_config));
    if (!chosen) {
        fail(UsageError, texts::badPreset(QString::number(m_options.preset)));
        return finish(Failure);
    }
    m_selection = *chosen;
    say(texts::loadingPreset(m_options.preset));
    const int reportsBefore = m_reports;
    m_session->restoreDefaults();
    if (!waitUntil([&] { return m_reports > reportsBefore; }, pauses::kReadAnswerBound))
        return finish(Failure);
    // The preset's protocol is what shows that the radio loaded it.
    const QString protocol = tables::T186.text(m_selection.protocolIndex);
    if (m_config.protocol != protocol) {
        fail(VerifyMismatch, messages::verifyLine(QStringLiteral("协议"), protocol, m_config.protocol));
        return finish(Failure);
    }
    say(texts::presetLoaded(m_config.protocol));
    return finish(Success);
}

} // namespace quenda::cli
