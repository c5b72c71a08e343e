#pragma once

#include "protocol/radioconfig.h"

#include <QList>

namespace quenda {

// Why a changed row of the channel list is not written as it stands.
enum class RowProblem {
    UnreadableFrequency, // text that is no number, or no frequency in an otherwise filled row
    Incomplete,          // some of frequency, BW and DIR empty
    UnknownBandwidth,    // none of the three texts the radio lists
    FrequencyOutOfRange, // outside what the radio's prompt takes, 410 to 480 MHz
};

struct ChannelRowProblem {
    int row = -1;
    RowProblem problem = RowProblem::Incomplete;
    QString text; // the cell at fault: frequency or BW; empty for an incomplete row

    friend bool operator==(const ChannelRowProblem &, const ChannelRowProblem &) = default;
};

// A row with an unreadable frequency stops a save before anything is sent: it would otherwise
// go out as 0, which deletes the channel. The other problems only leave their rows out.
inline bool blocksSave(RowProblem problem)
{
    return problem == RowProblem::UnreadableFrequency;
}

inline constexpr qint32 kLowestFrequencyHz = 410000000;
inline constexpr qint32 kHighestFrequencyHz = 480000000;

// The changed rows that a save would not write, in row order. A row whose frequency and BW are
// empty, as a free row is after a click put "Rx&Tx" into it, is no problem when it was free
// when read: there is nothing to write.
QList<ChannelRowProblem> FindChannelProblems(const ChannelTable &rows,
                                             const ChannelTable &readCopy);

// Turns the channel list rows that differ from their as-read copy into the entries a save
// writes, in row order. Both tables are in display form with the row label as `channel`.
// `pending` receives command form: frequency in Hz, bandwidth code, direction "2";
// a row the user emptied becomes "0", "0", "0", which deletes the channel in the radio.
// Rows with a problem above are not written; the slot after the last written one keeps the
// label of a later changed row, so that a save of left-out rows only still names a channel.
// `leftOut`, if given, receives the changed rows that are not written.
// Returns true when at least one row differs from `readCopy`, written or not.
bool BuildPendingChannels(const ChannelTable &rows, const ChannelTable &readCopy,
                          ChannelTable &pending, int &pendingCount, QList<int> *leftOut = nullptr);

} // namespace quenda
