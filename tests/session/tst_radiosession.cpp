// The radio session driven by a program without widgets (no QApplication, nothing linked that
// has any) against the simulated radio: connect, read, save a changed register and leave
// configuration mode, with the bytes on the wire that the main window sends for the same steps
// (tests/app/tst_quendadlg.cpp and tests/protocol/tst_wirebytes.cpp hold the window to them).

#include "lib/k7v4simulator.h"
#include "link/cmscomm.h"
#include "link/commlog.h"
#include "protocol/messages.h"
#include "session/radiosession.h"
#include "support/fakeserialbackend.h"
#include "support/virtualpause.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace quenda;
using State = RadioSession::State;

namespace {

k7v4::RadioState radioState(int baudCode)
{
    k7v4::RadioState s;
    s.serialNumber = QStringLiteral("K7V40001");
    s.registers = {{101, 2}, {102, baudCode}, {103, 5}, {105, 1234}, {108, 30},
                   {110, 1}, {125, 2},        {127, 0}, {131, 0},    {132, 0},
                   {158, 0}, {186, 1},        {191, 0}, {192, 0}};
    s.channels[0] = {433125000, 2, 2};
    return s;
}

// A front end without widgets: agrees to every save, changes no channel row, and writes the
// values it is given.
class Frontend : public SessionHost {
public:
    bool confirmSave() override { return true; }
    bool buildPendingChannels(SaveState &save) override
    {
        save.pendingChannelCount = 0;
        return false;
    }
    bool CheckSelectedChannels() override { return true; }
    SettingsSelection currentSelection() override { return selection; }

    SettingsSelection selection;
};

// The port as the session uses it, with one journal of what passed it, in order.
class JournalingPort : public test::FakeSerialBackend {
public:
    qint64 write(const QByteArray &bytes) override
    {
        journal << std::pair(CommLogEntry::Kind::Sent, bytes);
        return FakeSerialBackend::write(bytes);
    }
    QByteArray readAll() override
    {
        const QByteArray bytes = FakeSerialBackend::readAll();
        if (!bytes.isEmpty())
            journal << std::pair(CommLogEntry::Kind::Received, bytes);
        return bytes;
    }
    QList<std::pair<CommLogEntry::Kind, QByteArray>> journal;
};

// The selection as the pages show radioState() after a read: positions are register values
// less their table's first value.
SettingsSelection shownSelection(int baudCode)
{
    SettingsSelection s;
    s.baudIndex = baudCode;
    s.dataFormatIndex = 0;
    s.protocolIndex = 1;
    s.workModeIndex = 2;
    s.modulationIndex = 0;
    s.airRateIndex = 5;
    s.unitAddressValue = 1234;
    s.powerIndex = 10;
    s.fecIndex = 0;
    s.bandwidthIndex = 2;
    s.mainTxIndex = s.mainRxIndex = s.repeaterTxIndex = s.repeaterRxIndex = 0;
    return s;
}

} // namespace

class TestRadioSession : public QObject {
    Q_OBJECT
private slots:
    void connectReadSaveLeave_data();
    void connectReadSaveLeave();
};

void TestRadioSession::connectReadSaveLeave_data()
{
    QTest::addColumn<bool>("softDiagnosis"); // otherwise power-on
    QTest::addColumn<int>("baudCode");
    QTest::addColumn<QList<int>>("openBauds");
    QTest::addColumn<bool>("byClose"); // "关闭"; otherwise "退出"

    QTest::newRow("soft diagnosis, radio at 19200, 关闭")
        << true << 5 << QList<int>{4800, 9600, 19200} << true;
    QTest::newRow("power-on, radio at 9600, 退出")
        << false << 7 << QList<int>{9600} << false;
}

