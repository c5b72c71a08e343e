#include "link/cmscomm.h"
#include "link/commerror.h"
#include "link/pause.h"
#include "support/fakeserialbackend.h"
#include "support/virtualpause.h"

#include <QSignalSpy>
#include <QtTest>

#include <functional>

using namespace quenda;
using quenda::test::FakeSerialBackend;
using quenda::test::VirtualPause;

namespace {

// A control on a fake port, configured the way the program opens its port.
struct Rig {
    VirtualPause pause;
    FakeSerialBackend *fake = new FakeSerialBackend;
    CMSComm comm{pause, std::unique_ptr<SerialBackend>(fake)};

    void openLikeTheProgram(short port = 3)
    {
        comm.SetCommPort(port);
        comm.SetInBufferSize(1024);
        comm.SetOutBufferSize(512);
        comm.SetInputMode(1);
        comm.SetPortOpen(true);
        comm.SetRThreshold(1);
        comm.SetInputLen(0);
        comm.SetNullDiscard(true);
        comm.SetRTSEnable(true);
        comm.GetInput();
    }
};

QString thrownBy(const std::function<void()> &operation)
{
    try {
        operation();
    } catch (const CommError &error) {
        return error.description();
    }
    return {};
}

} // namespace

class TestCMSComm : public QObject {
    Q_OBJECT
private slots:
    void defaults();
    void settings_data();
    void settings();
    void inputTakesEverything();
    void inputLenLimitsOneRead();
    void nullDiscard_data();
    void nullDiscard();
    void thresholdZeroRaisesNothing();
    void eventPerArrival();
    void eventHeldDuringPause_data();
    void eventHeldDuringPause();
    void eventHeldThroughNestedPauses();
    void eventNotRaisedAfterClose();
    void reopenForgetsEarlierInput();
    void closedPortOperationsThrow_data();
    void closedPortOperationsThrow();
    void openFailureNamesPort_data();
    void openFailureNamesPort();
    void invalidPortNumber_data();
    void invalidPortNumber();
    void portLostClosesOnce();
    void lateLossAfterCloseIsIgnored();
    void rtsFollowsProperty();
    void pauseNeverShorterThanAsked_data();
    void pauseNeverShorterThanAsked();
    void gatedTicksNeverSooner();
};

void TestCMSComm::defaults()
{
    Rig rig;
    QCOMPARE(rig.comm.GetCommPort(), short(1));
    QCOMPARE(rig.comm.GetSettings(), QStringLiteral("9600,n,8,1"));
    QVERIFY(!rig.comm.GetPortOpen());
    rig.comm.SetPortOpen(true);
    QCOMPARE(rig.fake->portName(), QStringLiteral("COM1"));
    QCOMPARE(rig.fake->baud(), 9600);
    QCOMPARE(rig.comm.GetCommEvent(), short(0));
}

void TestCMSComm::settings_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("baud"); // 0: refused

    QTest::newRow("4800") << QStringLiteral("4800,n,8,1") << 4800;
    QTest::newRow("19200") << QStringLiteral("19200,n,8,1") << 19200;
    QTest::newRow("115200") << QStringLiteral("115200,n,8,1") << 115200;
    QTest::newRow("upper-case parity") << QStringLiteral("57600,N,8,1") << 57600;
    QTest::newRow("blanks") << QStringLiteral(" 38400 , n , 8 , 1 ") << 38400;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("no rate") << QStringLiteral(",n,8,1") << 0;
    QTest::newRow("letters") << QStringLiteral("abc,n,8,1") << 0;
    QTest::newRow("zero rate") << QStringLiteral("0,n,8,1") << 0;
    QTest::newRow("negative rate") << QStringLiteral("-9600,n,8,1") << 0;
    QTest::newRow("even parity") << QStringLiteral("9600,e,8,1") << 0;
    QTest::newRow("7 data bits") << QStringLiteral("9600,n,7,1") << 0;
    QTest::newRow("2 stop bits") << QStringLiteral("9600,n,8,2") << 0;
    QTest::newRow("three fields") << QStringLiteral("9600,n,8") << 0;
    QTest::newRow("five fields") << QStringLiteral("9600,n,8,1,1") << 0;
}

