#include "protocol/reportparser.h"

#include "protocol/radiocommands.h"

#include <cstring>

namespace quenda {
namespace {

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

} // namespace

int TokenLength(int position, const char *bytes, int n)
{
    int i = position;
    while (i < n && bytes[i] != ' ' && bytes[i] != '\r')
        ++i;
    return i > position ? i - position : 0;
}

void ParseReport(const char *bytes, int n, RadioConfig &config)
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

} // namespace quenda
