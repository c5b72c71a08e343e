#include "protocol/radioconfig.h"
#include "protocol/reportparser.h"

#include "protocol/radiocommands.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cstring>

using namespace quenda;

// The parser as it was before it was made linear: it reads each value and each listing again
// from every tag, so it is slow on noise, but what it finds is what the parser must still find.
namespace reference {

// The chunk as the parser sees it: zero beyond its end, like the handler's zero-filled buffer.
class Chunk {
public:
    Chunk(const char *bytes, int n) : m_bytes(bytes), m_n(n) {}
    char at(int i) const { return i >= 0 && i < m_n ? m_bytes[i] : '\0'; }
    int size() const { return m_n; }
    bool matches(int at, const char *tag) const
    {
        const int len = int(std::strlen(tag));
        if (at < 0 || at + len > m_n)
            return false;
        return std::memcmp(m_bytes + at, tag, std::size_t(len)) == 0;
    }

private:
    const char *m_bytes;
    int m_n;
};

void appendByte(QString &text, char byte)
{
    if (byte != '\0')
        text.append(QChar(uchar(byte)));
}

struct RawRegister {
    const char *tag;
    QString RadioConfig::*field;
};

struct CodedRegister {
    const char *tag;
    QString RadioConfig::*field;
    const CodeTable *table;
};



void referenceParse(const char *bytes, int n, RadioConfig &config)
{
    if (n < 0)
        n = 0;
    const Chunk chunk(bytes, n);

    const ChannelTable keptChannels = config.channels;
    config = RadioConfig{};
    config.channels = keptChannels; // the slots are not emptied, only the count

    const auto value = [&](int position) {
        QString text;
        const int len = TokenLength(position, bytes, n);
        for (int i = 0; i < len; ++i)
            appendByte(text, chunk.at(position + i));
        return text;
    };

    static const RawRegister raw[] = {
        {"S131", &RadioConfig::mainTxChannel},
        {"S132", &RadioConfig::mainRxChannel},
        {"S191", &RadioConfig::repeaterTxChannel},
        {"S192", &RadioConfig::repeaterRxChannel},
    };
    static const CodedRegister coded[] = {
        {"S101", &RadioConfig::workMode, &tables::T101},
        {"S102", &RadioConfig::serialBaud, &tables::T102},
        {"S103", &RadioConfig::airRate, &tables::T103},
        {"S110", &RadioConfig::dataFormat, &tables::T110},
        {"S186", &RadioConfig::protocol, &tables::T186},
        {"S125", &RadioConfig::bandwidth, &tables::T125},
        {"S127", &RadioConfig::modulation, &tables::T127},
    };
    static const CodedRegister codedLate[] = {
        {"S108", &RadioConfig::outputPower, &tables::T108},
        {"S158", &RadioConfig::fecMode, &tables::T158},
    };

    const auto applyCoded = [&](const CodedRegister &reg, int d) {
        if (!chunk.matches(d, reg.tag))
            return;
        const QString text = reg.table->text(atoiValue(value(d + 5)));
        if (!text.isEmpty())
            config.*reg.field = text;
    };

    std::array<QString, kChannelSlots> lines;

    for (int d = 0; d < n; ++d) {
        if (chunk.matches(d, radio::kSerialTag))
            config.serialNumber += value(d + 5);
        for (const RawRegister &reg : raw) {
            if (chunk.matches(d, reg.tag))
                config.*reg.field += value(d + 5);
        }
        for (const CodedRegister &reg : coded)
            applyCoded(reg, d);
        if (chunk.matches(d, "S105"))
            config.unitAddress += value(d + 5);
        for (const CodedRegister &reg : codedLate)
            applyCoded(reg, d);

        if (d >= 1 && chunk.matches(d - 1, radio::kListingStart)) {
            const int listingEnd = n - int(std::strlen(radio::kListingEnd));
            for (int j = d + 5; j < listingEnd && config.channelCount < kChannelSlots; ++j) {
                if (chunk.at(j) == '\r') {
                    ++config.channelCount;
                    ++j; // the line feed
                } else {
                    appendByte(lines[std::size_t(config.channelCount)], chunk.at(j));
                }
            }
            for (int k = 0; k < config.channelCount; ++k) {
                const QString &line = lines[std::size_t(k)];
                ChannelEntry &entry = config.channels[std::size_t(k)];
                entry.channel = line.mid(0, 2);
                entry.frequency = line.mid(20, 10);
                entry.bandwidth = line.mid(38, 8);
                entry.direction = line.mid(51);
            }
        }
    }
}

} // namespace reference

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
    void sameResultsAsBefore_data();
    void sameResultsAsBefore();
    void carriesReport_data();
    void carriesReport();
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

