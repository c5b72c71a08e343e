#include "link/cmscomm.h"
#include "link/commerror.h"
#include "link/serialbackend.h"
#include "support/virtualpause.h"

#include "ptyfixture.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/file.h>

using namespace quenda;
using quenda::test::Pty;

class TestSerialBackend : public QObject {
    Q_OBJECT
private slots:
    void opensPtyDespiteRefusedRts();
    void staleInputIsDiscardedOnOpen_data();
    void staleInputIsDiscardedOnOpen();
    void clearInputDiscardsWaitingBytes();
    void writesAndDrains();
    void lossIsReportedOnceWithoutSpinning();
    void openFailures_data();
    void openFailures();
    void openPortIsBusyForOthers();
    void controlOverRealPort();
};

void TestSerialBackend::opensPtyDespiteRefusedRts()
{
    Pty pty;
    QVERIFY(pty.isValid());
    QSerialPortBackend backend;
    QSignalSpy lost(&backend, &SerialBackend::lost);
    QString error;
    QVERIFY2(backend.open(pty.slave(), 9600, &error), qPrintable(error));
    backend.setRts(true); // refused by a pseudo-terminal
    backend.setRts(false);
    QCoreApplication::processEvents();
    QVERIFY(backend.isOpen());
    QCOMPARE(lost.count(), 0);
    QCOMPARE(backend.device(), pty.slave());
}

void TestSerialBackend::staleInputIsDiscardedOnOpen_data()
{
    QTest::addColumn<QByteArray>("stale");
    QTest::newRow("half a line") << QByteArray("NO CAR");
    QTest::newRow("whole lines") << QByteArray("\r\nNO CARRIER\r\nOK\r\n");
}

void TestSerialBackend::staleInputIsDiscardedOnOpen()
{
    QFETCH(QByteArray, stale);
    Pty pty;
    QVERIFY(pty.isValid());
    {
        // Someone had the device open and bytes came in that nobody read.
        QSerialPortBackend earlier;
        QVERIFY(earlier.open(pty.slave(), 9600, nullptr));
        QVERIFY(pty.send(stale));
        QTest::qWait(50);
        earlier.close();
    }
    QVERIFY(pty.send(stale));
    QTest::qWait(50);

    QSerialPortBackend backend;
    QVERIFY(backend.open(pty.slave(), 9600, nullptr));
    QByteArray received;
    connect(&backend, &SerialBackend::readyRead, this, [&] { received += backend.readAll(); });
    QVERIFY(pty.send("fresh"));
    QTRY_COMPARE(received.size(), qsizetype(5));
    QTest::qWait(50);
    QCOMPARE(received, QByteArray("fresh"));
}

void TestSerialBackend::clearInputDiscardsWaitingBytes()
{
    Pty pty;
    QVERIFY(pty.isValid());
    QSerialPortBackend backend;
    QVERIFY(backend.open(pty.slave(), 9600, nullptr));
    QVERIFY(pty.send("noise"));
    QTRY_VERIFY(backend.bytesAvailable() > 0);
    QVERIFY(pty.send("more"));
    QTest::qWait(30);
    backend.clearInput();
    QCOMPARE(backend.bytesAvailable(), qint64(0));
    QVERIFY(pty.send("OK"));
    QByteArray received;
    QTRY_VERIFY((received += backend.readAll()).size() >= 2);
    QCOMPARE(received, QByteArray("OK"));
}

void TestSerialBackend::writesAndDrains()
{
    Pty pty;
    QVERIFY(pty.isValid());
    QSerialPortBackend backend;
    QVERIFY(backend.open(pty.slave(), 57600, nullptr));
    pty.drainMaster();
    QCOMPARE(backend.write("ATA"), qint64(3));
    QCOMPARE(backend.write("\r"), qint64(1));
    QVERIFY(backend.drain(1000));
    backend.close(); // closing right after the drain must not lose the bytes
    QCOMPARE(pty.receive(4), QByteArray("ATA\r"));
}

void TestSerialBackend::lossIsReportedOnceWithoutSpinning()
{
    Pty pty;
    QVERIFY(pty.isValid());
    QSerialPortBackend backend;
    QVERIFY(backend.open(pty.slave(), 9600, nullptr));
    auto *port = backend.findChild<QSerialPort *>();
    QVERIFY(port);
    QSignalSpy lost(&backend, &SerialBackend::lost);
    QSignalSpy errors(port, &QSerialPort::errorOccurred);

    pty.closeMaster();
    QTRY_COMPARE(lost.count(), 1);
    QVERIFY(!backend.isOpen());
    QVERIFY(!port->isOpen());
    QVERIFY(!lost.at(0).at(0).toString().isEmpty());

    // Left open, the port would report the error hundreds of thousands of times meanwhile.
    const qsizetype errorsAtLoss = errors.count();
    QTest::qWait(200);
    QCOMPARE(lost.count(), 1);
    QVERIFY2(errors.count() - errorsAtLoss <= 2, qPrintable(QString::number(errors.count())));
    QVERIFY(errorsAtLoss <= 10);
    QCOMPARE(backend.write("x"), qint64(-1));
}

