#pragma once

#include "protocol/radioconfig.h"

namespace quenda {

// A raw value longer than this is noise (a radio at the wrong rate, a data stream): it is cut
// there, so that a chunk of noise costs linear time. The radio's own values are a few characters.
inline constexpr int kMaxRawValueLength = 64;

// Characters from `position` up to the first space or carriage return, ending at the chunk's end.
int TokenLength(int position, const char *bytes, int n);

// Fills `config` from one received chunk: the settings report and the channel listing.
// Reads nothing outside bytes[0, n). True when the chunk carried a report or a listing at all
// (a serial number, a register tag or the listing's heading).
bool ParseReport(const char *bytes, int n, RadioConfig &config);

} // namespace quenda
