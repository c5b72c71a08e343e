#include "pages/channelfile.h"

#include "protocol/filereason.h"
#include "protocol/radioconfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace quenda::channelfile {
namespace {

// Lines this short are free channels or noise; they are skipped but still counted.
constexpr qsizetype kShortLine = 10;
// Enough for 64 lines of any real table; guards against device files and huge files.
constexpr qsizetype kMaxReadBytes = qsizetype(1) << 20;
constexpr qint64 kReadChunk = 64 * 1024;

constexpr QFileDevice::Permissions kWriteBits =
    QFileDevice::WriteOwner | QFileDevice::WriteUser | QFileDevice::WriteGroup | QFileDevice::WriteOther;
// What this process may do rather than what the file allows; not to be written back.
constexpr QFileDevice::Permissions kUserBits =
    QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

bool writeFailure(QString *error, const QString &path, const QString &reason)
{
    return fail(error, QStringLiteral("无法写入文件 %1：%2").arg(shown(path), reason));
}

bool readFailure(QString *error, const QString &path, const QString &reason)
{
    return fail(error, QStringLiteral("无法读取文件 %1：%2").arg(shown(path), reason));
}

bool isBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The line names a channel when, after blanks and a sign, a digit comes first.
bool startsWithNumber(QByteArrayView field)
{
    qsizetype i = 0;
    while (i < field.size() && isBlank(field[i]))
        ++i;
    if (i < field.size() && (field[i] == '+' || field[i] == '-'))
        ++i;
    return i < field.size() && field[i] >= '0' && field[i] <= '9';
}

QString decoded(QByteArrayView bytes)
{
    return QString::fromLocal8Bit(bytes);
}

struct Lines {
    QList<QByteArrayView> lines;
    // Reading stopped by itself (64 lines or an empty line), not by the end of the data.
    bool finished = false;
};

// The lines the import reads: at most 64, up to the first empty one; a CR before LF is dropped.
Lines scanLines(const QByteArray &content)
{
    Lines result;
    qsizetype pos = 0;
    while (pos < content.size() && result.lines.size() < kChannelSlots) {
        qsizetype end = content.indexOf('\n', pos);
        const bool terminated = end >= 0;
        if (!terminated)
            end = content.size();
        QByteArrayView line(content.constData() + pos, end - pos);
        if (terminated && line.endsWith('\r'))
            line.chop(1);
        pos = terminated ? end + 1 : end;
        if (line.isEmpty()) {
            result.finished = true;
            break;
        }
        result.lines.append(line);
        // A last line without its LF may still grow when more data comes.
        if (result.lines.size() == kChannelSlots && terminated)
            result.finished = true;
    }
    return result;
}

struct Fields {
    QByteArrayView channel, frequency, bandwidth, direction;
};

// Exported lines carry TABs; a line without one is read at the radio listing's fixed positions.
Fields splitLine(QByteArrayView line, bool *tabbed)
{
    Fields f;
    const qsizetype first = line.indexOf('\t');
    *tabbed = first >= 0;
    if (*tabbed) {
        QByteArrayView rest = line;
        QByteArrayView *parts[] = {&f.channel, &f.frequency, &f.bandwidth};
        for (QByteArrayView *part : parts) {
            const qsizetype tab = rest.indexOf('\t');
            if (tab < 0) {
                *part = rest;
                rest = {};
                break;
            }
            *part = rest.first(tab);
            rest = rest.sliced(tab + 1);
        }
        // The last field keeps any further TABs, so a pasted TAB in DIR survives a round trip.
        f.direction = rest;
        return f;
    }
    auto at = [line](qsizetype position, qsizetype length) {
        if (position >= line.size())
            return QByteArrayView();
        return line.sliced(position, std::min(length, line.size() - position));
    };
    f.channel = at(0, 2);
    f.frequency = at(2, 10);
    f.bandwidth = at(13, 8);
    f.direction = at(21, line.size());
    return f;
}

} // namespace

QByteArray format(const Rows &rows)
{
    QByteArray out;
    out.reserve(kChannelSlots * 32);
    for (int n = 0; n < kChannelSlots; ++n) {
        const ChannelEntry &row = rows[n];
        out += QByteArray::number(n);
        out += '\t';
        out += row.frequency.toLocal8Bit();
        out += '\t';
        out += row.bandwidth.toLocal8Bit();
        out += '\t';
        out += row.direction.toLocal8Bit();
        out += "\r\n";
    }
    return out;
}

