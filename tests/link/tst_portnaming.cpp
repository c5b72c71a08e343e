#include "link/portnaming.h"

#include "ptyfixture.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>

using namespace quenda;
using quenda::test::Pty;

class TestPortNaming : public QObject {
    Q_OBJECT
private slots:
    void comNumber_data();
    void comNumber();
    void fixedTable_data();
    void fixedTable();
    void portsFolderLinkWins();
    void danglingLinkNamesAMissingPort();
    void probeDevice_data();
    void probeDevice();
    void scanListsAvailablePort();
    void scanListsNoPermissionPort();
    void scanHidesBusyPort_data();
    void scanHidesBusyPort();
    void scanSkipsWhatIsNoSerialPort();
};

void TestPortNaming::comNumber_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number");
    QTest::newRow("COM3") << QStringLiteral("COM3") << 3;
    QTest::newRow("lower case") << QStringLiteral("com12") << 12;
    QTest::newRow("COM255") << QStringLiteral("COM255") << 255;
    QTest::newRow("no number") << QStringLiteral("COM") << 0;
    QTest::newRow("trailing text") << QStringLiteral("COM3x") << 0;
    QTest::newRow("device path") << QStringLiteral("/dev/ttyS0") << 0;
    QTest::newRow("windows device") << QStringLiteral("\\\\.\\COM3") << 0;
}

void TestPortNaming::comNumber()
{
    QFETCH(QString, name);
    QFETCH(int, number);
    QCOMPARE(PortNaming::comNumber(name), number);
}

void TestPortNaming::fixedTable_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("device");
    QTest::newRow("COM1") << 1 << QStringLiteral("/dev/ttyS0");
    QTest::newRow("COM32") << 32 << QStringLiteral("/dev/ttyS31");
    QTest::newRow("COM33") << 33 << QStringLiteral("/dev/ttyUSB0");
    QTest::newRow("COM64") << 64 << QStringLiteral("/dev/ttyUSB31");
    QTest::newRow("COM65") << 65 << QStringLiteral("/dev/ttyACM0");
    QTest::newRow("COM96") << 96 << QStringLiteral("/dev/ttyACM31");
    QTest::newRow("COM97") << 97 << QString();
    QTest::newRow("COM255") << 255 << QString();
    QTest::newRow("COM0") << 0 << QString();
    QTest::newRow("COM-1") << -1 << QString();
}

void TestPortNaming::fixedTable()
{
    QFETCH(int, number);
    QFETCH(QString, device);
    QTemporaryDir dir; // an empty ports folder
    QCOMPARE(PortNaming(dir.path()).device(number), device);
}

void TestPortNaming::portsFolderLinkWins()
{
    Pty pty;
    QVERIFY(pty.isValid());
    QTemporaryDir dir;
    const QString ports = dir.filePath(QStringLiteral("ports"));
    QVERIFY(test::linkPort(ports, 1, pty.slave()));
    QVERIFY(test::linkPort(ports, 120, pty.slave()));
    const PortNaming naming(ports);
    QCOMPARE(naming.device(1), QFileInfo(pty.slave()).canonicalFilePath());
    QCOMPARE(naming.device(120), QFileInfo(pty.slave()).canonicalFilePath());
    QCOMPARE(naming.device(2), QStringLiteral("/dev/ttyS1"));

    // A port given by its path takes the number that already names it, else the first free
    // number, which then names that path.
    PortNaming byPath(ports);
    QCOMPARE(byPath.numberFor(pty.slave()), 1);
    const QString other = dir.filePath(QStringLiteral("ttyOther"));
    QCOMPARE(byPath.numberFor(other), 97);
    QCOMPARE(byPath.device(97), other);
    QCOMPARE(byPath.device(98), QString());
}

void TestPortNaming::danglingLinkNamesAMissingPort()
{
    QTemporaryDir dir;
    QVERIFY(test::linkPort(dir.path(), 3, dir.filePath(QStringLiteral("gone"))));
    const PortNaming naming(dir.path());
    QCOMPARE(naming.device(3), dir.filePath(QStringLiteral("com3")));
    QCOMPARE(naming.probe(3).status, PortStatus::Missing);
}

void TestPortNaming::probeDevice_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("status");
    QTest::newRow("pty") << QStringLiteral("pty") << int(PortStatus::Available);
    QTest::newRow("missing") << QStringLiteral("missing") << int(PortStatus::Missing);
    QTest::newRow("regular file") << QStringLiteral("file") << int(PortStatus::Missing);
    QTest::newRow("not a tty") << QStringLiteral("null") << int(PortStatus::Missing);
    QTest::newRow("empty path") << QString() << int(PortStatus::Missing);
}

