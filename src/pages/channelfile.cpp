#include "pages/channelfile.h"

#include "link/regularfile.h"
#include "protocol/filereason.h"
#include "protocol/radioconfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace quenda::channelfile {
namespace {

// Lines this short are free channels or noise; they are skipped but still counted.
constexpr qsizetype kShortLine = 10;
// Far more than 64 lines of any real table: a larger file is something else.
constexpr qsizetype kMaxReadBytes = qsizetype(1) << 20;

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

// The plain overwrite, for when no temporary file can be made beside the target. Empty on
// success, otherwise why it failed.
QString writeInPlace(const QString &path, const QByteArray &content)
{
    QFile file(path);
    const FileOpenResult opened = openRegularFile(file, QIODevice::WriteOnly | QIODevice::Truncate);
    if (opened.status != FileOpen::Opened) {
        return opened.reason.isEmpty() ? QStringLiteral("无法打开或创建文件")
                                       : QStringLiteral("无法打开或创建文件（%1）").arg(opened.reason);
    }
    if (file.write(content) != content.size() || !file.flush())
        return fileErrorReason(file);
    if (!file.setPermissions(file.permissions() & ~kWriteBits & ~kUserBits))
        return fileErrorReason(file);
    return {};
}

bool isBlank(QChar c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// The line names a channel when, after blanks and a sign, a digit comes first.
bool startsWithNumber(QStringView field)
{
    qsizetype i = 0;
    while (i < field.size() && isBlank(field[i]))
        ++i;
    if (i < field.size() && (field[i] == u'+' || field[i] == u'-'))
        ++i;
    return i < field.size() && field[i] >= u'0' && field[i] <= u'9';
}

// The Windows program wrote its code page (GBK on Chinese systems); editors today write UTF-8,
// some with a byte-order mark, and a few UTF-16. Bytes that are not valid UTF-8 are GB18030,
// of which GBK is a part.
QString decoded(const QByteArray &content)
{
    const QByteArrayView all(content);
    if (all.startsWith("\xFF\xFE")) {
        QStringDecoder utf16(QStringConverter::Utf16LE);
        return utf16.decode(all.sliced(2));
    }
    if (all.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(QStringConverter::Utf16BE);
        return utf16.decode(all.sliced(2));
    }
    const QByteArrayView bytes = all.startsWith("\xEF\xBB\xBF") ? all.sliced(3) : all;
    // Valid UTF-8 comes back unchanged; anything else was replaced on the way.
    const QString text = QString::fromUtf8(bytes);
    if (QByteArrayView(text.toUtf8()) == bytes)
        return text;
    QStringDecoder gb18030("GB18030");
    if (gb18030.isValid())
        return gb18030.decode(bytes);
    return QString::fromLocal8Bit(bytes);
}

// Control characters do not show in a cell (a NUL hides what follows it) yet reach the radio.
// The TABs that the last field may keep are separators, not content.
bool holdsControl(QStringView field, bool tabAllowed)
{
    for (const QChar c : field) {
        if (c.category() == QChar::Other_Control && !(tabAllowed && c == u'\t'))
            return true;
    }
    return false;
}

// The lines the import reads: at most 64, up to the first empty one; a CR before LF is dropped.
QList<QStringView> scanLines(const QString &text)
{
    QList<QStringView> lines;
    qsizetype pos = 0;
    while (pos < text.size() && lines.size() < kChannelSlots) {
        qsizetype end = text.indexOf(u'\n', pos);
        const bool terminated = end >= 0;
        if (!terminated)
            end = text.size();
        QStringView line = QStringView(text).sliced(pos, end - pos);
        if (terminated && line.endsWith(u'\r'))
            line.chop(1);
        pos = terminated ? end + 1 : end;
        if (line.isEmpty())
            break;
        lines.append(line);
    }
    return lines;
}

struct Fields {
    QString channel, frequency, bandwidth, direction;
};

// Exported lines carry TABs; a line without one is read at the radio listing's fixed positions.
Fields splitLine(QStringView line)
{
    Fields f;
    if (line.contains(u'\t')) {
        QStringView rest = line;
        QString *parts[] = {&f.channel, &f.frequency, &f.bandwidth};
        for (QString *part : parts) {
            const qsizetype tab = rest.indexOf(u'\t');
            if (tab < 0) {
                *part = rest.toString();
                rest = {};
                break;
            }
            *part = rest.first(tab).toString();
            rest = rest.sliced(tab + 1);
        }
        // The last field keeps any further TABs, so a pasted TAB in DIR survives a round trip.
        f.direction = rest.toString();
        return f;
    }
    // Positions count characters: a character outside the BMP is never cut in two.
    const QList<uint> chars = line.toUcs4();
    auto at = [&chars](qsizetype position, qsizetype length) {
        if (position >= chars.size())
            return QString();
        const qsizetype n = std::min(length, chars.size() - position);
        const auto *first = reinterpret_cast<const char32_t *>(chars.constData() + position);
        return QString::fromUcs4(first, n);
    };
    f.channel = at(0, 2);
    f.frequency = at(2, 10);
    f.bandwidth = at(13, 8);
    f.direction = at(21, chars.size());
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
    const QByteArray content = format(rows);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        // A folder that takes no new file may still let the file itself be overwritten.
        if (!info.exists())
            return failAndRestore(fileErrorReason(file));
        const QString reason = writeInPlace(path, content);
        return reason.isEmpty() ? true : failAndRestore(reason);
    }

    // Flushing here catches a full disk: the commit below does not report every failed flush.
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
    const QString text = decoded(content);
    const QList<QStringView> lines = scanLines(text);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringView line = lines[i];
        // Measured in the bytes the export writes, so that an exported row always comes back.
        if (line.toString().toLocal8Bit().size() <= kShortLine)
            continue;

        const Fields fields = splitLine(line);
        if (holdsControl(fields.channel, false) || holdsControl(fields.frequency, false) ||
            holdsControl(fields.bandwidth, false) || holdsControl(fields.direction, true)) {
            // A file with a damaged line is not taken in part.
            result = Import{};
            result.controlCharacterLine = int(i) + 1;
            return result;
        }
        const ChannelEntry entry{fields.channel, fields.frequency, fields.bandwidth,
                                 fields.direction};
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

    // A FIFO or device named *.txt would hold the window or never end.
    QFile file(path);
    const FileOpenResult opened = openRegularFile(file, QIODevice::ReadOnly);
    switch (opened.status) {
    case FileOpen::Opened:
        break;
    case FileOpen::Missing:
        return readFailure(error, path, QStringLiteral("文件不存在"));
    case FileOpen::NotRegular:
        return readFailure(error, path, QStringLiteral("不是普通文件（可能是设备或管道）"));
    case FileOpen::Failed:
        return readFailure(error, path,
                           QStringLiteral("无法打开或创建文件（%1）").arg(opened.reason));
    }
    if (opened.size > kMaxReadBytes)
        return readFailure(error, path, QStringLiteral("文件过大，不是通道列表"));

    // The file may have grown since it was measured: never more than the limit.
    const QByteArray content = file.read(kMaxReadBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return readFailure(error, path, fileErrorReason(file));
    if (content.size() > kMaxReadBytes)
        return readFailure(error, path, QStringLiteral("文件过大，不是通道列表"));

    Import parsed = parse(content);
    if (parsed.controlCharacterLine > 0) {
        return readFailure(error, path,
                           QStringLiteral("第 %1 行含有控制字符，内容无法正确显示和保存，"
                                          "未导入任何通道")
                               .arg(parsed.controlCharacterLine));
    }
    if (parsed.rows.isEmpty())
        return readFailure(error, path, QStringLiteral("文件中没有可导入的通道"));
    if (result)
        *result = std::move(parsed);
    return true;
}

QString proposedFileName(const QString &serialNumber)
{
    QString name;
    for (const QChar c : serialNumber) {
        if (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control)
            name += u'_';
        else
            name += c;
    }
    name = name.trimmed();
    // "." and ".." name folders, not files.
    if (name.count(u'.') == name.size())
        return {};
    return name;
}

} // namespace quenda::channelfile
