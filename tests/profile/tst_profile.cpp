#include "lib/k7v4simulator.h"

#include "profile/profile.h"
#include "profile/profileplan.h"
#include "protocol/pendingchannels.h"
#include "protocol/radiocommands.h"
#include "protocol/reportparser.h"
#include "protocol/writedialogue.h"

#include <QtTest>

#include <functional>

using namespace quenda;
using k7v4::RadioState;

Q_DECLARE_METATYPE(k7v4::RadioState)
Q_DECLARE_METATYPE(quenda::SettingsSelection)
Q_DECLARE_METATYPE(quenda::ChannelTable)
Q_DECLARE_METATYPE(quenda::ChannelEntry)

namespace {

// What a profile of a radio in this state holds: the values the program has texts for.
RadioProfile expectedProfile(const RadioState &state)
{
    RadioProfile p;
    p.serialNumber = state.serialNumber;
    for (const RegisterInfo &info : profileRegisters()) {
        if (state.registers.contains(info.number) &&
            registerAccepts(info, state.registers[info.number]))
            p.setValue(info.number, state.registers[info.number]);
    }
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        const k7v4::Channel &c = state.channels[std::size_t(ch)];
        if (c.frequencyHz != 0)
            p.channels[std::size_t(ch)] =
                ProfileChannel{int(c.frequencyHz), c.bandwidthCode, c.directionCode};
    }
    return p;
}

// Reads the simulated radio the way the program does: one chunk, parsed as a report.
RadioConfig readRadio(const RadioState &state)
{
    k7v4::Simulator sim;
    sim.setState(state);
    QByteArray chunk;
    QObject::connect(&sim, &k7v4::Simulator::send,
                     [&chunk](const QByteArray &bytes, int) { chunk += bytes; });
    sim.setLineBaud(sim.ownBaud());
    sim.receive(radio::kSoftEscape);
    chunk.clear();
    sim.receive("AT&V\rATP0?\r");
    RadioConfig config;
    ParseReport(chunk.constData(), int(chunk.size()), config);
    return config;
}

RadioState fullState()
{
    RadioState s = RadioState::factoryDefault();
    s.serialNumber = QStringLiteral("K7V4-000123");
    s.registers = {{101, 3}, {102, 14}, {103, 8},  {105, 65535}, {108, 33}, {110, 10}, {125, 2},
                   {127, 1}, {131, 63}, {132, 62}, {158, 7},     {186, 3},  {191, 61}, {192, 0}};
    for (int ch = 0; ch < kChannelSlots; ++ch)
        s.channels[std::size_t(ch)] = {410000000 + qint64(ch) * 1106250, ch % 3, (ch / 3) % 3};
    s.channels[63] = {480000000, 2, 2};
    return s;
}

QByteArray validJson()
{
    RadioProfile p;
    p.serialNumber = QStringLiteral("1234");
    for (const RegisterInfo &info : profileRegisters())
        p.setValue(info.number, info.kind == RegisterKind::Coded ? info.table->first : 1);
    p.channels[0] = ProfileChannel{433125000, 1, 2};
    p.channels[7] = ProfileChannel{450000000, 0, 0};
    return profile::toJson(p);
}

QJsonObject validObject()
{
    return QJsonDocument::fromJson(validJson()).object();
}

QByteArray edited(const std::function<void(QJsonObject &)> &edit)
{
    QJsonObject o = validObject();
    edit(o);
    return QJsonDocument(o).toJson();
}

// Sets one field of registers.<reg> or channels[index].
QByteArray withRegister(const char *reg, const char *field, const QJsonValue &value)
{
    return edited([=](QJsonObject &o) {
        QJsonObject regs = o[QStringLiteral("registers")].toObject();
        QJsonObject entry = regs[QLatin1String(reg)].toObject();
        if (value.isUndefined())
            entry.remove(QLatin1String(field));
        else
            entry[QLatin1String(field)] = value;
        regs[QLatin1String(reg)] = entry;
        o[QStringLiteral("registers")] = regs;
    });
}

QByteArray withChannel(int index, const char *field, const QJsonValue &value)
{
    return edited([=](QJsonObject &o) {
        QJsonArray channels = o[QStringLiteral("channels")].toArray();
        QJsonObject entry = channels[index].toObject();
        if (value.isUndefined())
            entry.remove(QLatin1String(field));
        else
            entry[QLatin1String(field)] = value;
        channels[index] = entry;
        o[QStringLiteral("channels")] = channels;
    });
}