void TestRadioSession::connectReadSaveLeave()
{
    QFETCH(bool, softDiagnosis);
    QFETCH(int, baudCode);
    QFETCH(QList<int>, openBauds);
    QFETCH(bool, byClose);
    QVERIFY(!QCoreApplication::instance()->inherits("QGuiApplication"));

    QTemporaryDir folder;
    QFile ini(folder.filePath(QStringLiteral("para.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly) && ini.write("1") == 1);
    ini.close();
    test::VirtualPause pause;
    RadioConfig config;
    k7v4::Simulator radio;
    radio.setState(radioState(baudCode));
    auto backend = std::make_unique<JournalingPort>();
    JournalingPort *port = backend.get();
    port->attachSimulator(&radio);
    Frontend frontend;
    RadioSession session({&pause, &config, std::move(backend), folder.path()}, frontend);
    QList<State> states;
    connect(&session, &RadioSession::stateChanged, this,
            [&states](State, State now) { states << now; });
    QStringList told;
    connect(&session, &RadioSession::saveFinished, this, [&told] { told << "saveFinished"; });
    for (auto failure : {&RadioSession::portError, &RadioSession::portLost,
                         &RadioSession::procedureGaveUp})
        connect(&session, failure, this, [&told](const QString &text) { told << text; });
    const auto settle = [] {
        for (int i = 0; i < 50; ++i)
            QCoreApplication::processEvents();
    };

    session.setConnectMethod(softDiagnosis ? ConnectMethod::SoftDiagnostic
                                           : ConnectMethod::PowerOn);
    session.connectRadio();
    if (softDiagnosis) {
        SoftDiagnosticProcedure *procedure = session.softDiagnosticProcedure();
        QVERIFY(procedure);
        for (int i = 0; i < 6 && procedure->isRunning(); ++i) {
            procedure->tick();
            settle();
        }
    } else {
        radio.powerOn(true);
        settle();
    }
    QCOMPARE(session.state(), State::Connected);
    QCOMPARE(config.serialNumber, QStringLiteral("K7V40001"));
    QCOMPARE(config.channelCount, 1);
    QCOMPARE(port->openBauds(), openBauds);

    // The air rate changed from 9600 to 16000 (position 8).
    frontend.selection = shownSelection(baudCode);
    frontend.selection.airRateIndex = 8;
    session.save();
    for (int i = 0; i < 100 && session.saveState().isWriting; ++i)
        settle();
    settle();
    QCOMPARE(radio.stored().registers.value(103), 8);
    QCOMPARE(config.airRate, QStringLiteral("16000")); // the report after the save

    if (byClose)
        session.closeRadio();
    else
        QVERIFY(session.leave());
    QVERIFY(!session.serialControl().GetPortOpen());
    QVERIFY(!radio.inConfigMode());
    QCOMPARE(told, QStringList{"saveFinished"});

    QList<QByteArray> expected;
    for (qsizetype i = 0; softDiagnosis && i < openBauds.size(); ++i)
        expected << "+++";
    // A save without channel rows closes the channel entry on every answer, as the window's does.
    expected << "AT&V" << "\r" << "ATP0?" << "\r"
             << "ats102=" + QByteArray::number(baudCode) + "\r"
             << "\x1b" << "ats110=1\r" << "\x1b" << "ats186=1\r" << "\x1b" << "ats101=2\r"
             << "\x1b" << "ats127=0\r" << "\x1b" << "ats103=8\r" << "\x1b" << "ats105=1234\r"
             << "\x1b" << "ats108=30\r" << "\x1b" << "ats158=0\r" << "\x1b" << "ats125=2\r"
             << "\x1b" << "ats131=0\r" << "\x1b" << "ats132=0\r" << "\x1b" << "ats191=0\r"
             << "\x1b" << "ats192=0\r" << "\x1b" << "at&w" << "\r" << "\x1b" << "at&v" << "\r"
             << "ATA" << "\r";
    QCOMPARE(port->writes(), expected);

    // The protocol's own pauses, apart from the one that starts every receive event.
    QList<int> pauses;
    for (int ms : pause.pauses()) {
        if (ms != pauses::kReceiveSettle)
            pauses << ms;
    }
    QList<int> expectedPauses(softDiagnosis ? openBauds.size() : 0,
                              pauses::kSoftDiagnosticTry);
    expectedPauses << 3000 << 2000 << 100 << 3000;
    QCOMPARE(pauses, expectedPauses);

    QCOMPARE(states, (QList<State>{State::Connecting, State::Reading, State::Connected,
                                   State::Saving, State::Connected, State::Leaving, State::Idle}));

    // The log holds both directions as they passed the port, stamps never going back, the
    // port's notes between them.
    QList<std::pair<CommLogEntry::Kind, QByteArray>> logged;
    QByteArray sent;
    qint64 lastNs = 0;
    const std::deque<CommLogEntry> &log = session.commLog().entries();
    for (const CommLogEntry &entry : log) {
        QVERIFY(entry.atNs >= std::exchange(lastNs, entry.atNs));
        if (entry.kind != CommLogEntry::Kind::Note)
            logged << std::pair(entry.kind, entry.bytes);
        if (entry.kind == CommLogEntry::Kind::Sent)
            sent += entry.bytes;
    }
    QCOMPARE(logged, port->journal);
    QCOMPARE(sent, port->writtenBytes());
    QCOMPARE(log.back().note, messages::commLogPortClosed(QStringLiteral("COM1")));
}

QTEST_GUILESS_MAIN(TestRadioSession)
#include "tst_radiosession.moc"
