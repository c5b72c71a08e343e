#include "profile/profile.h"

#include "profile/profiletexts.h"
#include "protocol/filereason.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cmath>
#include <initializer_list>
#include <limits>

namespace quenda {

std::optional<int> RadioProfile::value(int reg) const
{
    const int slot = registerSlot(reg);
    return slot < 0 ? std::nullopt : registers[std::size_t(slot)];
}

void RadioProfile::setValue(int reg, std::optional<int> v)
{
    const int slot = registerSlot(reg);
    if (slot >= 0)
        registers[std::size_t(slot)] = v;
}

int RadioProfile::channelCount() const
{
    int count = 0;
    for (const auto &channel : channels)
        count += channel.has_value();
    return count;
}

namespace profile {
namespace {

namespace texts = profiletexts;

// The members of the pages' selection, by register; a position is the value less the first
// value of the register's code table.
struct SelectionMember {
    int reg;
    int SettingsSelection::*member;
};
constexpr SelectionMember kSelectionMembers[] = {
    {101, &SettingsSelection::workModeIndex},   {102, &SettingsSelection::baudIndex},
    {103, &SettingsSelection::airRateIndex},    {105, &SettingsSelection::unitAddressValue},
    {108, &SettingsSelection::powerIndex},      {110, &SettingsSelection::dataFormatIndex},
    {125, &SettingsSelection::bandwidthIndex},  {127, &SettingsSelection::modulationIndex},
    {131, &SettingsSelection::mainTxIndex},     {132, &SettingsSelection::mainRxIndex},
    {158, &SettingsSelection::fecIndex},        {186, &SettingsSelection::protocolIndex},
    {191, &SettingsSelection::repeaterTxIndex}, {192, &SettingsSelection::repeaterRxIndex},
}; // clang-format keeps the pairs

int positionOffset(const RegisterInfo &info)
{
    return info.kind == RegisterKind::Coded ? info.table->first : 0;
}

// Same value the writer computes: position plus the table's first value.
qint64 registerFromPosition(const RegisterInfo &info, int position)
{
    return qint64(position) + positionOffset(info);
}

void note(QStringList *notes, const QString &text)
{
    if (notes)
        notes->append(text);
}

// A row of the listing or the page in command form; none for a free or unusable row.
std::optional<ProfileChannel> channelOf(int number, const ChannelEntry &row, QStringList *notes)
{
    const bool allEmpty =
        row.frequency.isEmpty() && row.bandwidth.isEmpty() && row.direction.isEmpty();
    if (allEmpty)
        return std::nullopt;
    if (row.frequency.isEmpty() || row.bandwidth.isEmpty() || row.direction.isEmpty()) {
        note(notes, texts::rowPartlyFilled(number));
        return std::nullopt;
    }
    const std::optional<int> hz = frequencyHzOf(row.frequency);
    if (!hz || *hz < kMinFrequencyHz || *hz > kMaxFrequencyHz) {
        note(notes, texts::rowBadFrequency(number, row.frequency));
        return std::nullopt;
    }
    const int bandwidth = bandwidthCodeOf(row.bandwidth);
    if (bandwidth < 0) {
        note(notes, texts::rowBadBandwidth(number, row.bandwidth));
        return std::nullopt;
    }
    int direction = directionCodeOf(row.direction);
    if (direction < 0) {
        // A save enters every row as Rx&Tx, so that is what the row would become in the radio.
        note(notes, texts::rowUnknownDirection(number, row.direction));
        direction = 2;
    }
    return ProfileChannel{*hz, bandwidth, direction};
}

// ---- writing ----

QByteArray jsonString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray registerLine(const RegisterInfo &info, const std::optional<int> &value)
{
    QByteArray line = "{\"name\": " + jsonString(QLatin1String(info.name)) + ", \"value\": ";
    line += value ? QByteArray::number(*value) : QByteArray("null");
    if (value && info.kind == RegisterKind::Coded)
        line += ", \"text\": " + jsonString(registerValueText(info, *value));
    return line + '}';
}

QByteArray channelLine(int number, const ProfileChannel &channel)
{
    return "{\"channel\": " + QByteArray::number(number) +
           ", \"frequencyHz\": " + QByteArray::number(channel.frequencyHz) +
           ", \"bandwidth\": " + QByteArray::number(channel.bandwidth) +
           ", \"direction\": " + QByteArray::number(channel.direction) + '}';
}

// ---- reading ----

// Collects the keys the reader does not know and stops at the first bad value.
class Reader {
public:
    explicit Reader(QStringList *unknown) : m_unknown(unknown) {}

    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }

