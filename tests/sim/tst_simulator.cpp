#include "lib/k7v4simulator.h"
#include "lib/linepacer.h"
#include "lib/registers.h"

#include "link/cmscomm.h"
#include "protocol/radiocommands.h"
#include "support/fakeserialbackend.h"
#include "support/virtualpause.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace k7v4;
namespace radio = quenda::radio;

Q_DECLARE_METATYPE(k7v4::RadioState)

namespace {

struct Piece {
    QByteArray bytes;
    int delayMs;
};

// Records what the radio sends.
class Line : public QObject {
public:
    explicit Line(Simulator &sim) : m_sim(sim)
    {
        connect(&sim, &Simulator::send, this,
                [this](const QByteArray &bytes, int delayMs) { pieces.append({bytes, delayMs}); });
    }

    // Everything the radio answers to `bytes`, the pieces joined.
    QByteArray talk(const QByteArray &bytes)
    {
        pieces.clear();
        m_sim.receive(bytes);
        return joined();
    }
    QByteArray powerOn(bool configHeld)
    {
        pieces.clear();
        m_sim.powerOn(configHeld);
        return joined();
    }
    QByteArray joined() const
    {
        QByteArray all;
        for (const Piece &p : pieces)
            all += p.bytes;
        return all;
    }

    QList<Piece> pieces;

private:
    Simulator &m_sim;
};

QByteArray answer(const QByteArray &echo, const char *reply)
{
    return echo + "\r\n" + reply;
}

const QByteArray kOkAnswer = "\r\nOK\r\n";

RadioState stateWithBaudCode(int code)
{
    RadioState state = RadioState::factoryDefault();
    state.registers[102] = code;
    return state;
}

// A simulator in configuration mode at its own rate.
void enterConfig(Simulator &sim, Line &line)
{
    sim.setLineBaud(sim.ownBaud());
    QCOMPARE(line.talk(radio::kSoftEscape), QByteArray(radio::kBanner));
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestSimulator : public QObject {
    Q_OBJECT
private slots:
    void banner_data();
    void banner();
    void mismatchedRateInConfigMode();
    void commands_data();
    void commands();
    void reportCarriesEveryRegister();
    void emptyListing();
    void channelEntry_data();
    void channelEntry();
    void storedAndWorking_data();
    void storedAndWorking();
    void presets_data();
    void presets();
    void leavingConfigMode_data();
    void leavingConfigMode();
    void stateFileRoundTrip_data();
    void stateFileRoundTrip();
    void malformedStateFile_data();
    void malformedStateFile();
    void unwritableStateFile();
    void misbehaviour_data();
    void misbehaviour();
    void splitAnswers_data();
    void splitAnswers();
    void linePacer_data();
    void linePacer();
    void pacedReadSequence_data();
    void pacedReadSequence();
};

void TestSimulator::banner_data()
{
    QTest::addColumn<int>("baudCode");
    QTest::addColumn<int>("lineBaud");
    QTest::addColumn<QByteArrayList>("escape"); // empty: power-on with CONFIG held
    QTest::addColumn<bool>("heard");            // the banner arrives as text
    QTest::addColumn<bool>("configMode");

    const QByteArrayList powerOn;
    QTest::newRow("+++ at the radio's 9600") << 7 << 9600 << QByteArrayList{"+++"} << true << true;
    QTest::newRow("+++ at 4800, radio at 9600") << 7 << 4800 << QByteArrayList{"+++"} << false
                                                << false;
    QTest::newRow("+++ at 19200, radio at 19200")
        << 5 << 19200 << QByteArrayList{"+++"} << true << true;
    QTest::newRow("+++ at 9600, radio at 19200")
        << 5 << 9600 << QByteArrayList{"+++"} << false << false;
    QTest::newRow("+++ at 57600, radio at 57600")
        << 2 << 57600 << QByteArrayList{"+++"} << true << true;
    QTest::newRow("+++ in two pieces") << 7 << 9600 << QByteArrayList{"+", "++"} << true << true;
    QTest::newRow("+++ after data") << 7 << 9600 << QByteArrayList{"hello+++"} << true << true;
    QTest::newRow("only ++") << 7 << 9600 << QByteArrayList{"++"} << false << false;
    QTest::newRow("++ and + around data") << 7 << 9600 << QByteArrayList{"++", "x+"} << false
                                          << false;
    QTest::newRow("power-on at the radio's rate") << 7 << 9600 << powerOn << true << true;
    QTest::newRow("power-on at another rate") << 7 << 115200 << powerOn << false << true;
}

void TestSimulator::banner()
{
    QFETCH(int, baudCode);
    QFETCH(int, lineBaud);
    QFETCH(QByteArrayList, escape);
    QFETCH(bool, heard);
    QFETCH(bool, configMode);

    Simulator sim;
    Line line(sim);
    sim.setState(stateWithBaudCode(baudCode));
    sim.setLineBaud(lineBaud);

    QByteArray received;
    if (escape.isEmpty()) {
        received = line.powerOn(true);
        // At another rate something arrives, but not the banner.
        QCOMPARE(received.size(), qsizetype(sizeof(radio::kBanner) - 1));
    } else {
        for (const QByteArray &piece : escape)
            received += line.talk(piece);
    }
    QCOMPARE(received == radio::kBanner, heard);
    if (escape.size() > 0 && !heard)
        QVERIFY(received.isEmpty());
    QCOMPARE(sim.inConfigMode(), configMode);
}

void TestSimulator::mismatchedRateInConfigMode()
{
    Simulator sim;
    Line line(sim);
    enterConfig(sim, line);

    QCOMPARE(line.talk("AT&"), QByteArray());
    sim.setLineBaud(4800);
    QCOMPARE(line.talk("V\r"), QByteArray());
    QCOMPARE(line.talk("AT&V\r"), QByteArray());
    sim.setLineBaud(9600);
    // The half command typed before the rate changed is lost.
    QCOMPARE(line.talk("ats105=9\r"), answer("ats105=9", radio::kOk));
    QCOMPARE(sim.working().registers.value(105), 9);
}

void TestSimulator::commands_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("reg"); // 0: no register to look at
    QTest::addColumn<int>("value");

    const auto ok = [](const QByteArray &c) { return answer(c, radio::kOk); };
    const auto error = [](const QByteArray &c) { return answer(c, radio::kError); };
    // Factory values: S102 7, S105 1, S108 30, S110 1, S131 0.
    QTest::newRow("baud 9600") << QByteArray("ats102=7\r") << ok("ats102=7") << 102 << 7;
    QTest::newRow("baud 300") << QByteArray("ats102=14\r") << ok("ats102=14") << 102 << 14;
    QTest::newRow("baud 15 unlisted") << QByteArray("ats102=15\r") << error("ats102=15") << 102
                                      << 7;
    QTest::newRow("upper case register command")
        << QByteArray("ATS102=3\r") << ok("ATS102=3") << 102 << 3;
    QTest::newRow("power 33") << QByteArray("ats108=33\r") << ok("ats108=33") << 108 << 33;
    QTest::newRow("power 31 has no text") << QByteArray("ats108=31\r") << error("ats108=31")
                                          << 108 << 30;
    QTest::newRow("power 19 below table") << QByteArray("ats108=19\r") << error("ats108=19")
                                          << 108 << 30;
    QTest::newRow("format 0 below table") << QByteArray("ats110=0\r") << error("ats110=0") << 110
                                          << 1;
    QTest::newRow("format 10") << QByteArray("ats110=10\r") << ok("ats110=10") << 110 << 10;
    QTest::newRow("air rate 8") << QByteArray("ats103=8\r") << ok("ats103=8") << 103 << 8;
    QTest::newRow("FEC 4 has no text") << QByteArray("ats158=4\r") << error("ats158=4") << 158
                                       << 0;
    QTest::newRow("FEC 7") << QByteArray("ats158=7\r") << ok("ats158=7") << 158 << 7;
    QTest::newRow("FEC -1 (no selection)") << QByteArray("ats158=-1\r") << error("ats158=-1")
                                           << 158 << 0;
    QTest::newRow("protocol 3") << QByteArray("ats186=3\r") << ok("ats186=3") << 186 << 3;
    QTest::newRow("protocol 4") << QByteArray("ats186=4\r") << error("ats186=4") << 186 << 0;
    QTest::newRow("channel 63") << QByteArray("ats131=63\r") << ok("ats131=63") << 131 << 63;
    QTest::newRow("channel 64") << QByteArray("ats192=64\r") << error("ats192=64") << 192 << 0;
    QTest::newRow("channel -1") << QByteArray("ats131=-1\r") << error("ats131=-1") << 131 << 0;
    QTest::newRow("address 65535") << QByteArray("ats105=65535\r") << ok("ats105=65535") << 105
                                   << 65535;
    QTest::newRow("address 65536") << QByteArray("ats105=65536\r") << error("ats105=65536")
                                   << 105 << 1;
    QTest::newRow("address leading zeros") << QByteArray("ats105=007\r") << ok("ats105=007")
                                           << 105 << 7;
    QTest::newRow("register not read by the program")
        << QByteArray("ats104=5\r") << ok("ats104=5") << 104 << 5;
    QTest::newRow("no such register") << QByteArray("ats999=1\r") << error("ats999=1") << 0 << 0;
    QTest::newRow("two-digit register") << QByteArray("ats10=1\r") << error("ats10=1") << 0 << 0;
    QTest::newRow("value missing") << QByteArray("ats105=\r") << error("ats105=") << 105 << 1;
    QTest::newRow("value not a number") << QByteArray("ats105=x\r") << error("ats105=x") << 105
                                        << 1;
    QTest::newRow("huge value") << QByteArray("ats105=99999999999\r")
                                << error("ats105=99999999999") << 105 << 1;
    QTest::newRow("escape before a register command")
        << QByteArray("\x1b" "ats105=12\r") << ok("ats105=12") << 105 << 12;
    QTest::newRow("lone carriage return") << QByteArray("\r") << kOkAnswer << 0 << 0;
    QTest::newRow("store, lower case") << QByteArray("at&w\r") << QByteArray(radio::kStoredAck)
                                       << 0 << 0;
    QTest::newRow("store, upper case") << QByteArray("AT&W\r") << ok("AT&W") << 0 << 0;
    QTest::newRow("preset 51") << QByteArray("AT&F51\r") << ok("AT&F51") << 186 << 0;
    QTest::newRow("preset 59") << QByteArray("AT&F59\r") << ok("AT&F59") << 186 << 3;
    QTest::newRow("preset 52 does not exist") << QByteArray("AT&F52\r") << error("AT&F52") << 186
                                              << 0;
    QTest::newRow("preset 60") << QByteArray("AT&F60\r") << error("AT&F60") << 0 << 0;
    QTest::newRow("preset without number") << QByteArray("AT&F\r") << error("AT&F") << 0 << 0;
    QTest::newRow("unknown command") << QByteArray("ATX\r") << error("ATX") << 0 << 0;
    QTest::newRow("line feed ignored") << QByteArray("ats105=3\r\n") << ok("ats105=3") << 105 << 3;
    QTest::newRow("overlong line") << QByteArray("ats105=" + QByteArray(200, '1') + "\r")
                                   << error("ats105=" + QByteArray(121, '1')) << 105 << 1;
    QTest::newRow("lone escape") << QByteArray("\x1b") << QByteArray() << 0 << 0;
}

void TestSimulator::commands()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QFETCH(int, reg);
    QFETCH(int, value);

