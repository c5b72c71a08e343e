#include "lib/k7v4simulator.h"
#include "lib/registers.h"
#include "link/cmscomm.h"
#include "link/connectdlgs.h"
#include "protocol/radiocommands.h"
#include "support/fakeserialbackend.h"
#include "support/virtualpause.h"
#include "ui/messagebox.h"

#include <QLabel>
#include <QPointer>
#include <QtTest>

using namespace quenda;
using quenda::test::FakeSerialBackend;
using quenda::test::VirtualPause;

namespace {

// Stands in for the radio session: opens the port as the program does, and recognises the banner
// at the start of a received chunk the way the receive handler does.
class Host : public QObject, public ConnectionHost {
public:
    VirtualPause virtualPause;
    FakeSerialBackend *fake = new FakeSerialBackend;
    CMSComm control{virtualPause, std::unique_ptr<SerialBackend>(fake)};
    k7v4::Simulator radio;
    QString baudText = QStringLiteral("4800");
    bool softDiagnostic = true;
    QPointer<ConnectProcedure> procedure;
    int banners = 0;

    explicit Host(int radioBaud)
    {
        k7v4::RadioState state = k7v4::RadioState::factoryDefault();
        state.registers[k7v4::kBaudRegister] = k7v4::codeOfBaud(radioBaud).value();
        radio.setState(state);
        fake->attachSimulator(&radio);
        connect(&control, &CMSComm::OnComm, this, &Host::onComm);
    }

    void setBaudText(const QString &text) override { baudText = text; }
    void OpenPort() override
    {
        if (control.GetPortOpen())
            control.SetPortOpen(false);
        control.SetCommPort(short(portNumber()));
        if (softDiagnostic)
            control.SetSettings(baudText + QStringLiteral(",n,8,1"));
        control.SetInBufferSize(1024);
        control.SetOutBufferSize(512);
        control.SetInputMode(1);
        control.SetPortOpen(true);
        control.SetRThreshold(1);
        control.SetInputLen(0);
        control.SetNullDiscard(true);
        control.SetRTSEnable(true);
        control.GetInput();
    }
    CMSComm &comm() override { return control; }
    Pause &pause() override { return virtualPause; }
    int portNumber() const override { return 3; }