    bool reject(const QString &key, const QString &reason)
    {
        if (!failed())
            m_error = texts::badValue(key, reason);
        return false;
    }

    void reportUnknown(const QJsonObject &object, std::initializer_list<const char *> known,
                       const QString &prefix)
    {
        for (auto it = object.begin(); it != object.end(); ++it) {
            bool isKnown = false;
            for (const char *k : known)
                isKnown = isKnown || it.key() == QLatin1String(k);
            if (!isKnown)
                m_unknown->append(prefix + it.key());
        }
    }

    // A whole number that a double holds exactly.
    std::optional<qint64> integer(const QJsonValue &v, const QString &key, bool nullAllowed = false)
    {
        if (v.isUndefined()) {
            reject(key, texts::missing());
            return std::nullopt;
        }
        constexpr double kExact = 9007199254740992.0; // 2^53
        const double d = v.toDouble();
        if (!v.isDouble() || !std::isfinite(d) || d != std::trunc(d) || std::fabs(d) > kExact) {
            reject(key, nullAllowed ? texts::wantIntegerOrNull() : texts::wantInteger());
            return std::nullopt;
        }
        return qint64(d);
    }

    std::optional<QJsonObject> object(const QJsonValue &v, const QString &key)
    {
        if (v.isUndefined())
            reject(key, texts::missing());
        else if (!v.isObject())
            reject(key, texts::wantObject());
        else
            return v.toObject();
        return std::nullopt;
    }

private:
    QStringList *m_unknown;
    QString m_error;
};

bool fitsInt(qint64 v)
{
    return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
}

bool readRegister(Reader &r, const RegisterInfo &info, const QJsonObject &registers,
                  RadioProfile &out)
{
    const QString key = QStringLiteral("registers.") + info.key();
    const std::optional<QJsonObject> entry = r.object(registers.value(info.key()), key);
    if (!entry)
        return false;
    r.reportUnknown(*entry, {"name", "value", "text"}, key + u'.');

    std::optional<int> value;
    const QJsonValue raw = entry->value(QLatin1String("value"));
    if (!raw.isNull()) {
        const std::optional<qint64> v = r.integer(raw, key + QStringLiteral(".value"), true);
        if (!v)
            return false;
        if (!fitsInt(*v) || !registerAccepts(info, int(*v))) {
            if (info.kind == RegisterKind::Channel)
                return r.reject(key + QStringLiteral(".value"), texts::channelRange(*v));
            return r.reject(key + QStringLiteral(".value"), texts::notInTable(*v));
        }
        value = int(*v);
    }

    // The readable companions must agree with the number, so a hand edit of one alone is caught.
    const QJsonValue name = entry->value(QLatin1String("name"));
    if (!name.isUndefined()) {
        if (!name.isString())
            return r.reject(key + QStringLiteral(".name"), texts::wantText());
        if (name.toString() != QLatin1String(info.name))
            return r.reject(key + QStringLiteral(".name"),
                            texts::disagrees(QLatin1String(info.name)));
    }
    const QJsonValue text = entry->value(QLatin1String("text"));
    if (!text.isUndefined()) {
        const QString expected = value ? registerValueText(info, *value) : QString();
        if (!text.isString())
            return r.reject(key + QStringLiteral(".text"), texts::wantText());
        if (!value || text.toString() != expected)
            return r.reject(key + QStringLiteral(".text"), texts::disagrees(expected));
    }
    out.registers[std::size_t(registerSlot(info.number))] = value;
    return true;
}

bool readChannel(Reader &r, const QJsonValue &item, int index, RadioProfile &out)
{
    const QString key = QStringLiteral("channels[%1]").arg(index);
    const std::optional<QJsonObject> entry = r.object(item, key);
    if (!entry)
        return false;
    r.reportUnknown(*entry, {"channel", "frequencyHz", "bandwidth", "direction"}, key + u'.');

    auto field = [&](const char *name) {
        return r.integer(entry->value(QLatin1String(name)), key + u'.' + QLatin1String(name));
    };
    const std::optional<qint64> number = field("channel");
    if (!number)
        return false;
    if (*number < kFirstChannel || *number > kLastChannel)
        return r.reject(key + QStringLiteral(".channel"), texts::channelRange(*number));
    if (out.channels[std::size_t(*number)])
        return r.reject(key + QStringLiteral(".channel"), texts::duplicateChannel(*number));

    const std::optional<qint64> hz = field("frequencyHz");
    if (!hz)
        return false;
    if (*hz < kMinFrequencyHz || *hz > kMaxFrequencyHz)
        return r.reject(key + QStringLiteral(".frequencyHz"), texts::frequencyRange(*hz));
    const std::optional<qint64> bandwidth = field("bandwidth");
    if (!bandwidth)
        return false;
    if (*bandwidth < 0 || *bandwidth > kLastBandwidthCode)
        return r.reject(key + QStringLiteral(".bandwidth"), texts::bandwidthCode(*bandwidth));
    const std::optional<qint64> direction = field("direction");
    if (!direction)
        return false;
    if (*direction < 0 || *direction > kLastDirectionCode)
        return r.reject(key + QStringLiteral(".direction"), texts::directionCode(*direction));

    out.channels[std::size_t(*number)] = ProfileChannel{int(*hz), int(*bandwidth), int(*direction)};
    return true;
}

Loaded rejected(const QString &error)
{
    Loaded out;
    out.error = error;
    return out;
}

} // namespace

RadioProfile fromConfig(const RadioConfig &config, QStringList *skipped)
{
    RadioProfile out;
    out.serialNumber = config.serialNumber;
    for (const RegisterInfo &info : profileRegisters())
        out.setValue(info.number, registerValueOf(info, config.*info.field));

    // As the channel list page fills its rows: by the number the line starts with, later wins.
    const int count = qBound(0, config.channelCount, kChannelSlots);
    for (int k = 0; k < count; ++k) {
        const ChannelEntry &line = config.channels[std::size_t(k)];
        const int number = atoiValue(line.channel);
        if (number < kFirstChannel || number > kLastChannel) {
            note(skipped, texts::rowBadNumber(line.channel));
            continue;
        }
        out.channels[std::size_t(number)] = channelOf(number, line, skipped);
    }
    return out;
}

QByteArray toJson(const RadioProfile &profile)
{
    QByteArray out = "{\n";
    out += "    \"format\": " + jsonString(QLatin1String(kFormat)) + ",\n";
    out += "    \"version\": " + QByteArray::number(kVersion) + ",\n";
    out += "    \"serialNumber\": " + jsonString(profile.serialNumber) + ",\n";
    out += "    \"registers\": {\n";
    const auto registers = profileRegisters();
    for (std::size_t i = 0; i < registers.size(); ++i) {
        out += "        " + jsonString(registers[i].key()) + ": " +
               registerLine(registers[i], profile.registers[i]);
        out += i + 1 < registers.size() ? ",\n" : "\n";
    }
    out += "    },\n";
    out += "    \"channels\": [";
    bool first = true;
    for (int n = 0; n < kChannelSlots; ++n) {
        if (!profile.channels[std::size_t(n)])
            continue;
        out += first ? "\n" : ",\n";
        out += "        " + channelLine(n, *profile.channels[std::size_t(n)]);
        first = false;
    }
    out += first ? "]\n" : "\n    ]\n";
    out += "}\n";
    return out;
}

Loaded fromJson(const QByteArray &bytes)
{
    if (bytes.size() > kMaxFileBytes)
        return rejected(texts::notAProfile(texts::tooLarge()));
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return rejected(texts::notAProfile(texts::notJson(parseError.errorString())));
    if (!document.isObject())
        return rejected(texts::notAProfile(texts::notAnObject()));
    const QJsonObject top = document.object();
    if (top.value(QLatin1String("format")) != QLatin1String(kFormat))
        return rejected(texts::notAProfile(texts::noFormatKey()));

    Loaded out;
    Reader r(&out.unknownKeys);
    const std::optional<qint64> version =
        r.integer(top.value(QLatin1String("version")), QStringLiteral("version"));
    if (!version)
        return rejected(r.error());
    if (*version > kVersion)
        return rejected(texts::newerVersion(*version, kVersion));
    if (*version < 1) {
        r.reject(QStringLiteral("version"), texts::notInTable(*version));
        return rejected(r.error());
    }
    r.reportUnknown(top, {"format", "version", "serialNumber", "registers", "channels"}, QString());

    RadioProfile profile;
    const QJsonValue serial = top.value(QLatin1String("serialNumber"));
    if (serial.isUndefined())
        r.reject(QStringLiteral("serialNumber"), texts::missing());
    else if (!serial.isString())
        r.reject(QStringLiteral("serialNumber"), texts::wantText());
    profile.serialNumber = serial.toString();

    if (!r.failed()) {
        if (const auto registers =
                r.object(top.value(QLatin1String("registers")), QStringLiteral("registers"))) {
            QStringList known;
            for (const RegisterInfo &info : profileRegisters())
                known << info.key();
            for (auto it = registers->begin(); it != registers->end(); ++it) {
                if (!known.contains(it.key()))
                    out.unknownKeys.append(QStringLiteral("registers.") + it.key());
            }
            for (const RegisterInfo &info : profileRegisters()) {
                if (!readRegister(r, info, *registers, profile))
                    break;
            }
        }
    }

    if (!r.failed()) {
        const QJsonValue channels = top.value(QLatin1String("channels"));
        if (channels.isUndefined())
            r.reject(QStringLiteral("channels"), texts::missing());
        else if (!channels.isArray())
            r.reject(QStringLiteral("channels"), texts::wantArray());
        const QJsonArray items = channels.toArray();
        for (qsizetype i = 0; i < items.size() && !r.failed(); ++i)
            readChannel(r, items.at(i), int(i), profile);
    }

    if (r.failed())
        return rejected(r.error());
    out.profile = profile;
    return out;
}

bool write(const QString &path, const RadioProfile &profile, QString *error)
{
    auto fail = [&](const QString &reason) {
        if (error)
            *error = texts::writeFailed(path, reason);
        return false;
    };
    if (path.isEmpty())
        return fail(texts::noFileName());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(fileErrorReason(file));
    // Flushing here catches a full disk, which the commit does not always report.
    const QByteArray content = toJson(profile);
    if (file.write(content) != content.size() || !file.flush()) {
        const QString reason = fileErrorReason(file);
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(fileErrorReason(file));
    return true;
}

Loaded read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return rejected(texts::readFailed(path, fileErrorReason(file)));
    // One byte more than allowed tells a too large file from one just at the limit.
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return rejected(texts::readFailed(path, fileErrorReason(file)));
    return fromJson(bytes);
}

void setRegisters(RadioProfile &profile, const SettingsSelection &selection)
{
    for (const SelectionMember &m : kSelectionMembers) {
        const RegisterInfo &info = *registerInfo(m.reg);
        const qint64 value = registerFromPosition(info, selection.*m.member);
        const bool selected = info.kind == RegisterKind::Address || selection.*m.member >= 0;
        const bool usable = selected && fitsInt(value) && registerAccepts(info, int(value));
        profile.setValue(m.reg, usable ? std::optional<int>(int(value)) : std::nullopt);
    }
}

void applyRegisters(const RadioProfile &profile, SettingsSelection &selection)
{
    for (const SelectionMember &m : kSelectionMembers) {
        const RegisterInfo &info = *registerInfo(m.reg);
        if (const std::optional<int> value = profile.value(m.reg))
            selection.*m.member = *value - positionOffset(info);
    }
}

ChannelTable channelRows(const RadioProfile &profile)
{
    ChannelTable rows;
    for (int n = 0; n < kChannelSlots; ++n) {
        ChannelEntry &row = rows[std::size_t(n)];
        row.channel = QString::number(n);
        if (const auto &channel = profile.channels[std::size_t(n)]) {
            row.frequency = frequencyText(channel->frequencyHz);
            row.bandwidth = bandwidthText(channel->bandwidth);
            row.direction = directionText(channel->direction);
        }
    }
    return rows;
}

void setChannels(RadioProfile &profile, const ChannelTable &rows, QStringList *skipped)
{
    for (int n = 0; n < kChannelSlots; ++n)
        profile.channels[std::size_t(n)] = channelOf(n, rows[std::size_t(n)], skipped);
}

QString frequencyText(int hz)
{
    return QStringLiteral("%1.%2")
        .arg(hz / 1000000, 3, 10, QLatin1Char('0'))
        .arg(hz % 1000000, 6, 10, QLatin1Char('0'));
}

QString bandwidthText(int code)
{
    if (code < 0 || code >= int(tables::channelBandwidthTexts.size()))
        return {};
    return QLatin1String(tables::channelBandwidthTexts[std::size_t(code)]);
}

namespace {
constexpr const char *kDirectionTexts[] = {"Rx", "Tx", "Rx&Tx"};
}

QString directionText(int code)
{
    if (code < 0 || code > kLastDirectionCode)
        return {};
    return QLatin1String(kDirectionTexts[code]);
}

std::optional<int> frequencyHzOf(const QString &mhz)
{
    // Decimal digits read exactly: a double would put some frequencies 1 Hz low.
    qsizetype i = 0;
    const qsizetype n = mhz.size();
    while (i < n && (mhz[i] == u' ' || (mhz[i] >= u'\t' && mhz[i] <= u'\r')))
        ++i;
    qint64 whole = 0;
    int digits = 0;
    for (; i < n && mhz[i].isDigit() && mhz[i].unicode() < 128; ++i, ++digits) {
        if (whole > 100000)
            return std::nullopt; // far beyond any radio frequency
        whole = whole * 10 + (mhz[i].unicode() - u'0');
    }
    qint64 fraction = 0;
    int fractionDigits = 0;
    if (i < n && mhz[i] == u'.') {
        for (++i; i < n && mhz[i].isDigit() && mhz[i].unicode() < 128; ++i, ++digits) {
            if (fractionDigits < 6) {
                fraction = fraction * 10 + (mhz[i].unicode() - u'0');
                ++fractionDigits;
            }
        }
    }
    if (digits == 0)
        return std::nullopt;
    for (; fractionDigits < 6; ++fractionDigits)
        fraction *= 10;
    const qint64 hz = whole * 1000000 + fraction;
    if (!fitsInt(hz))
        return std::nullopt;
    return int(hz);
}

int bandwidthCodeOf(const QString &text)
{
    for (std::size_t code = 0; code < tables::channelBandwidthTexts.size(); ++code) {
        if (text == QLatin1String(tables::channelBandwidthTexts[code]))
            return int(code);
    }
    return -1;
}

int directionCodeOf(const QString &text)
{
    // The listing's direction runs to the end of the line; blanks around it carry nothing.
    const QString trimmed = text.trimmed();
    for (int code = 0; code <= kLastDirectionCode; ++code) {
        if (trimmed == QLatin1String(kDirectionTexts[code]))
            return code;
    }
    return -1;
}

QString describeChannel(const std::optional<ProfileChannel> &channel)
{
    if (!channel)
        return texts::freeChannel();
    return QStringLiteral("%1 MHz / %2 / %3")
        .arg(frequencyText(channel->frequencyHz), bandwidthText(channel->bandwidth).simplified(),
             directionText(channel->direction));
}

QString describeRegister(const RegisterInfo &info, const std::optional<int> &value)
{
    return value ? registerValueText(info, *value) : texts::noValue();
}

QString channelLabel(int number)
{
    return texts::channelLabel(number);
}

} // namespace profile
} // namespace quenda
