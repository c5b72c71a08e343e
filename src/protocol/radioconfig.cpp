#include "protocol/radioconfig.h"

#include <charconv>
#include <limits>

namespace quenda {

QString CodeTable::text(int value) const
{
    if (value < first || value > last())
        return {};
    const char *t = texts[std::size_t(value - first)];
    return t ? QString::fromLatin1(t) : QString();
}

int CodeTable::position(const QString &wanted) const
{
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (texts[i] && wanted == QLatin1String(texts[i]))
            return int(i);
    }
    return -1;
}

QStringList CodeTable::listItems() const
{
    QStringList items;
    for (const char *t : texts)
        items << (t ? QString::fromLatin1(t) : QString());
    return items;
}

namespace tables {
namespace {
constexpr const char *k101[] = {"Master(Base) for Trimtalk", "Repeater", "Slave(Remote)",
                                "Repeater 2 for Trimtalk"};
constexpr const char *k102[] = {"230400", "115200", "57600", "38400", "28800",
                                "19200",  "14400",  "9600",  "7200",  "4800",
                                "3600",   "2400",   "1200",  "600",   "300"};
constexpr const char *k103[] = {"1200", "2400", "3600", "4800", "7200",
                                "9600", "14400", "19200", "16000"};
constexpr const char *k108[] = {"20(100)", "21(125)", "22(160)", "23(200)", "24(250)",
                                "25(320)", "26(400)", "27(500)", "28(630)", "29(800)",
                                "30(1W)",  nullptr,   nullptr,   "33(2W)"};
constexpr const char *k110[] = {"8N1", "8N2", "8E1", "8O1", "7N1",
                                "7N2", "7E1", "7O1", "7E2", "7O2"};
constexpr const char *k125[] = {"6.25 kHz", "12.5 kHz", "25 kHz"};
constexpr const char *k127[] = {"2FSK", "4FSK"};
constexpr const char *k158[] = {"No FEC",  "Hamming(7,4)",      "Hamming(15,11)",
                                "Hamming(31,24)", nullptr, "Binary BCH(47,36)",
                                "Golay(23,12,7)", "Reed-Solomon(15,11)"};
constexpr const char *k186[] = {"Transparent ZV", "Pacific Crest Compatible",
                                "Trimtalk Compatible", "Satel (3AS) Compatible"};
} // namespace

const CodeTable T101{0, k101};
const CodeTable T102{0, k102};
const CodeTable T103{0, k103};
const CodeTable T108{20, k108};
const CodeTable T110{1, k110};
const CodeTable T125{0, k125};
const CodeTable T127{0, k127};
const CodeTable T158{0, k158};
const CodeTable T186{0, k186};

const std::array<const char *, 3> bandwidthListItems{"6.25  kHz", "12.5  kHz", "  25  kHz"};
const std::array<const char *, 3> channelBandwidthTexts{"6.25 KHz", "12.5 KHz", "25   KHz"};
} // namespace tables

int atoiValue(const QString &text)
{
    // atoi on an overflowing number is undefined; clamp instead, which no table lists anyway.
    int i = 0;
    const int n = int(text.size());
    while (i < n && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    long long value = 0;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > std::numeric_limits<int>::max())
            return negative ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
        ++i;
    }
    return int(negative ? -value : value);
}

double atofValue(const QString &text)
{
    // strtod follows the user's locale (a comma in some); the radio's numbers always use a point.
    const QByteArray bytes = text.toLatin1();
    const char *begin = bytes.constData();
    const char *end = begin + bytes.size();
    while (begin < end && (*begin == ' ' || (*begin >= '\t' && *begin <= '\r')))
        ++begin;
    bool negative = false;
    if (begin < end && (*begin == '+' || *begin == '-')) {
        negative = *begin == '-';
        ++begin;
    }
    double value = 0.0;
    const auto result = std::from_chars(begin, end, value, std::chars_format::general);
    if (result.ec == std::errc::invalid_argument)
        return 0.0;
    return negative ? -value : value;
}

} // namespace quenda