    Simulator sim;
    Line line(sim);
    enterConfig(sim, line);
    QCOMPARE(line.talk(input), expected);
    if (reg != 0)
        QCOMPARE(sim.working().registers.value(reg, -100), value);
    QVERIFY(sim.inConfigMode());
}

void TestSimulator::reportCarriesEveryRegister()
{
    Simulator sim;
    Line line(sim);
    RadioState state = RadioState::factoryDefault();
    state.serialNumber = QStringLiteral("K7-0042");
    state.registers[104] = 17;
    state.registers[120] = 200;
    sim.setState(state);
    enterConfig(sim, line);

    const QByteArray report = line.talk("AT&V\r");
    QVERIFY(report.startsWith("AT&V\r\n"));
    QVERIFY(report.endsWith("\r\nOK\r\n"));
    QVERIFY(report.contains("\r\nS/N: K7-0042\r\n"));
    for (auto it = state.registers.cbegin(); it != state.registers.cend(); ++it) {
        const QByteArray registerLine =
            "\r\nS" + QByteArray::number(it.key()) + '=' + QByteArray::number(it.value()) + "\r\n";
        QVERIFY2(report.contains(registerLine), registerLine.constData());
    }
    QVERIFY(report.contains("\r\nS104=17\r\n"));
}

void TestSimulator::emptyListing()
{
    Simulator sim;
    Line line(sim);
    RadioState state = RadioState::factoryDefault();
    state.channels = {};
    sim.setState(state);
    enterConfig(sim, line);

    const QByteArray listing = line.talk("ATP0?\r");
    QVERIFY(listing.startsWith("ATP0?\r\n"));
    // Ruler, empty line, empty line, OK: nothing between the listing's start and its end.
    QVERIFY(listing.endsWith(QByteArray(radio::kListingStart) + radio::kListingEnd));
}

