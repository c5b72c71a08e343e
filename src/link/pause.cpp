#include "link/pause.h"

#include <QEventLoop>

namespace quenda {

void Pause::pause(int ms)
{
    ++m_depth;
    ++m_count;
    wait(ms);
    --m_depth;
    if (m_depth == 0)
        QMetaObject::invokeMethod(this, &Pause::released, Qt::QueuedConnection);
}

void RealPause::wait(int ms)
{
    // Coarse timers may fire up to 5% early; a pause must never be shorter than asked.
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    for (qint64 left = ms; left > 0; left = ms - clock.elapsed()) {
        timer.start(int(left));
        // User input stays queued in the window system and is delivered, in order, afterwards.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
}

GatedTimer::GatedTimer(Pause &pause, QObject *parent) : QObject(parent), m_pause(pause)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &GatedTimer::onTimer);
    connect(&m_pause, &Pause::released, this, &GatedTimer::onReleased);
}

void GatedTimer::start(int periodMs)
{
    m_tickDue = false;
    m_period = periodMs;
    m_sinceTick.start();
    m_timer.start(periodMs);
}

void GatedTimer::stop()
{
    m_tickDue = false;
    m_timer.stop();
}

void GatedTimer::onTimer()
{
    const qint64 left = m_period - m_sinceTick.elapsed();
    if (left > 0) {
        m_timer.start(int(left));
        return;
    }
    // The next period counts from this one's end, as a periodic timer's would.
    m_sinceTick.start();
    m_timer.start(m_period);
    if (m_pause.isActive()) {
        m_tickDue = true;
        return;
    }
    emit timeout();
}

void GatedTimer::onReleased()
{
    if (!m_tickDue || !m_timer.isActive() || m_pause.isActive())
        return;
    m_tickDue = false;
    emit timeout();
}

} // namespace quenda
