// quenda-cli as a script runs it: the program itself in its own process, against the simulated
// radio on a pseudo-terminal at the line's pace, judged by what the radio ends up holding, what
// it received and the exit status.

#include "app/quendadlg.h"
#include "cli/clioptions.h"
#include "link/pause.h"
#include "profile/profile.h"
#include "support/modalanswerer.h"
#include "support/ptyradio.h"
#include "ui/filedialog.h"
#include "ui/messagebox.h"

#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace quenda;
using quenda::test::ModalAnswerer;
using quenda::test::PtyRadio;
using quenda::test::slow;

namespace {

constexpr int kCom = 14;
constexpr int kRunTimeoutMs = 90000;

// At 4800 baud the first soft-diagnostic try finds the radio.
k7v4::RadioState radioState()
{
    k7v4::RadioState s = k7v4::RadioState::factoryDefault();
    s.serialNumber = QStringLiteral("CLI4800");
    s.registers[102] = 9;
    s.registers[103] = 5;
    s.channels[3] = {440250000, 1, 2};
    return s;
}

struct Run {
    int status = -1;
    QByteArray out;
    QString err;
};

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void arguments_data();
    void arguments();
    void readGivesTheRadiosProfile();
    void writeStoresAndSecondWriteSendsNoRows();
    void defaults();
    void failures_data();
    void failures();
    void writeSendsWhatTheWindowSends();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString device() const { return m_radio->slavePath(); }
    Run runCli(const QStringList &arguments, const QString &program = {});
    // The program of the latest runCli while it runs.
    QProcess *m_running = nullptr;
    // The profile the radio holds now, changed as the tests need.
    QString changedProfile(const QString &name);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<PtyRadio> m_radio;
    QString m_cli;
};

void TestCli::initTestCase()
{
    m_cli = QCoreApplication::applicationDirPath() + QStringLiteral("/quenda-cli");
    QVERIFY2(QFileInfo(m_cli).isExecutable(), qPrintable(m_cli));
    if (const QString why = test::prepareRadioSuite(kCom); !why.isEmpty())
        QSKIP(qPrintable(why));
}

void TestCli::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_radio = std::make_unique<PtyRadio>();
    QString error;
    QVERIFY2(m_radio->start(path(QStringLiteral("ports")), kCom, &error), qPrintable(error));
    m_radio->simulator().setState(radioState());
}

void TestCli::cleanup()
{
    m_radio.reset();
    m_dir.reset();
}

Run TestCli::runCli(const QStringList &arguments, const QString &program)
{
    // The radio lives on this process's event loop: keep it turning while the program runs.
    QProcess process;
    process.start(program.isEmpty() ? m_cli : program, arguments);
    if (!process.waitForStarted(5000))
        return {};
    m_running = &process;
    const auto done = qScopeGuard([this] { m_running = nullptr; });
    QDeadlineTimer deadline(slow(kRunTimeoutMs));
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired())
        QTest::qWait(20);
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    Run run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString TestCli::changedProfile(const QString &name)
{
    // Air rate 4800, channel 3 deleted, channel 9 added; the other channels as they are.
    const k7v4::RadioState state = radioState();
    RadioProfile p;
    p.serialNumber = state.serialNumber;
    for (int n = 0; n < kChannelSlots; ++n) {
        const k7v4::Channel &c = state.channels[std::size_t(n)];
        if (c.frequencyHz != 0 && n != 3)
            p.channels[std::size_t(n)] = ProfileChannel{int(c.frequencyHz), c.bandwidthCode, c.directionCode};
    }
    p.setValue(103, 3);
    p.channels[9] = ProfileChannel{455500000, 2, 2};
    QString error;
    const QString file = path(name);
    if (!profile::write(file, p, &error))
        qWarning() << error;
    return file;
}

