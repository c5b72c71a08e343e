#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <deque>

namespace quenda {

// One thing that passed on the serial port, or a note on the port itself (opened, rate,
// closed, lost), stamped on a monotonic clock.
struct CommLogEntry {
    enum class Kind { Sent, Received, Note };
    Kind kind = Kind::Note;
    qint64 atNs = 0; // since the log started; never decreases
    QByteArray bytes;
    QString note;
};

// Every byte sent and received in a session, in the order it passed. Appending costs a copy of
// an implicitly shared array and a clock read, so the log is kept whether or not anyone looks.
// The oldest entries go once the log holds more than kMaxBytes.
class CommLog : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxBytes = 16 * 1024 * 1024;

    explicit CommLog(QObject *parent = nullptr);

    void sent(const QByteArray &bytes) { append(CommLogEntry::Kind::Sent, bytes, {}); }
    void received(const QByteArray &bytes) { append(CommLogEntry::Kind::Received, bytes, {}); }
    void note(const QString &text) { append(CommLogEntry::Kind::Note, {}, text); }
    void clear();

    const std::deque<CommLogEntry> &entries() const { return m_entries; }
    // How many entries have been appended since the start, dropped and cleared ones included:
    // entry i of entries() is number firstNumber() + i.
    quint64 appendedCount() const { return m_appended; }
    quint64 firstNumber() const { return m_appended - m_entries.size(); }
    // Wall-clock time of the log's zero, for the stamps shown.
    QDateTime startedAt() const { return m_startedAt; }

    // "AT&V<CR>": printable ASCII as it stands, every other byte named or in hex.
    static QString visibleText(const QByteArray &bytes);
    // "41 54 26 56 0D".
    static QString hexText(const QByteArray &bytes);
    // One line: wall time, seconds since the start, direction, text, hex.
    QString formatEntry(const CommLogEntry &entry) const;
    // All entries, one line each, with a heading line.
    QString toText() const;

signals:
    // An entry was appended at the end of entries().
    void appended();
    void cleared();

private:
    void append(CommLogEntry::Kind kind, const QByteArray &bytes, const QString &note);

    QElapsedTimer m_clock;
    QDateTime m_startedAt;
    std::deque<CommLogEntry> m_entries;
    qsizetype m_bytes = 0;
    qint64 m_lastNs = 0;
    quint64 m_appended = 0;
};

} // namespace quenda