void TestSimulator::channelEntry_data()
{
    QTest::addColumn<QByteArrayList>("writes");
    QTest::addColumn<QByteArrayList>("answers");
    QTest::addColumn<int>("channel");
    QTest::addColumn<qint64>("frequency");
    QTest::addColumn<int>("bandwidth");
    QTest::addColumn<int>("direction");

    const QByteArray pc = radio::kPromptChannel;
    const QByteArray pf = radio::kPromptFrequency;
    const QByteArray pb = radio::kPromptBandwidth;
    const QByteArray pd = radio::kPromptDirection;
    const QByteArray err = radio::kError;
    const QByteArray closed = kOkAnswer;

    QTest::newRow("one entry, closed by escape")
        << QByteArrayList{"ATP0=", "\r", "pmiv%ok", "5", "\r", "433000000", "\r", "2", "\r", "1",
                          "\r", "\x1b"}
        << QByteArrayList{"",        "ATP0=\r\n", "\r\n" + pc, "", "5\r\n" + pf, "",
                          "433000000\r\n" + pb,   "",         "2\r\n" + pd,     "", "1\r\n" + pc,
                          closed}
        << 5 << qint64(433000000) << 2 << 1;
    QTest::newRow("as the program writes the last entry")
        << QByteArrayList{"ATP0=\rpmiv%ok", "12\r", "410000000\r", "0\r", "0\r\x1b"}
        << QByteArrayList{"ATP0=\r\n\r\n" + pc, "12\r\n" + pf, "410000000\r\n" + pb, "0\r\n" + pd,
                          "0\r\n" + pc + closed}
        << 12 << qint64(410000000) << 0 << 0;
    QTest::newRow("two entries")
        << QByteArrayList{"ATP0=\rpmiv%ok", "3\r", "480000000\r", "1\r", "2\r",
                          "4\r",            "450000000\r", "2\r", "0\r\x1b"}
        << QByteArrayList{"ATP0=\r\n\r\n" + pc, "3\r\n" + pf, "480000000\r\n" + pb, "1\r\n" + pd,
                          "2\r\n" + pc,         "4\r\n" + pf, "450000000\r\n" + pb, "2\r\n" + pd,
                          "0\r\n" + pc + closed}
        << 3 << qint64(480000000) << 1 << 2;
    QTest::newRow("channel 64 rejected, prompt repeated")
        << QByteArrayList{"ATP0=\rpmiv%ok", "64\r", "63\r", "440000000\r", "1\r", "2\r"}
        << QByteArrayList{"ATP0=\r\n\r\n" + pc, "64\r\n" + err + pc, "63\r\n" + pf,
                          "440000000\r\n" + pb, "1\r\n" + pd,        "2\r\n" + pc}
        << 63 << qint64(440000000) << 1 << 2;
    QTest::newRow("frequency below range")
        << QByteArrayList{"ATP0=\rpmiv%ok", "7\r", "409999999\r", "410000001\r", "1\r", "1\r"}
        << QByteArrayList{"ATP0=\r\n\r\n" + pc,        "7\r\n" + pf, "409999999\r\n" + err + pf,
                          "410000001\r\n" + pb, "1\r\n" + pd, "1\r\n" + pc}
        << 7 << qint64(410000001) << 1 << 1;
    QTest::newRow("frequency above range")
        << QByteArrayList{"ATP0=\rpmiv%ok", "7\r", "480000001\r"}
        << QByteArrayList{"ATP0=\r\n\r\n" + pc, "7\r\n" + pf, "480000001\r\n" + err + pf} << 7
        << qint64(0) << 0 << 2;
    QTest::newRow("bandwidth 3 and direction 3 rejected")
        << QByteArrayList{"ATP0=\rpmiv%ok", "9\r", "430000000\r", "3\r", "2\r", "3\r", "0\r"}
        << QByteArrayList{"ATP0=\r\n\r\n" + pc, "9\r\n" + pf,        "430000000\r\n" + pb,
                          "3\r\n" + err + pb,   "2\r\n" + pd,        "3\r\n" + err + pd,
                          "0\r\n" + pc}
        << 9 << qint64(430000000) << 2 << 0;
    QTest::newRow("not a number, empty answer")
        << QByteArrayList{"ATP0=\rpmiv%ok", "x\r", "\r"}
        << QByteArrayList{"ATP0=\r\n\r\n" + pc, "x\r\n" + err + pc, "\r\n" + err + pc} << 0
        << qint64(433125000) << 2 << 2;
    QTest::newRow("frequency 0 deletes")
        << QByteArrayList{"ATP0=\rpmiv%ok", "1\r", "0\r", "0\r", "0\r\x1b"}
        << QByteArrayList{"ATP0=\r\n\r\n" + pc, "1\r\n" + pf, "0\r\n" + pb, "0\r\n" + pd,
                          "0\r\n" + pc + closed}
        << 1 << qint64(0) << 0 << 2;
    QTest::newRow("escape in the middle discards the entry")
        << QByteArrayList{"ATP0=\rpmiv%ok", "0\r", "470000000\r", "\x1b", "ats105=4\r"}
        << QByteArrayList{"ATP0=\r\n\r\n" + pc, "0\r\n" + pf, "470000000\r\n" + pb, closed,
                          answer("ats105=4", radio::kOk)}
        << 0 << qint64(433125000) << 2 << 2;
    QTest::newRow("wrong access code")
        << QByteArrayList{"ATP0=\r", "pmix", "ats105=4\r"}
        << QByteArrayList{"ATP0=\r\n", err, answer("ats105=4", radio::kOk)} << 0
        << qint64(433125000) << 2 << 2;
    QTest::newRow("access code with a carriage return")
        << QByteArrayList{"ATP0=\r", "pmiv%ok\r"}
        << QByteArrayList{"ATP0=\r\n", "\r\n" + pc + "\r\n" + err + pc}
        << 0 << qint64(433125000) << 2 << 2;
    QTest::newRow("escape while the access code is awaited")
        << QByteArrayList{"ATP0=\r", "pm\x1b"} << QByteArrayList{"ATP0=\r\n", closed} << 0
        << qint64(433125000) << 2 << 2;
}

