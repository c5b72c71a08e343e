#pragma once

#include "protocol/radioconfig.h"

namespace quenda {

// Turns the channel list rows that differ from their as-read copy into the entries a save
// writes, in row order. Both tables are in display form with the row label as `channel`.
// `pending` receives command form: frequency in Hz, bandwidth code, direction "2";
// a row the user emptied becomes "0", "0", "0", which deletes the channel in the radio.
// Rows that are only partly filled, whose BW text is none of the three listing texts or whose
// frequency does not fit a 32-bit number of Hz are not written.
// Returns true when at least one row differs from `readCopy`, written or not.
bool BuildPendingChannels(const ChannelTable &rows, const ChannelTable &readCopy,
                          ChannelTable &pending, int &pendingCount);

} // namespace quenda
