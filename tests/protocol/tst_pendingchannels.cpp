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
    QTest::addColumn<QString>("heldLabel");    // left in the slot after the last written one
    QTest::addColumn<QStringList>("problems"); // "row: kind text", as named before a save

    const QStringList none;
    QTest::newRow("nothing changed") << QList<Edit>{} << false << Slots{} << "" << none;
    QTest::newRow("row 5 to 439.5")
        << QList<Edit>{{5, {"5", "439.5", "12.5 KHz", "Rx&Tx"}}} << true
        << Slots{{"5", "439500000", "1", "2"}} << "" << none;
    QTest::newRow("short and long form give the same Hz")
        << QList<Edit>{{5, {"5", "438.125", "12.5 KHz", "Rx&Tx"}}} << true
        << Slots{{"5", "438125000", "1", "2"}} << "" << none;
    QTest::newRow("new row 25 KHz")
        << QList<Edit>{{9, {"9", "433.000000", "25   KHz", "Rx&Tx"}}} << true
        << Slots{{"9", "433000000", "2", "2"}} << "" << none;
    QTest::newRow("6.25 KHz is code 0")
        << QList<Edit>{{9, {"9", "450.006250", "6.25 KHz", "Rx"}}} << true
        << Slots{{"9", "450006250", "0", "2"}} << "" << none;
    QTest::newRow("blanks around the number")
        << QList<Edit>{{9, {"9", " 450.000000 ", "6.25 KHz", "Rx"}}} << true
        << Slots{{"9", "450000000", "0", "2"}} << "" << none;
    QTest::newRow("cleared row deletes")
        << QList<Edit>{{5, {"5", "", "", ""}}} << true << Slots{{"5", "0", "0", "0"}} << ""
        << none;
    QTest::newRow("DIR only") << QList<Edit>{{0, {"0", "433.125000", "25   KHz", "Tx"}}} << true
                              << Slots{{"0", "433125000", "2", "2"}} << "" << none;
    QTest::newRow("case matters")
        << QList<Edit>{{0, {"0", "433.125000", "25   KHz", "RX&TX"}}} << true
        << Slots{{"0", "433125000", "2", "2"}} << "" << none;
    QTest::newRow("radio's lowest and highest frequency")
        << QList<Edit>{{1, {"1", "410.000000", "12.5 KHz", "Rx&Tx"}},
                       {2, {"2", "480.000000", "12.5 KHz", "Rx&Tx"}}}
        << true << Slots{{"1", "410000000", "1", "2"}, {"2", "480000000", "1", "2"}} << ""
        << none;

    // A typo never goes out as 0, which would delete the channel.
    QTest::newRow("letter inside the number")
        << QList<Edit>{{5, {"5", "43x.125000", "12.5 KHz", "Rx&Tx"}}} << true << Slots{} << "5"
        << QStringList{"5: unreadable 43x.125000"};
    QTest::newRow("text without number")
        << QList<Edit>{{9, {"9", "abc", "25   KHz", "Rx&Tx"}}} << true << Slots{} << "9"
        << QStringList{"9: unreadable abc"};
    QTest::newRow("number then letters")
        << QList<Edit>{{9, {"9", "433.1250xy", "25   KHz", "Rx&Tx"}}} << true << Slots{} << "9"
        << QStringList{"9: unreadable 433.1250xy"};
    QTest::newRow("nan") << QList<Edit>{{9, {"9", "nan", "25   KHz", "Rx&Tx"}}} << true
                         << Slots{} << "9" << QStringList{"9: unreadable nan"};
    QTest::newRow("frequency emptied in a filled row")
        << QList<Edit>{{5, {"5", "", "12.5 KHz", "Rx&Tx"}}} << true << Slots{} << "5"
        << QStringList{"5: unreadable "};
    QTest::newRow("frequency of blanks in a filled row")
        << QList<Edit>{{5, {"5", "   ", "12.5 KHz", "Rx&Tx"}}} << true << Slots{} << "5"
        << QStringList{"5: unreadable    "};

    // Rows the save leaves out, named so the user can go back.
    QTest::newRow("frequency without BW")
        << QList<Edit>{{9, {"9", "433.000000", "", "Rx&Tx"}}} << true << Slots{} << "9"
        << QStringList{"9: incomplete "};
    QTest::newRow("channel emptied but for DIR")
        << QList<Edit>{{5, {"5", "", "", "Rx&Tx"}}} << true << Slots{} << "5"
        << QStringList{"5: incomplete "};
    QTest::newRow("unknown BW text")
        << QList<Edit>{{9, {"9", "433.000000", "25 KHz", "Rx&Tx"}}} << true << Slots{} << "9"
        << QStringList{"9: bandwidth 25 KHz"};
    QTest::newRow("frequency beyond 32 bits")
        << QList<Edit>{{9, {"9", "9999.000000", "25   KHz", "Rx&Tx"}}} << true << Slots{} << "9"
        << QStringList{"9: range 9999.000000"};
    QTest::newRow("imported 999 MHz")
        << QList<Edit>{{9, {"9", "999.000000", "25   KHz", "Rx&Tx"}}} << true << Slots{} << "9"
        << QStringList{"9: range 999.000000"};
    QTest::newRow("negative frequency")
        << QList<Edit>{{9, {"9", "-433.125000", "25   KHz", "Rx&Tx"}}} << true << Slots{} << "9"
        << QStringList{"9: range -433.125000"};
    QTest::newRow("accepted by the check, refused by the radio")
        << QList<Edit>{{9, {"9", "406.100000", "25   KHz", "Rx&Tx"}}} << true << Slots{} << "9"
        << QStringList{"9: range 406.100000"};
    QTest::newRow("just above the radio's range")
        << QList<Edit>{{9, {"9", "480.000050", "25   KHz", "Rx&Tx"}}} << true << Slots{} << "9"
        << QStringList{"9: range 480.000050"};

    // A free row clicked once holds "Rx&Tx" only: nothing to write, nothing to tell.
    QTest::newRow("free row with DIR only")
        << QList<Edit>{{20, {"20", "", "", "Rx&Tx"}}} << true << Slots{} << "20" << none;
    QTest::newRow("partly filled row gives its slot to the next")
        << QList<Edit>{{3, {"3", "433.000000", "", ""}}, {5, {"5", "", "", ""}}} << true
        << Slots{{"5", "0", "0", "0"}} << "" << QStringList{"3: incomplete "};
    QTest::newRow("rows in ascending order")
        << QList<Edit>{{63, {"63", "479.000000", "25   KHz", "Rx&Tx"}},
                       {1, {"1", "410.000000", "12.5 KHz", "Rx&Tx"}},
                       {0, {"0", "", "", ""}}}
        << true
        << Slots{{"0", "0", "0", "0"},
                 {"1", "410000000", "1", "2"},
                 {"63", "479000000", "2", "2"}}
        << "" << none;
}