    int escapesSent() const { return int(fake->writes().count(QByteArray(radio::kSoftEscape))); }

private:
    void onComm()
    {
        if (control.GetCommEvent() != CMSComm::comEvReceive)
            return;
        virtualPause.pause(pauses::kReceiveSettle);
        const QByteArray chunk = control.GetInput();
        if (!chunk.startsWith(radio::kBanner))
            return;
        ++banners;
        if (procedure)
            procedure->stop();
    }
};

// One tick as the timer would run it, then what it left queued (received data, the pause's end).
void tickAndSettle(CConnectDlg &dlg)
{
    dlg.tick();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

QStringList labelTexts(const QWidget &dlg)
{
    QStringList texts;
    for (const QLabel *label : dlg.findChildren<QLabel *>())
        texts << label->text();
    return texts;
}

} // namespace

class TestConnectDlgs : public QObject {
    Q_OBJECT
private slots:
    void init();
    void initialTexts();
    void softDiagnosisFindsRadio_data();
    void softDiagnosisFindsRadio();
    void softDiagnosisGivesUpAfterLastAnswerWindow();
    void softDiagnosisStopsAfterFailedOpen();
    void softDiagnosisOnTimer();
    void powerOn_data();
    void powerOn();
    void powerOnOnTimer();
};

void TestConnectDlgs::init()
{
    MessageBox::reset();
    MessageBox::setTestMode(true);
}

void TestConnectDlgs::initialTexts()
{
    Host host(9600);
    SoftDiagnosticProcedure softProcedure(host);
    CSoftDiagConnectDlg soft(softProcedure);
    QCOMPARE(soft.windowTitle(), QStringLiteral("连接电台"));
    QCOMPARE(labelTexts(soft), (QStringList{QStringLiteral("COM3"), QStringLiteral("尝试软诊断连接电台"),
                                            QStringLiteral("波特率："), QStringLiteral("4800")}));
    QVERIFY(soft.isRunning());
    QCOMPARE(soft.tryIndex(), 0);

    host.softDiagnostic = false;
    PowerOnProcedure powerProcedure(host);
    CPowerOnConnectDlg power(powerProcedure);
    QCOMPARE(power.windowTitle(), QStringLiteral("连接电台"));
    QCOMPARE(labelTexts(power),
             (QStringList{QStringLiteral("COM3"), QStringLiteral("请按住CONFIG键，在10秒内给K7V4上电！"),
                          QStringLiteral("剩余时间（秒）："), QStringLiteral("10")}));
    QVERIFY(power.isRunning());
    QCOMPARE(power.secondsLeft(), 10);
}

void TestConnectDlgs::softDiagnosisFindsRadio_data()
{
    QTest::addColumn<int>("radioBaud");
    QTest::addColumn<int>("tries");

    QTest::newRow("4800") << 4800 << 1;
    QTest::newRow("9600") << 9600 << 2;
    QTest::newRow("19200") << 19200 << 3;
    QTest::newRow("38400") << 38400 << 4;
    QTest::newRow("115200") << 115200 << 5;
    QTest::newRow("57600, the last try") << 57600 << 6;
}

void TestConnectDlgs::softDiagnosisFindsRadio()
{
    QFETCH(int, radioBaud);
    QFETCH(int, tries);
    Host host(radioBaud);
    SoftDiagnosticProcedure procedure(host);
    CSoftDiagConnectDlg dlg(procedure);
    host.procedure = &procedure;
    dlg.show();

    int ticks = 0;
    while (dlg.isRunning() && ticks < 8) {
        tickAndSettle(dlg);
        ++ticks;
        // Before its own try, the radio hears nothing it understands.
        QCOMPARE(host.banners, ticks == tries ? 1 : 0);
    }
    QCOMPARE(ticks, tries);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.tryIndex(), 0);
    QVERIFY(host.radio.inConfigMode());
    QVERIFY(host.control.GetPortOpen()); // left open for the read, at the rate that worked
    QCOMPARE(host.fake->baud(), radioBaud);
    QCOMPARE(host.baudText, QString::number(radioBaud));
    QCOMPARE(dlg.rateText(), QString::number(radioBaud));
    QCOMPARE(host.escapesSent(), tries);
    QList<int> rates;
    for (int i = 0; i < tries; ++i)
        rates << QByteArray(kSoftDiagnosticRates[i]).toInt();
    QCOMPARE(host.fake->openBauds(), rates);
    QCOMPARE(MessageBox::shownTexts(), QStringList());
    QCOMPARE(host.virtualPause.pauses().count(pauses::kSoftDiagnosticTry), tries);
}

void TestConnectDlgs::softDiagnosisGivesUpAfterLastAnswerWindow()
{
    Host host(9600);
    host.radio.misbehaviour().silent = true;
    SoftDiagnosticProcedure procedure(host);
    CSoftDiagConnectDlg dlg(procedure);
    host.procedure = &procedure;
    dlg.show();

    for (int tick = 1; tick <= 6; ++tick)
        tickAndSettle(dlg);
    // The sixth try's answer could still arrive: nothing given up yet.
    QVERIFY(dlg.isRunning());
    QVERIFY(dlg.isVisible());
    QVERIFY(host.control.GetPortOpen());
    QCOMPARE(host.fake->baud(), 57600);
    QCOMPARE(MessageBox::shownTexts(), QStringList());

    tickAndSettle(dlg);
    QVERIFY(!dlg.isRunning());
    QVERIFY(!dlg.isVisible());
    QVERIFY(!host.control.GetPortOpen());
    QCOMPARE(dlg.tryIndex(), 0);
    QCOMPARE(MessageBox::shownTexts(), QStringList{QStringLiteral("未连接，请检查设备！")});
    QCOMPARE(host.escapesSent(), 6);
    QCOMPARE(host.fake->openCount(), 6);
}

void TestConnectDlgs::softDiagnosisStopsAfterFailedOpen()
{
    Host host(9600);
    SoftDiagnosticProcedure procedure(host);
    CSoftDiagConnectDlg dlg(procedure);
    host.procedure = &procedure;
    host.fake->setOpenFailure(FakeSerialBackend::OpenFailure::Busy);

    tickAndSettle(dlg);
    QCOMPARE(MessageBox::shownTexts().size(), 1);
    QVERIFY2(MessageBox::shownTexts()[0].contains(QStringLiteral("COM3")),
             qPrintable(MessageBox::shownTexts()[0]));
    QVERIFY(host.fake->writes().isEmpty());
    QCOMPARE(dlg.tryIndex(), 0);
    QVERIFY(host.virtualPause.pauses().isEmpty());
    // No endless stream of the same message: the procedure ends with the failed open.
    QVERIFY(!dlg.isRunning());
    QVERIFY(!dlg.isVisible());
    QVERIFY(!host.control.GetPortOpen());
}

