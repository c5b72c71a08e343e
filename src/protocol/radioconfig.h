#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <span>

namespace quenda {

inline constexpr int kChannelSlots = 64;

// One row of a channel table, in display form (as listed) or command form (as entered).
struct ChannelEntry {
    QString channel;
    QString frequency;
    QString bandwidth;
    QString direction;

    bool operator==(const ChannelEntry &) const = default;
};

using ChannelTable = std::array<ChannelEntry, kChannelSlots>;

// The configuration the radio last reported, as the pages show it. Written only by ParseReport.
struct RadioConfig {
    QString serialNumber;
    QString protocol;
    QString mainRxChannel;
    QString mainTxChannel;
    QString repeaterRxChannel;
    QString repeaterTxChannel;
    QString workMode;
    QString serialBaud;
    QString dataFormat;
    QString airRate;
    QString modulation;
    QString bandwidth;
    QString unitAddress;
    QString outputPower;
    QString fecMode;
    ChannelTable channels;
    int channelCount = 0;

    bool operator==(const RadioConfig &) const = default;
};

// Register value to display text. A list position on a page is the value less `first`;
// a null entry is a value without text (an empty list item on the page).
struct CodeTable {
    int first;
    std::span<const char *const> texts;

    // Empty when the table does not list the value.
    QString text(int value) const;
    // Position of a whole-text match, -1 when none.
    int position(const QString &text) const;
    bool lists(int value) const { return !text(value).isEmpty(); }
    // The page's list items, an empty item for each gap.
    QStringList listItems() const;
    int last() const { return first + int(texts.size()) - 1; }
};

namespace tables {
extern const CodeTable T101; // work mode
extern const CodeTable T102; // serial interface baud rate
extern const CodeTable T103; // over-the-air rate
extern const CodeTable T108; // output power
extern const CodeTable T110; // serial data format
extern const CodeTable T125; // channel bandwidth (register texts)
extern const CodeTable T127; // modulation
extern const CodeTable T158; // forward error correction
extern const CodeTable T186; // over-the-air protocol

// The radio settings page shows the bandwidth with other blanks than the register texts.
extern const std::array<const char *, 3> bandwidthListItems;
// The channel listing's 8-character bandwidth texts, by command code 0, 1, 2.
extern const std::array<const char *, 3> channelBandwidthTexts;
} // namespace tables

// Decimal value of a text in the manner of atoi: blanks skipped, optional sign, digits.
int atoiValue(const QString &text);
// Leading number of a text in the manner of atof; 0 when it does not start with one.
double atofValue(const QString &text);

} // namespace quenda
