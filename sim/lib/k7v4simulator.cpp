#include "k7v4simulator.h"

#include "radiotexts.h"
#include "registers.h"
#include "statefile.h"

#include "protocol/radiocommands.h"
#include "protocol/radioconfig.h"

#include <QFile>
#include <QSaveFile>

#include <limits>
#include <utility>

namespace k7v4 {

namespace radio = quenda::radio;

namespace {

// Longest command line the radio keeps; the rest of a longer line is dropped and it fails.
constexpr int kMaxLineLength = 128;
// A channel entry answer has at most this many digits (the highest frequency has nine).
constexpr int kMaxAnswerDigits = 10;
// Larger state files are refused rather than read.
constexpr qint64 kMaxStateFileSize = 1 << 20;

enum class Mode {
    Data,       // passing data; only the escape sequence counts
    Command,    // configuration mode, taking command lines
    AccessCode, // after the channel entry command, waiting for the access code
    Entry,      // answering the channel entry prompts
};

enum class Field { Channel, Frequency, Bandwidth, Direction };

const char *prompt(Field field)
{
    switch (field) {
    case Field::Channel:
        return radio::kPromptChannel;
    case Field::Frequency:
        return radio::kPromptFrequency;
    case Field::Bandwidth:
        return radio::kPromptBandwidth;
    case Field::Direction:
        return radio::kPromptDirection;
    }
    return radio::kPromptChannel;
}

std::optional<qint64> digitsValue(const QByteArray &text)
{
    if (text.isEmpty() || text.size() > kMaxAnswerDigits)
        return std::nullopt;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    return text.toLongLong();
}

// Register assignment "ATSnnn=value" (already upper case): register and value, none if malformed.
std::optional<std::pair<int, int>> registerAssignment(const QByteArray &upper)
{
    const QByteArray prefix = text::kRegisterPrefixUpper;
    if (!upper.startsWith(prefix))
        return std::nullopt;
    const QByteArray rest = upper.mid(prefix.size());
    const int eq = int(rest.indexOf(text::kRegisterSeparator));
    if (eq != 3)
        return std::nullopt;
    const auto reg = digitsValue(rest.left(3));
    QByteArray valueText = rest.mid(eq + 1);
    bool negative = false;
    if (valueText.startsWith('-') || valueText.startsWith('+')) {
        negative = valueText.startsWith('-');
        valueText.remove(0, 1);
    }
    const auto value = digitsValue(valueText);
    if (!reg || !value || *value > std::numeric_limits<int>::max())
        return std::nullopt;
    return std::pair{int(*reg), int(negative ? -*value : *value)};
}

QByteArray channelLine(int number, const Channel &channel)
{
    QByteArray line(text::kDirectionColumn, ' ');
    const auto put = [&line](int column, const QByteArray &bytes) {
        line.replace(column, bytes.size(), bytes);
    };
    put(text::kChannelColumn, QByteArray::number(number).leftJustified(text::kChannelWidth, ' '));
    const qint64 mhz = channel.frequencyHz / 1000000;
    const qint64 fraction = channel.frequencyHz % 1000000;
    put(text::kFrequencyColumn, QByteArray::number(mhz).rightJustified(3, '0') + '.' +
                                    QByteArray::number(fraction).rightJustified(6, '0') +
                                    text::kFrequencyUnit);
    const std::size_t bw = std::size_t(qBound(0, channel.bandwidthCode, kMaxBandwidthCode));
    put(text::kBandwidthColumn, quenda::tables::channelBandwidthTexts[bw]);
    const std::size_t dir = std::size_t(qBound(0, channel.directionCode, kMaxDirectionCode));
    return line + text::kDirections[dir] + text::kLineEnd;
}

} // namespace

RadioState RadioState::factoryDefault()
{
    RadioState state;
    state.serialNumber = QStringLiteral("21040517");
    state.registers = factoryRegisters();
    state.channels[0] = {433125000, 2, 2};
    state.channels[1] = {438500000, 1, 2};
    return state;
}

class Simulator::Private {
public:
    explicit Private(Simulator *q) : q(q) { setState(RadioState::factoryDefault()); }

    Simulator *q;
    RadioState working;
    RadioState stored;
    Misbehaviour misbehaviour;
    int lineBaud = kFallbackBaud;
    // The rate in use; a stored S102 takes effect at the next power-on or return to data mode,
    // so the answers of the configuration session that changed it still arrive.
    int activeBaud = kFallbackBaud;
    Mode mode = Mode::Data;
    QByteArray line;
    bool lineTooLong = false;
    QByteArray escapeTail;
    QByteArray accessCode;
    Field field = Field::Channel;
    int entryChannel = 0;
    Channel entry;
    QByteArray out;

