#include "profile/profilediff.h"

#include <QtTest>

#include <functional>

using namespace quenda;

namespace {

using Edit = std::function<void(RadioProfile &)>;

// A base station's profile; the cases change it into a rover's.
RadioProfile base()
{
    RadioProfile p;
    p.serialNumber = QStringLiteral("100");
    const std::pair<int, int> values[] = {{101, 0}, {102, 7}, {103, 5}, {105, 1}, {108, 30},
                                          {110, 1}, {125, 1}, {127, 0}, {131, 3}, {132, 4},
                                          {158, 0}, {186, 2}, {191, 5}, {192, 6}};
    for (const auto &[reg, value] : values)
        p.setValue(reg, value);
    for (int n = 0; n < 8; ++n)
        p.channels[std::size_t(n)] = ProfileChannel{433000000 + n * 25000, 1, 2};
    return p;
}

// "label: first -> second", readable when a comparison fails.
QStringList describe(const QList<ProfileDifference> &differences)
{
    QStringList out;
    for (const ProfileDifference &d : differences)
        out << QStringLiteral("%1 %2 -> %3").arg(d.label, d.first, d.second);
    return out;
}

// The save that wrote the base profile: what the writer sends for the selection that shows it.
WrittenSettings savedBase(const QList<ChannelEntry> &channels = {})
{
    WrittenSettings w;
    for (const RegisterInfo &info : profileRegisters())
        w.registers.append({info.number, *base().value(info.number)});
    w.channels = channels;
    return w;
}

} // namespace

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(quenda::WrittenSettings)

class TestProfileDiff : public QObject {
    Q_OBJECT
private slots:
    void diff_data();
    void diff();
    void verify_data();
    void verify();
    void writtenSettingsFollowTheWriter();
};

void TestProfileDiff::diff_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("same settings, other serial number")
        << Edit([](RadioProfile &p) { p.serialNumber = QStringLiteral("200"); }) << QStringList{};
    QTest::newRow("work mode and channels chosen")
        << Edit([](RadioProfile &p) {
               p.setValue(101, 2);
               p.setValue(131, 4);
               p.setValue(132, 3);
           })
        << QStringList{"工作模式： Master(Base) for Trimtalk -> Slave(Remote)",
                       "主通道_TX： 3 -> 4", "主通道_RX： 4 -> 3"};
    QTest::newRow("register not read on one side")
        << Edit([](RadioProfile &p) { p.setValue(108, std::nullopt); })
        << QStringList{"输出功率： 30(1W) -> （无）"};
    QTest::newRow("rows: frequency, bandwidth, direction, freed, added")
        << Edit([](RadioProfile &p) {
               p.channels[1]->frequencyHz = 433025050;
               p.channels[2]->bandwidth = 2;
               p.channels[3]->direction = 0;
               p.channels[4].reset();
               p.channels[63] = ProfileChannel{480000000, 0, 1};
           })
        << QStringList{
               "通道 1 433.025000 MHz / 12.5 KHz / Rx&Tx -> 433.025050 MHz / 12.5 KHz / Rx&Tx",
               "通道 2 433.050000 MHz / 12.5 KHz / Rx&Tx -> 433.050000 MHz / 25 KHz / Rx&Tx",
               "通道 3 433.075000 MHz / 12.5 KHz / Rx&Tx -> 433.075000 MHz / 12.5 KHz / Rx",
               "通道 4 433.100000 MHz / 12.5 KHz / Rx&Tx -> （空）",
               "通道 63 （空） -> 480.000000 MHz / 6.25 KHz / Tx"};
}

void TestProfileDiff::diff()
{
    QFETCH(Edit, edit);
    QFETCH(QStringList, expected);

    RadioProfile rover = base();
    edit(rover);
    QCOMPARE(describe(diffProfiles(base(), rover)), expected);

    // Each difference names what it is about, so a window can mark the right row.
    for (const ProfileDifference &d : diffProfiles(base(), rover)) {
        if (d.kind == ProfileDifference::Kind::Register)
            QVERIFY(base().value(d.number) != rover.value(d.number));
        else
            QVERIFY(base().channels[std::size_t(d.number)] !=
                    rover.channels[std::size_t(d.number)]);
    }
}

