#include "protocol/pendingchannels.h"

#include <QtTest>

using namespace quenda;

namespace {
ChannelTable emptyList()
{
    ChannelTable table;
    for (int n = 0; n < kChannelSlots; ++n)
        table[std::size_t(n)].channel = QString::number(n);
    return table;
}

// A list as read from a radio that has channels 0 and 5 programmed.
ChannelTable readList()
{
    ChannelTable table = emptyList();
    table[0] = {"0", "433.125000", "25   KHz", "Rx&Tx"};
    table[5] = {"5", "438.125000", "12.5 KHz", "Rx&Tx"};
    return table;
}

using Edit = std::pair<int, ChannelEntry>;
using Slots = QList<ChannelEntry>;
} // namespace

Q_DECLARE_METATYPE(quenda::ChannelTable)

class TestPendingChannels : public QObject {
    Q_OBJECT
private slots:
    void build_data();
    void build();
    void staleSlotsAreEmptied();
    void rowLabelsDifferBeforeFirstRead();
};

void TestPendingChannels::build_data()
{
    QTest::addColumn<QList<Edit>>("edits");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<Slots>("expected");

    QTest::newRow("nothing changed") << QList<Edit>{} << false << Slots{};
    QTest::newRow("row 5 to 439.5")
        << QList<Edit>{{5, {"5", "439.5", "12.5 KHz", "Rx&Tx"}}} << true
        << Slots{{"5", "439500000", "1", "2"}};
    QTest::newRow("short and long form give the same Hz")
        << QList<Edit>{{5, {"5", "438.125", "12.5 KHz", "Rx&Tx"}}} << true
        << Slots{{"5", "438125000", "1", "2"}};
    QTest::newRow("new row 25 KHz")
        << QList<Edit>{{9, {"9", "433.000000", "25   KHz", "Rx&Tx"}}} << true
        << Slots{{"9", "433000000", "2", "2"}};
    QTest::newRow("6.25 KHz is code 0")
        << QList<Edit>{{9, {"9", "450.006250", "6.25 KHz", "Rx"}}} << true
        << Slots{{"9", "450006250", "0", "2"}};
    QTest::newRow("cleared row deletes")
        << QList<Edit>{{5, {"5", "", "", ""}}} << true << Slots{{"5", "0", "0", "0"}};
    QTest::newRow("DIR only") << QList<Edit>{{0, {"0", "433.125000", "25   KHz", "Tx"}}} << true
                              << Slots{{"0", "433125000", "2", "2"}};
    QTest::newRow("frequency without BW")
        << QList<Edit>{{9, {"9", "433.000000", "", "Rx&Tx"}}} << true << Slots{};
    QTest::newRow("unknown BW text")
        << QList<Edit>{{9, {"9", "433.000000", "25 KHz", "Rx&Tx"}}} << true << Slots{};
    QTest::newRow("frequency beyond 32 bits")
        << QList<Edit>{{9, {"9", "9999.000000", "25   KHz", "Rx&Tx"}}} << true << Slots{};
    QTest::newRow("text without number reads as 0")
        << QList<Edit>{{9, {"9", "abc", "25   KHz", "Rx&Tx"}}} << true
        << Slots{{"9", "0", "2", "2"}};
    QTest::newRow("case matters")
        << QList<Edit>{{0, {"0", "433.125000", "25   KHz", "RX&TX"}}} << true
        << Slots{{"0", "433125000", "2", "2"}};
    QTest::newRow("partly filled row gives its slot to the next")
        << QList<Edit>{{3, {"3", "433.000000", "", ""}}, {5, {"5", "", "", ""}}} << true
        << Slots{{"5", "0", "0", "0"}};
    QTest::newRow("rows in ascending order")
        << QList<Edit>{{63, {"63", "479.000000", "25   KHz", "Rx&Tx"}},
                       {1, {"1", "410.000000", "12.5 KHz", "Rx&Tx"}},
                       {0, {"0", "", "", ""}}}
        << true
        << Slots{{"0", "0", "0", "0"},
                 {"1", "410000000", "1", "2"},
                 {"63", "479000000", "2", "2"}};
}

void TestPendingChannels::build()
{
    QFETCH(QList<Edit>, edits);
    QFETCH(bool, changed);
    QFETCH(Slots, expected);

    const ChannelTable read = readList();
    ChannelTable rows = read;
    for (const auto &[row, entry] : edits)
        rows[std::size_t(row)] = entry;

    ChannelTable pending;
    int count = -1;
    QCOMPARE(BuildPendingChannels(rows, read, pending, count), changed);
    QCOMPARE(count, int(expected.size()));
    for (int k = 0; k < count; ++k)
        QCOMPARE(pending[std::size_t(k)], expected[k]);
    for (int k = count; k < kChannelSlots; ++k)
        QCOMPARE(pending[std::size_t(k)], ChannelEntry{});
}

void TestPendingChannels::staleSlotsAreEmptied()
{
    ChannelTable pending;
    pending.fill({"7", "1", "1", "1"});
    int count = 12;
    const ChannelTable read = readList();
    QVERIFY(!BuildPendingChannels(read, read, pending, count));
    QCOMPARE(count, 0);
    QCOMPARE(pending[0], ChannelEntry{});
    QCOMPARE(pending[63], ChannelEntry{});
}

void TestPendingChannels::rowLabelsDifferBeforeFirstRead()
{
    // Before the first read the copy has no row labels, so nothing can be compared.
    ChannelTable rows = emptyList();
    rows[3] = {"3", "433.000000", "25   KHz", "Rx&Tx"};
    ChannelTable pending;
    int count = -1;
    QVERIFY(BuildPendingChannels(rows, ChannelTable{}, pending, count));
    QCOMPARE(count, 0);
}

QTEST_APPLESS_MAIN(TestPendingChannels)
#include "tst_pendingchannels.moc"
