#include "lib/k7v4simulator.h"
#include "protocol/radiocommands.h"
#include "protocol/reportparser.h"
#include "protocol/timing.h"
#include "protocol/writedialogue.h"
#include "support/scriptedhost.h"

#include <QtTest>

using namespace quenda;
using quenda::test::ScriptedHost;
using ChannelMap = QMap<int, k7v4::Channel>;

namespace {

// Every choice made, each register with a value the radio takes and none at its factory value.
SettingsSelection chosenSelection()
{
    SettingsSelection s;
    s.baudIndex = 7; // 9600, the line rate of the whole test
    s.dataFormatIndex = 2;
    s.protocolIndex = 3;
    s.workModeIndex = 1;
    s.modulationIndex = 1;
    s.airRateIndex = 8;
    s.unitAddressValue = 4321;
    s.powerIndex = 13;
    s.fecIndex = 6;
    s.bandwidthIndex = 1;
    s.mainTxIndex = 2;
    s.mainRxIndex = 5;
    s.repeaterTxIndex = 62;
    s.repeaterRxIndex = 63;
    return s;
}

// The registers the radio should hold after saving chosenSelection().
QMap<int, int> chosenRegisters()
{
    return {{102, 7},   {110, 3},    {186, 3},  {101, 1},  {127, 1},  {103, 8},  {105, 4321},
            {108, 33},  {158, 6},    {125, 1},  {131, 2},  {132, 5},  {191, 62}, {192, 63}};
}

// A save run against the simulated radio in-process: what the radio sends while one step runs
// is the next chunk, as the receive buffer collects it during the step's writes and pauses.
class SimSave {
public:
    SimSave()
    {
        QObject::connect(&sim, &k7v4::Simulator::send, &sim,
                         [this](const QByteArray &bytes, int) { m_collected += bytes; });
        host.onOutput = [this](const QByteArray &bytes) {
            m_transcript << "> " + printable(bytes);
            sim.receive(bytes);
        };
        host.selection = chosenSelection();
        sim.powerOn(true);
        m_collected.clear(); // the banner belongs to connecting, not to the save
    }

    // The first transmission of a save whose channel list changed.
    void startWithChannels(const QList<ChannelEntry> &rows)
    {
        begin();
        for (qsizetype i = 0; i < rows.size(); ++i)
            state.pendingChannels[size_t(i)] = rows[i];
        state.pendingChannelCount = int(rows.size());
        host.output(radio::kEnterChannels);
        host.output(radio::kCR);
        host.output(radio::kAccessCode);
        host.pause(pauses::kAfterAccessCode);
    }

    // The first transmission of a save without channel changes.
    void startWithRegisters()
    {
        begin();
        state.pendingChannelCount = 0;
        host.output(radio::registerCommand(102, host.currentSelection().baudIndex));
    }

    // Hands each collected chunk to the dialogue until the save ends or the radio stays quiet.
    // `beforeStep` may change the surroundings between chunks.
    void run(int maxSteps = 200, const std::function<void(const QByteArray &)> &beforeStep = {})
    {
        for (int i = 0; i < maxSteps && state.isWriting && !m_collected.isEmpty(); ++i) {
            const QByteArray chunk = std::exchange(m_collected, {});
            m_transcript << "< " + printable(chunk);
            if (beforeStep)
                beforeStep(chunk);
            WriteDialogueStep(chunk.constData(), int(chunk.size()), state, host);
            ++m_steps;
        }
    }

    // What arrived after the save ended (the report that answers "at&v").
    QByteArray leftOver() const { return m_collected; }
    int steps() const { return m_steps; }
    QString transcript() const { return m_transcript.join(u'\n'); }

    // Register commands among the writes, in order.
    QList<QByteArray> commands() const
    {
        QList<QByteArray> result;
        for (const QByteArray &w : host.writes()) {
            if (w.startsWith(radio::kRegisterPrefix) || w == radio::kStoreInSave ||
                w == radio::kReadSettingsAfterSave)
                result << w;
        }
        return result;
    }

    k7v4::Simulator sim;
    ScriptedHost host;
    SaveState state;

private:
    void begin()
    {
        state.isWriting = true;
        state.channelRowIndex = 0;
        host.clear();
        m_transcript.clear();
        m_steps = 0;
    }

    static QString printable(const QByteArray &bytes)
    {
        QString s;
        for (char c : bytes) {
            switch (c) {
            case '\r': s += QStringLiteral("\\r"); break;
            case '\n': s += QStringLiteral("\\n"); break;
            case '\x1b': s += QStringLiteral("<ESC>"); break;
            default: s += QLatin1Char(c);
            }
        }
        return s;
    }

