#include "ptyserver.h"

#include "k7v4simulator.h"
#include "registers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace k7v4 {

namespace {

constexpr int kReadChunk = 4096;
// After a hang-up (no one holds the line) reading is tried again this much later.
constexpr int kReopenRetryMs = 200;
// How often the line's rate is looked at between reads, so that bytes read after the program
// let go of the line are taken at the rate they were sent at.
constexpr int kRatePollMs = 10;
// A real port hands bytes on in small bursts; waking for every byte would only cost time.
constexpr int kPaceTickMs = 10;
// Output the program does not take is dropped beyond this, so a closed port cannot fill memory.
constexpr qsizetype kMaxQueuedOutput = 1 << 20;

// A rate the program never uses; the line shows it while the program does not hold the port,
// because the serial port puts back the settings it found when it closes.
constexpr speed_t kIdleSpeed = B50;
constexpr int kIdleBaud = 50;

int baudOfSpeed(speed_t speed)
{
    static const struct {
        speed_t speed;
        int baud;
    } pairs[] = {
        {B50, 50},       {B300, 300},       {B600, 600},       {B1200, 1200},
        {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},
        {B38400, 38400}, {B57600, 57600},   {B115200, 115200}, {B230400, 230400},
    };
    for (const auto &p : pairs) {
        if (p.speed == speed)
            return p.baud;
    }
    return 0;
}

#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__) || defined(__aarch64__) || \
                           defined(__arm__))
// The kernel's termios2, which carries rates that have no B constant (set with BOTHER).
struct KernelTermios2 {
    tcflag_t c_iflag;
    tcflag_t c_oflag;
    tcflag_t c_cflag;
    tcflag_t c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed;
    speed_t c_ospeed;
};
int customBaud(int fd)
{
    KernelTermios2 t{};
    if (::ioctl(fd, _IOR('T', 0x2A, KernelTermios2), &t) != 0)
        return 0;
    return int(t.c_ispeed ? t.c_ispeed : t.c_ospeed);
}
#else
int customBaud(int)
{
    return 0;
}
#endif

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

PtyServer::PtyServer(Simulator &sim, QObject *parent)
    : QObject(parent), m_sim(sim), m_lastOpenBaud(kFallbackBaud)
{
    connect(&m_sim, &Simulator::send, this, &PtyServer::queue);
    m_clock.start();
    m_paceTimer.setSingleShot(true);
    m_paceTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_paceTimer, &QTimer::timeout, this, &PtyServer::deliverDue);
    m_reopenTimer.setSingleShot(true);
    connect(&m_reopenTimer, &QTimer::timeout, this, [this] {
        if (m_readNotifier)
            m_readNotifier->setEnabled(true);
    });
    connect(&m_ratePoll, &QTimer::timeout, this, &PtyServer::lineBaud);
}

PtyServer::~PtyServer()
{
    unregisterLink();
    close();
}

bool PtyServer::open(QString *error)
{
    const auto fail = [this, error](const QString &why) {
        close();
        if (error)
            *error = why;
        return false;
    };
    if (m_master >= 0)
        return fail(QStringLiteral("the pseudo-terminal is open already"));
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return fail(QStringLiteral("cannot create a pseudo-terminal: %1").arg(lastError()));
    const char *name = ::ptsname(m_master);
    if (!name)
        return fail(QStringLiteral("cannot name the pseudo-terminal"));
    m_slavePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_slave < 0)
        return fail(QStringLiteral("cannot open %1: %2").arg(m_slavePath, lastError()));
    // Raw, so the line discipline neither echoes the radio's answers back nor edits lines.
    termios t{};
    if (::tcgetattr(m_slave, &t) == 0) {
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, kIdleSpeed);
        ::cfsetospeed(&t, kIdleSpeed);
        ::tcsetattr(m_slave, TCSANOW, &t);
    }

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyServer::readMaster);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyServer::writeOut);
    m_ratePoll.start(kRatePollMs);
    return true;
}

void PtyServer::close()
{
    // Called from the notifiers' own signals too (a slot of received() unplugs the radio).
    for (QSocketNotifier *notifier : {m_readNotifier, m_writeNotifier}) {
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }
    m_readNotifier = nullptr;
    m_writeNotifier = nullptr;
    m_ratePoll.stop();
    m_reopenTimer.stop();
    m_paceTimer.stop();
    // Closing the master hangs the line up for everyone who holds the slave side.
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
    if (m_slave >= 0)
        ::close(m_slave);
    m_slave = -1;
    m_pacer.clear();
    m_out.clear();
}