void TestCli::arguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("method");
    QTest::addColumn<int>("preset");
    QTest::addColumn<bool>("usable");

    using C = cli::Command;
    const int soft = int(ConnectMethod::SoftDiagnostic), power = int(ConnectMethod::PowerOn);
    QTest::newRow("ports") << QStringList{"ports"} << int(C::Ports) << "" << soft << 0 << true;
    QTest::newRow("read") << QStringList{"read", "--port", "7"} << int(C::Read) << "7" << soft << 0 << true;
    QTest::newRow("read, = form, power-on")
        << QStringList{"read", "--port=COM3", "--method=poweron", "-o", "x.json"} << int(C::Read) << "COM3"
        << power << 0 << true;
    QTest::newRow("write") << QStringList{"write", "--port", "/dev/ttyUSB0", "p.json"} << int(C::Write)
                           << "/dev/ttyUSB0" << soft << 0 << true;
    QTest::newRow("defaults") << QStringList{"defaults", "--port", "2", "58"} << int(C::Defaults) << "2"
                              << soft << 58 << true;
    QTest::newRow("defaults as command") << QStringList{"defaults", "--port", "2", "AT&F57"}
                                         << int(C::Defaults) << "2" << soft << 57 << true;
    QTest::newRow("no command") << QStringList{} << int(C::None) << "" << soft << 0 << false;
    QTest::newRow("unknown command") << QStringList{"flash"} << int(C::None) << "" << soft << 0 << false;
    QTest::newRow("read without port") << QStringList{"read"} << int(C::Read) << "" << soft << 0 << false;
    QTest::newRow("port without value") << QStringList{"read", "--port"} << int(C::Read) << "" << soft << 0 << false;
    QTest::newRow("unknown method") << QStringList{"read", "--port", "1", "--method", "fast"}
                                    << int(C::Read) << "1" << soft << 0 << false;
    QTest::newRow("write without file") << QStringList{"write", "--port", "1"} << int(C::Write) << "1"
                                        << soft << 0 << false;
    QTest::newRow("write, two files") << QStringList{"write", "--port", "1", "a", "b"} << int(C::Write)
                                      << "1" << soft << 0 << false;
    QTest::newRow("preset never loaded") << QStringList{"defaults", "--port", "1", "52"}
                                         << int(C::Defaults) << "1" << soft << 0 << false;
    QTest::newRow("-o is no option of write") << QStringList{"write", "--port", "1", "-o", "x", "p"}
                                              << int(C::Write) << "1" << soft << 0 << false;
    QTest::newRow("read, stray argument") << QStringList{"read", "--port", "1", "extra"} << int(C::Read)
                                          << "1" << soft << 0 << false;
}

void TestCli::arguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, command);
    QFETCH(QString, port);
    QFETCH(int, method);
    QFETCH(int, preset);
    QFETCH(bool, usable);
    const cli::Options o = cli::parseArguments(arguments);
    QCOMPARE(o.error.isEmpty(), usable);
    QCOMPARE(int(o.command), command);
    if (!usable)
        return;
    QCOMPARE(o.port, port);
    QCOMPARE(int(o.method), method);
    QCOMPARE(o.preset, preset);
}

