#pragma once

#include "protocol/radiocommands.h"

#include <array>

// What the simulated radio says beyond the texts the program sends or recognises
// (those live in quenda::radio and are reused from there).
namespace k7v4::text {

inline constexpr char kLineEnd[] = "\r\n";
inline constexpr char kEscape = '\x1b';
inline constexpr char kCarriageReturn = '\r';
inline constexpr char kLineFeed = '\n';
inline constexpr char kBackspace = '\x08';
inline constexpr char kDelete = '\x7f';

// Commands the radio knows besides those in quenda::radio.
inline constexpr char kAttention[] = "AT";
inline constexpr char kRegisterPrefixUpper[] = "ATS";

// Settings report: a heading, the serial number line, one line per register.
inline constexpr char kReportHeading[] = "K7V4 UHF DATA RADIO MODEM";
inline constexpr char kSerialSeparator[] = ": ";
inline constexpr char kRegisterSeparator = '=';

// Channel listing: heading, ruler (its last two dashes start the listing marker), empty line.
inline constexpr char kListingHeading[] =
    "CH                  FREQUENCY         BANDWIDTH    DIRECTION";
inline constexpr char kListingRuler[] =
    "------------------------------------------------------------";
inline constexpr char kFrequencyUnit[] = " MHz";
// Columns of a channel line.
inline constexpr int kChannelColumn = 0;
inline constexpr int kChannelWidth = 2;
inline constexpr int kFrequencyColumn = 20;
inline constexpr int kBandwidthColumn = 38;
inline constexpr int kDirectionColumn = 51;
inline constexpr std::array<const char *, 3> kDirections{"Rx", "Tx", "Rx&Tx"};

// What a byte sent at the wrong line rate turns into at the other end.
inline constexpr char kGarbledByte = '\xfe';

} // namespace k7v4::text