bool PtyServer::registerLink(const QString &folder, int com, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (m_slavePath.isEmpty())
        return fail(QStringLiteral("the pseudo-terminal is not open"));
    unregisterLink();
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("cannot create the ports folder %1").arg(folder));
    const QString link = QDir(folder).absoluteFilePath(QStringLiteral("com%1").arg(com));
    const QFileInfo existing(link);
    if (existing.isSymLink())
        ::unlink(QFile::encodeName(link).constData());
    else if (existing.exists())
        return fail(QStringLiteral("%1 exists and is not a link").arg(link));
    if (::symlink(QFile::encodeName(m_slavePath).constData(),
                  QFile::encodeName(link).constData()) != 0)
        return fail(QStringLiteral("cannot create the link %1: %2").arg(link, lastError()));
    m_linkPath = link;
    return true;
}

void PtyServer::unregisterLink()
{
    if (m_linkPath.isEmpty())
        return;
    // Only our own link: another radio may have taken the name over meanwhile.
    if (QFileInfo(m_linkPath).symLinkTarget() == m_slavePath)
        ::unlink(QFile::encodeName(m_linkPath).constData());
    m_linkPath.clear();
}

void PtyServer::powerOn(bool configHeld)
{
    m_sim.setLineBaud(lineBaud());
    m_sim.powerOn(configHeld);
}

int PtyServer::lineBaud()
{
    // A pseudo-terminal keeps no output queue, so the program may close its port the moment it
    // has written; what it wrote last was sent at the rate it had while it held the line.
    termios t{};
    if (m_slave < 0 || ::tcgetattr(m_slave, &t) != 0)
        return m_lastOpenBaud;
    speed_t speed = ::cfgetispeed(&t);
    if (speed == B0)
        speed = ::cfgetospeed(&t);
    int baud = baudOfSpeed(speed);
    if (baud == 0)
        baud = customBaud(m_slave);
    if (baud != 0 && baud != kIdleBaud)
        m_lastOpenBaud = baud;
    return m_lastOpenBaud;
}

void PtyServer::readMaster()
{
    while (m_master >= 0) {
        char buffer[kReadChunk];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n <= 0) {
            // EIO (no one holds the line) or end of file: wait instead of spinning on it.
            m_readNotifier->setEnabled(false);
            m_reopenTimer.start(kReopenRetryMs);
            return;
        }
        const QByteArray bytes(buffer, int(n));
        const int baud = lineBaud();
        emit received(bytes, baud);
        if (m_master < 0)
            return; // unplugged by a slot: the radio never heard it
        m_sim.setLineBaud(baud);
        m_sim.receive(bytes);
    }
}

void PtyServer::queue(const QByteArray &bytes, int delayMs)
{
    if (m_master < 0)
        return;
    m_pacer.queue(bytes, delayMs, m_paced ? m_sim.ownBaud() : 0, m_clock.elapsed());
    deliverDue();
}

void PtyServer::deliverDue()
{
    const qint64 now = m_clock.elapsed();
    const QByteArray bytes = m_pacer.take(now);
    if (!bytes.isEmpty()) {
        emit sent(bytes);
        if (m_out.size() + bytes.size() > kMaxQueuedOutput) {
            emit trouble(QStringLiteral("the line is not read: %1 bytes dropped").arg(bytes.size()));
        } else {
            m_out += bytes;
            writeOut();
        }
    }
    if (const std::optional<qint64> next = m_pacer.nextArrival())
        m_paceTimer.start(int(qMax<qint64>(kPaceTickMs, *next - now)));
}

void PtyServer::writeOut()
{
    while (m_master >= 0 && !m_out.isEmpty()) {
        const ssize_t n = ::write(m_master, m_out.constData(), size_t(m_out.size()));
        if (n > 0) {
            m_out.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_writeNotifier->setEnabled(true);
            return;
        }
        emit trouble(QStringLiteral("cannot write to the line: %1; %2 bytes dropped")
                         .arg(lastError())
                         .arg(m_out.size()));
        m_out.clear();
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
}

} // namespace k7v4
