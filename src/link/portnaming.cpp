#include "link/portnaming.h"

#include "protocol/messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quenda {

PortNaming::PortNaming(const QString &portsFolder) : m_portsFolder(portsFolder) {}

QString PortNaming::portsFolder() const
{
    if (!m_portsFolder.isEmpty())
        return m_portsFolder;
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("ports"));
}

QString PortNaming::comName(int number)
{
    return QStringLiteral("COM%1").arg(number);
}

int PortNaming::comNumber(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^COM([0-9]{1,3})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(name);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

void PortNaming::pin(int number, const QString &path)
{
    m_pinnedNumber = number;
    m_pinnedDevice = path;
}

int PortNaming::numberFor(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    for (int n = kFirstPort; n <= kLastPort; ++n) {
        const QString named = device(n);
        if (!named.isEmpty() && (named == path || (!canonical.isEmpty() && named == canonical)))
            return n;
    }
    for (int n = kFirstPort; n <= kLastPort; ++n) {
        if (device(n).isEmpty()) {
            pin(n, path);
            return n;
        }
    }
    return 0;
}

#ifdef Q_OS_WIN

QString PortNaming::device(int number) const
{
    if (number < kFirstPort || number > kLastPort)
        return {};
    if (number == m_pinnedNumber)
        return m_pinnedDevice;
    return QStringLiteral("\\\\.\\COM%1").arg(number);
}

PortProbe PortNaming::probe(const QString &device)
{
    const HANDLE handle = CreateFileW(reinterpret_cast<LPCWSTR>(device.utf16()),
                                      GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                      nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return {PortStatus::Available, {}};
    }
    const DWORD code = GetLastError();
    const QString reason = qt_error_string(int(code));
    if (code == ERROR_ACCESS_DENIED)
        return {PortStatus::Busy, messages::portBusy()};
    return {PortStatus::Missing, reason};
}

#else

QString PortNaming::device(int number) const
{
    if (number < kFirstPort || number > kLastPort)
        return {};
    if (number == m_pinnedNumber)
        return m_pinnedDevice;
    const QFileInfo link(QDir(portsFolder()).filePath(QStringLiteral("com%1").arg(number)));
    if (link.isSymLink() || link.exists()) {
        // A dangling link still names the port: it is missing, not some other device.
        const QString target = link.canonicalFilePath();
        return target.isEmpty() ? link.absoluteFilePath() : target;
    }
    struct Range {
        int first;
        const char *prefix;
    };
    static constexpr Range ranges[] = {{1, "/dev/ttyS"}, {33, "/dev/ttyUSB"}, {65, "/dev/ttyACM"}};
    for (const Range &range : ranges) {
        if (number >= range.first && number < range.first + 32)
            return QString::fromLatin1(range.prefix) + QString::number(number - range.first);
    }
    return {};
}

PortProbe PortNaming::probe(const QString &device)
{
    if (device.isEmpty())
        return {PortStatus::Missing, messages::noSuchPort()};
    const QByteArray path = QFile::encodeName(device);
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return {PortStatus::Missing, qt_error_string(errno)};
    if (!S_ISCHR(info.st_mode))
        return {PortStatus::Missing, messages::noSuchPort()};

    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        switch (error) {
        case EACCES:
        case EPERM:
            return {PortStatus::NoPermission, qt_error_string(error)};
        case EBUSY:
            return {PortStatus::Busy, messages::portBusy()};
        default:
            // EIO and ENXIO: a serial node without hardware behind it.
            return {PortStatus::Missing, qt_error_string(error)};
        }
    }
    PortProbe result{PortStatus::Available, {}};
    if (!::isatty(fd))
        result = {PortStatus::Missing, messages::noSuchPort()};
    else if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        result = {PortStatus::Busy, messages::portBusy()};
    ::close(fd);
    return result;
}

#endif

PortProbe PortNaming::probe(int number) const
{
    return probe(device(number));
}

QList<PortEntry> PortNaming::scan() const
{
    QList<PortEntry> entries;
    for (int n = kFirstPort; n <= kLastPort; ++n) {
        const QString path = device(n);
        if (path.isEmpty())
            continue;
        const PortProbe result = probe(path);
        if (result.status == PortStatus::Available || result.status == PortStatus::NoPermission)
            entries.append({n, path, result.status});
    }
    return entries;
}

} // namespace quenda
