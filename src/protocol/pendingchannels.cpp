#include "protocol/pendingchannels.h"

#include <cmath>
#include <limits>
#include <optional>
#include <variant>

namespace quenda {
namespace {
// Blanks, an optional sign, digits with at most one point, blanks: what the user means as MHz.
// "43x.125000" or "nan" would read as some number in the manner of atof, and go out as it.
bool readsAsFrequency(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
        ++i;
    bool digits = false;
    bool point = false;
    for (; i < t.size(); ++i) {
        if (t[i] >= u'0' && t[i] <= u'9') {
            digits = true;
        } else if (t[i] == u'.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits;
}

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

bool isFree(const ChannelEntry &row)
{
    return row.frequency.trimmed().isEmpty() && row.bandwidth.isEmpty();
}

struct NothingToWrite {};
using Verdict = std::variant<ChannelEntry, ChannelRowProblem, NothingToWrite>;

// What a save does with a row that differs from its as-read copy.
Verdict judge(int row, const ChannelEntry &now, const ChannelEntry &read)
{
    auto problem = [row](RowProblem kind, const QString &text = {}) {
        return ChannelRowProblem{row, kind, text};
    };
    if (now.frequency.isEmpty() && now.bandwidth.isEmpty() && now.direction.isEmpty())
        return ChannelEntry{now.channel, QStringLiteral("0"), QStringLiteral("0"),
                            QStringLiteral("0")};

    if (now.frequency.trimmed().isEmpty()) {
        if (!now.bandwidth.isEmpty() && !now.direction.isEmpty())
            return problem(RowProblem::UnreadableFrequency, now.frequency);
        if (isFree(now) && isFree(read))
            return NothingToWrite{};
        return problem(RowProblem::Incomplete);
    }
    if (!readsAsFrequency(now.frequency))
        return problem(RowProblem::UnreadableFrequency, now.frequency);
    if (now.bandwidth.isEmpty() || now.direction.isEmpty())
        return problem(RowProblem::Incomplete);
    const int bw = bandwidthCode(now.bandwidth);
    if (bw < 0)
        return problem(RowProblem::UnknownBandwidth, now.bandwidth);
    const std::optional<qint32> hz = frequencyHz(now.frequency);
    if (!hz || *hz < kLowestFrequencyHz || *hz > kHighestFrequencyHz)
        return problem(RowProblem::FrequencyOutOfRange, now.frequency);
    return ChannelEntry{now.channel, QString::number(*hz), QString::number(bw),
                        QStringLiteral("2")};
}

// Rows a save compares; a row label that differs means the list was never filled from the radio.
bool differs(const ChannelEntry &now, const ChannelEntry &read)
{
    return now.channel == read.channel &&
           (now.frequency != read.frequency || now.bandwidth != read.bandwidth ||
            now.direction != read.direction);
}
} // namespace

QList<ChannelRowProblem> FindChannelProblems(const ChannelTable &rows,
                                             const ChannelTable &readCopy)
{
    QList<ChannelRowProblem> problems;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!differs(rows[i], readCopy[i]))
            continue;
        const Verdict verdict = judge(int(i), rows[i], readCopy[i]);
        if (const auto *problem = std::get_if<ChannelRowProblem>(&verdict))
            problems.append(*problem);
    }
    return problems;
}

bool BuildPendingChannels(const ChannelTable &rows, const ChannelTable &readCopy,
                          ChannelTable &pending, int &pendingCount, QList<int> *leftOut)
{
    pending.fill(ChannelEntry{});
    pendingCount = 0;
    if (leftOut)
        leftOut->clear();
    int unchanged = 0;

    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ChannelEntry &now = rows[i];
        const ChannelEntry &read = readCopy[i];
        if (now.channel != read.channel)
            continue;
        if (!differs(now, read)) {
            ++unchanged;
            continue;
        }
        const Verdict verdict = judge(int(i), now, read);
        if (const auto *entry = std::get_if<ChannelEntry>(&verdict)) {
            pending[std::size_t(pendingCount++)] = *entry;
            continue;
        }
        // Not written; the slot keeps its label until a written row takes it over.
        if (pendingCount < kChannelSlots)
            pending[std::size_t(pendingCount)].channel = now.channel;
        if (leftOut)
            leftOut->append(int(i));
    }
    return unchanged < kChannelSlots;
}

} // namespace quenda
