#include "link/serialbackend.h"

#include "protocol/messages.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QThread>

#ifndef Q_OS_WIN
#include <cerrno>
#include <sys/file.h>
#include <sys/ioctl.h>
#endif

namespace quenda {

QSerialPortBackend::QSerialPortBackend(PortNaming naming, QObject *parent)
    : SerialBackend(parent), m_naming(std::move(naming)), m_port(new QSerialPort(this))
{
    connect(m_port, &QSerialPort::readyRead, this, &SerialBackend::readyRead);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { onError(int(error)); });
}

QSerialPortBackend::~QSerialPortBackend()
{
    close();
}

bool QSerialPortBackend::open(const QString &port, int baud, QString *error)
{
    close();
    QString device = port;
    QString shownDevice; // only worth naming when it differs from the port's name
    if (const int number = PortNaming::comNumber(port)) {
        device = m_naming.device(number);
        if (device.isEmpty()) {
            if (error)
                *error = messages::portOpenFailed(port, {}, messages::noSuchPort());
            return false;
        }
        shownDevice = device;
    }

    m_port->setPortName(device);
    m_port->setBaudRate(baud);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port->open(QIODevice::ReadWrite)) {
        if (error)
            *error = messages::portOpenFailed(port, shownDevice, m_port->errorString());
        m_port->clearError();
        return false;
    }
#ifndef Q_OS_WIN
    // Exclusive use, so that another program (or our own port scan) sees the port as busy;
    // TIOCEXCL alone does not stop a privileged opener.
    if (::flock(int(m_port->handle()), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        m_port->close();
        if (error)
            *error = messages::portOpenFailed(port, shownDevice, messages::portBusy());
        return false;
    }
#endif
    m_device = device;
    ++m_session;
    m_lossPending = false;
    clearInput();
    return true;
}

void QSerialPortBackend::close()
{
    m_lossPending = false;
    if (m_port->isOpen())
        m_port->close();
}

bool QSerialPortBackend::isOpen() const
{
    return m_port->isOpen() && !m_lossPending;
}

bool QSerialPortBackend::setBaudRate(int baud)
{
    return m_port->setBaudRate(baud);
}

qint64 QSerialPortBackend::write(const QByteArray &bytes)
{
    if (!isOpen())
        return -1;
    return m_port->write(bytes);
}

QByteArray QSerialPortBackend::readAll()
{
    return m_port->readAll();
}

qint64 QSerialPortBackend::bytesAvailable() const
{
    return m_port->bytesAvailable();
}

void QSerialPortBackend::setRts(bool on)
{
    // A pseudo-terminal has no modem lines: the refusal is harmless and ignored in onError.
    if (isOpen())
        m_port->setRequestToSend(on);
}

void QSerialPortBackend::clearInput()
{
    if (!m_port->isOpen())
        return;
    m_port->clear(QSerialPort::Input);
    m_port->readAll();
}

bool QSerialPortBackend::drain(int maxMs)
{
    if (!isOpen())
        return true;
    const QDeadlineTimer deadline(maxMs);
    while (m_port->bytesToWrite() > 0 && !deadline.hasExpired() && isOpen()) {
        if (!m_port->waitForBytesWritten(int(deadline.remainingTime())))
            break;
    }
    if (m_port->bytesToWrite() > 0)
        return false;
#ifndef Q_OS_WIN
    // The driver's own queue: closing too early could cut the last bytes on a real UART.
    while (isOpen()) {
        int queued = 0;
        if (::ioctl(int(m_port->handle()), TIOCOUTQ, &queued) != 0 || queued == 0)
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(2);
    }
#endif
    return true;
}

QString QSerialPortBackend::device() const
{
    return m_port->isOpen() ? m_device : QString();
}

void QSerialPortBackend::onError(int error)
{
    switch (QSerialPort::SerialPortError(error)) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        break;
    default:
        return; // e.g. the RTS request refused by a pseudo-terminal
    }
    if (m_lossPending || !m_port->isOpen())
        return;
    // QSerialPort keeps the port open and repeats the error endlessly; close it once, outside
    // its own notification code.
    m_lossPending = true;
    const quint64 session = m_session;
    QMetaObject::invokeMethod(this, [this, session] { finishLoss(session); },
                              Qt::QueuedConnection);
}

void QSerialPortBackend::finishLoss(quint64 session)
{
    if (!m_lossPending || session != m_session)
        return;
    m_lossPending = false;
    m_port->close();
    emit lost(messages::deviceGone());
}

} // namespace quenda
