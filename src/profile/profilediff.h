#pragma once

#include "profile/profile.h"

#include <QList>
#include <QString>

#include <utility>

namespace quenda {

// One setting that two sides hold differently.
struct ProfileDifference {
    enum class Kind { Register, Channel };
    Kind kind = Kind::Register;
    int number = 0; // register number, or channel number
    QString label;  // the register's caption as the pages show it, or "通道 n"
    QString first;  // the value on the first side (of a save: what was written)
    QString second; // the value on the second side (of a save: what the radio holds)

    bool operator==(const ProfileDifference &) const = default;
};

// Registers in the radio's order, then channel rows by number. The serial numbers are not
// compared: two radios are compared by what they are set to.
QList<ProfileDifference> diffProfiles(const RadioProfile &first, const RadioProfile &second);

// What a save sent: each register with the value written, and the channel rows entered, in
// command form (frequency "0" deletes the channel).
struct WrittenSettings {
    QList<std::pair<int, int>> registers;
    QList<ChannelEntry> channels;
};

// The values a save writes for the pages' selection and its pending channel entries.
WrittenSettings writtenSettings(const SettingsSelection &selection, const ChannelTable &pending,
                                int pendingCount);

// Compares what a save wrote with what the radio reported afterwards; `first` of each difference
// is the value written, `second` the value held.
QList<ProfileDifference> verifySave(const WrittenSettings &written, const RadioProfile &held);

} // namespace quenda
