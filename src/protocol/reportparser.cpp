#include "protocol/reportparser.h"

#include "protocol/radiocommands.h"

#include <QList>

#include <cstring>

namespace quenda {
namespace {

enum class Kind { None, Raw, Coded };

struct Tag {
    Kind kind = Kind::None;
    QString RadioConfig::*field = nullptr;
    const CodeTable *table = nullptr;
};

// The register whose tag "S<digits>" stands at `at`, if any.
Tag registerTag(const char *bytes, int n, int at)
{
    if (at + 4 > n || bytes[at] != 'S' || bytes[at + 1] != '1')
        return {};
    if (bytes[at + 2] < '0' || bytes[at + 2] > '9' || bytes[at + 3] < '0' || bytes[at + 3] > '9')
        return {};
    const int reg = 100 + (bytes[at + 2] - '0') * 10 + (bytes[at + 3] - '0');
    switch (reg) {
    case 131: return {Kind::Raw, &RadioConfig::mainTxChannel};
    case 132: return {Kind::Raw, &RadioConfig::mainRxChannel};
    case 191: return {Kind::Raw, &RadioConfig::repeaterTxChannel};
    case 192: return {Kind::Raw, &RadioConfig::repeaterRxChannel};
    case 105: return {Kind::Raw, &RadioConfig::unitAddress};
    case 101: return {Kind::Coded, &RadioConfig::workMode, &tables::T101};
    case 102: return {Kind::Coded, &RadioConfig::serialBaud, &tables::T102};
    case 103: return {Kind::Coded, &RadioConfig::airRate, &tables::T103};
    case 110: return {Kind::Coded, &RadioConfig::dataFormat, &tables::T110};
    case 186: return {Kind::Coded, &RadioConfig::protocol, &tables::T186};
    case 125: return {Kind::Coded, &RadioConfig::bandwidth, &tables::T125};
    case 127: return {Kind::Coded, &RadioConfig::modulation, &tables::T127};
    case 108: return {Kind::Coded, &RadioConfig::outputPower, &tables::T108};
    case 158: return {Kind::Coded, &RadioConfig::fecMode, &tables::T158};
    default: return {};
    }
}

bool matches(const char *bytes, int n, int at, const char *tag)
{
    const int len = int(std::strlen(tag));
    return at >= 0 && at + len <= n && std::memcmp(bytes + at, tag, std::size_t(len)) == 0;
}

// The bytes of [from, to) as one character each; zero bytes (buffer padding) are left out.
void appendRange(QString &text, const char *bytes, int from, int to)
{
    for (int i = from; i < to; ++i) {
        if (bytes[i] != '\0')
            text.append(QChar(uchar(bytes[i])));
    }
}

// atoiValue of the token's text (zero bytes left out), reading only as far as the number goes.
int tokenNumber(const char *bytes, int from, int to)
{
    int i = from;
    const auto next = [&] {
        while (i < to && bytes[i] == '\0')
            ++i;
        return i < to ? bytes[i] : '\0';
    };
    char c = next();
    while (c == '\t' || c == '\n' || c == '\v' || c == '\f') {
        ++i;
        c = next();
    }
    QByteArray number;
    if (c == '+' || c == '-') {
        number.append(c);
        ++i;
        c = next();
    }
    int significant = 0;
    for (; c >= '0' && c <= '9'; c = next()) {
        ++i;
        // Leading zeros, and digits past the point where atoiValue clamps, change nothing.
        if ((significant == 0 && c == '0') || significant > 11)
            continue;
        number.append(c);
        ++significant;
    }
    return atoiValue(QString::fromLatin1(number));
}

} // namespace

int TokenLength(int position, const char *bytes, int n)
{
    int i = position;
    while (i < n && bytes[i] != ' ' && bytes[i] != '\r')
        ++i;
    return i > position ? i - position : 0;
}

bool ParseReport(const char *bytes, int n, RadioConfig &config)
{
    if (n < 0 || !bytes)
        n = 0;

    const ChannelTable keptChannels = config.channels;
    config = RadioConfig{};
    config.channels = keptChannels; // the slots are not emptied, only the count

    // Where the token starting at each position ends, and the next carriage return from it:
    // one pass each, so no value and no listing line is ever scanned twice.
    QList<int> tokenEnd(n + 1);
    QList<int> nextCR(n + 1);
    tokenEnd[n] = n;
    nextCR[n] = n;
    for (int i = n - 1; i >= 0; --i) {
        tokenEnd[i] = (bytes[i] == ' ' || bytes[i] == '\r') ? i : tokenEnd[i + 1];
        nextCR[i] = bytes[i] == '\r' ? i : nextCR[i + 1];
    }
    const auto valueEnd = [&](int from) { return from < n ? tokenEnd[from] : from; };
    const auto appendRaw = [&](QString &field, int from) {
        if (from >= n)
            return;
        appendRange(field, bytes, from, qMin(valueEnd(from), from + kMaxRawValueLength));
    };

    bool found = false;
    std::array<QString, kChannelSlots> lines;
    const int listingStartLength = int(std::strlen(radio::kListingStart));
    const int listingEnd = n - int(std::strlen(radio::kListingEnd));

    for (int d = 0; d < n; ++d) {
        if (matches(bytes, n, d, radio::kSerialTag)) {
            found = true;
            appendRaw(config.serialNumber, d + 5);
        }
        const Tag tag = registerTag(bytes, n, d);
        if (tag.kind != Kind::None)
            found = true;
        if (tag.kind == Kind::Raw) {
            appendRaw(config.*tag.field, d + 5);
        } else if (tag.kind == Kind::Coded) {
            const QString text = tag.table->text(tokenNumber(bytes, d + 5, valueEnd(d + 5)));
            if (!text.isEmpty())
                config.*tag.field = text;
        }

        if (d >= 1 && matches(bytes, n, d - 1, radio::kListingStart)) {
            found = true;
            // Every listing heading reads on from its own end, carrying the line count over.
            int j = d - 1 + listingStartLength;
            QList<int> touched;
            while (j < listingEnd && config.channelCount < kChannelSlots) {
                const int cr = nextCR[j];
                const int count = config.channelCount;
                if (cr >= listingEnd) {
                    appendRange(lines[std::size_t(count)], bytes, j, listingEnd);
                    if (!touched.contains(count))
                        touched << count;
                    break;
                }
                appendRange(lines[std::size_t(count)], bytes, j, cr);
                if (!touched.contains(count))
                    touched << count;
                ++config.channelCount;
                j = cr + 2; // the line feed
            }
            for (int k : touched) {
                if (k >= config.channelCount)
                    continue;
                const QString &line = lines[std::size_t(k)];
                ChannelEntry &entry = config.channels[std::size_t(k)];
                entry.channel = line.mid(0, 2);
                entry.frequency = line.mid(20, 10);
                entry.bandwidth = line.mid(38, 8);
                entry.direction = line.mid(51);
            }
        }
    }
    return found;
}

} // namespace quenda
