#include "linepacer.h"

namespace k7v4 {

namespace {
constexpr qint64 kMsPerSecond = 1000;

// Bytes of a piece started at `startMs` that have fully arrived by `nowMs`.
qsizetype arrivedBy(qint64 startMs, int baud, qsizetype size, qint64 nowMs)
{
    if (nowMs < startMs)
        return 0;
    if (baud <= 0)
        return size;
    const qint64 bytes = (nowMs - startMs) * baud / (LinePacer::kBitsPerByte * kMsPerSecond);
    return qsizetype(qMin<qint64>(bytes, size));
}
} // namespace

qint64 LinePacer::durationMs(qsizetype bytes, int baud)
{
    if (baud <= 0 || bytes <= 0)
        return 0;
    const qint64 bitMs = qint64(bytes) * kBitsPerByte * kMsPerSecond;
    return (bitMs + baud - 1) / baud;
}

void LinePacer::queue(const QByteArray &bytes, int delayMs, int baud, qint64 nowMs)
{
    if (bytes.isEmpty())
        return;
    const qint64 start = qMax(nowMs, m_quietFromMs) + qMax(0, delayMs);
    m_pieces.push_back({bytes, start, baud});
    m_quietFromMs = start + durationMs(bytes.size(), baud);
    m_pending += bytes.size();
}

QByteArray LinePacer::take(qint64 nowMs)
{
    QByteArray out;
    while (!m_pieces.empty()) {
        Piece &piece = m_pieces.front();
        const qsizetype arrived = arrivedBy(piece.startMs, piece.baud, piece.bytes.size(), nowMs);
        if (arrived > piece.taken) {
            out += piece.bytes.mid(piece.taken, arrived - piece.taken);
            m_pending -= arrived - piece.taken;
            piece.taken = arrived;
        }
        if (piece.taken < piece.bytes.size())
            break;
        m_pieces.pop_front();
    }
    return out;
}

std::optional<qint64> LinePacer::nextArrival() const
{
    if (m_pieces.empty())
        return std::nullopt;
    const Piece &piece = m_pieces.front();
    return piece.startMs + durationMs(piece.taken + 1, piece.baud);
}

void LinePacer::clear()
{
    m_pieces.clear();
    m_pending = 0;
    m_quietFromMs = 0;
}

} // namespace k7v4