void TestPortNaming::probeDevice()
{
    QFETCH(QString, kind);
    QFETCH(int, status);
    Pty pty;
    QVERIFY(pty.isValid());
    QTemporaryDir dir;
    QString device;
    if (kind == QLatin1String("pty")) {
        device = pty.slave();
    } else if (kind == QLatin1String("missing")) {
        device = dir.filePath(QStringLiteral("ttyNone"));
    } else if (kind == QLatin1String("file")) {
        device = dir.filePath(QStringLiteral("plain"));
        QFile file(device);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (kind == QLatin1String("null")) {
        device = QStringLiteral("/dev/null");
    }
    const PortProbe result = PortNaming::probe(device);
    QCOMPARE(int(result.status), status);
    QCOMPARE(result.reason.isEmpty(), result.status == PortStatus::Available);
}

void TestPortNaming::scanListsAvailablePort()
{
    Pty pty;
    QVERIFY(pty.isValid());
    QTemporaryDir dir;
    QVERIFY(test::hideFixedPorts(dir.path()));
    QVERIFY(test::linkPort(dir.path(), 7, pty.slave()));
    QVERIFY(test::linkPort(dir.path(), 200, pty.slave()));

    const QList<PortEntry> entries = PortNaming(dir.path()).scan();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0].number, 7);
    QCOMPARE(entries[0].status, PortStatus::Available);
    QCOMPARE(entries[0].device, QFileInfo(pty.slave()).canonicalFilePath());
    QCOMPARE(entries[1].number, 200);
}

void TestPortNaming::scanListsNoPermissionPort()
{
    if (::geteuid() == 0)
        QSKIP("root opens a device whatever its mode");
    Pty pty;
    QVERIFY(pty.isValid());
    QVERIFY(::chmod(QFile::encodeName(pty.slave()).constData(), 0) == 0);
    QTemporaryDir dir;
    QVERIFY(test::hideFixedPorts(dir.path()));
    QVERIFY(test::linkPort(dir.path(), 4, pty.slave()));

    const QList<PortEntry> entries = PortNaming(dir.path()).scan();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].number, 4);
    QCOMPARE(entries[0].status, PortStatus::NoPermission);
}

void TestPortNaming::scanHidesBusyPort_data()
{
    QTest::addColumn<QString>("hold");
    QTest::newRow("flock") << QStringLiteral("flock");
    QTest::newRow("TIOCEXCL") << QStringLiteral("exclusive");
}

void TestPortNaming::scanHidesBusyPort()
{
    QFETCH(QString, hold);
    if (hold == QLatin1String("exclusive") && ::geteuid() == 0)
        QSKIP("root opens a terminal in exclusive mode all the same");
    Pty busy;
    Pty free;
    QVERIFY(busy.isValid() && free.isValid());
    const int holder = ::open(QFile::encodeName(busy.slave()).constData(), O_RDWR | O_NOCTTY);
    QVERIFY(holder >= 0);
    if (hold == QLatin1String("flock"))
        QVERIFY(::flock(holder, LOCK_EX | LOCK_NB) == 0);
    else
        QVERIFY(::ioctl(holder, TIOCEXCL) == 0);

    QTemporaryDir dir;
    QVERIFY(test::hideFixedPorts(dir.path()));
    QVERIFY(test::linkPort(dir.path(), 5, busy.slave()));
    QVERIFY(test::linkPort(dir.path(), 6, free.slave()));
    const PortNaming naming(dir.path());
    QCOMPARE(naming.probe(5).status, PortStatus::Busy);

    const QList<PortEntry> entries = naming.scan();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].number, 6);

    // A pseudo-terminal keeps its exclusive flag beyond the last close, so the holder drops it.
    if (hold == QLatin1String("exclusive"))
        QVERIFY(::ioctl(holder, TIOCNXCL) == 0);
    ::close(holder);
    QCOMPARE(naming.probe(5).status, PortStatus::Available);
}

void TestPortNaming::scanSkipsWhatIsNoSerialPort()
{
    QTemporaryDir dir;
    QVERIFY(test::hideFixedPorts(dir.path()));
    QFile plain(dir.filePath(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(test::linkPort(dir.path(), 8, plain.fileName()));
    QVERIFY(test::linkPort(dir.path(), 9, QStringLiteral("/dev/null")));
    QVERIFY(PortNaming(dir.path()).scan().isEmpty());
}

QTEST_GUILESS_MAIN(TestPortNaming)
#include "tst_portnaming.moc"