SettingsSelection fullSelection()
{
    SettingsSelection s;
    s.baudIndex = 14;
    s.dataFormatIndex = 9;
    s.protocolIndex = 2;
    s.workModeIndex = 3;
    s.modulationIndex = 1;
    s.airRateIndex = 8;
    s.bandwidthIndex = 2;
    s.mainTxIndex = 63;
    s.repeaterTxIndex = 0;
    s.mainRxIndex = 12;
    s.repeaterRxIndex = 5;
    s.unitAddressValue = -3;
    s.powerIndex = 13;
    s.fecIndex = 7;
    return s;
}

ChannelTable rowsOf(const QList<std::pair<int, ChannelEntry>> &filled)
{
    ChannelTable rows;
    for (int n = 0; n < kChannelSlots; ++n)
        rows[std::size_t(n)].channel = QString::number(n);
    for (const auto &[n, row] : filled)
        rows[std::size_t(n)] = {QString::number(n), row.frequency, row.bandwidth, row.direction};
    return rows;
}

} // namespace

class TestProfile : public QObject {
    Q_OBJECT
private slots:
    void readRoundTrip_data();
    void readRoundTrip();
    void pagesRoundTrip_data();
    void pagesRoundTrip();
    void rowsThatAProfileCannotHold_data();
    void rowsThatAProfileCannotHold();
    void rejects_data();
    void rejects();
    void unknownKeysAreIgnoredAndReported();
    void fileRoundTripAndFailures();
    void documentedExampleLoads();
};

void TestProfile::readRoundTrip_data()
{
    QTest::addColumn<RadioState>("state");

    QTest::newRow("full table, highest values") << fullState();
    RadioState empty = RadioState::factoryDefault();
    empty.channels = {};
    QTest::newRow("empty table") << empty;
    RadioState unlisted = RadioState::factoryDefault();
    unlisted.registers[108] = 31; // the radio holds it, the program has no text for it
    unlisted.registers[158] = 4;
    unlisted.registers[110] = 0;
    unlisted.registers.remove(127);
    QTest::newRow("values without text, a register missing") << unlisted;
}

void TestProfile::readRoundTrip()
{
    QFETCH(RadioState, state);

    QStringList skipped;
    const RadioProfile read = profile::fromConfig(readRadio(state), &skipped);
    QCOMPARE(skipped, QStringList());
    QCOMPARE(read, expectedProfile(state));

    const profile::Loaded loaded = profile::fromJson(profile::toJson(read));
    QVERIFY2(loaded.profile.has_value(), qPrintable(loaded.error));
    QCOMPARE(loaded.unknownKeys, QStringList());
    QCOMPARE(*loaded.profile, read);

    // Putting the radio's own profile back writes no channel row and selects what was read.
    const RadioConfig config = readRadio(state);
    const ProfilePlan same = planFor(config, read);
    QCOMPARE(same.changedChannels, QList<int>());
    QCOMPARE(same.selection, selectionOf(config));
    ChannelTable pending;
    int count = -1;
    QVERIFY(!BuildPendingChannels(same.rows, same.readRows, pending, count));
    QCOMPARE(count, 0);

    // One channel moved, one freed, one differing in direction only, one register changed:
    // the two rows a save can write are pending, in command form.
    RadioProfile changed = read;
    changed.channels[5] = ProfileChannel{470000000, 0, 2};
    changed.channels[0].reset();
    if (read.channels[7])
        changed.channels[7]->direction = (read.channels[7]->direction + 1) % 3;
    changed.setValue(103, 1);
    const ProfilePlan plan = planFor(config, changed);
    const bool freed = read.channels[0].has_value();
    QCOMPARE(plan.changedChannels, (freed ? QList<int>{0, 5} : QList<int>{5}));
    QVERIFY(BuildPendingChannels(plan.rows, plan.readRows, pending, count));
    QCOMPARE(count, freed ? 2 : 1);
    QCOMPARE(pending[std::size_t(count - 1)], (ChannelEntry{"5", "470000000", "0", "2"}));
    if (freed)
        QCOMPARE(pending[0], (ChannelEntry{"0", "0", "0", "0"}));
    SettingsSelection expected = selectionOf(config);
    expected.airRateIndex = 1;
    QCOMPARE(plan.selection, expected);
}