void TestSimulator::channelEntry()
{
    QFETCH(QByteArrayList, writes);
    QFETCH(QByteArrayList, answers);
    QFETCH(int, channel);
    QFETCH(qint64, frequency);
    QFETCH(int, bandwidth);
    QFETCH(int, direction);
    QCOMPARE(writes.size(), answers.size());

    Simulator sim;
    Line line(sim);
    enterConfig(sim, line);
    const RadioState before = sim.working();
    for (int i = 0; i < writes.size(); ++i)
        QCOMPARE(line.talk(writes[i]), answers[i]);

    const Channel expected = frequency == 0 ? Channel{} : Channel{frequency, bandwidth, direction};
    QCOMPARE(sim.working().channels[std::size_t(channel)], expected);
    // Entries go to the working table only.
    QCOMPARE(sim.stored().channels, before.channels);
}

void TestSimulator::storedAndWorking_data()
{
    QTest::addColumn<QByteArrayList>("writes");
    QTest::addColumn<bool>("powerCycle");
    QTest::addColumn<int>("workingAddress");
    QTest::addColumn<int>("storedAddress");

    QTest::newRow("written, not stored") << QByteArrayList{"ats105=77\r"} << false << 77 << 1;
    QTest::newRow("written and stored") << QByteArrayList{"ats105=77\r", "at&w\r"} << false << 77
                                        << 77;
    QTest::newRow("stored, then written again")
        << QByteArrayList{"ats105=77\r", "AT&W\r", "ats105=78\r"} << false << 78 << 77;
    QTest::newRow("unsaved change lost at power-on")
        << QByteArrayList{"ats105=77\r", "at&w\r", "ats105=78\r"} << true << 77 << 77;
    QTest::newRow("rejected value changes nothing")
        << QByteArrayList{"ats105=70000\r", "at&w\r"} << false << 1 << 1;
}