void TestSerialBackend::openFailures_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QStringList>("mentioned");
    QTest::newRow("missing device path")
        << QStringLiteral("/nonexistent/ttyQ9") << QStringList{QStringLiteral("/nonexistent/ttyQ9")};
    QTest::newRow("number without device")
        << QStringLiteral("COM97") << QStringList{QStringLiteral("COM97"), QStringLiteral("没有这个端口")};
    QTest::newRow("dangling link")
        << QStringLiteral("COM5") << QStringList{QStringLiteral("COM5"), QStringLiteral("com5")};
}

void TestSerialBackend::openFailures()
{
    QFETCH(QString, port);
    QFETCH(QStringList, mentioned);
    QTemporaryDir dir;
    QVERIFY(test::linkPort(dir.path(), 5, dir.filePath(QStringLiteral("unplugged"))));
    QSerialPortBackend backend{PortNaming(dir.path())};
    QString error;
    QVERIFY(!backend.open(port, 9600, &error));
    QVERIFY(!backend.isOpen());
    for (const QString &text : mentioned)
        QVERIFY2(error.contains(text), qPrintable(error));
}

void TestSerialBackend::openPortIsBusyForOthers()
{
    Pty pty;
    QVERIFY(pty.isValid());
    QTemporaryDir dir;
    QVERIFY(test::linkPort(dir.path(), 7, pty.slave()));
    const PortNaming naming(dir.path());

    QSerialPortBackend first{naming};
    QVERIFY(first.open(QStringLiteral("COM7"), 9600, nullptr));
    QCOMPARE(naming.probe(7).status, PortStatus::Busy);

    // Another program holding the device keeps us out with a clear message.
    first.close();
    QCOMPARE(naming.probe(7).status, PortStatus::Available);
    const int holder = ::open(QFile::encodeName(pty.slave()).constData(), O_RDWR | O_NOCTTY);
    QVERIFY(holder >= 0);
    QVERIFY(::flock(holder, LOCK_EX | LOCK_NB) == 0);
    QSerialPortBackend second{naming};
    QString error;
    QVERIFY(!second.open(QStringLiteral("COM7"), 9600, &error));
    QVERIFY2(error.contains(QStringLiteral("COM7")) && error.contains(QStringLiteral("占用")),
             qPrintable(error));
    ::close(holder);
    QVERIFY(second.open(QStringLiteral("COM7"), 9600, &error));
}

void TestSerialBackend::controlOverRealPort()
{
    Pty pty;
    QVERIFY(pty.isValid());
    QTemporaryDir dir;
    QVERIFY(test::linkPort(dir.path(), 7, pty.slave()));
    test::VirtualPause pause;
    CMSComm comm(pause, std::make_unique<QSerialPortBackend>(PortNaming(dir.path())));
    QSignalSpy lost(&comm, &CMSComm::portLost);
    QByteArray received;
    int events = 0;
    connect(&comm, &CMSComm::OnComm, this, [&] {
        ++events;
        received += comm.GetInput();
    });

    comm.SetCommPort(7);
    comm.SetSettings(QStringLiteral("19200,n,8,1"));
    comm.SetPortOpen(true);
    comm.SetRThreshold(1);
    comm.SetNullDiscard(true);
    comm.SetRTSEnable(true);
    comm.GetInput();

    pty.drainMaster();
    comm.SetOutput("+++");
    QVERIFY(comm.drainOutput(1000));
    QCOMPARE(pty.receive(3), QByteArray("+++"));

    QVERIFY(pty.send(QByteArray("\r\nNO\0 CARRIER", 13)));
    QTRY_COMPARE(received, QByteArray("\r\nNO CARRIER"));
    QVERIFY(events >= 1);

    pty.closeMaster();
    QTRY_COMPARE(lost.count(), 1);
    QVERIFY(!comm.GetPortOpen());
    QVERIFY(lost.at(0).at(0).toString().contains(QStringLiteral("COM7")));
    QTest::qWait(100);
    QCOMPARE(lost.count(), 1);
}

QTEST_GUILESS_MAIN(TestSerialBackend)
#include "tst_serialbackend.moc"