void TestProfile::pagesRoundTrip_data()
{
    QTest::addColumn<SettingsSelection>("selection");
    QTest::addColumn<ChannelTable>("rows");
    QTest::addColumn<QList<int>>("unset"); // registers the profile holds no value for

    QList<std::pair<int, ChannelEntry>> all;
    const char *bandwidths[] = {"6.25 KHz", "12.5 KHz", "25   KHz"};
    const char *directions[] = {"Rx", "Tx", "Rx&Tx"};
    for (int n = 0; n < kChannelSlots; ++n)
        all.append({n,
                    {{},
                     profile::frequencyText(410000000 + n * 1093750),
                     QLatin1String(bandwidths[n % 3]),
                     QLatin1String(directions[(n / 3) % 3])}});
    QTest::newRow("full table") << fullSelection() << rowsOf(all) << QList<int>{};

    SettingsSelection none;
    none.unitAddressValue = 0;
    QTest::newRow("empty table, nothing selected")
        << none << rowsOf({})
        << QList<int>{101, 102, 103, 108, 110, 125, 127, 131, 132, 158, 186, 191, 192};

    SettingsSelection gaps = fullSelection();
    gaps.powerIndex = 11; // the empty items of the lists stand for values without text
    gaps.fecIndex = 4;
    QTest::newRow("empty list items")
        << gaps << rowsOf({{5, {{}, "438.125000", "12.5 KHz", "Rx&Tx"}}}) << QList<int>{108, 158};
}

void TestProfile::pagesRoundTrip()
{
    QFETCH(SettingsSelection, selection);
    QFETCH(ChannelTable, rows);
    QFETCH(QList<int>, unset);

    RadioProfile exported;
    profile::setRegisters(exported, selection);
    QStringList skipped;
    profile::setChannels(exported, rows, &skipped);
    QCOMPARE(skipped, QStringList());
    // What the file says is what a save would write.
    for (const RegisterInfo &info : profileRegisters()) {
        if (unset.contains(info.number))
            QCOMPARE(exported.value(info.number), std::nullopt);
        else
            QCOMPARE(exported.value(info.number), registerValue(info.number, selection));
    }

    const profile::Loaded loaded = profile::fromJson(profile::toJson(exported));
    QVERIFY2(loaded.profile.has_value(), qPrintable(loaded.error));
    QCOMPARE(profile::channelRows(*loaded.profile), rows);

    // Members without a value in the profile keep what the page had.
    SettingsSelection page;
    page.baudIndex = page.dataFormatIndex = page.protocolIndex = page.workModeIndex = 1;
    page.modulationIndex = page.airRateIndex = page.bandwidthIndex = page.mainTxIndex = 1;
    page.repeaterTxIndex = page.mainRxIndex = page.repeaterRxIndex = page.powerIndex = 1;
    page.fecIndex = page.unitAddressValue = 1;
    const SettingsSelection before = page;
    profile::applyRegisters(*loaded.profile, page);
    for (const RegisterInfo &info : profileRegisters()) {
        const SettingsSelection &expected = unset.contains(info.number) ? before : selection;
        QCOMPARE(registerValue(info.number, page), registerValue(info.number, expected));
    }
}

void TestProfile::rowsThatAProfileCannotHold_data()
{
    QTest::addColumn<ChannelEntry>("row");
    QTest::addColumn<QString>("note");    // part of the note; empty: no note
    QTest::addColumn<int>("frequencyHz"); // 0: the row is left out
    QTest::addColumn<int>("direction");

    QTest::newRow("short form") << ChannelEntry{{}, "439.5", "12.5 KHz", "Rx&Tx"} << QString()
                                << 439500000 << 2;
    QTest::newRow("below 1 Hz cut off")
        << ChannelEntry{{}, "438.01250099", "12.5 KHz", "Tx"} << QString() << 438012500 << 1;
    QTest::newRow("trailing text as a save reads it")
        << ChannelEntry{{}, "433.1250xy", "25   KHz", "Rx"} << QString() << 433125000 << 0;
    QTest::newRow("partly filled")
        << ChannelEntry{{}, "433.125000", "", "Rx&Tx"} << "未全部填写" << 0 << 0;
    QTest::newRow("below the band")
        << ChannelEntry{{}, "409.999950", "12.5 KHz", "Rx&Tx"} << "409.999950" << 0 << 0;
    QTest::newRow("above the band")
        << ChannelEntry{{}, "480.000050", "12.5 KHz", "Rx&Tx"} << "480.000050" << 0 << 0;
    QTest::newRow("no number") << ChannelEntry{{}, "abc", "12.5 KHz", "Rx&Tx"} << "abc" << 0 << 0;
    QTest::newRow("unknown bandwidth")
        << ChannelEntry{{}, "433.125000", "12.5KHz", "Rx&Tx"} << "12.5KHz" << 0 << 0;
    QTest::newRow("unknown direction becomes Rx&Tx")
        << ChannelEntry{{}, "433.125000", "12.5 KHz", "both"} << "both" << 433125000 << 2;
}