void TestSimulator::storedAndWorking()
{
    QFETCH(QByteArrayList, writes);
    QFETCH(bool, powerCycle);
    QFETCH(int, workingAddress);
    QFETCH(int, storedAddress);

    Simulator sim;
    Line line(sim);
    enterConfig(sim, line);
    for (const QByteArray &w : writes)
        line.talk(w);
    if (powerCycle)
        line.powerOn(true);
    QCOMPARE(sim.working().registers.value(105), workingAddress);
    QCOMPARE(sim.stored().registers.value(105), storedAddress);
}

void TestSimulator::presets_data()
{
    QTest::addColumn<int>("preset");
    QTest::addColumn<int>("protocol");   // S186
    QTest::addColumn<int>("workMode");   // S101, -1: any
    QTest::addColumn<int>("bandwidth");  // S125, -1: any
    QTest::addColumn<int>("baud");       // S102, -1: any

    QTest::newRow("51 Transparent ZV") << 51 << 0 << -1 << -1 << -1;
    QTest::newRow("53 Pacific Crest") << 53 << 1 << -1 << -1 << -1;
    QTest::newRow("54 Trimtalk slave") << 54 << 2 << 2 << -1 << -1;
    QTest::newRow("55 Trimtalk repeater") << 55 << 2 << 1 << -1 << -1;
    QTest::newRow("56 Trimtalk repeater 2") << 56 << 2 << 3 << -1 << -1;
    QTest::newRow("57 Trimtalk master") << 57 << 2 << 0 << -1 << -1;
    QTest::newRow("58 Satel 12.5 kHz 9600") << 58 << 3 << -1 << 1 << 7;
    QTest::newRow("59 Satel 25 kHz 19200") << 59 << 3 << -1 << 2 << 5;
}

void TestSimulator::presets()
{
    QFETCH(int, preset);
    QFETCH(int, protocol);
    QFETCH(int, workMode);
    QFETCH(int, bandwidth);
    QFETCH(int, baud);

    Simulator sim;
    Line line(sim);
    RadioState state = RadioState::factoryDefault();
    // Start far from every preset so that each value checked has been set by it.
    state.registers[186] = protocol == 3 ? 0 : 3;
    state.registers[101] = workMode == 3 ? 0 : 3;
    state.registers[125] = 0;
    state.registers[102] = 9;
    state.registers[105] = 4242;
    state.registers[131] = 12;
    state.channels[20] = {455000000, 0, 1};
    sim.setState(state);
    enterConfig(sim, line);

    const QByteArray command = radio::factoryPresetCommand(preset);
    QCOMPARE(line.talk(command + "\r"), answer(command, radio::kOk));
    const RadioState working = sim.working();
    QCOMPARE(working.registers.value(186), protocol);
    if (workMode >= 0)
        QCOMPARE(working.registers.value(101), workMode);
    if (bandwidth >= 0)
        QCOMPARE(working.registers.value(125), bandwidth);
    if (baud >= 0)
        QCOMPARE(working.registers.value(102), baud);
    // Every preset value is one the radio accepts from the program too.
    for (auto it = working.registers.cbegin(); it != working.registers.cend(); ++it) {
        const QByteArray cmd = radio::registerCommand(it.key(), it.value());
        QCOMPARE(line.talk(cmd), answer(cmd.chopped(1), radio::kOk));
    }
    // The values the program puts back afterwards, and the channels, are untouched.
    QCOMPARE(working.registers.value(105), 4242);
    QCOMPARE(working.registers.value(131), 12);
    QCOMPARE(working.channels, state.channels);
    QCOMPARE(sim.stored(), state);
}

void TestSimulator::leavingConfigMode_data()
{
    QTest::addColumn<QByteArrayList>("writes"); // before ATA
    QTest::addColumn<int>("newBaud");           // the radio's rate in data mode

    QTest::newRow("no change") << QByteArrayList{} << 9600;
    QTest::newRow("rate written, not stored") << QByteArrayList{"ats102=5\r"} << 9600;
    QTest::newRow("rate written and stored") << QByteArrayList{"ats102=5\r", "at&w\r"} << 19200;
    QTest::newRow("preset with another rate, stored")
        << QByteArrayList{"AT&F59\r", "AT&W\r"} << 19200;
}

