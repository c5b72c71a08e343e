#include "link/regularfile.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quenda {

#ifdef Q_OS_UNIX
namespace {
FileOpenResult failure(FileOpen status, int error = 0)
{
    return {status, error ? qt_error_string(error) : QString(), 0};
}
} // namespace

FileOpenResult openRegularFile(QFile &file, QIODevice::OpenMode mode)
{
    const bool writing = mode & QIODevice::WriteOnly;
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    if (writing)
        flags |= ((mode & QIODevice::ReadOnly) ? O_RDWR : O_WRONLY) | O_CREAT;
    else
        flags |= O_RDONLY;

    // Without O_NONBLOCK a FIFO would hold the open until a writer (or reader) came along.
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(), flags, 0666);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return failure(FileOpen::Missing);
        // A FIFO without a reader refuses a non-blocking writer; a folder refuses any writer.
        if (error == ENXIO || error == EISDIR)
            return failure(FileOpen::NotRegular);
        return failure(FileOpen::Failed, error);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return failure(FileOpen::NotRegular);
    }
    // A regular file never blocks; the flag only mattered for the open itself.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (writing && (mode & QIODevice::Truncate) && ::ftruncate(fd, 0) != 0) {
        const int error = errno;
        ::close(fd);
        return failure(FileOpen::Failed, error);
    }
    if (!file.open(fd, mode & ~QIODevice::Truncate, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {FileOpen::Failed, file.errorString(), 0};
    }
    return {FileOpen::Opened, QString(), qint64(info.st_size)};
}
#else
FileOpenResult openRegularFile(QFile &file, QIODevice::OpenMode mode)
{
    const QFileInfo info(file.fileName());
    if (!info.exists() && !(mode & QIODevice::WriteOnly))
        return {FileOpen::Missing, QString(), 0};
    if (info.exists() && !info.isFile())
        return {FileOpen::NotRegular, QString(), 0};
    if (!file.open(mode))
        return {FileOpen::Failed, file.errorString(), 0};
    return {FileOpen::Opened, QString(), file.size()};
}
#endif

} // namespace quenda
