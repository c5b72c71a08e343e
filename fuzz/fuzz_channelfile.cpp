#include "pages/channelfile.h"

#include <cstdint>
#include <cstdlib>

using namespace quenda;

namespace {

bool holds(const QString &text, QChar c)
{
    return text.contains(c);
}

// A row comes back from an export when its line is long enough to be read and its TABs and
// line ends cannot move field borders.
bool survivesExport(int n, const ChannelEntry &row)
{
    const QByteArray line = QByteArray::number(n) + '\t' + row.frequency.toLocal8Bit() + '\t'
                            + row.bandwidth.toLocal8Bit() + '\t' + row.direction.toLocal8Bit();
    if (line.size() <= 10)
        return false;
    for (const QString *cell : {&row.frequency, &row.bandwidth})
        if (holds(*cell, u'\t') || holds(*cell, u'\n'))
            return false;
    return !holds(row.direction, u'\n');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), qsizetype(size));
    const channelfile::Import imported = channelfile::parse(content);

    channelfile::Rows rows{};
    for (const auto &[row, entry] : imported.rows) {
        if (row < 0 || row >= kChannelSlots)
            std::abort();
        rows[row] = {QString(), entry.frequency, entry.bandwidth, entry.direction};
    }

    // Exporting what was imported and importing it again gives the same cells, whatever the
    // encoding the first file came in.
    const channelfile::Import again = channelfile::parse(channelfile::format(rows));
    channelfile::Rows back{};
    for (const auto &[row, entry] : again.rows)
        back[row] = {QString(), entry.frequency, entry.bandwidth, entry.direction};
    for (int n = 0; n < kChannelSlots; ++n) {
        const ChannelEntry expected = survivesExport(n, rows[n]) ? rows[n] : ChannelEntry{};
        if (back[n] != expected)
            std::abort();
    }
    return 0;
}