void TestSimulator::leavingConfigMode()
{
    QFETCH(QByteArrayList, writes);
    QFETCH(int, newBaud);

    Simulator sim;
    Line line(sim);
    enterConfig(sim, line);
    for (const QByteArray &w : writes)
        line.talk(w);
    // A stored rate does not cut the session short: the report after storing still arrives.
    QCOMPARE(sim.ownBaud(), 9600);
    QVERIFY(line.talk("at&v\r").startsWith("at&v\r\n"));

    QCOMPARE(line.talk("ATA\r"), answer("ATA", radio::kOk));
    QVERIFY(!sim.inConfigMode());
    QCOMPARE(sim.ownBaud(), newBaud);
    sim.setLineBaud(9600);
    QCOMPARE(line.talk("AT&V\r"), QByteArray());
    const QByteArray atOldRate = line.talk("+++");
    QCOMPARE(atOldRate == radio::kBanner, newBaud == 9600);
    if (newBaud != 9600) {
        sim.setLineBaud(newBaud);
        QCOMPARE(line.talk("+++"), QByteArray(radio::kBanner));
    }
    QVERIFY(sim.inConfigMode());
}

void TestSimulator::stateFileRoundTrip_data()
{
    QTest::addColumn<RadioState>("state");

    QTest::newRow("factory default") << RadioState::factoryDefault();

    RadioState full = RadioState::factoryDefault();
    full.serialNumber = QStringLiteral("SN-77/b");
    for (int ch = 0; ch < 64; ++ch)
        full.channels[std::size_t(ch)] = {410000000 + qint64(ch) * 1093750, ch % 3, (ch / 3) % 3};
    full.channels[63].frequencyHz = 480000000;
    full.registers[105] = 65535;
    full.registers[108] = 33;
    full.registers[192] = 63;
    QTest::newRow("64 channels, limits") << full;

    RadioState empty = RadioState::factoryDefault();
    empty.channels = {};
    empty.registers[102] = 0;
    QTest::newRow("no channels") << empty;
}

void TestSimulator::stateFileRoundTrip()
{
    QFETCH(RadioState, state);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("radio.txt"));

    Simulator writer;
    writer.setState(state);
    QString error;
    QVERIFY2(writer.saveFile(path, &error), qPrintable(error));

    Simulator reader;
    QVERIFY2(reader.loadFile(path, &error), qPrintable(error));
    QCOMPARE(reader.stored(), state);
    QCOMPARE(reader.working(), state);
}

void TestSimulator::malformedStateFile_data()
{
    QTest::addColumn<QByteArray>("content"); // empty with no file: the file is missing
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown register")
        << QByteArray("serial=1\nS999=1\n") << "line 2: the radio has no register S999";
    QTest::newRow("value not in table") << QByteArray("S108=31\n") << "line 1: S108 cannot be 31";
    QTest::newRow("channel register range")
        << QByteArray("# c\n\nS131=64\n") << "line 3: S131 cannot be 64 (allowed: 0 to 63)";
    QTest::newRow("value not a number") << QByteArray("S105=abc\n") << "S105 needs a whole number";
    QTest::newRow("empty value") << QByteArray("S105=\n") << "S105 needs a whole number";
    QTest::newRow("serial with a blank")
        << QByteArray("serial=12 34\n") << "line 1: the serial number";
    QTest::newRow("empty serial") << QByteArray("serial=\n") << "line 1: the serial number";
    QTest::newRow("channel out of range")
        << QByteArray("channel 64 433000000 0 0\n") << "channel 64 is not between 0 and 63";
    QTest::newRow("channel given twice")
        << QByteArray("channel 1 433000000 0 0\nchannel 1 433000000 0 0\n")
        << "line 2: channel 1 is given twice";
    QTest::newRow("frequency out of range")
        << QByteArray("channel 1 400000000 0 0\n") << "frequency 400000000 Hz";
    QTest::newRow("bandwidth code")
        << QByteArray("channel 1 433000000 3 0\n") << "bandwidth code 3";
    QTest::newRow("direction code")
        << QByteArray("channel 1 433000000 0 -1\n") << "direction code -1";
    QTest::newRow("channel line too short")
        << QByteArray("channel 1 433000000\n") << "a channel line is";
    QTest::newRow("channel not a number")
        << QByteArray("channel one 433000000 0 0\n") << "\"one\" is not a whole number";
    QTest::newRow("overflowing number")
        << QByteArray("channel 1 4330000000000000000 0 0\n") << "is not a whole number";
    QTest::newRow("garbage line")
        << QByteArray("hello world\n") << "line 1: cannot read \"hello world\"";
    QTest::newRow("binary") << QByteArray("\x01\xff\xfe\n", 4) << "line 1: cannot read";
    QTest::newRow("missing file") << QByteArray() << "cannot open";
}

void TestSimulator::malformedStateFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("radio.txt"));
    if (!content.isEmpty())
        writeFile(path, content);

    Simulator sim;
    RadioState state = RadioState::factoryDefault();
    state.serialNumber = QStringLiteral("KEEP");
    sim.setState(state);
    QString error;
    QVERIFY(!sim.loadFile(path, &error));
    QVERIFY2(error.contains(message), qPrintable(error));
    QVERIFY2(error.contains(path), qPrintable(error));
    QCOMPARE(sim.stored(), state);
    QCOMPARE(sim.working(), state);
}