    bool understood() const { return lineBaud == activeBaud; }
    int storedBaud() const
    {
        return baudOfCode(stored.registers.value(kBaudRegister, -1)).value_or(kFallbackBaud);
    }

    void setState(const RadioState &state)
    {
        working = state;
        stored = state;
        activeBaud = storedBaud();
        clearPartialInput();
    }

    void clearPartialInput()
    {
        line.clear();
        lineTooLong = false;
        escapeTail.clear();
    }

    void say(const QByteArray &bytes)
    {
        out += understood() ? bytes : QByteArray(bytes.size(), text::kGarbledByte);
    }

    void flush()
    {
        QByteArray bytes = std::exchange(out, {});
        if (bytes.isEmpty() || misbehaviour.silent)
            return;
        const int split = misbehaviour.splitAnswersAfter;
        if (split > 0 && bytes.size() > split) {
            emit q->send(bytes.left(split), 0);
            emit q->send(bytes.mid(split), misbehaviour.splitDelayMs);
        } else {
            emit q->send(bytes, 0);
        }
    }

    void enterConfigMode()
    {
        mode = Mode::Command;
        clearPartialInput();
        say(misbehaviour.beforeBanner + radio::kBanner);
    }

    void take(char byte)
    {
        switch (mode) {
        case Mode::Data:
            escapeTail.append(byte);
            if (escapeTail.size() > 3)
                escapeTail.remove(0, escapeTail.size() - 3);
            if (escapeTail == radio::kSoftEscape)
                enterConfigMode();
            return;
        case Mode::AccessCode:
            takeAccessCode(byte);
            return;
        case Mode::Command:
            if (byte == text::kEscape)
                return; // closes a channel entry that is not open: nothing to do
            break;
        case Mode::Entry:
            if (byte == text::kEscape) {
                say(QByteArray(text::kLineEnd) + radio::kOk);
                mode = Mode::Command;
                clearPartialInput();
                return;
            }
            break;
        }

        if (byte == text::kLineFeed)
            return;
        if (byte == text::kBackspace || byte == text::kDelete) {
            line.chop(1);
            return;
        }
        if (byte != text::kCarriageReturn) {
            if (line.size() < kMaxLineLength)
                line.append(byte);
            else
                lineTooLong = true;
            return;
        }
        const QByteArray complete = std::exchange(line, {});
        const bool tooLong = std::exchange(lineTooLong, false);
        say(complete + text::kLineEnd);
        if (mode == Mode::Entry)
            answerPrompt(complete, tooLong);
        else
            execute(complete, tooLong);
    }

    void takeAccessCode(char byte)
    {
        if (byte == text::kEscape) {
            say(QByteArray(text::kLineEnd) + radio::kOk);
            mode = Mode::Command;
            return;
        }
        accessCode.append(byte);
        const QByteArray code = radio::kAccessCode;
        if (!code.startsWith(accessCode)) {
            say(radio::kError);
            mode = Mode::Command;
            return;
        }
        if (accessCode == code) {
            field = Field::Channel;
            mode = Mode::Entry;
            say(QByteArray(text::kLineEnd) + prompt(field));
        }
    }

    void answerPrompt(const QByteArray &answer, bool tooLong)
    {
        const auto value = tooLong ? std::nullopt : digitsValue(answer);
        bool valid = value.has_value();
        if (valid) {
            switch (field) {
            case Field::Channel:
                valid = *value < kChannelCount;
                break;
            case Field::Frequency:
                valid = *value == 0 || (*value >= kMinFrequencyHz && *value <= kMaxFrequencyHz);
                valid = valid && misbehaviour.refuseFrequency != qint64(*value);
                break;
            case Field::Bandwidth:
                valid = *value <= kMaxBandwidthCode;
                break;
            case Field::Direction:
                valid = *value <= kMaxDirectionCode;
                break;
            }
        }
        if (!valid) {
            say(QByteArray(radio::kError) + prompt(field));
            return;
        }
        switch (field) {
        case Field::Channel:
            entryChannel = int(*value);
            entry = {};
            field = Field::Frequency;
            break;
        case Field::Frequency:
            entry.frequencyHz = *value;
            field = Field::Bandwidth;
            break;
        case Field::Bandwidth:
            entry.bandwidthCode = int(*value);
            field = Field::Direction;
            break;
        case Field::Direction:
            entry.directionCode = int(*value);
            working.channels[std::size_t(entryChannel)] =
                entry.frequencyHz == 0 ? Channel{} : entry;
            field = Field::Channel;
            break;
        }
        say(prompt(field));
    }

