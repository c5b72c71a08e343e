// The shipped k7v4-sim program, run as the user runs it, talked to through the program's own
// serial port on the COM link it registers.

#include "lib/k7v4simulator.h"
#include "link/serialbackend.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace quenda;

namespace {

constexpr int kCom = 3;
constexpr int kStartMs = 10000;
constexpr int kAnswerMs = 10000;
// What arrives after this much quiet is taken as no answer at all.
constexpr int kQuietMs = 500;

const QByteArray kBanner = "\r\nNO CARRIER\r\nOK\r\n";

// k7v4-sim in its own process, its ports folder and state file in a temporary folder.
class SimProcess {
public:
    bool start(const k7v4::RadioState &state, const QStringList &extra = {})
    {
        k7v4::Simulator writer;
        writer.setState(state);
        if (!writer.saveFile(statePath()))
            return false;
        process.setProgram(qEnvironmentVariable("QUENDA_SIM"));
        process.setArguments(QStringList{"--ports", dir.path(), "--com", QString::number(kCom),
                                         "--state", statePath(), "--save"} +
                             extra);
        process.setStandardInputFile(QProcess::nullDevice());
        process.start();
        if (!process.waitForStarted(kStartMs))
            return false;
        const QDeadlineTimer deadline(kStartMs);
        while (!QFileInfo(linkPath()).isSymLink() && !deadline.hasExpired())
            QTest::qWait(10);
        return QFileInfo(linkPath()).isSymLink();
    }
    ~SimProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    void signal(int signo) { ::kill(pid_t(process.processId()), signo); }
    QString statePath() const { return dir.filePath("radio.state"); }
    QString linkPath() const { return dir.filePath(QStringLiteral("com%1").arg(kCom)); }

    QTemporaryDir dir;
    QProcess process;
};

// The program's end of the line.
class Port : public QObject {
public:
    explicit Port(const QString &portsFolder) : backend(PortNaming(portsFolder))
    {
        connect(&backend, &SerialBackend::readyRead, this, [this] {
            const QByteArray bytes = backend.readAll();
            if (!bytes.isEmpty())
                reads << bytes;
        });
    }
    QByteArray all() const { return reads.join(); }
    // Waits until what arrived ends with `tail`.
    bool waitFor(const QByteArray &tail, int timeoutMs = kAnswerMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (!all().endsWith(tail) && !deadline.hasExpired())
            QTest::qWait(5);
        return all().endsWith(tail);
    }
    void talk(const QByteArray &bytes)
    {
        reads.clear();
        backend.write(bytes);
    }

    QSerialPortBackend backend;
    QList<QByteArray> reads;
};

k7v4::RadioState radioAt(int baudCode, int channels)
{
    k7v4::RadioState state = k7v4::RadioState::factoryDefault();
    state.serialNumber = QStringLiteral("SIM-0815");
    state.registers[102] = baudCode;
    state.channels = {};
    for (int ch = 0; ch < channels; ++ch)
        state.channels[std::size_t(ch)] = {420000000 + ch * 125000LL, 1, 2};
    return state;
}

} // namespace

class TestK7v4Sim : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void connectAndRead_data();
    void connectAndRead();
    void answersAtTheLinePace();
    void storesOnExit();
};

void TestK7v4Sim::initTestCase()
{
    const QString program = qEnvironmentVariable("QUENDA_SIM");
    QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program + " is not built"));
}

void TestK7v4Sim::connectAndRead_data()
{
    QTest::addColumn<int>("radioCode"); // S102
    QTest::addColumn<int>("lineBaud");
    QTest::addColumn<bool>("byPowerOn"); // SIGUSR1 instead of "+++"
    QTest::addColumn<bool>("understood");

    QTest::newRow("escape at 9600") << 7 << 9600 << false << true;
    QTest::newRow("escape at 19200") << 5 << 19200 << false << true;
    QTest::newRow("escape at the wrong rate") << 5 << 9600 << false << false;
    QTest::newRow("switched on with CONFIG held") << 9 << 4800 << true << true;
}

