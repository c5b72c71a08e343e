#include "lib/k7v4simulator.h"

#include "protocol/radiocommands.h"
#include "protocol/radioconfig.h"
#include "protocol/reportparser.h"

#include <QtTest>

using namespace quenda;
using k7v4::RadioState;

Q_DECLARE_METATYPE(k7v4::RadioState)

namespace {

QString coded(const CodeTable &table, const RadioState &state, int reg)
{
    return table.text(state.registers.value(reg, -1));
}

QString raw(const RadioState &state, int reg)
{
    return state.registers.contains(reg) ? QString::number(state.registers.value(reg)) : QString();
}

// What the program should know after reading a radio in this state.
RadioConfig expectedConfig(const RadioState &state, bool withListing)
{
    RadioConfig config;
    config.serialNumber = state.serialNumber;
    config.protocol = coded(tables::T186, state, 186);
    config.mainRxChannel = raw(state, 132);
    config.mainTxChannel = raw(state, 131);
    config.repeaterRxChannel = raw(state, 192);
    config.repeaterTxChannel = raw(state, 191);
    config.workMode = coded(tables::T101, state, 101);
    config.serialBaud = coded(tables::T102, state, 102);
    config.dataFormat = coded(tables::T110, state, 110);
    config.airRate = coded(tables::T103, state, 103);
    config.modulation = coded(tables::T127, state, 127);
    config.bandwidth = coded(tables::T125, state, 125);
    config.unitAddress = raw(state, 105);
    config.outputPower = coded(tables::T108, state, 108);
    config.fecMode = coded(tables::T158, state, 158);
    if (!withListing)
        return config;

    static const char *const directions[] = {"Rx", "Tx", "Rx&Tx"};
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        const k7v4::Channel &c = state.channels[std::size_t(ch)];
        if (c.frequencyHz == 0)
            continue;
        ChannelEntry &entry = config.channels[std::size_t(config.channelCount++)];
        entry.channel = QString::number(ch).leftJustified(2, u' ');
        entry.frequency = QString::number(double(c.frequencyHz) / 1e6, 'f', 6);
        entry.bandwidth = QString::fromLatin1(
            tables::channelBandwidthTexts[std::size_t(c.bandwidthCode)]);
        entry.direction = QString::fromLatin1(directions[c.directionCode]);
    }
    return config;
}

// The radio's answers to the program's read sequence, as the one chunk the program receives.
QByteArray readChunk(k7v4::Simulator &sim, const QByteArrayList &writes)
{
    QByteArray chunk;
    QObject::connect(&sim, &k7v4::Simulator::send,
                     [&chunk](const QByteArray &bytes, int) { chunk += bytes; });
    sim.setLineBaud(sim.ownBaud());
    sim.receive(radio::kSoftEscape);
    chunk.clear(); // the banner is a chunk of its own
    for (const QByteArray &w : writes)
        sim.receive(w);
    QObject::disconnect(&sim, &k7v4::Simulator::send, nullptr, nullptr);
    return chunk;
}

} // namespace

class TestRoundTrip : public QObject {
    Q_OBJECT
private slots:
    void readSequence_data();
    void readSequence();
    void reportAfterSave();
};

void TestRoundTrip::readSequence_data()
{
    QTest::addColumn<RadioState>("state");

    QTest::newRow("factory default") << RadioState::factoryDefault();

    RadioState full = RadioState::factoryDefault();
    full.serialNumber = QStringLiteral("K7V4-000123");
    for (int ch = 0; ch < 64; ++ch) {
        // 6.25 kHz steps from the bottom of the band, so every digit of the listing moves.
        full.channels[std::size_t(ch)] = {410000000 + qint64(ch) * 1106250, ch % 3, (ch / 3) % 3};
    }
    full.channels[63] = {480000000, 2, 2};
    QTest::newRow("64 channels") << full;

    RadioState empty = RadioState::factoryDefault();
    empty.channels = {};
    QTest::newRow("no channels") << empty;

    RadioState limits = RadioState::factoryDefault();
    limits.serialNumber = QStringLiteral("9");
    limits.registers = {{101, 3},  {102, 14},    {103, 8},  {104, 255}, {105, 65535},
                        {108, 33}, {110, 10},    {125, 0},  {127, 1},   {131, 63},
                        {132, 62}, {158, 7},     {186, 3},  {191, 61},  {192, 60}};
    limits.channels = {};
    limits.channels[9] = {433006250, 0, 0};
    limits.channels[10] = {410000000, 1, 1};
    QTest::newRow("highest values") << limits;

    RadioState unlisted = RadioState::factoryDefault();
    unlisted.registers[108] = 31; // held by the radio, but without a text in the program
    unlisted.registers[158] = 4;
    unlisted.registers[110] = 0;
    unlisted.registers.remove(127);
    QTest::newRow("values without text, a register missing") << unlisted;
}

void TestRoundTrip::readSequence()
{
    QFETCH(RadioState, state);

    for (const QByteArrayList &writes :
         {QByteArrayList{"AT&V", "\r", "ATP0?", "\r"}, QByteArrayList{"AT&V\rATP0?\r"}}) {
        k7v4::Simulator sim;
        sim.setState(state);
        const QByteArray chunk = readChunk(sim, writes);
        // The program only parses chunks of more than 100 bytes.
        QVERIFY(chunk.size() > 100);

        RadioConfig config;
        ParseReport(chunk.constData(), int(chunk.size()), config);
        const RadioConfig expected = expectedConfig(state, true);
        QCOMPARE(config.channelCount, expected.channelCount);
        for (int k = 0; k < expected.channelCount; ++k)
            QCOMPARE(config.channels[std::size_t(k)], expected.channels[std::size_t(k)]);
        QCOMPARE(config, expected);
    }
}

void TestRoundTrip::reportAfterSave()
{
    // What a save writes is what the report after it shows.
    k7v4::Simulator sim;
    const QByteArrayList save{radio::registerCommand(102, 5), radio::registerCommand(186, 2),
                              radio::registerCommand(105, 321), radio::registerCommand(131, 7),
                              "at&w", "\r", "at&v", "\r"};
    const QByteArray chunk = readChunk(sim, save);
    const qsizetype report = chunk.indexOf("at&v\r\n");
    QVERIFY(report > 0);
    QVERIFY(chunk.mid(0, report).endsWith(radio::kStoredAck));

    const QByteArray reportChunk = chunk.mid(report);
    RadioConfig config;
    ParseReport(reportChunk.constData(), int(reportChunk.size()), config);
    RadioState state = RadioState::factoryDefault();
    state.registers[102] = 5;
    state.registers[186] = 2;
    state.registers[105] = 321;
    state.registers[131] = 7;
    QCOMPARE(sim.stored(), state);
    QCOMPARE(config, expectedConfig(state, false));
    QCOMPARE(config.serialBaud, QStringLiteral("19200"));
    QCOMPARE(config.protocol, QStringLiteral("Trimtalk Compatible"));
}

QTEST_GUILESS_MAIN(TestRoundTrip)
#include "tst_roundtrip.moc"