void TestCli::readGivesTheRadiosProfile()
{
    // By number, as the window names ports: the program finds ports/com<n> beside itself.
    const QString program = path(QStringLiteral("quenda-cli"));
    QVERIFY(QFile::copy(m_cli, program));
    const Run run = runCli({"read", "--port", QString::number(kCom), "--log", path("log.txt")}, program);
    QCOMPARE(run.status, 0);
    const profile::Loaded loaded = profile::fromJson(run.out);
    QVERIFY2(loaded.profile, qPrintable(loaded.error + run.err));
    const k7v4::RadioState state = radioState();
    QCOMPARE(loaded.profile->serialNumber, state.serialNumber);
    QCOMPARE(loaded.profile->value(102), std::optional<int>(9));
    QCOMPARE(loaded.profile->value(103), std::optional<int>(5));
    QCOMPARE(loaded.profile->value(186), std::optional<int>(state.registers.value(186)));
    QCOMPARE(loaded.profile->channelCount(), 3);
    QCOMPARE(loaded.profile->channels[3], std::optional(ProfileChannel{440250000, 1, 2}));
    // Configuration mode was left, and nothing else was sent after it.
    QVERIFY(m_radio->received().endsWith("ATA\r"));
    QTRY_VERIFY(!m_radio->simulator().inConfigMode());
    QVERIFY(run.err.contains(QStringLiteral("4800")));

    // The log: both directions, in the order they passed, on a clock that never goes back.
    QFile log(path("log.txt"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
    static const QRegularExpression entry(QStringLiteral("^\\S+ +([0-9.]+) (->|<-|--) (.*)$"));
    double last = 0;
    QByteArray sent;
    QStringList order;
    for (const QString &line : lines.mid(1)) {
        const QRegularExpressionMatch m = entry.match(line);
        QVERIFY2(m.hasMatch(), qPrintable(line));
        const double at = m.captured(1).toDouble();
        QVERIFY2(at >= last, qPrintable(line));
        last = at;
        order << m.captured(2);
        if (m.captured(2) == QLatin1String("->"))
            sent += QByteArray::fromHex(m.captured(3).section(u'[', -1).chopped(1).toLatin1());
    }
    QCOMPARE(sent, m_radio->received());
    const qsizetype banner = order.indexOf(QStringLiteral("<-"));
    QVERIFY(banner > 0 && order.indexOf(QStringLiteral("->")) < banner);
    QVERIFY(order.lastIndexOf(QStringLiteral("<-")) < order.lastIndexOf(QStringLiteral("->")));
}

void TestCli::writeStoresAndSecondWriteSendsNoRows()
{
    const QString file = changedProfile(QStringLiteral("changed.json"));
    Run run = runCli({"write", "--port", device(), file});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    k7v4::RadioState stored = m_radio->simulator().stored();
    QCOMPARE(stored.registers.value(103), 3);
    QCOMPARE(stored.channels[3].frequencyHz, 0);
    QCOMPARE(stored.channels[9], (k7v4::Channel{455500000, 2, 2}));
    QVERIFY(m_radio->received().contains("ATP0="));
    QVERIFY(run.err.contains(QStringLiteral("写入通道 2/2")));
    QVERIFY(run.err.contains(QStringLiteral("写入寄存器 14/14")));

    m_radio->clearTraffic();
    run = runCli({"write", "--port", device(), file});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QVERIFY(!m_radio->received().contains("ATP0="));
    QVERIFY(m_radio->received().contains("at&w\r"));
    QCOMPARE(m_radio->simulator().stored(), stored);
}

void TestCli::defaults()
{
    const Run run = runCli({"defaults", "--port", device(), "53"});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QVERIFY(m_radio->received().contains("AT&F53\r"));
    QCOMPARE(m_radio->simulator().stored().registers.value(186), 1);
    QVERIFY(m_radio->received().endsWith("ATA\r"));
}

void TestCli::failures_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("status");
    QTest::newRow("usage") << "usage" << int(cli::UsageError);
    QTest::newRow("no such port") << "no port" << int(cli::PortError);
    QTest::newRow("not a profile") << "bad file" << int(cli::FileError);
    QTest::newRow("no radio answering") << "silent" << int(cli::NoRadio);
    QTest::newRow("a refused value") << "refused" << int(cli::ValueRefused);
    QTest::newRow("a value not kept") << "ignored" << int(cli::VerifyMismatch);
    QTest::newRow("terminated mid-save") << "terminated" << int(cli::Interrupted);
}

void TestCli::failures()
{
    QFETCH(QString, how);
    QFETCH(int, status);
    const QString profileFile = changedProfile(QStringLiteral("p.json"));
    QStringList arguments{"write", "--port", device(), profileFile};
    if (how == "usage") {
        arguments = {"write", "--port", device()};
    } else if (how == "no port") {
        arguments[2] = path(QStringLiteral("no-such-device"));
    } else if (how == "bad file") {
        QFile f(path(QStringLiteral("bad.json")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("{\"format\": \"something else\"}");
        f.close();
        arguments[3] = f.fileName();
    } else if (how == "silent") {
        // Switched on without CONFIG held: the power-on count runs out.
        arguments = {"read", "--port", device(), "--method", "poweron"};
    } else if (how == "refused") {
        m_radio->simulator().misbehaviour().errorOnRegister = 103;
    } else if (how == "ignored") {
        m_radio->simulator().misbehaviour().ignoreRegister = 103;
    } else if (how == "terminated") {
        m_radio->whenReceived("ats110=", [this] {
            if (m_running)
                m_running->terminate();
        });
    }
    const k7v4::RadioState before = m_radio->simulator().stored();
    const Run run = runCli(arguments);
    QCOMPARE(run.status, status);
    QVERIFY(run.err.contains(QStringLiteral("quenda-cli：")));
    if (how == "silent")
        QVERIFY(run.err.contains(QStringLiteral("还剩 1 秒")));
    if (status < cli::NoRadio)
        QVERIFY(m_radio->received().isEmpty());
    if (how == "refused" || how == "terminated") {
        QCOMPARE(m_radio->simulator().stored().registers.value(103), before.registers.value(103));
        QVERIFY(m_radio->received().endsWith("ATA\r"));
    }
}

void TestCli::writeSendsWhatTheWindowSends()
{
    // The window: read, load the profile into the pages, save, close.
    const QString file = changedProfile(QStringLiteral("same.json"));
    {
        RealPause pause;
        RadioConfig config;
        QVERIFY(test::choosePortBefore(m_dir->path(), kCom));
        ModalAnswerer answerer;
        QuendaEnvironment env;
        env.pause = &pause;
        env.config = &config;
        env.programFolder = m_dir->path();
        CQuendaDlg dlg(std::move(env));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const auto button = [&](const char *name) {
            return dlg.findChild<QPushButton *>(QLatin1String(name));
        };
        QTest::mouseClick(button("openButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(button("closeButton")->isEnabled() && config.channelCount == 3,
                                 slow(kRunTimeoutMs));
        QTRY_VERIFY_WITH_TIMEOUT(m_radio->pendingOutput() == 0, slow(kRunTimeoutMs));
        FileDialog::setTestMode(true);
        FileDialog::setNextFileName(file);
        dlg.OnImportProfile();
        FileDialog::setTestMode(false);
        answerer.answerNext(QStringLiteral("确定"));
        QTest::mouseClick(button("saveButton"), Qt::LeftButton);
        QVERIFY(answerer.waitForText(QStringLiteral("保存完毕！"), slow(kRunTimeoutMs)));
        QTRY_VERIFY_WITH_TIMEOUT(m_radio->pendingOutput() == 0, slow(kRunTimeoutMs));
        QTest::qWait(slow(1500));
        QTest::mouseClick(button("closeButton"), Qt::LeftButton);
        QTRY_VERIFY(m_radio->received().endsWith("ATA\r"));
        QCOMPARE(answerer.count(), 2);
    }
    const QByteArray window = m_radio->received();
    QVERIFY(window.contains("ATP0=\r") && window.contains("\r455500000\r") && window.contains("at&w\r"));
    const k7v4::RadioState afterWindow = m_radio->simulator().stored();

    // The command line, on a radio as the window found it.
    m_radio->simulator().setState(radioState());
    m_radio->clearTraffic();
    const Run run = runCli({"write", "--port", device(), file});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QCOMPARE(m_radio->received(), window);
    QCOMPARE(m_radio->simulator().stored(), afterWindow);
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
