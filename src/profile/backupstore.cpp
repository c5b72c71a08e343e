#include "profile/backupstore.h"

#include "profile/profiletexts.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>

namespace quenda {
namespace {

namespace texts = profiletexts;

constexpr char kStampFormat[] = "yyyyMMdd'T'HHmmss.zzz'Z'";
constexpr int kMaxFolderName = 64;

const QRegularExpression &backupName()
{
    // Time stamp, then a number when an earlier backup holds the same stamp.
    static const QRegularExpression re(
        QStringLiteral("^(\\d{8}T\\d{6}\\.\\d{3}Z)(?:-(\\d{1,6}))?\\.json$"));
    return re;
}

struct Found {
    QDateTime time;
    int sequence = 0;
    QString path;
};

// The radio's backups, oldest first; other files in the folder are left alone.
QList<Found> scan(const QString &folder)
{
    QList<Found> found;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo &file : files) {
        const QRegularExpressionMatch m = backupName().match(file.fileName());
        if (!m.hasMatch())
            continue;
        // Built from its parts: read as local time, a stamp in a daylight-saving gap would move.
        const QString stamp = m.captured(1);
        const QDateTime time(QDate::fromString(stamp.left(8), QStringLiteral("yyyyMMdd")),
                             QTime::fromString(stamp.mid(9, 10), QStringLiteral("HHmmss.zzz")),
                             Qt::UTC);
        if (!time.isValid())
            continue;
        found.append({time, m.captured(2).isEmpty() ? 1 : m.captured(2).toInt(), file.filePath()});
    }
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) {
        return a.time != b.time ? a.time < b.time : a.sequence < b.sequence;
    });
    return found;
}

} // namespace

BackupStore::BackupStore(QString root)
    : m_root(std::move(root)), m_clock([] { return QDateTime::currentDateTimeUtc(); })
{
}

QString BackupStore::defaultRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/backups");
}

void BackupStore::setClock(std::function<QDateTime()> clock)
{
    m_clock = std::move(clock);
}

QString BackupStore::folderName(const QString &serialNumber)
{
    QString name;
    for (const QChar c : serialNumber) {
        const bool reserved =
            c.category() == QChar::Other_Control || QStringView(u"/\\:*?\"<>|").contains(c);
        name += reserved ? u'_' : c;
    }
    // Windows drops trailing dots and blanks, and "." or ".." would name another folder.
    while (name.endsWith(u'.') || name.endsWith(u' '))
        name.chop(1);
    name = name.trimmed().left(kMaxFolderName);
    if (name.isEmpty() || name.startsWith(u'.'))
        name.prepend(texts::noSerialFolder());
    return name;
}

bool BackupStore::store(const RadioProfile &profile, QString *error, QString *storedPath)
{
    auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    const QFileInfo rootInfo(m_root);
    if (rootInfo.exists() && !rootInfo.isDir())
        return fail(texts::backupNotAFolder(m_root));
    const QString folder = m_root + u'/' + folderName(profile.serialNumber);
    const QFileInfo folderInfo(folder);
    if (folderInfo.exists() && !folderInfo.isDir())
        return fail(texts::backupNotAFolder(folder));
    if (!QDir().mkpath(folder))
        return fail(texts::backupFolderFailed(folder));

    const QString stamp = m_clock().toUTC().toString(QLatin1String(kStampFormat));
    QString path = folder + u'/' + stamp + QStringLiteral(".json");
    for (int sequence = 2; QFileInfo::exists(path); ++sequence)
        path = folder + u'/' + stamp + u'-' + QString::number(sequence) + QStringLiteral(".json");

    if (!profile::write(path, profile, error))
        return false;
    if (storedPath)
        *storedPath = path;

    // A backup that cannot be removed only makes the history longer; the read is stored.
    QList<Found> found = scan(folder);
    for (qsizetype i = 0; i + kHistory < found.size(); ++i)
        QFile::remove(found[i].path);
    return true;
}

QStringList BackupStore::radios() const
{
    QStringList out;
    const QStringList folders =
        QDir(m_root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : folders) {
        if (!scan(m_root + u'/' + name).isEmpty())
            out << name;
    }
    return out;
}

QList<BackupEntry> BackupStore::backups(const QString &radio) const
{
    QList<BackupEntry> out;
    if (radio.isEmpty() || radio != folderName(radio))
        return out;
    const QList<Found> found = scan(m_root + u'/' + radio);
    for (auto it = found.crbegin(); it != found.crend(); ++it)
        out.append({it->time, it->path});
    return out;
}

profile::Loaded BackupStore::load(const QString &path)
{
    return profile::read(path);
}

} // namespace quenda