void TestCMSComm::settings()
{
    QFETCH(QString, settings);
    QFETCH(int, baud);
    Rig rig;
    rig.comm.SetSettings(QStringLiteral("4800,n,8,1"));
    const QString error = thrownBy([&] { rig.comm.SetSettings(settings); });
    if (baud == 0) {
        QVERIFY(error.contains(settings));
        QCOMPARE(rig.comm.GetSettings(), QStringLiteral("4800,n,8,1"));
        baud = 4800; // the earlier rate holds
    } else {
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(rig.comm.GetSettings(), settings);
    }
    rig.comm.SetPortOpen(true);
    QCOMPARE(rig.fake->baud(), baud);
}

void TestCMSComm::inputTakesEverything()
{
    Rig rig;
    rig.openLikeTheProgram();
    rig.fake->pushInput("AB");
    rig.fake->pushInput("CD\r\n");
    QCOMPARE(rig.comm.GetInput(), QByteArray("ABCD\r\n"));
    QCOMPARE(rig.comm.GetInput(), QByteArray());
}

void TestCMSComm::inputLenLimitsOneRead()
{
    Rig rig;
    rig.openLikeTheProgram();
    rig.comm.SetInputLen(4);
    rig.fake->pushInput("0123456789");
    QCOMPARE(rig.comm.GetInput(), QByteArray("0123"));
    QCOMPARE(rig.comm.GetInput(), QByteArray("4567"));
    QCOMPARE(rig.comm.GetInput(), QByteArray("89"));
}

void TestCMSComm::nullDiscard_data()
{
    QTest::addColumn<bool>("discard");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("events");

    const QByteArray mixed("\0OK\0\r\n", 6);
    const QByteArray zeros("\0\0\0", 3);
    QTest::newRow("kept") << false << mixed << mixed << 1;
    QTest::newRow("dropped") << true << mixed << QByteArray("OK\r\n") << 1;
    QTest::newRow("only zeros kept") << false << zeros << zeros << 1;
    QTest::newRow("only zeros dropped: no event") << true << zeros << QByteArray() << 0;
}

void TestCMSComm::nullDiscard()
{
    QFETCH(bool, discard);
    QFETCH(QByteArray, received);
    QFETCH(QByteArray, input);
    QFETCH(int, events);
    Rig rig;
    rig.openLikeTheProgram();
    rig.comm.SetNullDiscard(discard);
    QSignalSpy onComm(&rig.comm, &CMSComm::OnComm);
    rig.fake->pushInput(received);
    QCoreApplication::processEvents(); // the event is raised once the port's notification returned
    QCOMPARE(onComm.count(), events);
    QCOMPARE(rig.comm.GetInput(), input);
}

void TestCMSComm::thresholdZeroRaisesNothing()
{
    Rig rig;
    rig.comm.SetPortOpen(true); // RThreshold left at 0
    QSignalSpy onComm(&rig.comm, &CMSComm::OnComm);
    rig.fake->pushInput("data");
    QCOMPARE(onComm.count(), 0);
    QCOMPARE(rig.comm.GetInput(), QByteArray("data"));
}

void TestCMSComm::eventPerArrival()
{
    Rig rig;
    rig.openLikeTheProgram();
    QSignalSpy onComm(&rig.comm, &CMSComm::OnComm);
    rig.fake->pushInput("a");
    QCOMPARE(onComm.count(), 0); // never inside the port's own notification
    QCoreApplication::processEvents();
    QCOMPARE(onComm.count(), 1);
    QCOMPARE(rig.comm.GetCommEvent(), CMSComm::comEvReceive);
    rig.fake->pushInput("b");
    QCoreApplication::processEvents();
    QCOMPARE(onComm.count(), 2);
}

void TestCMSComm::eventHeldDuringPause_data()
{
    QTest::addColumn<QList<QByteArray>>("arrivals");
    QTest::addColumn<bool>("takenDuringPause");
    QTest::addColumn<int>("eventsAfter");

    QTest::newRow("one arrival") << QList<QByteArray>{"\r\nNO CARRIER"} << false << 1;
    QTest::newRow("three arrivals, one event")
        << QList<QByteArray>{"AT&V\r\n", "S/N 1", "OK\r\n"} << false << 1;
    QTest::newRow("taken during the pause") << QList<QByteArray>{"abc"} << true << 0;
    QTest::newRow("nothing arrives") << QList<QByteArray>{} << false << 0;
}