    QByteArray m_collected;
    QStringList m_transcript;
    int m_steps = 0;
};

k7v4::Channel channel(qint64 hz, int bw, int dir)
{
    return k7v4::Channel{hz, bw, dir};
}

} // namespace

class TestSaveWithSim : public QObject {
    Q_OBJECT
private slots:
    void registersOnly();
    void changedChannels_data();
    void changedChannels();
    void radioRefusesARegister();
    void repeatedPrompt_data();
    void repeatedPrompt();
};

void TestSaveWithSim::registersOnly()
{
    SimSave save;
    const k7v4::RadioState before = save.sim.stored();
    save.startWithRegisters();
    save.run();

    const QList<QByteArray> expected{"ats102=7\r",  "ats110=3\r", "ats186=3\r", "ats101=1\r",
                                     "ats127=1\r",  "ats103=8\r", "ats105=4321\r", "ats108=33\r",
                                     "ats158=6\r",  "ats125=1\r", "ats131=2\r", "ats132=5\r",
                                     "ats191=62\r", "ats192=63\r", "at&w",     "at&v"};
    QVERIFY2(save.commands() == expected, qPrintable(save.transcript()));
    QVERIFY(!save.state.isWriting);
    QCOMPARE(save.host.count(ScriptedHost::Kind::SaveComplete), 1);
    QCOMPARE(save.host.count(ScriptedHost::Kind::WriteError), 0);
    QCOMPARE(save.host.count(ScriptedHost::Kind::HideSavingWindow), 1);
    QCOMPARE(save.host.pauses(), (QList<int>{100, 3000}));

    k7v4::RadioState expectedState = before;
    for (auto [reg, value] : chosenRegisters().asKeyValueRange())
        expectedState.registers[reg] = value;
    QCOMPARE(save.sim.stored(), expectedState);

    // The fresh report after "at&v" shows what was saved.
    const QByteArray report = save.leftOver();
    QVERIFY2(report.size() > 100, report.constData());
    RadioConfig config;
    ParseReport(report.constData(), int(report.size()), config);
    QCOMPARE(config.serialBaud, QStringLiteral("9600"));
    QCOMPARE(config.dataFormat, QStringLiteral("8E1"));
    QCOMPARE(config.protocol, QStringLiteral("Satel (3AS) Compatible"));
    QCOMPARE(config.unitAddress, QStringLiteral("4321"));
    QCOMPARE(config.outputPower, QStringLiteral("33(2W)"));
    QCOMPARE(config.repeaterRxChannel, QStringLiteral("63"));
}

void TestSaveWithSim::changedChannels_data()
{
    QTest::addColumn<QList<ChannelEntry>>("rows");
    QTest::addColumn<ChannelMap>("expectedChannels");

    QTest::newRow("two changed rows")
        << QList<ChannelEntry>{{"2", "439500000", "1", "2"}, {"5", "445000000", "2", "2"}}
        << ChannelMap{{2, channel(439500000, 1, 2)}, {5, channel(445000000, 2, 2)}};
    QTest::newRow("a changed row and a cleared one")
        << QList<ChannelEntry>{{"0", "0", "0", "0"}, {"7", "410000000", "0", "2"}}
        << ChannelMap{{0, k7v4::Channel{}}, {7, channel(410000000, 0, 2)}};
    QTest::newRow("only a cleared row")
        << QList<ChannelEntry>{{"1", "0", "0", "0"}} << ChannelMap{{1, k7v4::Channel{}}};
}

void TestSaveWithSim::changedChannels()
{
    QFETCH(QList<ChannelEntry>, rows);
    QFETCH(ChannelMap, expectedChannels);

    SimSave save;
    k7v4::RadioState expectedState = save.sim.stored();
    QVERIFY(expectedState.channels[0].frequencyHz != 0); // the cleared rows delete something
    QVERIFY(expectedState.channels[1].frequencyHz != 0);
    save.startWithChannels(rows);
    save.run();

    // Each row's four fields answered in order, then the escape, then the registers.
    QList<QByteArray> expectedHead;
    for (const ChannelEntry &row : rows) {
        for (const QString &field : {row.channel, row.frequency, row.bandwidth, row.direction})
            expectedHead << field.toLatin1() << "\r";
    }
    expectedHead << "\x1b" << "ats102=7\r" << "ats110=3\r";
    const QList<QByteArray> writes = save.host.writes();
    QVERIFY2(writes.mid(3, expectedHead.size()) == expectedHead, qPrintable(save.transcript()));
    QCOMPARE(save.commands().size(), 16);
    QCOMPARE(save.host.count(ScriptedHost::Kind::SaveComplete), 1);
    QCOMPARE(save.state.channelRowIndex, 0);

    for (auto [number, ch] : expectedChannels.asKeyValueRange())
        expectedState.channels[size_t(number)] = ch;
    for (auto [reg, value] : chosenRegisters().asKeyValueRange())
        expectedState.registers[reg] = value;
    QCOMPARE(save.sim.stored(), expectedState);
}