void TestReportParser::sameResultsAsBefore_data()
{
    QTest::addColumn<int>("seed");
    QTest::addColumn<int>("maxLength");
    for (int seed = 1; seed <= 6; ++seed)
        QTest::addRow("seed %d, short", seed) << seed << 200;
    for (int seed = 7; seed <= 12; ++seed)
        QTest::addRow("seed %d, 4 KB", seed) << seed << 4096;
}

void TestReportParser::sameResultsAsBefore()
{
    // Chunks built of the pieces that matter to the parser, with a separator at least every
    // 40 bytes so that no value runs past the length at which noise is cut.
    QFETCH(int, seed);
    QFETCH(int, maxLength);
    static const QList<QByteArray> pieces{
        "S/N: ", "S101=", "S102=", "S103=", "S105=", "S108=", "S110=", "S125=", "S127=", "S131=",
        "S132=", "S158=", "S186=", "S191=", "S192=", "--\r\n\r\n", "\r\nOK\r\n", "\r\n", " ", "0",
        "1", "2", "7", "33", "-", "+", "\t", QByteArray("\0", 1), "433.125000", "25   KHz", "Rx&Tx",
        "x", "S1", "99999999999"};
    QRandomGenerator random{quint32(seed)};
    for (int round = 0; round < 300; ++round) {
        QByteArray chunk;
        const int length = int(random.bounded(maxLength));
        int sinceSeparator = 0;
        while (chunk.size() < length) {
            const QByteArray piece = pieces[random.bounded(int(pieces.size()))];
            chunk += piece;
            sinceSeparator = piece.contains(' ') || piece.contains('\r') ? 0 : sinceSeparator + int(piece.size());
            if (sinceSeparator > 40) {
                chunk += ' ';
                sinceSeparator = 0;
            }
        }
        RadioConfig start;
        start.channels[5] = {"05", "old", "old", "old"};
        RadioConfig expected = start;
        reference::referenceParse(chunk.constData(), int(chunk.size()), expected);
        RadioConfig actual = start;
        ParseReport(chunk.constData(), int(chunk.size()), actual);
        if (!(actual == expected))
            QFAIL(qPrintable(QStringLiteral("differs on %1").arg(QString::fromLatin1(chunk.toPercentEncoding()))));
    }
}

void TestReportParser::carriesReport_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<bool>("carries");
    QTest::newRow("settings report") << QByteArray("AT&V\r\nS/N: 42 \r\nS101=2 \r\nOK\r\n") << true;
    QTest::newRow("one register") << QByteArray("S186=3\r") << true;
    QTest::newRow("unknown register only") << QByteArray("S199=3\r") << false;
    QTest::newRow("listing heading") << QByteArray("CH --\r\n\r\n\r\nOK\r\n") << true;
    QTest::newRow("data-mode stream") << QByteArray(300, '\xa5') << false;
    QTest::newRow("correction data") << QByteArray("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M\r\n").repeated(4) << false;
    QTest::newRow("banner") << QByteArray("\r\nNO CARRIER\r\nOK\r\n") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestReportParser::carriesReport()
{
    QFETCH(QByteArray, chunk);
    QFETCH(bool, carries);
    RadioConfig config;
    QCOMPARE(ParseReport(chunk.constData(), int(chunk.size()), config), carries);
}

QTEST_GUILESS_MAIN(TestReportParser)
#include "tst_reportparser.moc"
