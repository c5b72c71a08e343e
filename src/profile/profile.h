#pragma once

#include "profile/registers.h"
#include "protocol/radioconfig.h"
#include "protocol/settingsselection.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace quenda {

// One programmed channel in command form, as a save enters it after "ATP0=".
struct ProfileChannel {
    int frequencyHz = 0;
    int bandwidth = 0; // 0 = 6.25 kHz, 1 = 12.5 kHz, 2 = 25 kHz
    int direction = 2; // 0 = Rx, 1 = Tx, 2 = Rx&Tx

    bool operator==(const ProfileChannel &) const = default;
};

inline constexpr int kMinFrequencyHz = 410000000;
inline constexpr int kMaxFrequencyHz = 480000000;
inline constexpr int kLastBandwidthCode = 2;
inline constexpr int kLastDirectionCode = 2;

// Everything the program reads from a radio, by value: what a profile file and a backup hold.
struct RadioProfile {
    QString serialNumber;
    // In the order of profileRegisters(); none when the radio did not report a usable value.
    std::array<std::optional<int>, kProfileRegisterCount> registers{};
    // Indexed by channel number; none is a free channel.
    std::array<std::optional<ProfileChannel>, kChannelSlots> channels{};

    std::optional<int> value(int reg) const;
    void setValue(int reg, std::optional<int> value);
    int channelCount() const;

    bool operator==(const RadioProfile &) const = default;
};

namespace profile {

inline constexpr char kFormat[] = "quenda-profile";
inline constexpr int kVersion = 1;
// Far more than any profile; keeps a wrongly chosen large file from being read whole.
inline constexpr qint64 kMaxFileBytes = qint64(1) << 20;

// What a read left in the record. Channel lines that cannot be put in command form are left
// out and described in `skipped`, one text per line.
RadioProfile fromConfig(const RadioConfig &config, QStringList *skipped = nullptr);

// Human-readable JSON with stable keys in a fixed order, one channel per line.
QByteArray toJson(const RadioProfile &profile);

struct Loaded {
    std::optional<RadioProfile> profile; // none when the file was rejected
    QString error;                       // why it was rejected
    QStringList unknownKeys;             // ignored keys, as paths such as "channels[3].note"
};

// Strict: the first bad value rejects the whole file.
Loaded fromJson(const QByteArray &bytes);

// Atomic: a failure leaves an earlier file as it was.
bool write(const QString &path, const RadioProfile &profile, QString *error);
Loaded read(const QString &path);

// The pages: registers from and to the list positions and unit address. A position without a
// listed value (nothing selected, an empty list item) gives no value; a register without a
// value leaves its member as it is.
void setRegisters(RadioProfile &profile, const SettingsSelection &selection);
void applyRegisters(const RadioProfile &profile, SettingsSelection &selection);

// The pages: channel rows in display form, row n for channel n with its label in `channel`.
ChannelTable channelRows(const RadioProfile &profile);
// Rows that are partly filled or whose cells give no command form are left out and described
// in `skipped`.
void setChannels(RadioProfile &profile, const ChannelTable &rows, QStringList *skipped = nullptr);

// Display form of the channel listing and the channel list page.
QString frequencyText(int hz); // "433.125000"
QString bandwidthText(int code);
QString directionText(int code);
// The leading number of a MHz text in Hz, fractions below 1 Hz cut off, as a save reads it.
std::optional<int> frequencyHzOf(const QString &mhz);
// -1 for a text the radio does not list.
int bandwidthCodeOf(const QString &text);
int directionCodeOf(const QString &text);

// One row as a line of text, for windows and messages; "（空）" for a free channel.
QString describeChannel(const std::optional<ProfileChannel> &channel);
// A register value as the pages show it; "（无）" when there is none.
QString describeRegister(const RegisterInfo &info, const std::optional<int> &value);
QString channelLabel(int number); // "通道 5"

} // namespace profile
} // namespace quenda
