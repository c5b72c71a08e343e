#include "protocol/radiocommands.h"
#include "protocol/writedialogue.h"
#include "support/scriptedhost.h"

#include <QtTest>

using namespace quenda;
using quenda::test::ScriptedHost;
using Events = QList<ScriptedHost::Event>;

Q_DECLARE_METATYPE(quenda::SettingsSelection)

namespace {

const QByteArray kChannel = radio::kPromptChannel;
const QByteArray kFrequency = radio::kPromptFrequency;
const QByteArray kBandwidth = radio::kPromptBandwidth;
const QByteArray kDirection = radio::kPromptDirection;
const QByteArray kEsc("\x1b");
const QByteArray kCR("\r");

ScriptedHost::Event out(const QByteArray &bytes)
{
    return ScriptedHost::out(bytes);
}

// Every choice made, with values that differ from register to register.
SettingsSelection fullSelection()
{
    SettingsSelection s;
    s.baudIndex = 7;
    s.dataFormatIndex = 0;
    s.protocolIndex = 2;
    s.workModeIndex = 1;
    s.modulationIndex = 1;
    s.airRateIndex = 5;
    s.unitAddressValue = 12;
    s.powerIndex = 10;
    s.fecIndex = 3;
    s.bandwidthIndex = 2;
    s.mainTxIndex = 3;
    s.mainRxIndex = 4;
    s.repeaterTxIndex = 11;
    s.repeaterRxIndex = 63;
    return s;
}

// Slots 0 and 1 are pending; slot 2 holds what an earlier save left.
SaveState savingState(int pendingCount, int rowIndex)
{
    SaveState state;
    state.isWriting = true;
    state.pendingChannels[0] = {"5", "439500000", "1", "2"};
    state.pendingChannels[1] = {"17", "0", "0", "0"};
    state.pendingChannels[2] = {"33", "440000000", "2", "2"};
    state.pendingChannels[63] = {"63", "470000000", "0", "2"};
    state.pendingChannelCount = pendingCount;
    state.channelRowIndex = rowIndex;
    return state;
}

void step(const QByteArray &chunk, SaveState &state, ScriptedHost &host)
{
    WriteDialogueStep(chunk.constData(), int(chunk.size()), state, host);
}

} // namespace

class TestWriteDialogue : public QObject {
    Q_OBJECT
private slots:
    void prompts_data();
    void prompts();
    void acknowledgements_data();
    void acknowledgements();
    void errors_data();
    void errors();
    void conversation_data();
    void conversation();
    void selectionReadWhenWritten();
    void rowIndexStaysInTable_data();
    void rowIndexStaysInTable();
    void emptyChunk();
};

void TestWriteDialogue::prompts_data()
{
    QTest::addColumn<int>("pendingCount");
    QTest::addColumn<int>("rowIndex");
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<Events>("expected");
    QTest::addColumn<int>("rowIndexAfter");

    QTest::newRow("channel prompt") << 2 << 0 << kChannel << Events{out("5"), out(kCR)} << 0;
    QTest::newRow("frequency prompt after the echo of the channel")
        << 2 << 0 << QByteArray("5\r\n") + kFrequency << Events{out("439500000"), out(kCR)} << 0;
    QTest::newRow("bandwidth prompt of slot 1") << 2 << 1 << QByteArray("0\r\n") + kBandwidth
                                                << Events{out("0"), out(kCR)} << 1;
    QTest::newRow("direction advances the slot") << 2 << 0 << kDirection
                                                 << Events{out("2"), out(kCR)} << 1;
    QTest::newRow("direction of the last slot, then escape at once")
        << 2 << 1 << kDirection << Events{out("0"), out(kCR), out(kEsc)} << 0;
    QTest::newRow("one slot: direction then escape") << 1 << 0 << QByteArray("1\r\n") + kDirection
                                                     << Events{out("2"), out(kCR), out(kEsc)} << 0;
    QTest::newRow("prompt followed by one more byte") << 2 << 0 << kChannel + ' ' << Events{} << 0;
    QTest::newRow("prompt followed by CR LF") << 2 << 0 << kFrequency + "\r\n" << Events{} << 0;
    QTest::newRow("prompt without its first character") << 2 << 0 << kChannel.mid(1) << Events{} << 0;
    QTest::newRow("prompt without its last space") << 2 << 0 << kChannel.chopped(1) << Events{} << 0;
    QTest::newRow("prompt in lower case") << 2 << 0 << kChannel.toLower() << Events{} << 0;
    QTest::newRow("first of two prompts is not answered")
        << 2 << 0 << kChannel + kFrequency << Events{out("439500000"), out(kCR)} << 0;
    QTest::newRow("zero byte in the echo before the prompt")
        << 2 << 0 << QByteArray("\0\r\n", 3) + kBandwidth << Events{out("1"), out(kCR)} << 0;
    QTest::newRow("nothing pending: any chunk gets the escape")
        << 0 << 0 << QByteArray("pmiv%ok\r\n") << Events{out(kEsc)} << 0;
    QTest::newRow("nothing pending: channel prompt answered from slot 0, then escape")
        << 0 << 0 << kChannel << Events{out("5"), out(kCR), out(kEsc)} << 0;
    QTest::newRow("unknown text while entering") << 2 << 1 << QByteArray("Invalid\r\n") << Events{} << 1;
}

