#pragma once

#include "protocol/radioconfig.h"

#include <QList>
#include <QString>

namespace quenda {

// A channel plan as text: 64 lines "n TAB frequency TAB BW TAB DIR CR LF" in the local code page.
namespace channelfile {

// The 64 rows as the channel list shows them; `channel` is column 0 and is not written.
using Rows = std::array<ChannelEntry, kChannelSlots>;

QByteArray format(const Rows &rows);

// Writes the file and makes it read-only. On failure the earlier file is left as it was.
bool write(const QString &path, const Rows &rows, QString *error);

struct Import {
    // Slot i: the fields of the i-th line of the file (not indexed by channel).
    std::array<ChannelEntry, kChannelSlots> importTable{};
    // Rows to set, in file order; a later entry for the same row wins.
    QList<std::pair<int, ChannelEntry>> rows;
    // Line (from 1) whose fields hold a control character; then nothing else is filled.
    int controlCharacterLine = 0;
};

// Tells UTF-8 (with or without byte-order mark), UTF-16 with byte-order mark and GB18030/GBK
// apart by the bytes.
Import parse(const QByteArray &content);

// Reads and parses a regular file of at most 1 MB. Fails, setting `error` with the file's name,
// when the file cannot be read, holds a control character in a field or yields no row.
bool read(const QString &path, Import *result, QString *error);

// The radio's serial number as a file name to propose: no folders, nothing invisible.
QString proposedFileName(const QString &serialNumber);

} // namespace channelfile
} // namespace quenda