void TestProfileDiff::verify_data()
{
    QTest::addColumn<WrittenSettings>("written");
    QTest::addColumn<Edit>("radioKeeps"); // how the radio's report differs from the base
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("clean save") << savedBase() << Edit([](RadioProfile &) {}) << QStringList{};
    QTest::newRow("baud rate kept its old value")
        << savedBase() << Edit([](RadioProfile &p) { p.setValue(102, 5); })
        << QStringList{"波特率： 9600 -> 19200"};
    QTest::newRow("protocol and unit address") << savedBase() << Edit([](RadioProfile &p) {
        p.setValue(186, 0);
        p.setValue(105, 12);
    }) << QStringList{"单元地址： 1 -> 12", "协议： Trimtalk Compatible -> Transparent ZV"};
    QTest::newRow("register missing from the report")
        << savedBase() << Edit([](RadioProfile &p) { p.setValue(158, std::nullopt); })
        << QStringList{"FEC模式： No FEC -> （无）"};

    WrittenSettings unlisted = savedBase();
    unlisted.registers[4].second = 31; // an empty item of the power list
    QTest::newRow("value without text written")
        << unlisted << Edit([](RadioProfile &p) { p.setValue(108, std::nullopt); })
        << QStringList{"输出功率： 31 -> （无）"};

    // Rows as the writer enters them after "ATP0=".
    const QList<ChannelEntry> rows{
        {"2", "439500000", "1", "2"}, {"4", "0", "0", "0"}, {"9", "450006250", "0", "2"}};
    QTest::newRow("rows written and held") << savedBase(rows) << Edit([](RadioProfile &p) {
        p.channels[2] = ProfileChannel{439500000, 1, 2};
        p.channels[4].reset();
        p.channels[9] = ProfileChannel{450006250, 0, 2};
        p.channels[5]->bandwidth = 0; // not written, so not checked
    }) << QStringList{};
    QTest::newRow("rows the radio did not take")
        << savedBase(rows) << Edit([](RadioProfile &p) {
               p.channels[2] = ProfileChannel{439500000, 2, 2};
               p.channels[9] = ProfileChannel{450006250, 0, 1};
           })
        << QStringList{
               "通道 2 439.500000 MHz / 12.5 KHz / Rx&Tx -> 439.500000 MHz / 25 KHz / Rx&Tx",
               "通道 4 （空） -> 433.100000 MHz / 12.5 KHz / Rx&Tx",
               "通道 9 450.006250 MHz / 6.25 KHz / Rx&Tx -> 450.006250 MHz / 6.25 KHz / Tx"};
}

void TestProfileDiff::verify()
{
    QFETCH(WrittenSettings, written);
    QFETCH(Edit, radioKeeps);
    QFETCH(QStringList, expected);

    RadioProfile held = base();
    radioKeeps(held);
    QCOMPARE(describe(verifySave(written, held)), expected);
}

void TestProfileDiff::writtenSettingsFollowTheWriter()
{
    // The pages' positions: the data format and power lists do not start at 0.
    SettingsSelection s;
    s.baudIndex = 7;
    s.dataFormatIndex = 0;
    s.powerIndex = 10;
    s.unitAddressValue = 1;
    s.protocolIndex = 2;
    s.workModeIndex = s.modulationIndex = s.fecIndex = 0;
    s.airRateIndex = 5;
    s.bandwidthIndex = 1;
    s.mainTxIndex = 3;
    s.mainRxIndex = 4;
    s.repeaterTxIndex = 5;
    s.repeaterRxIndex = 6;
    ChannelTable pending;
    pending[0] = {"2", "439500000", "1", "2"};
    pending[1] = {"7", "0", "0", "0"};

    const WrittenSettings written = writtenSettings(s, pending, 1);
    QCOMPARE(written.registers.size(), kProfileRegisterCount);
    QCOMPARE(written.registers.first(), (std::pair<int, int>{102, 7}));
    QCOMPARE(written.channels, QList<ChannelEntry>{pending[0]});
    QCOMPARE(describe(verifySave(written, base())),
             QStringList{
                 "通道 2 439.500000 MHz / 12.5 KHz / Rx&Tx -> 433.050000 MHz / 12.5 KHz / Rx&Tx"});
}

QTEST_GUILESS_MAIN(TestProfileDiff)
#include "tst_profilediff.moc"
