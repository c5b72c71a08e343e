#include "protocol/radioconfig.h"
#include "protocol/reportparser.h"

#include <QtTest>

using namespace quenda;

namespace {
RadioConfig parse(const QByteArray &chunk, RadioConfig start = {})
{
    ParseReport(chunk.constData(), int(chunk.size()), start);
    return start;
}

QByteArray listingLine(const char *ch, const char *freq, const char *bw, const char *dir)
{
    // Columns 0-1, 20-29, 38-45, 51-.
    QByteArray line(51, ' ');
    line.replace(0, 2, QByteArray(ch).leftJustified(2, ' '));
    line.replace(20, 10, QByteArray(freq));
    line.replace(38, 8, QByteArray(bw));
    return line + dir + "\r\n";
}

QByteArray listingChunk(const QList<QByteArray> &lines)
{
    QByteArray out = "ATP0?\r\nCH  ----------------------------------------\r\n\r\n";
    for (const QByteArray &l : lines)
        out += l;
    return out + "\r\nOK\r\n";
}
} // namespace

class TestReportParser : public QObject {
    Q_OBJECT
private slots:
    void registerValues_data();
    void registerValues();
    void serialNumber_data();
    void serialNumber();
    void duplicatedRegisters_data();
    void duplicatedRegisters();
    void emptiesTheRecordFirst();
    void listing_data();
    void listing();
    void listingStopsAt64Lines();
    void neverReadsOutsideTheChunk_data();
    void neverReadsOutsideTheChunk();
    void tokenLength_data();
    void tokenLength();
    void atoiValue_data();
    void atoiValue();
};

void TestReportParser::registerValues_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");

    QTest::newRow("separator '=' then space") << QByteArray("S101=2 \r\n") << "workMode" << "Slave(Remote)";
    QTest::newRow("separator '=' then CR") << QByteArray("S101=2\r\n") << "workMode" << "Slave(Remote)";
    QTest::newRow("any separator") << QByteArray("S101:2\r\n") << "workMode" << "Slave(Remote)";
    QTest::newRow("space after separator reads 0") << QByteArray("S101= 2\r\n") << "workMode"
                                                   << "Master(Base) for Trimtalk";
    QTest::newRow("tag anywhere, not at line start") << QByteArray("xxS186=3 ") << "protocol"
                                                     << "Satel (3AS) Compatible";
    QTest::newRow("lower case tag ignored") << QByteArray("s101=2\r") << "workMode" << "";
    QTest::newRow("33 dBm") << QByteArray("S108=33\r") << "outputPower" << "33(2W)";
    QTest::newRow("31 dBm has no text") << QByteArray("S108=31\r") << "outputPower" << "";
    QTest::newRow("32 dBm has no text") << QByteArray("S108=32\r") << "outputPower" << "";
    QTest::newRow("power without digits") << QByteArray("S108=x\r") << "outputPower" << "";
    QTest::newRow("format 0 outside table") << QByteArray("S110=0\r") << "dataFormat" << "";
    QTest::newRow("format 10") << QByteArray("S110=10\r") << "dataFormat" << "7O2";
    QTest::newRow("air rate 8 is 16000") << QByteArray("S103=8\r") << "airRate" << "16000";
    QTest::newRow("air rate 9 outside") << QByteArray("S103=9\r") << "airRate" << "";
    QTest::newRow("FEC 4 has no text") << QByteArray("S158=4\r") << "fecMode" << "";
    QTest::newRow("FEC 7") << QByteArray("S158=7\r") << "fecMode" << "Reed-Solomon(15,11)";
    QTest::newRow("negative value") << QByteArray("S102=-1\r") << "serialBaud" << "";
    QTest::newRow("baud 14") << QByteArray("S102=14\r") << "serialBaud" << "300";
    QTest::newRow("bandwidth 2") << QByteArray("S125=2\r") << "bandwidth" << "25 kHz";
    QTest::newRow("modulation 1") << QByteArray("S127=1\r") << "modulation" << "4FSK";
    QTest::newRow("atoi stops at letters") << QByteArray("S127=1abc\r") << "modulation" << "4FSK";
    QTest::newRow("line feed belongs to the value") << QByteArray("S131=12\n\r") << "mainTxChannel"
                                                    << "12\n";
    QTest::newRow("tab belongs to the value") << QByteArray("S105=7\tx ") << "unitAddress" << "7\tx";
    QTest::newRow("raw channel kept as text") << QByteArray("S192=07 ") << "repeaterRxChannel" << "07";
    QTest::newRow("value ends at chunk end") << QByteArray("S132=45") << "mainRxChannel" << "45";
    QTest::newRow("tag at chunk end has no value") << QByteArray("S132") << "mainRxChannel" << "";
    QTest::newRow("zero byte adds nothing") << QByteArray("S191=1\0" "2 ", 9) << "repeaterTxChannel"
                                            << "12";
    QTest::newRow("unknown register ignored") << QByteArray("S104=5 S109=1\r") << "unitAddress" << "";
}