void TestConnectDlgs::softDiagnosisOnTimer()
{
    Host host(38400);
    SoftDiagnosticProcedure procedure(host);
    CSoftDiagConnectDlg dlg(procedure);
    host.procedure = &procedure;
    dlg.show();
    dlg.setTickPeriod(5);
    QTRY_VERIFY(!dlg.isRunning());
    QCOMPARE(host.banners, 1);
    QCOMPARE(host.escapesSent(), 4);
    QVERIFY(host.control.GetPortOpen());
    QCOMPARE(MessageBox::shownTexts(), QStringList());
}

void TestConnectDlgs::powerOn_data()
{
    QTest::addColumn<int>("radioBaud");
    QTest::addColumn<int>("powerOnInTick"); // 0: never switched on with CONFIG held
    QTest::addColumn<int>("ticks");
    QTest::addColumn<bool>("connected");

    QTest::newRow("CONFIG in the first second") << 9600 << 1 << 1 << true;
    QTest::newRow("CONFIG in the fifth second") << 9600 << 5 << 5 << true;
    QTest::newRow("CONFIG while 1 is shown") << 9600 << 10 << 10 << true;
    QTest::newRow("CONFIG while 0 is shown is too late") << 9600 << 11 << 11 << false;
    QTest::newRow("radio already on") << 9600 << 0 << 11 << false;
    QTest::newRow("radio at another rate") << 19200 << 2 << 11 << false;
}

void TestConnectDlgs::powerOn()
{
    QFETCH(int, radioBaud);
    QFETCH(int, powerOnInTick);
    QFETCH(int, ticks);
    QFETCH(bool, connected);

    Host host(radioBaud);
    host.softDiagnostic = false;
    host.OpenPort(); // the program opens the port before it shows the dialog
    PowerOnProcedure procedure(host);
    CPowerOnConnectDlg dlg(procedure);
    host.procedure = &procedure;
    dlg.show();

    QStringList shownSeconds;
    host.virtualPause.onPause = [&](int ms) {
        if (ms != pauses::kPowerOnTick)
            return;
        shownSeconds << dlg.secondsText();
        if (shownSeconds.size() == powerOnInTick)
            host.radio.powerOn(true);
    };
    int run = 0;
    while (dlg.isRunning() && run < 12) {
        tickAndSettle(dlg);
        ++run;
    }
    QCOMPARE(run, ticks);
    QStringList expectedSeconds;
    for (int i = 0; i < ticks; ++i)
        expectedSeconds << QString::number(10 - i);
    QCOMPARE(shownSeconds, expectedSeconds);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(host.fake->openCount(), 1);
    QCOMPARE(host.fake->baud(), 9600);
    QVERIFY(host.fake->writes().isEmpty()); // nothing is sent: the radio announces itself
    QCOMPARE(host.banners, connected ? 1 : 0);
    QCOMPARE(host.control.GetPortOpen(), connected);
    if (connected) {
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        QCOMPARE(dlg.secondsLeft(), 10 - ticks);
    } else {
        QCOMPARE(MessageBox::shownTexts(), QStringList{QStringLiteral("未及时上电！")});
        QCOMPARE(dlg.secondsLeft(), 10);
    }
}

void TestConnectDlgs::powerOnOnTimer()
{
    Host host(9600);
    host.softDiagnostic = false;
    host.OpenPort();
    PowerOnProcedure procedure(host);
    CPowerOnConnectDlg dlg(procedure);
    host.procedure = &procedure;
    dlg.show();
    dlg.setTickPeriod(2);
    QTRY_VERIFY(!dlg.isRunning());
    QCOMPARE(host.virtualPause.pauses().count(pauses::kPowerOnTick), 11);
    QCOMPARE(MessageBox::shownTexts(), QStringList{QStringLiteral("未及时上电！")});
    QVERIFY(!host.control.GetPortOpen());
}

QTEST_MAIN(TestConnectDlgs)
#include "tst_connectdlgs.moc"