void TestWriteDialogue::prompts()
{
    QFETCH(int, pendingCount);
    QFETCH(int, rowIndex);
    QFETCH(QByteArray, chunk);
    QFETCH(Events, expected);
    QFETCH(int, rowIndexAfter);

    ScriptedHost host;
    host.selection = fullSelection();
    SaveState state = savingState(pendingCount, rowIndex);
    step(chunk, state, host);

    QCOMPARE(host.events(), expected);
    QCOMPARE(state.channelRowIndex, rowIndexAfter);
    QVERIFY(state.isWriting);
}

void TestWriteDialogue::acknowledgements_data()
{
    QTest::addColumn<SettingsSelection>("selection");
    QTest::addColumn<int>("pendingCount");
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<Events>("expected");
    QTest::addColumn<bool>("stillWriting");

    const SettingsSelection full = fullSelection();
    const SettingsSelection none;
    // One pending slot not yet entered keeps the escape out of these rows.
    const int entering = 1;

    QTest::newRow("entry closed") << full << entering << QByteArray(": \r\nOK\r\n")
                                  << Events{out("ats102=7\r")} << true;
    QTest::newRow("entry closed after a prompt's end")
        << full << entering << QByteArray("\x1b\r\nEnter Channel Number (0 to 63)   : \r\nOK\r\n")
        << Events{out("ats102=7\r")} << true;
    QTest::newRow("102 acknowledged") << full << entering << QByteArray("ats102=7\r\nOK\r\n")
                                      << Events{out("ats110=1\r")} << true;
    QTest::newRow("110") << full << entering << QByteArray("ats110=1\r\nOK\r\n")
                         << Events{out("ats186=2\r")} << true;
    QTest::newRow("186") << full << entering << QByteArray("ats186=2\r\nOK\r\n")
                         << Events{out("ats101=1\r")} << true;
    QTest::newRow("101") << full << entering << QByteArray("ats101=1\r\nOK\r\n")
                         << Events{out("ats127=1\r")} << true;
    QTest::newRow("127") << full << entering << QByteArray("ats127=1\r\nOK\r\n")
                         << Events{out("ats103=5\r")} << true;
    QTest::newRow("103") << full << entering << QByteArray("ats103=5\r\nOK\r\n")
                         << Events{out("ats105=12\r")} << true;
    QTest::newRow("105") << full << entering << QByteArray("ats105=12\r\nOK\r\n")
                         << Events{out("ats108=30\r")} << true;
    QTest::newRow("108") << full << entering << QByteArray("ats108=30\r\nOK\r\n")
                         << Events{out("ats158=3\r")} << true;
    QTest::newRow("158") << full << entering << QByteArray("ats158=3\r\nOK\r\n")
                         << Events{out("ats125=2\r")} << true;
    QTest::newRow("125") << full << entering << QByteArray("ats125=2\r\nOK\r\n")
                         << Events{out("ats131=3\r")} << true;
    QTest::newRow("131") << full << entering << QByteArray("ats131=3\r\nOK\r\n")
                         << Events{out("ats132=4\r")} << true;
    QTest::newRow("132") << full << entering << QByteArray("ats132=4\r\nOK\r\n")
                         << Events{out("ats191=11\r")} << true;
    QTest::newRow("191") << full << entering << QByteArray("ats191=11\r\nOK\r\n")
                         << Events{out("ats192=63\r")} << true;
    QTest::newRow("192 leads to the store") << full << entering << QByteArray("ats192=63\r\nOK\r\n")
                                            << Events{out("at&w"), out(kCR), ScriptedHost::paused(100)}
                                            << true;
    QTest::newRow("digits read by position, whatever the prefix")
        << full << entering << QByteArray("ATS131=9\r\nOK\r\n") << Events{out("ats132=4\r")} << true;
    QTest::newRow("value in the echo is not checked")
        << full << entering << QByteArray("ats186=99\r\nOK\r\n") << Events{out("ats101=1\r")} << true;

    QTest::newRow("no echo at the start") << full << entering << QByteArray("\r\nOK\r\n") << Events{}
                                          << true;
    QTest::newRow("echo shifted by a line end") << full << entering
                                                << QByteArray("\r\nats102=7\r\nOK\r\n") << Events{} << true;
    QTest::newRow("echo without OK") << full << entering << QByteArray("ats102=7\r\n") << Events{} << true;
    QTest::newRow("OK not at the end") << full << entering << QByteArray("ats102=7\r\nOK\r\n\r")
                                       << Events{} << true;
    QTest::newRow("register outside the order") << full << entering << QByteArray("ats104=1\r\nOK\r\n")
                                                 << Events{} << true;
    QTest::newRow("bare OK") << full << entering << QByteArray("OK\r\n") << Events{} << true;

    QTest::newRow("stored") << full << entering << QByteArray("at&w\r\nOK\r\n")
                            << Events{out("at&v"), out(kCR), ScriptedHost::paused(3000),
                                      ScriptedHost::hide(), ScriptedHost::saveComplete()}
                            << false;
    QTest::newRow("stored echo with an extra CR") << full << entering << QByteArray("at&w\r\r\nOK\r\n")
                                                  << Events{} << true;
    QTest::newRow("stored answer followed by a line")
        << full << entering << QByteArray("at&w\r\nOK\r\n\r\nOK\r\n") << Events{} << true;
    QTest::newRow("stored answer after other text")
        << full << entering << QByteArray("\r\nat&w\r\nOK\r\n") << Events{} << true;
    QTest::newRow("store echo in upper case") << full << entering << QByteArray("AT&W\r\nOK\r\n")
                                              << Events{} << true;

    QTest::newRow("no-change save: escape before each register")
        << full << 0 << QByteArray("ats102=7\r\nOK\r\n") << Events{out(kEsc), out("ats110=1\r")} << true;
    QTest::newRow("no-change save: escape before the store")
        << full << 0 << QByteArray("ats192=63\r\nOK\r\n")
        << Events{out(kEsc), out("at&w"), out(kCR), ScriptedHost::paused(100)} << true;

    QTest::newRow("no selection: baud") << none << entering << QByteArray(": \r\nOK\r\n")
                                        << Events{out("ats102=-1\r")} << true;
    QTest::newRow("no selection: data format") << none << entering << QByteArray("ats102=-1\r\nOK\r\n")
                                               << Events{out("ats110=0\r")} << true;
    QTest::newRow("no selection: power") << none << entering << QByteArray("ats105=0\r\nOK\r\n")
                                         << Events{out("ats108=19\r")} << true;
    QTest::newRow("no selection: FEC") << none << entering << QByteArray("ats108=19\r\nOK\r\n")
                                       << Events{out("ats158=-1\r")} << true;
    QTest::newRow("no selection: unit address 0") << none << entering << QByteArray("ats103=-1\r\nOK\r\n")
                                                  << Events{out("ats105=0\r")} << true;
}