bool write(const QString &path, const Rows &rows, QString *error)
{
    if (path.isEmpty())
        return writeFailure(error, path, QStringLiteral("未指定文件名"));

    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists())
        return writeFailure(error, path, QStringLiteral("文件夹 %1 不存在").arg(shown(folder.filePath())));
    if (!folder.isDir())
        return writeFailure(error, path, QStringLiteral("%1 不是文件夹").arg(shown(folder.filePath())));
    if (info.isDir())
        return writeFailure(error, path, QStringLiteral("这是一个文件夹，不是文件"));

    // An earlier export left the file read-only and the save dialog has confirmed replacing it:
    // lift the protection for the atomic replacement and put it back if anything fails.
    const QFileDevice::Permissions earlier = info.exists() ? info.permissions() : QFileDevice::Permissions();
    bool unlocked = false;
    if (info.exists() && !info.isWritable()) {
        if (!QFile::setPermissions(path, earlier | QFileDevice::WriteOwner | QFileDevice::WriteUser))
            return writeFailure(error, path, QStringLiteral("文件是只读的，无法替换"));
        unlocked = true;
    }
    auto failAndRestore = [&](const QString &reason) {
        if (unlocked)
            QFile::setPermissions(path, earlier);
        return writeFailure(error, path, reason);
    };

    // The new content goes to a temporary file beside the target, so a failure leaves the old file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failAndRestore(fileErrorReason(file));

    // Flushing here catches a full disk: the commit below does not report every failed flush.
    const QByteArray content = format(rows);
    if (file.write(content) != content.size() || !file.flush()) {
        const QString reason = fileErrorReason(file);
        file.cancelWriting();
        return failAndRestore(reason);
    }
    // Read-only before the rename, so the file never appears writable under its name.
    if (!file.setPermissions(file.permissions() & ~kWriteBits & ~kUserBits)) {
        const QString reason = fileErrorReason(file);
        file.cancelWriting();
        return failAndRestore(reason);
    }
    if (!file.commit())
        return failAndRestore(fileErrorReason(file));
    return true;
}

Import parse(const QByteArray &content)
{
    Import result;
    const Lines scan = scanLines(content);
    for (qsizetype i = 0; i < scan.lines.size(); ++i) {
        const QByteArrayView line = scan.lines[i];
        if (line.size() <= kShortLine)
            continue;

        bool tabbed = false;
        const Fields fields = splitLine(line, &tabbed);
        const ChannelEntry entry{decoded(fields.channel), decoded(fields.frequency),
                                 decoded(fields.bandwidth), decoded(fields.direction)};
        result.importTable[i] = entry;

        // A heading or other text without a channel number must not land in row 0.
        if (!startsWithNumber(fields.channel))
            continue;
        const int row = atoiValue(entry.channel);
        if (row < 0 || row >= kChannelSlots)
            continue;
        result.rows.append({row, entry});
    }
    return result;
}

bool read(const QString &path, Import *result, QString *error)
{
    if (path.isEmpty())
        return readFailure(error, path, QStringLiteral("未指定文件名"));
    const QFileInfo info(path);
    if (!info.exists())
        return readFailure(error, path, QStringLiteral("文件不存在"));
    if (info.isDir())
        return readFailure(error, path, QStringLiteral("这是一个文件夹，不是文件"));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return readFailure(error, path, fileErrorReason(file));

    // Read only as far as the import goes: 64 lines or the first empty one.
    QByteArray content;
    for (;;) {
        const QByteArray chunk = file.read(kReadChunk);
        if (file.error() != QFileDevice::NoError)
            return readFailure(error, path, fileErrorReason(file));
        if (chunk.isEmpty())
            break;
        content += chunk;
        if (scanLines(content).finished)
            break;
        if (content.size() > kMaxReadBytes)
            return readFailure(error, path, QStringLiteral("文件过大，不是通道列表"));
    }

    if (result)
        *result = parse(content);
    return true;
}

} // namespace quenda::channelfile
