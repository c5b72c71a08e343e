#include "link/commlog.h"

#include "protocol/messages.h"

#include <QStringList>

namespace quenda {

CommLog::CommLog(QObject *parent) : QObject(parent), m_startedAt(QDateTime::currentDateTime())
{
    m_clock.start();
}

void CommLog::append(CommLogEntry::Kind kind, const QByteArray &bytes, const QString &note)
{
    if (kind != CommLogEntry::Kind::Note && bytes.isEmpty())
        return;
    // The clock is monotonic; the guard keeps stamps in order should it ever step back.
    m_lastNs = std::max(m_lastNs, m_clock.nsecsElapsed());
    m_entries.push_back(CommLogEntry{kind, m_lastNs, bytes, note});
    m_bytes += bytes.size() + note.size() * 2;
    ++m_appended;
    while (m_bytes > kMaxBytes && m_entries.size() > 1) {
        m_bytes -= m_entries.front().bytes.size() + m_entries.front().note.size() * 2;
        m_entries.pop_front();
    }
    emit appended();
}

void CommLog::clear()
{
    m_entries.clear();
    m_bytes = 0;
    emit cleared();
}

QString CommLog::visibleText(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size() + 8);
    for (const char c : bytes) {
        const uchar b = uchar(c);
        switch (b) {
        case '\r': out += QLatin1String("<CR>"); break;
        case '\n': out += QLatin1String("<LF>"); break;
        case 0x1b: out += QLatin1String("<ESC>"); break;
        case 0x00: out += QLatin1String("<NUL>"); break;
        case '\t': out += QLatin1String("<TAB>"); break;
        default:
            if (b >= 0x20 && b < 0x7f)
                out += QLatin1Char(c);
            else
                out += QStringLiteral("<%1>").arg(b, 2, 16, QLatin1Char('0')).toUpper();
        }
    }
    return out;
}

QString CommLog::hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString CommLog::formatEntry(const CommLogEntry &entry) const
{
    const QString wall =
        m_startedAt.addMSecs(entry.atNs / 1000000).toString(QStringLiteral("HH:mm:ss.zzz"));
    const QString since = QString::number(double(entry.atNs) / 1e9, 'f', 6);
    switch (entry.kind) {
    case CommLogEntry::Kind::Sent:
    case CommLogEntry::Kind::Received:
        return QStringLiteral("%1 %2 %3 %4  [%5]")
            .arg(wall, since.rightJustified(12),
                 entry.kind == CommLogEntry::Kind::Sent ? QStringLiteral("->") : QStringLiteral("<-"),
                 visibleText(entry.bytes), hexText(entry.bytes));
    case CommLogEntry::Kind::Note:
        break;
    }
    return QStringLiteral("%1 %2 -- %3").arg(wall, since.rightJustified(12), entry.note);
}

QString CommLog::toText() const
{
    QStringList lines;
    lines << messages::commLogHeading(m_startedAt.toString(Qt::ISODateWithMs));
    for (const CommLogEntry &entry : m_entries)
        lines << formatEntry(entry);
    return lines.join(u'\n') + u'\n';
}

} // namespace quenda