void TestWriteDialogue::acknowledgements()
{
    QFETCH(SettingsSelection, selection);
    QFETCH(int, pendingCount);
    QFETCH(QByteArray, chunk);
    QFETCH(Events, expected);
    QFETCH(bool, stillWriting);

    ScriptedHost host;
    host.selection = selection;
    SaveState state = savingState(pendingCount, 0);
    step(chunk, state, host);

    QCOMPARE(host.events(), expected);
    QCOMPARE(state.isWriting, stillWriting);
    QCOMPARE(state.channelRowIndex, 0);
}

void TestWriteDialogue::errors_data()
{
    QTest::addColumn<int>("pendingCount");
    QTest::addColumn<int>("rowIndex");
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<Events>("expected");

    // The save is over before the box opens: the box only tells the user.
    const Events ended{ScriptedHost::hide(), ScriptedHost::writeError()};

    QTest::newRow("register refused") << 1 << 0 << QByteArray("ats158=-1\r\nERROR\r\n") << ended;
    QTest::newRow("last register refused: no store") << 1 << 0 << QByteArray("ats192=6\r\nERROR\r\n")
                                                     << ended;
    QTest::newRow("channel entry refused at slot 2") << 4 << 2 << QByteArray("2\r\nERROR\r\n") << ended;
    QTest::newRow("store refused") << 1 << 0 << QByteArray("at&w\r\nERROR\r\n") << ended;
    QTest::newRow("bare ERROR") << 1 << 0 << QByteArray("ERROR\r\n") << ended;
    QTest::newRow("no-change save: escape, then the error")
        << 0 << 0 << QByteArray("ats110=0\r\nERROR\r\n")
        << Events{out(kEsc), ScriptedHost::hide(), ScriptedHost::writeError()};
    QTest::newRow("a field refused twice: no third answer") << 2 << 0
        << QByteArray("ERROR\r\n") + radio::kPromptFrequency << ended;
}

