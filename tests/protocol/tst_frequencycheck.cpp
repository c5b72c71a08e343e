#include "protocol/frequencycheck.h"

#include <QtTest>

using namespace quenda;

Q_DECLARE_METATYPE(quenda::FrequencyProblem)

class TestFrequencyCheck : public QObject {
    Q_OBJECT
private slots:
    void check_data();
    void check();
    void codePageLength_data();
    void codePageLength();
};

void TestFrequencyCheck::check_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<FrequencyProblem>("expected");

    using P = FrequencyProblem;
    QTest::newRow("usual form") << "433.125000" << P::None;
    QTest::newRow("upper edge") << "480.000000" << P::None;
    QTest::newRow("lower edge") << "406.100000" << P::None;
    QTest::newRow("12.5 kHz step") << "410.012500" << P::None;
    QTest::newRow("short form") << "433.125" << P::Format;
    QTest::newRow("not a multiple of 50 Hz") << "433.123456" << P::Value;
    QTest::newRow("below the band") << "405.000000" << P::Range;
    QTest::newRow("just below the band") << "406.099999" << P::Range;
    QTest::newRow("above the band") << "481.000000" << P::Range;
    QTest::newRow("just above the band") << "480.000050" << P::Range;
    QTest::newRow("leading blank moves the point") << " 433.12500" << P::Format;
    QTest::newRow("only the leading number counts") << "433.1250xy" << P::None;
    QTest::newRow("empty") << "" << P::Range;
    QTest::newRow("no number") << "abc" << P::Range;
    QTest::newRow("range before value") << "405.123456" << P::Range;
    QTest::newRow("value before format") << "433.12346" << P::Value;
    QTest::newRow("eleven characters") << "433.1250000" << P::Format;
    QTest::newRow("point fifth") << "0433.12500" << P::Format;
    QTest::newRow("comma is no point") << "433,125000" << P::Format;
    QTest::newRow("infinity") << "inf" << P::Range;
    QTest::newRow("not a number") << "nan" << P::Range;
    QTest::newRow("exponent form, ten wide") << "4.3312e+02" << P::Format;
    // A double-byte character takes two of the ten places.
    QTest::newRow("nine characters, ten bytes") << QStringLiteral("433.1250兆") << P::None;
    QTest::newRow("ten characters, eleven bytes") << QStringLiteral("433.12500兆") << P::Format;
    QTest::newRow("double-byte before the point") << QStringLiteral("433兆.1250") << P::Format;
}

void TestFrequencyCheck::check()
{
    QFETCH(QString, text);
    QFETCH(FrequencyProblem, expected);
    QCOMPARE(CheckFrequency(text), expected);
}

void TestFrequencyCheck::codePageLength_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bytes");
    QTest::newRow("ascii") << "Rx&Tx" << 5;
    QTest::newRow("chinese") << QStringLiteral("频率") << 4;
    QTest::newRow("mixed") << QStringLiteral("a频b") << 4;
    QTest::newRow("empty") << "" << 0;
}

void TestFrequencyCheck::codePageLength()
{
    QFETCH(QString, text);
    QFETCH(int, bytes);
    QCOMPARE(quenda::codePageLength(text), bytes);
}

QTEST_APPLESS_MAIN(TestFrequencyCheck)
#include "tst_frequencycheck.moc"