void TestPendingChannels::build()
{
    QFETCH(QList<Edit>, edits);
    QFETCH(bool, changed);
    QFETCH(Slots, expected);
    QFETCH(QString, heldLabel);
    QFETCH(QStringList, problems);

    const ChannelTable read = readList();
    ChannelTable rows = read;
    for (const auto &[row, entry] : edits)
        rows[std::size_t(row)] = entry;

    ChannelTable pending;
    int count = -1;
    QList<int> leftOut{99};
    QCOMPARE(BuildPendingChannels(rows, read, pending, count, &leftOut), changed);
    QCOMPARE(count, int(expected.size()));
    for (int k = 0; k < count; ++k)
        QCOMPARE(pending[std::size_t(k)], expected[k]);
    // The radio's channel prompt is answered from this slot when nothing was written.
    if (count < kChannelSlots)
        QCOMPARE(pending[std::size_t(count)], (ChannelEntry{heldLabel, {}, {}, {}}));
    for (int k = count + 1; k < kChannelSlots; ++k)
        QCOMPARE(pending[std::size_t(k)], ChannelEntry{});

    const char *kinds[] = {"unreadable", "incomplete", "bandwidth", "range"};
    QStringList found;
    QList<int> problemRows;
    for (const ChannelRowProblem &p : FindChannelProblems(rows, read)) {
        found << QStringLiteral("%1: %2 %3").arg(p.row).arg(QLatin1String(kinds[int(p.problem)]), p.text);
        problemRows << p.row;
    }
    QCOMPARE(found, problems);

    // Every changed row is either written or left out, and what is left out was named unless
    // there was nothing in it to write.
    QList<int> unwritten;
    for (const auto &[row, entry] : edits) {
        if (entry != read[std::size_t(row)] &&
            std::none_of(expected.begin(), expected.end(),
                         [&](const ChannelEntry &e) { return e.channel == entry.channel; }))
            unwritten << row;
    }
    std::sort(unwritten.begin(), unwritten.end());
    QCOMPARE(leftOut, unwritten);
    for (int row : problemRows)
        QVERIFY(leftOut.contains(row));
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