void TestSaveWithSim::radioRefusesARegister()
{
    SimSave save;
    const k7v4::RadioState before = save.sim.stored();
    save.sim.misbehaviour().errorOnRegister = 158;
    save.startWithChannels({{"2", "439500000", "1", "2"}, {"5", "445000000", "2", "2"}});
    save.run();

    QVERIFY(!save.state.isWriting);
    QCOMPARE(save.state.channelRowIndex, 0);
    QCOMPARE(save.host.count(ScriptedHost::Kind::WriteError), 1);
    QCOMPARE(save.host.count(ScriptedHost::Kind::SaveComplete), 0);
    QCOMPARE(save.host.events().constLast(), ScriptedHost::writeError());
    QVERIFY2(save.commands().constLast() == "ats158=6\r", qPrintable(save.transcript()));
    QVERIFY(!save.host.writes().contains(radio::kStoreInSave));
    QCOMPARE(save.sim.stored(), before); // nothing stored

    // The next save enters its rows from slot 0 again and now stores them.
    save.sim.misbehaviour().errorOnRegister.reset();
    save.startWithChannels({{"9", "420000000", "0", "2"}});
    save.run();
    QVERIFY2(save.host.writes().mid(3, 2) == (QList<QByteArray>{"9", "\r"}), qPrintable(save.transcript()));
    QCOMPARE(save.host.count(ScriptedHost::Kind::SaveComplete), 1);
    QCOMPARE(save.sim.stored().channels[9], channel(420000000, 0, 2));
}

void TestSaveWithSim::repeatedPrompt_data()
{
    QTest::addColumn<int>("correctAfter"); // refusals before the slot is corrected; 0: never
    QTest::addColumn<QList<QByteArray>>("expectedHead");
    QTest::addColumn<bool>("completes");
    QTest::newRow("corrected after one refusal")
        << 1 << QList<QByteArray>{"3", "\r", "500000000", "\r", "440000000", "\r", "1", "\r", "2", "\r", "4", "\r"}
        << true;
    // The check lets 406.1 to 410 MHz pass, the radio does not: answering the same value
    // again for ever would hang the save.
    QTest::newRow("never corrected: two answers, then the save ends")
        << 0 << QList<QByteArray>{"3", "\r", "500000000", "\r", "500000000", "\r"} << false;
}

void TestSaveWithSim::repeatedPrompt()
{
    QFETCH(int, correctAfter);
    QFETCH(QList<QByteArray>, expectedHead);
    QFETCH(bool, completes);
    SimSave save;
    const k7v4::RadioState before = save.sim.stored();
    save.startWithChannels({{"3", "500000000", "1", "2"}, {"4", "430000000", "1", "2"}});

    // The radio refuses the frequency and asks again; the dialogue answers from the same slot.
    int refusals = 0;
    save.run(200, [&](const QByteArray &chunk) {
        if (chunk.endsWith(QByteArray(radio::kError) + radio::kPromptFrequency)) {
            ++refusals;
            QCOMPARE(save.state.channelRowIndex, 0);
            if (refusals == correctAfter)
                save.state.pendingChannels[0].frequency = QStringLiteral("440000000");
        }
    });

    const QList<QByteArray> writes = save.host.writes();
    if (completes) {
        QVERIFY2(writes.mid(3, expectedHead.size()) == expectedHead, qPrintable(save.transcript()));
        QCOMPARE(save.host.count(ScriptedHost::Kind::SaveComplete), 1);
        QCOMPARE(save.sim.stored().channels[3], channel(440000000, 1, 2));
        QCOMPARE(save.sim.stored().channels[4], channel(430000000, 1, 2));
    } else {
        QVERIFY2(writes.mid(3) == expectedHead, qPrintable(save.transcript()));
        QCOMPARE(save.host.count(ScriptedHost::Kind::WriteError), 1);
        QCOMPARE(save.host.count(ScriptedHost::Kind::SaveComplete), 0);
        QVERIFY(!save.state.isWriting);
        QCOMPARE(save.sim.stored(), before);
    }
}

QTEST_GUILESS_MAIN(TestSaveWithSim)
#include "tst_savewithsim.moc"
