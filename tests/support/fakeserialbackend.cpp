#include "support/fakeserialbackend.h"

#include "lib/k7v4simulator.h"
#include "protocol/messages.h"
#include "support/virtualpause.h"

namespace quenda::test {

FakeSerialBackend::FakeSerialBackend(QObject *parent) : SerialBackend(parent)
{
    // Comes round once per pass of the event loop.
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(0);
    connect(&m_idleTimer, &QTimer::timeout, this, &FakeSerialBackend::onIdle);
}

bool FakeSerialBackend::open(const QString &port, int baud, QString *error)
{
    close();
    QString reason;
    switch (m_failure) {
    case OpenFailure::None:
        break;
    case OpenFailure::Missing:
        reason = messages::noSuchPort();
        break;
    case OpenFailure::Busy:
        reason = messages::portBusy();
        break;
    }
    if (!reason.isEmpty()) {
        if (error)
            *error = messages::portOpenFailed(port, {}, reason);
        return false;
    }
    m_open = true;
    ++m_session;
    m_portName = port;
    m_baud = baud;
    m_openBauds << baud;
    m_input.clear();
    if (m_simulator)
        m_simulator->setLineBaud(baud);
    return true;
}

void FakeSerialBackend::close()
{
    m_open = false;
    m_input.clear();
}

bool FakeSerialBackend::setBaudRate(int baud)
{
    m_baud = baud;
    if (m_open && m_simulator)
        m_simulator->setLineBaud(baud);
    return true;
}

qint64 FakeSerialBackend::write(const QByteArray &bytes)
{
    if (!m_open)
        return -1;
    m_log += bytes;
    m_writes << bytes;
    if (m_simulator)
        m_simulator->receive(bytes);
    return bytes.size();
}

QByteArray FakeSerialBackend::readAll()
{
    return std::exchange(m_input, QByteArray());
}

bool FakeSerialBackend::drain(int)
{
    ++m_drains;
    return true;
}

void FakeSerialBackend::pushInput(const QByteArray &bytes)
{
    if (!m_open)
        return;
    m_input += bytes;
    notifyReadyRead();
}

void FakeSerialBackend::notifyReadyRead()
{
    // Like QSerialPort: no second readyRead while a slot connected to it still runs.
    if (m_notifying)
        return;
    m_notifying = true;
    emit readyRead();
    m_notifying = false;
}

void FakeSerialBackend::simulateLoss(const QString &description)
{
    if (!m_open)
        return;
    close();
    emit lost(description);
}

void FakeSerialBackend::attachSimulator(k7v4::Simulator *simulator)
{
    if (m_simulator)
        disconnect(m_simulator, nullptr, this, nullptr);
    m_simulator = simulator;
    if (!simulator)
        return;
    connect(simulator, &k7v4::Simulator::send, this, &FakeSerialBackend::receiveFromSimulator);
    if (m_open)
        simulator->setLineBaud(m_baud);
}

void FakeSerialBackend::clearWrites()
{
    m_log.clear();
    m_writes.clear();
}

void FakeSerialBackend::setPacing(VirtualPause *clock)
{
    if (m_clock)
        disconnect(m_clock, nullptr, this, nullptr);
    m_clock = clock;
    m_pacer.clear();
    m_idleTimer.stop();
    if (clock)
        connect(clock, &VirtualPause::advanced, this, &FakeSerialBackend::deliverArrived);
}

void FakeSerialBackend::deliverArrived()
{
    if (!m_clock)
        return;
    const QByteArray bytes = m_pacer.take(m_clock->now());
    if (!bytes.isEmpty())
        appendQueued(bytes);
    if (m_pacer.pending() > 0 && !m_idleTimer.isActive())
        m_idleTimer.start();
}

void FakeSerialBackend::onIdle()
{
    if (!m_clock || m_pacer.pending() == 0)
        return;
    // Inside a pause only the pause moves the time on.
    if (m_clock->isActive()) {
        m_idleTimer.start();
        return;
    }
    const qint64 now = m_clock->now();
    const qint64 next = m_pacer.nextArrival().value_or(now);
    m_clock->advance(qMax<qint64>(kIdleStepMs, next - now));
}

void FakeSerialBackend::receiveFromSimulator(const QByteArray &bytes, int delayMs)
{
    if (m_clock) {
        m_pacer.queue(bytes, delayMs, m_simulator ? m_simulator->ownBaud() : 0, m_clock->now());
        deliverArrived();
        return;
    }
    if (delayMs <= 0) {
        appendQueued(bytes);
        return;
    }
    // What the radio sends after a delay is lost if the port has been closed or reopened.
    const quint64 session = m_session;
    QTimer::singleShot(delayMs, this, [this, bytes, session] {
        if (session == m_session)
            appendQueued(bytes);
    });
}

void FakeSerialBackend::appendQueued(const QByteArray &bytes)
{
    if (!m_open)
        return;
    m_input += bytes;
    QMetaObject::invokeMethod(this, &FakeSerialBackend::notifyReadyRead, Qt::QueuedConnection);
}

} // namespace quenda::test