    void execute(const QByteArray &command, bool tooLong)
    {
        const QByteArray upper = command.toUpper();
        const QByteArray presetPrefix = radio::kFactoryPresetPrefix;
        if (tooLong) {
            say(radio::kError);
        } else if (upper.isEmpty() || upper == text::kAttention) {
            say(radio::kOk);
        } else if (upper == radio::kReadSettings) {
            say(settingsReport() + radio::kOk);
        } else if (upper == radio::kReadChannels) {
            say(channelListing());
        } else if (upper == radio::kEnterChannels) {
            accessCode.clear();
            mode = Mode::AccessCode;
        } else if (upper == radio::kStore) {
            stored = working;
            say(radio::kOk);
        } else if (upper == radio::kLeaveConfig) {
            say(radio::kOk);
            mode = Mode::Data;
            activeBaud = storedBaud();
        } else if (upper.startsWith(presetPrefix)) {
            const auto number = digitsValue(upper.mid(presetPrefix.size()));
            const auto preset = number ? presetRegisters(int(*number)) : std::nullopt;
            if (preset) {
                for (auto it = preset->cbegin(); it != preset->cend(); ++it)
                    working.registers[it.key()] = it.value();
                say(radio::kOk);
            } else {
                say(radio::kError);
            }
        } else if (const auto assignment = registerAssignment(upper)) {
            const auto [reg, value] = *assignment;
            const RegisterRule *rule = findRegister(reg);
            if (rule && rule->accepts(value) && misbehaviour.errorOnRegister != reg) {
                if (misbehaviour.ignoreRegister != reg)
                    working.registers[reg] = value;
                say(radio::kOk);
            } else {
                say(radio::kError);
            }
        } else {
            say(radio::kError);
        }
    }

    QByteArray settingsReport() const
    {
        QByteArray report = QByteArray(text::kReportHeading) + text::kLineEnd;
        report += QByteArray(radio::kSerialTag) + text::kSerialSeparator +
                  working.serialNumber.toLatin1() + text::kLineEnd;
        for (auto it = working.registers.cbegin(); it != working.registers.cend(); ++it) {
            report += 'S' + QByteArray::number(it.key()) + text::kRegisterSeparator +
                      QByteArray::number(it.value()) + text::kLineEnd;
        }
        return report;
    }

    QByteArray channelListing() const
    {
        QByteArray listing = QByteArray(text::kListingHeading) + text::kLineEnd;
        listing += QByteArray(text::kListingRuler) + text::kLineEnd + text::kLineEnd;
        for (int ch = 0; ch < kChannelCount; ++ch) {
            const Channel &c = working.channels[std::size_t(ch)];
            if (c.frequencyHz != 0)
                listing += channelLine(ch, c);
        }
        return listing + text::kLineEnd + radio::kOk;
    }
};

Simulator::Simulator(QObject *parent) : QObject(parent), d(std::make_unique<Private>(this)) {}

Simulator::~Simulator() = default;

void Simulator::setLineBaud(int baud)
{
    d->lineBaud = baud;
}

int Simulator::ownBaud() const
{
    return d->activeBaud;
}

void Simulator::receive(const QByteArray &bytes)
{
    for (char byte : bytes) {
        if (!d->understood()) {
            // Bytes at another rate arrive as noise: whatever was half typed is lost.
            d->clearPartialInput();
            break;
        }
        d->take(byte);
    }
    d->flush();
}

void Simulator::powerOn(bool configHeld)
{
    d->working = d->stored; // unsaved changes do not survive switching off
    d->activeBaud = d->storedBaud();
    d->mode = Mode::Data;
    d->clearPartialInput();
    if (configHeld)
        d->enterConfigMode();
    d->flush();
}

bool Simulator::inConfigMode() const
{
    return d->mode != Mode::Data;
}

RadioState Simulator::working() const
{
    return d->working;
}

RadioState Simulator::stored() const
{
    return d->stored;
}

void Simulator::setState(const RadioState &state)
{
    d->setState(state);
}

Misbehaviour &Simulator::misbehaviour()
{
    return d->misbehaviour;
}

bool Simulator::loadFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray text = file.read(kMaxStateFileSize + 1);
    if (text.size() > kMaxStateFileSize) {
        if (error)
            *error = QStringLiteral("%1 is too large for a state file").arg(path);
        return false;
    }
    QString why;
    const auto state = parseState(text, &why);
    if (!state) {
        if (error)
            *error = QStringLiteral("%1, %2").arg(path, why);
        return false;
    }
    setState(*state);
    return true;
}

bool Simulator::saveFile(const QString &path, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(formatState(d->stored)) < 0 ||
        !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace k7v4