void TestProfile::rowsThatAProfileCannotHold()
{
    QFETCH(ChannelEntry, row);
    QFETCH(QString, note);
    QFETCH(int, frequencyHz);
    QFETCH(int, direction);

    RadioProfile p;
    QStringList skipped;
    profile::setChannels(p, rowsOf({{9, row}}), &skipped);
    QCOMPARE(p.channelCount(), frequencyHz ? 1 : 0);
    if (frequencyHz) {
        QCOMPARE(p.channels[9]->frequencyHz, frequencyHz);
        QCOMPARE(p.channels[9]->direction, direction);
    }
    if (note.isEmpty()) {
        QCOMPARE(skipped, QStringList());
    } else {
        QCOMPARE(skipped.size(), 1);
        QVERIFY2(skipped[0].startsWith(QStringLiteral("通道 9")) && skipped[0].contains(note),
                 qPrintable(skipped[0]));
    }
}

void TestProfile::rejects_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message"); // a part of the error that names the cause

    const QString notProfile = QStringLiteral("这不是 QUENDA 配置文件");
    QTest::newRow("empty file") << QByteArray() << notProfile;
    QTest::newRow("not JSON") << QByteArray("0\t433.125000\t12.5 KHz\tRx&Tx\r\n") << notProfile;
    QTest::newRow("cut off") << validJson().left(200) << notProfile;
    QTest::newRow("an array") << QByteArray("[1, 2]") << notProfile;
    QTest::newRow("no format") << edited([](QJsonObject &o) { o.remove("format"); }) << notProfile;
    QTest::newRow("other format") << edited([](QJsonObject &o) { o["format"] = "chirp"; })
                                  << notProfile;
    QTest::newRow("newer version")
        << edited([](QJsonObject &o) { o["version"] = 2; }) << "版本为 2";
    QTest::newRow("version as text")
        << edited([](QJsonObject &o) { o["version"] = "1"; }) << "\"version\"";
    QTest::newRow("version 0") << edited([](QJsonObject &o) { o["version"] = 0; }) << "\"version\"";
    QTest::newRow("no serial number")
        << edited([](QJsonObject &o) { o.remove("serialNumber"); }) << "\"serialNumber\"";
    QTest::newRow("serial number as number")
        << edited([](QJsonObject &o) { o["serialNumber"] = 12; }) << "\"serialNumber\"";
    QTest::newRow("no registers") << edited([](QJsonObject &o) { o.remove("registers"); })
                                  << "\"registers\"";
    QTest::newRow("a register missing") << edited([](QJsonObject &o) {
        QJsonObject r = o["registers"].toObject();
        r.remove("S158");
        o["registers"] = r;
    }) << "\"registers.S158\"";
    QTest::newRow("register without value")
        << withRegister("S101", "value", QJsonValue::Undefined) << "\"registers.S101.value\"";
    QTest::newRow("power 31 dBm has no text")
        << withRegister("S108", "value", 31) << "\"registers.S108.value\"";
    QTest::newRow("data format 0")
        << withRegister("S110", "value", 0) << "\"registers.S110.value\"";
    QTest::newRow("FEC 4") << withRegister("S158", "value", 4) << "\"registers.S158.value\"";
    QTest::newRow("protocol 4") << withRegister("S186", "value", 4) << "\"registers.S186.value\"";
    QTest::newRow("main channel 64")
        << withRegister("S131", "value", 64) << "\"registers.S131.value\"";
    QTest::newRow("repeater channel -1")
        << withRegister("S192", "value", -1) << "\"registers.S192.value\"";
    QTest::newRow("address beyond 32 bits")
        << withRegister("S105", "value", 4294967296.0) << "\"registers.S105.value\"";
    QTest::newRow("fraction") << withRegister("S105", "value", 1.5) << "\"registers.S105.value\"";
    QTest::newRow("value as text")
        << withRegister("S102", "value", "7") << "\"registers.S102.value\"";
    QTest::newRow("text contradicts value")
        << withRegister("S102", "text", "9600") << "\"registers.S102.text\"";
    QTest::newRow("name contradicts number")
        << withRegister("S101", "name", "serialBaud") << "\"registers.S101.name\"";
    QTest::newRow("no channels") << edited([](QJsonObject &o) { o.remove("channels"); })
                                 << "\"channels\"";
    QTest::newRow("channels as object")
        << edited([](QJsonObject &o) { o["channels"] = QJsonObject(); }) << "\"channels\"";
    QTest::newRow("channel 64") << withChannel(0, "channel", 64) << "\"channels[0].channel\"";
    QTest::newRow("channel -1") << withChannel(1, "channel", -1) << "\"channels[1].channel\"";
    QTest::newRow("channel twice") << withChannel(1, "channel", 0) << "\"channels[1].channel\"";
    QTest::newRow("below 410 MHz")
        << withChannel(0, "frequencyHz", 409999999) << "\"channels[0].frequencyHz\"";
    QTest::newRow("above 480 MHz")
        << withChannel(1, "frequencyHz", 480000001) << "\"channels[1].frequencyHz\"";
    QTest::newRow("frequency in MHz")
        << withChannel(0, "frequencyHz", 433.125) << "\"channels[0].frequencyHz\"";
    QTest::newRow("no frequency") << withChannel(1, "frequencyHz", QJsonValue::Undefined)
                                  << "\"channels[1].frequencyHz\"";
    QTest::newRow("bandwidth 3") << withChannel(1, "bandwidth", 3) << "\"channels[1].bandwidth\"";
    QTest::newRow("direction -1") << withChannel(0, "direction", -1) << "\"channels[0].direction\"";
    QTest::newRow("channel row as number") << edited([](QJsonObject &o) {
        QJsonArray c = o["channels"].toArray();
        c.append(5);
        o["channels"] = c;
    }) << "\"channels[2]\"";
}