static QString fieldOf(const RadioConfig &c, const QString &name)
{
    static const QHash<QString, QString RadioConfig::*> fields{
        {"serialNumber", &RadioConfig::serialNumber},
        {"protocol", &RadioConfig::protocol},
        {"mainRxChannel", &RadioConfig::mainRxChannel},
        {"mainTxChannel", &RadioConfig::mainTxChannel},
        {"repeaterRxChannel", &RadioConfig::repeaterRxChannel},
        {"repeaterTxChannel", &RadioConfig::repeaterTxChannel},
        {"workMode", &RadioConfig::workMode},
        {"serialBaud", &RadioConfig::serialBaud},
        {"dataFormat", &RadioConfig::dataFormat},
        {"airRate", &RadioConfig::airRate},
        {"modulation", &RadioConfig::modulation},
        {"bandwidth", &RadioConfig::bandwidth},
        {"unitAddress", &RadioConfig::unitAddress},
        {"outputPower", &RadioConfig::outputPower},
        {"fecMode", &RadioConfig::fecMode},
    };
    Q_ASSERT(fields.contains(name));
    return c.*fields.value(name);
}

void TestReportParser::registerValues()
{
    QFETCH(QByteArray, chunk);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    QCOMPARE(fieldOf(parse(chunk), field), expected);
}

void TestReportParser::serialNumber_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QString>("expected");
    QTest::newRow("colon and space") << QByteArray("S/N: 12345678\r\n") << "12345678";
    QTest::newRow("no space loses first digit") << QByteArray("S/N:12345678\r\n") << "2345678";
    QTest::newRow("two tags joined") << QByteArray("S/N: 11\r\nS/N: 22\r\n") << "1122";
    QTest::newRow("cut after tag") << QByteArray("S/N:") << "";
}

void TestReportParser::serialNumber()
{
    QFETCH(QByteArray, chunk);
    QFETCH(QString, expected);
    QCOMPARE(parse(chunk).serialNumber, expected);
}

void TestReportParser::duplicatedRegisters_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");
    QTest::newRow("raw joined, earlier first") << QByteArray("S131=1\rS131=2\r") << "mainTxChannel" << "12";
    QTest::newRow("unit address joined") << QByteArray("S105=1\rS105=9\r") << "unitAddress" << "19";
    QTest::newRow("coded keeps later listed") << QByteArray("S186=1\rS186=2\r") << "protocol"
                                              << "Trimtalk Compatible";
    QTest::newRow("coded keeps earlier if later unlisted") << QByteArray("S108=30\rS108=31\r")
                                                           << "outputPower" << "30(1W)";
}

void TestReportParser::duplicatedRegisters()
{
    QFETCH(QByteArray, chunk);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    QCOMPARE(fieldOf(parse(chunk), field), expected);
}

void TestReportParser::emptiesTheRecordFirst()
{
    RadioConfig start;
    start.serialNumber = "old";
    start.protocol = "Transparent ZV";
    start.channelCount = 3;
    start.channels[0].frequency = "433.125000";
    const RadioConfig after = parse("nothing of a report here", start);
    QCOMPARE(after.serialNumber, QString());
    QCOMPARE(after.protocol, QString());
    QCOMPARE(after.channelCount, 0);
    // Slots are left as they were; only the count says what is meaningful.
    QCOMPARE(after.channels[0].frequency, QString("433.125000"));
}

void TestReportParser::listing_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("firstEntry"); // channel, frequency, bandwidth, direction
    QTest::addColumn<QStringList>("lastEntry");

    const QByteArray two = listingChunk({listingLine("0", "433.125000", "12.5 KHz", "Rx&Tx"),
                                    listingLine("12", "470.000000", "25   KHz", "Tx")});
    QTest::newRow("two lines") << two << 2 << QStringList{"0 ", "433.125000", "12.5 KHz", "Rx&Tx"}
                               << QStringList{"12", "470.000000", "25   KHz", "Tx"};

    const QByteArray withReport = "AT&V\r\nS/N: 1\r\nS101=1\r\n" + two;
    QTest::newRow("after a report") << withReport << 2
                                    << QStringList{"0 ", "433.125000", "12.5 KHz", "Rx&Tx"}
                                    << QStringList{"12", "470.000000", "25   KHz", "Tx"};

    QTest::newRow("30-character line") << listingChunk({QByteArray("5").leftJustified(20, ' ') +
                                                   "433.000000\r\n"})
                                       << 1 << QStringList{"5 ", "433.000000", "", ""}
                                       << QStringList{"5 ", "433.000000", "", ""};
    QTest::newRow("short line") << listingChunk({"7\r\n"}) << 1 << QStringList{"7", "", "", ""}
                                << QStringList{"7", "", "", ""};
    QTest::newRow("empty listing") << listingChunk({}) << 0 << QStringList{} << QStringList{};
    QTest::newRow("no marker") << QByteArray("CH ---\r\n0 x\r\n\r\nOK\r\n") << 0 << QStringList{}
                               << QStringList{};
    QTest::newRow("single dash is no marker")
        << QByteArray("-\r\n\r\n" + listingLine("1", "433.125000", "6.25 KHz", "Rx") + "\r\nOK\r\n")
        << 0 << QStringList{} << QStringList{};
    // The last six bytes are never listing text: a cut listing loses its tail line.
    QTest::newRow("cut before final OK")
        << QByteArray("--\r\n\r\n" + listingLine("1", "433.125000", "6.25 KHz", "Rx") +
                      listingLine("2", "434.125000", "6.25 KHz", "Rx"))
        << 1 << QStringList{"1 ", "433.125000", "6.25 KHz", "Rx"}
        << QStringList{"1 ", "433.125000", "6.25 KHz", "Rx"};
}