void TestWriteDialogue::errors()
{
    QFETCH(int, pendingCount);
    QFETCH(int, rowIndex);
    QFETCH(QByteArray, chunk);
    QFETCH(Events, expected);

    ScriptedHost host;
    host.selection = fullSelection();
    SaveState state = savingState(pendingCount, rowIndex);
    if (QTest::currentDataTag() == QByteArray("a field refused twice: no third answer")) {
        // The frequency prompt of slot 0 has been answered twice already.
        state.lastPrompt = 1;
        state.lastPromptSlot = 0;
        state.lastPromptAnswers = kMaxAnswersToOnePrompt;
    }
    bool writingWhileBoxOpen = true;
    host.onWriteError = [&] { writingWhileBoxOpen = state.isWriting; };
    step(chunk, state, host);

    QCOMPARE(host.events(), expected);
    QVERIFY(!state.isWriting);
    QVERIFY(!writingWhileBoxOpen);
    QCOMPARE(state.channelRowIndex, 0);
}

void TestWriteDialogue::conversation_data()
{
    QTest::addColumn<int>("pendingCount");
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<Events>("expected");
    QTest::addColumn<bool>("stillWriting");

    const QByteArray closed = QByteArray("\x1b\r\n") + ": \r\nOK\r\n";

    QTest::newRow("two slots, then the first registers")
        << 2
        << QList<QByteArray>{kChannel,
                             "5\r\n" + kFrequency,
                             "439500000\r\n" + kBandwidth,
                             "1\r\n" + kDirection,
                             "2\r\n" + kChannel,
                             "17\r\n" + kFrequency,
                             "0\r\n" + kBandwidth,
                             "0\r\n" + kDirection,
                             closed,
                             "ats102=7\r\nOK\r\n"}
        << Events{out("5"), out(kCR), out("439500000"), out(kCR), out("1"), out(kCR), out("2"), out(kCR),
                  out("17"), out(kCR), out("0"), out(kCR), out("0"), out(kCR), out("0"), out(kCR),
                  out(kEsc), out("ats102=7\r"), out("ats110=1\r")}
        << true;

    QTest::newRow("repeated prompts answered with the same slot")
        << 2
        << QList<QByteArray>{kChannel,
                             "5\r\n" + kFrequency,
                             "439500000\r\nInvalid frequency\r\n" + kFrequency,
                             "439500000\r\n" + kBandwidth,
                             "1\r\n" + kBandwidth,
                             "1\r\n" + kDirection,
                             "2\r\n" + kChannel}
        << Events{out("5"), out(kCR), out("439500000"), out(kCR), out("439500000"), out(kCR), out("1"),
                  out(kCR), out("1"), out(kCR), out("2"), out(kCR), out("17"), out(kCR)}
        << true;

    QTest::newRow("prompt split over two chunks is not answered")
        << 2 << QList<QByteArray>{kChannel.left(30), kChannel.mid(30)} << Events{} << true;

    QTest::newRow("whole register order without channel changes")
        << 0
        << QList<QByteArray>{"ats102=7\r\nOK\r\n", "ats110=1\r\nOK\r\n", "ats186=2\r\nOK\r\n",
                             "ats101=1\r\nOK\r\n", "ats127=1\r\nOK\r\n", "ats103=5\r\nOK\r\n",
                             "ats105=12\r\nOK\r\n", "ats108=30\r\nOK\r\n", "ats158=3\r\nOK\r\n",
                             "ats125=2\r\nOK\r\n", "ats131=3\r\nOK\r\n", "ats132=4\r\nOK\r\n",
                             "ats191=11\r\nOK\r\n", "ats192=63\r\nOK\r\n", "at&w\r\nOK\r\n"}
        << Events{out(kEsc), out("ats110=1\r"), out(kEsc), out("ats186=2\r"), out(kEsc), out("ats101=1\r"),
                  out(kEsc), out("ats127=1\r"), out(kEsc), out("ats103=5\r"), out(kEsc), out("ats105=12\r"),
                  out(kEsc), out("ats108=30\r"), out(kEsc), out("ats158=3\r"), out(kEsc), out("ats125=2\r"),
                  out(kEsc), out("ats131=3\r"), out(kEsc), out("ats132=4\r"), out(kEsc), out("ats191=11\r"),
                  out(kEsc), out("ats192=63\r"), out(kEsc), out("at&w"), out(kCR), ScriptedHost::paused(100),
                  out(kEsc), out("at&v"), out(kCR), ScriptedHost::paused(3000), ScriptedHost::hide(),
                  ScriptedHost::saveComplete()}
        << false;

    QTest::newRow("error in channel entry, then a new entry starts at slot 0")
        << 2
        << QList<QByteArray>{"1\r\n" + kDirection, "2\r\nERROR\r\n", kChannel}
        << Events{out("2"), out(kCR), ScriptedHost::hide(), ScriptedHost::writeError(), out("5"), out(kCR)}
        << false;
}