void TestSimulator::unwritableStateFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("missing/folder/radio.txt"));
    Simulator sim;
    QString error;
    QVERIFY(!sim.saveFile(path, &error));
    QVERIFY2(error.startsWith(QStringLiteral("cannot write ") + path), qPrintable(error));
}

void TestSimulator::misbehaviour_data()
{
    QTest::addColumn<int>("errorOn");   // 0: none
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QByteArray>("beforeBanner");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("expectedBanner");
    QTest::addColumn<QByteArray>("expectedAnswer");

    const QByteArray banner = radio::kBanner;
    QTest::newRow("error on S108") << 108 << false << QByteArray() << QByteArray("ats108=30\r")
                                   << banner << answer("ats108=30", radio::kError);
    QTest::newRow("error on S108, S102 still fine")
        << 108 << false << QByteArray() << QByteArray("ats102=7\r") << banner
        << answer("ats102=7", radio::kOk);
    QTest::newRow("silent") << 0 << true << QByteArray() << QByteArray("AT&V\r") << QByteArray()
                            << QByteArray();
    QTest::newRow("noise before the banner")
        << 0 << false << QByteArray("\x00\x13#", 3) << QByteArray("\r")
        << QByteArray("\x00\x13#", 3) + banner << kOkAnswer;
    QTest::newRow("echo before the banner") << 0 << false << QByteArray("+++") << QByteArray("\r")
                                            << "+++" + banner << kOkAnswer;
}

void TestSimulator::misbehaviour()
{
    QFETCH(int, errorOn);
    QFETCH(bool, silent);
    QFETCH(QByteArray, beforeBanner);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, expectedBanner);
    QFETCH(QByteArray, expectedAnswer);

    for (const bool byPowerOn : {false, true}) {
        Simulator sim;
        Line line(sim);
        if (errorOn)
            sim.misbehaviour().errorOnRegister = errorOn;
        sim.misbehaviour().silent = silent;
        sim.misbehaviour().beforeBanner = beforeBanner;
        sim.setLineBaud(9600);
        const QByteArray banner = byPowerOn ? line.powerOn(true) : line.talk("+++");
        QCOMPARE(banner, expectedBanner);
        QVERIFY(sim.inConfigMode());
        QCOMPARE(line.talk(command), expectedAnswer);
    }
}

void TestSimulator::splitAnswers_data()
{
    QTest::addColumn<int>("splitAfter");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("pieces");

    QTest::newRow("report split after 100") << 100 << QByteArray("AT&V\r") << 2;
    QTest::newRow("listing split after 1") << 1 << QByteArray("ATP0?\r") << 2;
    QTest::newRow("short answer whole") << 100 << QByteArray("ats102=7\r") << 1;
    QTest::newRow("exactly the limit whole") << 14 << QByteArray("ats102=7\r") << 1;
    QTest::newRow("one above the limit") << 13 << QByteArray("ats102=7\r") << 2;
}

void TestSimulator::splitAnswers()
{
    QFETCH(int, splitAfter);
    QFETCH(QByteArray, command);
    QFETCH(int, pieces);

    Simulator reference;
    Line whole(reference);
    enterConfig(reference, whole);
    const QByteArray expected = whole.talk(command);

    Simulator sim;
    Line line(sim);
    enterConfig(sim, line);
    sim.misbehaviour().splitAnswersAfter = splitAfter;
    sim.misbehaviour().splitDelayMs = 250;
    QCOMPARE(line.talk(command), expected);
    QCOMPARE(line.pieces.size(), pieces);
    QCOMPARE(line.pieces.first().delayMs, 0);
    if (pieces == 2) {
        QCOMPARE(line.pieces.first().bytes.size(), splitAfter);
        QCOMPARE(line.pieces.last().delayMs, 250);
    }
}

void TestSimulator::linePacer_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<QList<int>>("sizes");  // pieces queued together at 0 ms
    QTest::addColumn<QList<int>>("delays"); // of each piece
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("arrived");

    // Ten bits a byte: 480 bytes a second at 4800, 960 at 9600.
    QTest::newRow("4800, just before a second") << 4800 << QList{480} << QList{0} << 999 << 479;
    QTest::newRow("4800, a second") << 4800 << QList{480} << QList{0} << 1000 << 480;
    QTest::newRow("9600, nothing at once") << 9600 << QList{10} << QList{0} << 0 << 0;
    QTest::newRow("9600, first byte within 2 ms") << 9600 << QList{10} << QList{0} << 2 << 1;
    QTest::newRow("listing at 4800 after the read's 5 s")
        << 4800 << QList{3800} << QList{0} << 5000 << 2400;
    QTest::newRow("listing at 4800 complete") << 4800 << QList{3800} << QList{0} << 7917 << 3800;
    QTest::newRow("listing at 115200 complete") << 115200 << QList{3800} << QList{0} << 330 << 3800;
    QTest::newRow("second answer queues behind the first")
        << 4800 << QList{480, 480} << QList{0, 0} << 1500 << 720;
    QTest::newRow("split: nothing during the gap")
        << 9600 << QList{96, 96} << QList{0, 500} << 599 << 96;
    QTest::newRow("split: second piece after the gap")
        << 9600 << QList{96, 96} << QList{0, 500} << 610 << 105;
    QTest::newRow("unpaced: at once") << 0 << QList{100, 50} << QList{0, 300} << 0 << 100;
    QTest::newRow("unpaced: second piece after its delay")
        << 0 << QList{100, 50} << QList{0, 300} << 300 << 150;
}

