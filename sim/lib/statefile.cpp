#include "statefile.h"

#include "registers.h"

#include <QRegularExpression>
#include <QStringList>

#include <climits>

namespace k7v4 {

namespace {

constexpr char kSerialKey[] = "serial";
constexpr char kChannelKey[] = "channel";
constexpr int kMaxSerialLength = 32;

QString rangeText(const RegisterRule &rule)
{
    if (!rule.table)
        return QStringLiteral("%1 to %2").arg(rule.min).arg(rule.max);
    QStringList values;
    for (int v = rule.table->first; v <= rule.table->last(); ++v) {
        if (rule.table->lists(v))
            values << QString::number(v);
    }
    return values.join(QLatin1String(", "));
}

// Whole decimal number, optionally signed; none for anything else or an overflow.
std::optional<qint64> number(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[+-]?[0-9]{1,12}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    return text.toLongLong();
}

} // namespace

bool isValidSerial(const QString &serial)
{
    if (serial.isEmpty() || serial.size() > kMaxSerialLength)
        return false;
    for (QChar c : serial) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f || c == u'#')
            return false;
    }
    return true;
}

std::optional<RadioState> parseState(const QByteArray &text, QString *error)
{
    RadioState state = RadioState::factoryDefault();
    state.channels = {};
    std::array<bool, kChannelCount> named{};

    const auto fail = [error](int lineNumber, const QString &why) {
        if (error)
            *error = QStringLiteral("line %1: %2").arg(lineNumber).arg(why);
        return std::nullopt;
    };

    static const QRegularExpression registerLine(QStringLiteral("^[Ss]([0-9]+)\\s*=\\s*(\\S*)$"));
    static const QRegularExpression serialLine(QStringLiteral("^(\\w+)\\s*=\\s*(.*)$"));

    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNumber = i + 1;
        QString line = QString::fromUtf8(lines[i]);
        const int comment = int(line.indexOf(u'#'));
        if (comment >= 0)
            line.truncate(comment);
        line = line.trimmed();
        if (line.isEmpty())
            continue;

        if (const auto m = registerLine.match(line); m.hasMatch()) {
            const int reg = m.captured(1).toInt();
            const RegisterRule *rule = m.captured(1).size() == 3 ? findRegister(reg) : nullptr;
            if (!rule)
                return fail(lineNumber, QStringLiteral("the radio has no register S%1")
                                            .arg(m.captured(1)));
            const auto value = number(m.captured(2));
            if (!value)
                return fail(lineNumber, QStringLiteral("S%1 needs a whole number, not \"%2\"")
                                            .arg(reg)
                                            .arg(m.captured(2)));
            if (*value < INT_MIN || *value > INT_MAX || !rule->accepts(int(*value)))
                return fail(lineNumber, QStringLiteral("S%1 cannot be %2 (allowed: %3)")
                                            .arg(reg)
                                            .arg(*value)
                                            .arg(rangeText(*rule)));
            state.registers[reg] = int(*value);
            continue;
        }

        if (const auto m = serialLine.match(line);
            m.hasMatch() &&
            m.captured(1).compare(QLatin1String(kSerialKey), Qt::CaseInsensitive) == 0) {
            const QString serial = m.captured(2).trimmed();
            if (!isValidSerial(serial))
                return fail(lineNumber,
                            QStringLiteral("the serial number must be 1 to %1 printable characters "
                                           "without blanks")
                                .arg(kMaxSerialLength));
            state.serialNumber = serial;
            continue;
        }

        const QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")));
        if (words.first().compare(QLatin1String(kChannelKey), Qt::CaseInsensitive) == 0) {
            if (words.size() != 5)
                return fail(lineNumber,
                            QStringLiteral("a channel line is \"channel <number> <frequency Hz> "
                                           "<bandwidth 0-2> <direction 0-2>\""));
            std::array<std::optional<qint64>, 4> v;
            for (int k = 0; k < 4; ++k) {
                v[std::size_t(k)] = number(words[k + 1]);
                if (!v[std::size_t(k)])
                    return fail(lineNumber,
                                QStringLiteral("\"%1\" is not a whole number").arg(words[k + 1]));
            }
            const qint64 channel = *v[0], frequency = *v[1], bandwidth = *v[2], direction = *v[3];
            if (channel < 0 || channel >= kChannelCount)
                return fail(lineNumber,
                            QStringLiteral("channel %1 is not between 0 and 63").arg(channel));
            if (named[std::size_t(channel)])
                return fail(lineNumber, QStringLiteral("channel %1 is given twice").arg(channel));
            if (frequency != 0 && (frequency < kMinFrequencyHz || frequency > kMaxFrequencyHz))
                return fail(lineNumber, QStringLiteral("frequency %1 Hz is not 0 and not between "
                                                       "%2 and %3")
                                            .arg(frequency)
                                            .arg(kMinFrequencyHz)
                                            .arg(kMaxFrequencyHz));
            if (bandwidth < 0 || bandwidth > kMaxBandwidthCode)
                return fail(lineNumber,
                            QStringLiteral("bandwidth code %1 is not 0, 1 or 2").arg(bandwidth));
            if (direction < 0 || direction > kMaxDirectionCode)
                return fail(lineNumber,
                            QStringLiteral("direction code %1 is not 0, 1 or 2").arg(direction));
            named[std::size_t(channel)] = true;
            if (frequency != 0)
                state.channels[std::size_t(channel)] = {frequency, int(bandwidth), int(direction)};
            continue;
        }

        return fail(lineNumber, QStringLiteral("cannot read \"%1\"").arg(line.left(60)));
    }
    return state;
}

QByteArray formatState(const RadioState &state)
{
    QByteArray out;
    out += "# Simulated K7V4 radio: serial number, S registers and channel table.\n";
    out += "# channel <number> <frequency Hz> <bandwidth 0 6.25, 1 12.5, 2 25 kHz> "
           "<direction 0 Rx, 1 Tx, 2 Rx&Tx>\n";
    out += kSerialKey;
    out += '=' + state.serialNumber.toUtf8() + '\n';
    for (auto it = state.registers.cbegin(); it != state.registers.cend(); ++it)
        out += 'S' + QByteArray::number(it.key()) + '=' + QByteArray::number(it.value()) + '\n';
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const Channel &c = state.channels[std::size_t(ch)];
        if (c.frequencyHz == 0)
            continue;
        out += QByteArray(kChannelKey) + ' ' + QByteArray::number(ch) + ' ' +
               QByteArray::number(c.frequencyHz) + ' ' + QByteArray::number(c.bandwidthCode) + ' ' +
               QByteArray::number(c.directionCode) + '\n';
    }
    return out;
}

} // namespace k7v4
