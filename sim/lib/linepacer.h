#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <deque>
#include <optional>

namespace k7v4 {

// The radio's side of the serial line. What the radio says leaves in order, one start bit, eight
// data bits and one stop bit a byte, so a 64-channel listing takes seconds, as on a real line.
// Time is whatever clock the caller keeps (real or virtual), in milliseconds.
class LinePacer {
public:
    static constexpr int kBitsPerByte = 10;

    // `bytes` go on the line `delayMs` after it has gone quiet (or after `nowMs` if it is quiet
    // already). `baud` 0 puts them on the line all at once.
    void queue(const QByteArray &bytes, int delayMs, int baud, qint64 nowMs);
    // What has reached the far end by `nowMs` and was not taken before.
    QByteArray take(qint64 nowMs);
    // When the next byte reaches the far end; none when nothing is on the way.
    std::optional<qint64> nextArrival() const;
    // Bytes queued and not taken yet.
    qsizetype pending() const { return m_pending; }
    void clear();

    // How long `bytes` bytes take on the line at `baud`.
    static qint64 durationMs(qsizetype bytes, int baud);

private:
    struct Piece {
        QByteArray bytes;
        qint64 startMs;
        int baud;
        qsizetype taken = 0;
    };
    std::deque<Piece> m_pieces;
    qint64 m_quietFromMs = 0;
    qsizetype m_pending = 0;
};

} // namespace k7v4