void TestSimulator::linePacer()
{
    QFETCH(int, baud);
    QFETCH(QList<int>, sizes);
    QFETCH(QList<int>, delays);
    QFETCH(int, at);
    QFETCH(int, arrived);

    QByteArray all;
    LinePacer whole;
    LinePacer stepwise;
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const QByteArray piece(sizes[i], char('a' + i));
        all += piece;
        whole.queue(piece, delays[i], baud, 0);
        stepwise.queue(piece, delays[i], baud, 0);
    }

    const QByteArray taken = whole.take(at);
    QCOMPARE(taken, all.left(arrived));
    QCOMPARE(whole.pending(), all.size() - arrived);
    // Taking in small steps gives the same bytes in the same order.
    QByteArray steps;
    for (int t = 0; t <= at; t += 7)
        steps += stepwise.take(t);
    steps += stepwise.take(at);
    QCOMPARE(steps, taken);

    // The next arrival is announced exactly: nothing before it, the next byte at it.
    const std::optional<qint64> next = whole.nextArrival();
    QCOMPARE(next.has_value(), arrived < all.size());
    if (next) {
        QVERIFY(*next > at);
        QVERIFY(whole.take(*next - 1).isEmpty());
        const QByteArray atNext = whole.take(*next);
        QCOMPARE(atNext.left(1), all.mid(arrived, 1));
        QCOMPARE(atNext.size(), baud > 0 ? 1 : all.size() - arrived);
    }
}

void TestSimulator::pacedReadSequence_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("channels");
    QTest::addColumn<bool>("severalEvents");

    QTest::newRow("4800, full table") << 4800 << 64 << true;
    QTest::newRow("9600, full table") << 9600 << 64 << true;
    QTest::newRow("115200, full table") << 115200 << 64 << false;
    QTest::newRow("4800, two channels") << 4800 << 2 << false;
    QTest::newRow("115200, two channels") << 115200 << 2 << false;
}

// The read sequence over a paced fake port, as the program runs it: each receive event pauses
// 200 ms before it takes the input, and the handler after the banner pauses 3000 ms after "AT&V"
// and 2000 ms after "ATP0?".
void TestSimulator::pacedReadSequence()
{
    QFETCH(int, baud);
    QFETCH(int, channels);
    QFETCH(bool, severalEvents);

    RadioState state = RadioState::factoryDefault();
    state.registers[kBaudRegister] = *codeOfBaud(baud);
    for (int ch = 0; ch < channels; ++ch)
        state.channels[std::size_t(ch)] = {410000000 + ch * 1000000LL, ch % 3, ch % 3};

    Simulator reference;
    reference.setState(state);
    Line line(reference);
    enterConfig(reference, line);
    const QByteArray report = line.talk("AT&V\r");
    const QByteArray listing = line.talk("ATP0?\r");

    Simulator sim;
    sim.setState(state);
    quenda::test::VirtualPause pause;
    auto backend = std::make_unique<quenda::test::FakeSerialBackend>();
    quenda::test::FakeSerialBackend *port = backend.get();
    port->attachSimulator(&sim);
    port->setPacing(&pause);
    quenda::CMSComm comm(pause, std::move(backend));
    QList<QByteArray> chunks;
    connect(&comm, &quenda::CMSComm::OnComm, this, [&] {
        pause.pause(200);
        chunks << comm.GetInput();
    });
    const auto drain = [&] {
        for (int i = 0; i < 100000 && port->bytesOnTheWay() > 0; ++i)
            QCoreApplication::processEvents();
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents();
    };
    comm.SetCommPort(1);
    comm.SetSettings(QString::number(baud) + QStringLiteral(",n,8,1"));
    comm.SetPortOpen(true);
    comm.SetRThreshold(1);
    comm.SetInputLen(0);

    sim.powerOn(true);
    drain();
    QCOMPARE(chunks, QList<QByteArray>{radio::kBanner});
    chunks.clear();

    const qint64 start = pause.now();
    comm.SetOutput("AT&V");
    comm.SetOutput("\r");
    pause.pause(3000);
    comm.SetOutput("ATP0?");
    comm.SetOutput("\r");
    pause.pause(2000);
    QCOMPARE(chunks.size(), 0); // held back while the handler pauses
    drain();

    QVERIFY2(severalEvents ? chunks.size() > 1 : chunks.size() == 1,
             qPrintable(QString::number(chunks.size())));
    QCOMPARE(chunks.join(), report + listing);
    // The listing left after the 3000 ms pause and took ten bits a byte.
    QVERIFY(pause.now() - start >= 3000 + listing.size() * 10000LL / baud);
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