void TestReportParser::listing()
{
    QFETCH(QByteArray, chunk);
    QFETCH(int, count);
    QFETCH(QStringList, firstEntry);
    QFETCH(QStringList, lastEntry);
    const RadioConfig c = parse(chunk);
    QCOMPARE(c.channelCount, count);
    const auto asList = [](const ChannelEntry &e) {
        return QStringList{e.channel, e.frequency, e.bandwidth, e.direction};
    };
    if (count > 0) {
        QCOMPARE(asList(c.channels[0]), firstEntry);
        QCOMPARE(asList(c.channels[std::size_t(count - 1)]), lastEntry);
    }
}

void TestReportParser::listingStopsAt64Lines()
{
    QList<QByteArray> lines;
    for (int i = 0; i < 70; ++i)
        lines << listingLine(QByteArray::number(i % 64).constData(), "433.125000", "6.25 KHz", "Rx");
    const RadioConfig c = parse(listingChunk(lines));
    QCOMPARE(c.channelCount, 64);
    QCOMPARE(c.channels[63].channel, QString("63"));
}

void TestReportParser::neverReadsOutsideTheChunk_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<int>("n");
    // Bytes after n look like more data; the parser must behave as if they were zero.
    QTest::newRow("value continues past end") << QByteArray("S105=12345") << 7;
    QTest::newRow("tag split at end") << QByteArray("xxS10" "1=2\r") << 5;
    QTest::newRow("marker split at end") << QByteArray("-\r\n\r\n1234") << 2;
    QTest::newRow("empty") << QByteArray("S/N: 1") << 0;
    QTest::newRow("listing with nothing after marker") << QByteArray("--\r\n\r\n") << 6;
}

void TestReportParser::neverReadsOutsideTheChunk()
{
    QFETCH(QByteArray, buffer);
    QFETCH(int, n);
    // Copy exactly n bytes to the heap so AddressSanitizer sees any read past them.
    std::unique_ptr<char[]> exact(new char[std::size_t(std::max(n, 1))]);
    std::memcpy(exact.get(), buffer.constData(), std::size_t(n));
    RadioConfig fromExact;
    ParseReport(exact.get(), n, fromExact);
    RadioConfig fromPrefix;
    const QByteArray prefix = buffer.left(n);
    ParseReport(prefix.constData(), n, fromPrefix);
    QCOMPARE(fromExact, fromPrefix);
    if (buffer.startsWith("S105"))
        QCOMPARE(fromExact.unitAddress, QString("12"));
}

void TestReportParser::tokenLength_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("expected");
    QTest::newRow("to space") << QByteArray("abc def") << 0 << 3;
    QTest::newRow("to CR") << QByteArray("ab\rcd") << 0 << 2;
    QTest::newRow("LF is not an end") << QByteArray("ab\ncd ") << 0 << 5;
    QTest::newRow("at a space") << QByteArray("a b") << 1 << 0;
    QTest::newRow("to chunk end") << QByteArray("abcd") << 1 << 3;
    QTest::newRow("past chunk end") << QByteArray("ab") << 5 << 0;
}

void TestReportParser::tokenLength()
{
    QFETCH(QByteArray, text);
    QFETCH(int, position);
    QFETCH(int, expected);
    QCOMPARE(TokenLength(position, text.constData(), int(text.size())), expected);
}

void TestReportParser::atoiValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("blanks and sign") << "  -3x" << -3;
    QTest::newRow("plus") << "+7" << 7;
    QTest::newRow("leading zeros") << "007" << 7;
    QTest::newRow("no digits") << "abc" << 0;
    QTest::newRow("overflow clamps") << "99999999999" << std::numeric_limits<int>::max();
}

void TestReportParser::atoiValue()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(quenda::atoiValue(text), expected);
}

QTEST_GUILESS_MAIN(TestReportParser)
#include "tst_reportparser.moc"
