#include "protocol/pendingchannels.h"

#include <cmath>
#include <limits>
#include <optional>

namespace quenda {
namespace {
std::optional<qint32> frequencyHz(const QString &mhzText)
{
    const double hz = std::trunc(atofValue(mhzText) * 1000000.0);
    if (!std::isfinite(hz) || hz < std::numeric_limits<qint32>::min() ||
        hz > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(hz);
}

int bandwidthCode(const QString &text)
{
    for (std::size_t code = 0; code < tables::channelBandwidthTexts.size(); ++code) {
        if (text == QLatin1String(tables::channelBandwidthTexts[code]))
            return int(code);
    }
    return -1;
}
} // namespace

bool BuildPendingChannels(const ChannelTable &rows, const ChannelTable &readCopy,
                          ChannelTable &pending, int &pendingCount)
{
    pending.fill(ChannelEntry{});
    pendingCount = 0;
    int unchanged = 0;

    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ChannelEntry &now = rows[i];
        const ChannelEntry &read = readCopy[i];
        // A row label that differs means the list was never filled from the radio.
        if (now.channel != read.channel)
            continue;
        if (now.frequency == read.frequency && now.bandwidth == read.bandwidth &&
            now.direction == read.direction) {
            ++unchanged;
            continue;
        }

        const bool allFilled =
            !now.frequency.isEmpty() && !now.bandwidth.isEmpty() && !now.direction.isEmpty();
        const bool allEmpty =
            now.frequency.isEmpty() && now.bandwidth.isEmpty() && now.direction.isEmpty();
        ChannelEntry entry;
        entry.channel = now.channel;
        if (allFilled) {
            const std::optional<qint32> hz = frequencyHz(now.frequency);
            const int bw = bandwidthCode(now.bandwidth);
            if (!hz || bw < 0)
                continue;
            entry.frequency = QString::number(*hz);
            entry.bandwidth = QString::number(bw);
            entry.direction = QStringLiteral("2");
        } else if (allEmpty) {
            entry.frequency = entry.bandwidth = entry.direction = QStringLiteral("0");
        } else {
            continue;
        }
        pending[std::size_t(pendingCount++)] = entry;
    }
    return unchanged < kChannelSlots;
}

} // namespace quenda
