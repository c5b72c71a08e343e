#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

namespace quenda::test {

// A pseudo-terminal whose slave side stands in for a serial device.
class Pty {
public:
    Pty()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return;
        if (const char *name = ::ptsname(m_master))
            m_slave = QString::fromLocal8Bit(name);
    }
    ~Pty() { closeMaster(); }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool isValid() const { return m_master >= 0 && !m_slave.isEmpty(); }
    QString slave() const { return m_slave; }
    int master() const { return m_master; }

    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    bool send(const QByteArray &bytes)
    {
        return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

    // What the slave side wrote, until `count` bytes came or `timeoutMs` passed; events keep
    // running meanwhile.
    QByteArray receive(qsizetype count, int timeoutMs = 2000)
    {
        QByteArray got;
        const QDeadlineTimer deadline(timeoutMs);
        while (got.size() < count && !deadline.hasExpired()) {
            QCoreApplication::processEvents();
            pollfd fd{m_master, POLLIN, 0};
            if (::poll(&fd, 1, 10) <= 0 || !(fd.revents & POLLIN))
                continue;
            char buffer[256];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, n);
        }
        return got;
    }

    // Discards what the slave side has written so far (echoes before it was made raw).
    void drainMaster()
    {
        char buffer[256];
        while (::read(m_master, buffer, sizeof buffer) > 0) {
        }
    }

private:
    int m_master = -1;
    QString m_slave;
};

// Makes the numbers 1 to 96 name no device inside `portsFolder`, so that a scan sees only the
// links a test adds, whatever serial hardware the machine has.
inline bool hideFixedPorts(const QString &portsFolder)
{
    QDir().mkpath(portsFolder);
    for (int n = 1; n <= 96; ++n) {
        const QString link = QDir(portsFolder).filePath(QStringLiteral("com%1").arg(n));
        if (!QFile::link(QStringLiteral("/nonexistent/quenda-test/com%1").arg(n), link))
            return false;
    }
    return true;
}

// Makes ports/comN name `target`, replacing what was there.
inline bool linkPort(const QString &portsFolder, int number, const QString &target)
{
    QDir().mkpath(portsFolder);
    const QString link = QDir(portsFolder).filePath(QStringLiteral("com%1").arg(number));
    QFile::remove(link);
    return QFile::link(target, link);
}

} // namespace quenda::test
