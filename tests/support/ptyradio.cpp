#include "support/ptyradio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <QtDebug>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace quenda::test {
namespace {

// A rate the program never uses; the line shows it while the program does not hold the port.
constexpr speed_t kIdleSpeed = B50;
constexpr int kIdleBaud = 50;
// How often the line's rate is looked at between reads.
constexpr int kRatePollMs = 10;

int baudOfSpeed(speed_t speed)
{
    static const struct {
        speed_t speed;
        int baud;
    } pairs[] = {
        {B300, 300},     {B600, 600},     {B1200, 1200},     {B2400, 2400},
        {B4800, 4800},   {B9600, 9600},   {B19200, 19200},   {B38400, 38400},
        {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
    };
    for (const auto &p : pairs) {
        if (p.speed == speed)
            return p.baud;
    }
    return 0;
}

// QUENDA_E2E_TRACE=1 prints the line traffic, which is what one wants to see when a run fails.
bool tracing()
{
    static const bool on = qEnvironmentVariableIntValue("QUENDA_E2E_TRACE") != 0;
    return on;
}

QByteArray printable(const QByteArray &bytes)
{
    QByteArray out;
    for (char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (uchar(c) < 0x20 || uchar(c) >= 0x7f)
            out += "\\x" + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out;
}

} // namespace

PtyRadio::PtyRadio(QObject *parent) : QObject(parent)
{
    connect(&m_sim, &k7v4::Simulator::send, this, &PtyRadio::queue);
}

PtyRadio::~PtyRadio()
{
    closeFds();
    // Only our own link: a later radio may have taken the number over.
    if (!m_linkPath.isEmpty() && QFileInfo(m_linkPath).symLinkTarget() == m_slavePath)
        QFile::remove(m_linkPath);
}

bool PtyRadio::start(const QString &portsFolder, int com, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (m_master >= 0)
        return fail(QStringLiteral("already started"));
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        closeFds();
        return fail(QStringLiteral("no pseudo-terminal: %1").arg(why));
    }
    const char *name = ::ptsname(m_master);
    if (!name) {
        closeFds();
        return fail(QStringLiteral("the pseudo-terminal has no name"));
    }
    m_slavePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_slave < 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        closeFds();
        return fail(QStringLiteral("cannot open %1: %2").arg(m_slavePath, why));
    }
    // Raw: the line discipline must neither echo nor edit what passes. The idle rate marks
    // a line the program has closed: the serial port puts back the settings it found.
    termios t{};
    if (::tcgetattr(m_slave, &t) == 0) {
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, kIdleSpeed);
        ::cfsetospeed(&t, kIdleSpeed);
        ::tcsetattr(m_slave, TCSANOW, &t);
    }

    if (!QDir().mkpath(portsFolder)) {
        closeFds();
        return fail(QStringLiteral("cannot create %1").arg(portsFolder));
    }
    const QString link = QDir(portsFolder).absoluteFilePath(QStringLiteral("com%1").arg(com));
    QFile::remove(link);
    if (!QFile::link(m_slavePath, link)) {
        closeFds();
        return fail(QStringLiteral("cannot link %1 to %2").arg(link, m_slavePath));
    }
    m_linkPath = link;
    m_com = com;

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyRadio::readMaster);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyRadio::writeOut);
    m_ratePoll = new QTimer(this);
    connect(m_ratePoll, &QTimer::timeout, this, &PtyRadio::lineBaud);
    m_ratePoll->start(kRatePollMs);
    return true;
}

void PtyRadio::closeFds()
{
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    delete m_ratePoll;
    m_ratePoll = nullptr;
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
    if (m_slave >= 0)
        ::close(m_slave);
    m_slave = -1;
    m_out.clear();
}

void PtyRadio::unplug()
{
    if (tracing())
        qDebug("COM%d: unplugged", m_com);
    // Closing the master hangs the line up for everyone who holds the slave side.
    closeFds();
}

void PtyRadio::powerOn(bool configHeld)
{
    if (tracing())
        qDebug("COM%d: power on%s", m_com, configHeld ? " with CONFIG held" : "");
    m_sim.setLineBaud(lineBaud());
    m_sim.powerOn(configHeld);
}

void PtyRadio::clearTraffic()
{
    m_received.clear();
    m_sent.clear();
    m_reads.clear();
}

void PtyRadio::whenReceived(const QByteArray &text, std::function<void()> action)
{
    m_triggers.append({text, {}, std::move(action)});
}

int PtyRadio::lineBaud()
{
    // A pseudo-terminal keeps no output queue, so the program closes its port the moment it
    // has written; what it wrote last was sent at the rate it had while it held the line.
    termios t{};
    if (m_slave < 0 || ::tcgetattr(m_slave, &t) != 0)
        return m_lastOpenBaud;
    speed_t speed = ::cfgetispeed(&t);
    if (speed == B0)
        speed = ::cfgetospeed(&t);
    const int baud = baudOfSpeed(speed);
    if (baud != kIdleBaud && baud != 0)
        m_lastOpenBaud = baud;
    return m_lastOpenBaud;
}

void PtyRadio::readMaster()
{
    while (m_master >= 0) {
        char buffer[4096];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // EAGAIN: all taken. EIO cannot happen while the slave side is held.
        const QByteArray bytes(buffer, int(n));
        const int baud = lineBaud();
        m_received += bytes;
        m_reads.append({bytes, baud});
        if (tracing())
            qDebug("COM%d << %s (line at %d)", m_com, printable(bytes).constData(), baud);

        // Triggers may unplug the radio, so they run before it takes the bytes.
        QList<std::function<void()>> due;
        for (qsizetype i = 0; i < m_triggers.size();) {
            Trigger &trigger = m_triggers[i];
            trigger.seen += bytes;
            if (trigger.seen.contains(trigger.text)) {
                due.append(std::move(trigger.action));
                m_triggers.removeAt(i);
            } else {
                ++i;
            }
        }
        for (const std::function<void()> &action : std::as_const(due))
            action();
        if (m_master >= 0) {
            m_sim.setLineBaud(baud);
            m_sim.receive(bytes);
        }
        emit bytesReceived(bytes);
    }
}

void PtyRadio::queue(const QByteArray &bytes, int delayMs)
{
    if (delayMs > 0) {
        QTimer::singleShot(delayMs, this, [this, bytes] { queue(bytes, 0); });
        return;
    }
    if (m_master < 0)
        return;
    if (tracing())
        qDebug("COM%d >> %s", m_com, printable(bytes).constData());
    m_sent += bytes;
    m_out += bytes;
    writeOut();
}

void PtyRadio::writeOut()
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
        qWarning("COM%d: cannot write to the line: %s", m_com, std::strerror(errno));
        m_out.clear();
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
}

} // namespace quenda::test