void TestWriteDialogue::conversation()
{
    QFETCH(int, pendingCount);
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(Events, expected);
    QFETCH(bool, stillWriting);

    ScriptedHost host;
    host.selection = fullSelection();
    SaveState state = savingState(pendingCount, 0);
    for (const QByteArray &chunk : chunks)
        step(chunk, state, host);

    QCOMPARE(host.events(), expected);
    QCOMPARE(state.isWriting, stillWriting);
}

void TestWriteDialogue::selectionReadWhenWritten()
{
    ScriptedHost host;
    host.selection = fullSelection();
    SaveState state = savingState(1, 0);

    step(": \r\nOK\r\n", state, host);
    host.selection.baudIndex = 5;       // already written
    host.selection.dataFormatIndex = 4; // written next
    host.selection.protocolIndex = 3;   // written after that
    step("ats102=7\r\nOK\r\n", state, host);
    host.selection.protocolIndex = 0;
    step("ats110=5\r\nOK\r\n", state, host);

    QCOMPARE(host.writes(), (QList<QByteArray>{"ats102=7\r", "ats110=5\r", "ats186=0\r"}));
}

void TestWriteDialogue::rowIndexStaysInTable_data()
{
    QTest::addColumn<int>("pendingCount");
    QTest::addColumn<int>("rowIndex");
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<Events>("expected");
    QTest::addColumn<int>("rowIndexAfter");

    QTest::newRow("index above a rebuilt, smaller table restarts at slot 0")
        << 1 << 5 << kChannel << Events{out("5"), out(kCR)} << 0;
    QTest::newRow("index at the count restarts at slot 0") << 2 << 2 << kFrequency
                                                           << Events{out("439500000"), out(kCR)} << 0;
    QTest::newRow("index beyond the table") << 2 << 200 << kDirection << Events{out("2"), out(kCR)} << 1;
    QTest::newRow("negative index") << 2 << -1 << kBandwidth << Events{out("1"), out(kCR)} << 0;
    QTest::newRow("count beyond the table closes after slot 63")
        << 70 << 63 << kDirection << Events{out("2"), out(kCR), out(kEsc)} << 0;
    QTest::newRow("full table closes after slot 63")
        << 64 << 63 << kDirection << Events{out("2"), out(kCR), out(kEsc)} << 0;
    QTest::newRow("negative count behaves as nothing pending")
        << -3 << 0 << kChannel << Events{out("5"), out(kCR), out(kEsc)} << 0;
}

void TestWriteDialogue::rowIndexStaysInTable()
{
    QFETCH(int, pendingCount);
    QFETCH(int, rowIndex);
    QFETCH(QByteArray, chunk);
    QFETCH(Events, expected);
    QFETCH(int, rowIndexAfter);

    ScriptedHost host;
    SaveState state = savingState(pendingCount, rowIndex);
    step(chunk, state, host);

    QCOMPARE(host.events(), expected);
    QCOMPARE(state.channelRowIndex, rowIndexAfter);
}

void TestWriteDialogue::emptyChunk()
{
    ScriptedHost host;
    SaveState state = savingState(1, 0);
    WriteDialogueStep(nullptr, 0, state, host);
    WriteDialogueStep("", 0, state, host);
    QCOMPARE(host.events(), Events{});
    QVERIFY(state.isWriting);
}

QTEST_GUILESS_MAIN(TestWriteDialogue)
#include "tst_writedialogue.moc"