void TestCMSComm::eventHeldDuringPause()
{
    QFETCH(QList<QByteArray>, arrivals);
    QFETCH(bool, takenDuringPause);
    QFETCH(int, eventsAfter);
    Rig rig;
    rig.openLikeTheProgram();
    QSignalSpy onComm(&rig.comm, &CMSComm::OnComm);
    int eventsDuringPause = -1;
    rig.pause.onPause = [&](int) {
        for (const QByteArray &bytes : arrivals)
            rig.fake->pushInput(bytes);
        if (takenDuringPause)
            rig.comm.GetInput();
        eventsDuringPause = onComm.count();
    };
    rig.pause.pause(200);
    QCOMPARE(eventsDuringPause, 0);
    QCOMPARE(onComm.count(), 0); // not before control is back in the event loop
    QCoreApplication::processEvents();
    QCOMPARE(onComm.count(), eventsAfter);
    if (eventsAfter > 0) {
        QCOMPARE(rig.comm.GetCommEvent(), CMSComm::comEvReceive);
        QCOMPARE(rig.comm.GetInput(), arrivals.join());
    }
    QCoreApplication::processEvents();
    QCOMPARE(onComm.count(), eventsAfter);
}

void TestCMSComm::eventHeldThroughNestedPauses()
{
    Rig rig;
    rig.openLikeTheProgram();
    QSignalSpy onComm(&rig.comm, &CMSComm::OnComm);
    bool nested = false;
    rig.pause.onPause = [&](int) {
        if (nested)
            return;
        nested = true;
        rig.fake->pushInput("x");
        rig.pause.pause(100); // the inner end must not release the event
    };
    rig.pause.pause(200);
    QCOMPARE(onComm.count(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(onComm.count(), 1);
}

void TestCMSComm::eventNotRaisedAfterClose()
{
    Rig rig;
    rig.openLikeTheProgram();
    QSignalSpy onComm(&rig.comm, &CMSComm::OnComm);
    rig.pause.onPause = [&](int) {
        rig.fake->pushInput("late");
        rig.comm.SetPortOpen(false);
    };
    rig.pause.pause(200);
    QCoreApplication::processEvents();
    QCOMPARE(onComm.count(), 0);
}

void TestCMSComm::reopenForgetsEarlierInput()
{
    Rig rig;
    rig.openLikeTheProgram();
    rig.comm.SetRThreshold(0);
    rig.fake->pushInput("old");
    rig.comm.SetPortOpen(false);
    rig.comm.SetPortOpen(true);
    rig.fake->pushInput("new");
    QCOMPARE(rig.comm.GetInput(), QByteArray("new"));
}

void TestCMSComm::closedPortOperationsThrow_data()
{
    QTest::addColumn<QString>("operation");
    QTest::newRow("Output") << QStringLiteral("output");
    QTest::newRow("Input") << QStringLiteral("input");
}

void TestCMSComm::closedPortOperationsThrow()
{
    QFETCH(QString, operation);
    Rig rig;
    const auto run = [&] {
        if (operation == QLatin1String("output"))
            rig.comm.SetOutput("ATA");
        else
            rig.comm.GetInput();
    };
    QCOMPARE(thrownBy(run), QStringLiteral("端口未打开"));
    rig.comm.SetPortOpen(true);
    QCOMPARE(thrownBy(run), QString());
    rig.comm.SetPortOpen(false);
    QCOMPARE(thrownBy(run), QStringLiteral("端口未打开"));
    QVERIFY(rig.fake->writes().size() <= 1);
}

void TestCMSComm::openFailureNamesPort_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << int(FakeSerialBackend::OpenFailure::Missing)
                             << QStringLiteral("没有这个端口");
    QTest::newRow("busy") << int(FakeSerialBackend::OpenFailure::Busy)
                          << QStringLiteral("端口已被其他程序占用");
}

void TestCMSComm::openFailureNamesPort()
{
    QFETCH(int, failure);
    QFETCH(QString, reason);
    Rig rig;
    rig.fake->setOpenFailure(FakeSerialBackend::OpenFailure(failure));
    rig.comm.SetCommPort(3);
    const QString error = thrownBy([&] { rig.comm.SetPortOpen(true); });
    QVERIFY2(error.contains(QStringLiteral("COM3")), qPrintable(error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QVERIFY(!rig.comm.GetPortOpen());
    QVERIFY(!thrownBy([&] { rig.comm.SetOutput("+++"); }).isEmpty());

    rig.fake->setOpenFailure(FakeSerialBackend::OpenFailure::None);
    QCOMPARE(thrownBy([&] { rig.comm.SetPortOpen(true); }), QString());
    QVERIFY(rig.comm.GetPortOpen());
    QCOMPARE(thrownBy([&] { rig.comm.SetPortOpen(true); }), QStringLiteral("端口已打开"));
    QCOMPARE(thrownBy([&] { rig.comm.SetCommPort(4); }), QStringLiteral("端口已打开"));
    QCOMPARE(rig.comm.GetCommPort(), short(3));
}

void TestCMSComm::invalidPortNumber_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("0") << 0 << false;
    QTest::newRow("-3") << -3 << false;
    QTest::newRow("1") << 1 << true;
    QTest::newRow("255") << 255 << true;
    QTest::newRow("256") << 256 << false;
}

void TestCMSComm::invalidPortNumber()
{
    QFETCH(int, port);
    QFETCH(bool, accepted);
    Rig rig;
    const QString error = thrownBy([&] { rig.comm.SetCommPort(short(port)); });
    QCOMPARE(error.isEmpty(), accepted);
    QCOMPARE(rig.comm.GetCommPort(), short(accepted ? port : 1));
    if (!accepted)
        QVERIFY(error.contains(QString::number(port)));
}

void TestCMSComm::portLostClosesOnce()
{
    Rig rig;
    rig.openLikeTheProgram(2);
    QSignalSpy lost(&rig.comm, &CMSComm::portLost);
    QSignalSpy onComm(&rig.comm, &CMSComm::OnComm);
    rig.fake->simulateLoss(QStringLiteral("unplugged"));
    QCOMPARE(lost.count(), 1);
    const QString description = lost.at(0).at(0).toString();
    QVERIFY2(description.contains(QStringLiteral("COM2")), qPrintable(description));
    QVERIFY(description.contains(QStringLiteral("unplugged")));
    QVERIFY(!rig.comm.GetPortOpen());
    QCOMPARE(thrownBy([&] { rig.comm.SetOutput("ATA"); }), QStringLiteral("端口未打开"));

    emit rig.fake->lost(QStringLiteral("again"));
    rig.fake->simulateLoss();
    QCoreApplication::processEvents();
    QCOMPARE(lost.count(), 1);
    QCOMPARE(onComm.count(), 0);

    // The port can be opened again once the device is back.
    rig.comm.SetPortOpen(true);
    QVERIFY(rig.comm.GetPortOpen());
}

void TestCMSComm::lateLossAfterCloseIsIgnored()
{
    Rig rig;
    rig.openLikeTheProgram();
    QSignalSpy lost(&rig.comm, &CMSComm::portLost);
    rig.comm.SetPortOpen(false);
    emit rig.fake->lost(QStringLiteral("late"));
    QCOMPARE(lost.count(), 0);
}

void TestCMSComm::rtsFollowsProperty()
{
    Rig rig;
    rig.comm.SetRTSEnable(true);
    rig.comm.SetPortOpen(true);
    QVERIFY(rig.fake->rts());
    rig.comm.SetRTSEnable(false);
    QVERIFY(!rig.fake->rts());
}

void TestCMSComm::pauseNeverShorterThanAsked_data()
{
    QTest::addColumn<int>("ms");
    for (int ms : {1, 20, 100, 200, 800})
        QTest::addRow("%d ms", ms) << ms;
}

void TestCMSComm::pauseNeverShorterThanAsked()
{
    // Coarse timers fire up to 5% early; the radio's pauses are minimums.
    QFETCH(int, ms);
    RealPause pause;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer clock;
        clock.start();
        pause.pause(ms);
        const qint64 took = clock.nsecsElapsed() / 1000000;
        QVERIFY2(took >= ms, qPrintable(QStringLiteral("%1 ms pause took %2 ms").arg(ms).arg(took)));
    }
}

void TestCMSComm::gatedTicksNeverSooner()
{
    RealPause pause;
    GatedTimer timer(pause);
    QList<qint64> at;
    QElapsedTimer clock;
    QObject::connect(&timer, &GatedTimer::timeout, [&] { at << clock.nsecsElapsed() / 1000000; });
    clock.start();
    timer.start(60);
    QTRY_VERIFY_WITH_TIMEOUT(at.size() >= 4, 5000);
    timer.stop();
    qint64 previous = 0;
    for (qint64 tick : at) {
        QVERIFY2(tick - previous >= 60, qPrintable(QStringLiteral("tick after %1 ms").arg(tick - previous)));
        previous = tick;
    }
}

QTEST_GUILESS_MAIN(TestCMSComm)
#include "tst_cmscomm.moc"