void TestProfile::rejects()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);

    const profile::Loaded loaded = profile::fromJson(bytes);
    QVERIFY(!loaded.profile.has_value());
    QVERIFY2(loaded.error.contains(message), qPrintable(loaded.error));
}

void TestProfile::unknownKeysAreIgnoredAndReported()
{
    const QByteArray bytes = edited([](QJsonObject &o) {
        o["comment"] = "base station, north site";
        QJsonObject regs = o["registers"].toObject();
        regs["S104"] = QJsonObject{{"value", 255}};
        QJsonObject s105 = regs["S105"].toObject();
        s105["note"] = "site 7";
        regs["S105"] = s105;
        o["registers"] = regs;
        QJsonArray channels = o["channels"].toArray();
        QJsonObject first = channels[0].toObject();
        first["label"] = "main";
        channels[0] = first;
        o["channels"] = channels;
    });
    const profile::Loaded loaded = profile::fromJson(bytes);
    QVERIFY2(loaded.profile.has_value(), qPrintable(loaded.error));
    QCOMPARE(loaded.unknownKeys, (QStringList{"comment", "registers.S104", "registers.S105.note",
                                              "channels[0].label"}));
    QCOMPARE(*loaded.profile, *profile::fromJson(validJson()).profile);
}

void TestProfile::fileRoundTripAndFailures()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const RadioProfile p = expectedProfile(fullState());
    const QString path = dir.filePath(QStringLiteral("base.json"));

    QString error;
    QVERIFY2(profile::write(path, p, &error), qPrintable(error));
    profile::Loaded loaded = profile::read(path);
    QVERIFY2(loaded.profile.has_value(), qPrintable(loaded.error));
    QCOMPARE(*loaded.profile, p);

    // A folder that does not exist: the message names the file.
    const QString missingFolder = dir.filePath(QStringLiteral("gone/base.json"));
    QVERIFY(!profile::write(missingFolder, p, &error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(missingFolder)), qPrintable(error));

    loaded = profile::read(dir.filePath(QStringLiteral("none.json")));
    QVERIFY(!loaded.profile.has_value());
    QVERIFY2(loaded.error.contains(QStringLiteral("无法读取文件")), qPrintable(loaded.error));

    QFile big(dir.filePath(QStringLiteral("big.json")));
    QVERIFY(big.open(QIODevice::WriteOnly));
    QVERIFY(big.write(QByteArray(profile::kMaxFileBytes + 1, ' ')) > profile::kMaxFileBytes);
    big.close();
    loaded = profile::read(big.fileName());
    QVERIFY(!loaded.profile.has_value());
    QVERIFY2(loaded.error.contains(QStringLiteral("文件过大")), qPrintable(loaded.error));
}

void TestProfile::documentedExampleLoads()
{
    const QString doc = QFINDTESTDATA("../../docs/profile-format.md");
    QFile file(doc);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(doc));
    const QByteArray text = file.readAll();
    const qsizetype begin = text.indexOf("```json\n");
    const qsizetype end = text.indexOf("```", begin + 8);
    QVERIFY(begin >= 0 && end > begin);
    const QByteArray example = text.mid(begin + 8, end - begin - 8);

    const profile::Loaded loaded = profile::fromJson(example);
    QVERIFY2(loaded.profile.has_value(), qPrintable(loaded.error));
    QCOMPARE(loaded.unknownKeys, QStringList());
    // Written as QUENDA writes it, so that the document shows the real layout.
    QCOMPARE(profile::toJson(*loaded.profile), example);
}

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