void TestK7v4Sim::connectAndRead()
{
    QFETCH(int, radioCode);
    QFETCH(int, lineBaud);
    QFETCH(bool, byPowerOn);
    QFETCH(bool, understood);

    SimProcess sim;
    QVERIFY(sim.start(radioAt(radioCode, 2)));
    Port port(sim.dir.path());
    QString error;
    QVERIFY2(port.backend.open(QStringLiteral("COM%1").arg(kCom), lineBaud, &error),
             qPrintable(error));

    if (byPowerOn) {
        port.reads.clear();
        sim.signal(SIGUSR1);
    } else {
        port.talk("+++");
    }
    if (!understood) {
        QTest::qWait(kQuietMs);
        QCOMPARE(port.all(), QByteArray());
        return;
    }
    QVERIFY2(port.waitFor(kBanner), port.all().constData());
    QCOMPARE(port.all(), kBanner);

    port.talk("AT&V\r");
    QVERIFY2(port.waitFor("\r\nOK\r\n"), port.all().constData());
    const QByteArray report = port.all();
    QVERIFY(report.startsWith("AT&V\r\n"));
    QVERIFY(report.contains("\r\nS/N: SIM-0815\r\n"));
    QVERIFY(report.contains("\r\nS102=" + QByteArray::number(radioCode) + "\r\n"));

    port.talk("ATP0?\r");
    QVERIFY2(port.waitFor("\r\n\r\nOK\r\n"), port.all().constData());
    QVERIFY(port.all().contains("\r\n0                   420.000000 MHz    12.5 KHz     Rx&Tx\r\n"));
    QVERIFY(port.all().contains("\r\n1                   420.125000 MHz    12.5 KHz     Rx&Tx\r\n"));
}

void TestK7v4Sim::answersAtTheLinePace()
{
    // A full table at 38400: about 3.8 KB, ten bits a byte, so no less than about one second.
    SimProcess sim;
    QVERIFY(sim.start(radioAt(3, 64)));
    Port port(sim.dir.path());
    QString error;
    QVERIFY2(port.backend.open(QStringLiteral("COM%1").arg(kCom), 38400, &error),
             qPrintable(error));
    port.talk("+++");
    QVERIFY(port.waitFor(kBanner));

    QElapsedTimer clock;
    clock.start();
    port.talk("ATP0?\r");
    QVERIFY(port.waitFor("\r\n63                  427.875000 MHz    12.5 KHz     Rx&Tx\r\n\r\nOK\r\n"));
    const qint64 elapsed = clock.elapsed();
    const qint64 bytes = port.all().size();
    QVERIFY(bytes > 3500);
    // A lower bound only: the line can never be faster than its rate, a busy machine slower.
    QVERIFY2(elapsed >= bytes * 10 * 1000 / 38400 - 2,
             qPrintable(QStringLiteral("%1 bytes in %2 ms").arg(bytes).arg(elapsed)));
    QVERIFY2(port.reads.size() > 1, qPrintable(QString::number(port.reads.size())));

    // Unpaced on request: the same listing in one go.
    SimProcess instant;
    QVERIFY(instant.start(radioAt(3, 64), {"--no-pace"}));
    Port fast(instant.dir.path());
    QVERIFY(fast.backend.open(QStringLiteral("COM%1").arg(kCom), 38400, &error));
    fast.talk("+++");
    QVERIFY(fast.waitFor(kBanner));
    fast.talk("ATP0?\r");
    QVERIFY(fast.waitFor("\r\n\r\nOK\r\n"));
    QCOMPARE(fast.all(), port.all());
}

void TestK7v4Sim::storesOnExit()
{
    SimProcess sim;
    QVERIFY(sim.start(radioAt(7, 2)));
    Port port(sim.dir.path());
    QString error;
    QVERIFY(port.backend.open(QStringLiteral("COM%1").arg(kCom), 9600, &error));
    port.talk("+++");
    QVERIFY(port.waitFor(kBanner));
    port.talk("ats105=77\r");
    QVERIFY(port.waitFor("ats105=77\r\nOK\r\n"));
    port.talk("AT&W\r");
    QVERIFY(port.waitFor("AT&W\r\nOK\r\n"));
    port.backend.close();

    sim.signal(SIGTERM);
    QVERIFY(sim.process.waitForFinished(kStartMs));
    QCOMPARE(sim.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process.exitCode(), 0);
    QVERIFY(!QFileInfo(sim.linkPath()).isSymLink());
    k7v4::Simulator reader;
    QVERIFY(reader.loadFile(sim.statePath()));
    QCOMPARE(reader.stored().registers.value(105), 77);
}

QTEST_GUILESS_MAIN(TestK7v4Sim)
#include "tst_k7v4sim.moc"
