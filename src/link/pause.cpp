#include "link/pause.h"

#include <QEventLoop>

namespace quenda {

void Pause::pause(int ms)
{
    ++m_depth;
    wait(ms);
    --m_depth;
    if (m_depth == 0)
        QMetaObject::invokeMethod(this, &Pause::released, Qt::QueuedConnection);
}

void RealPause::wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    // User input stays queued in the window system and is delivered, in order, afterwards.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

GatedTimer::GatedTimer(Pause &pause, QObject *parent) : QObject(parent), m_pause(pause)
{
    connect(&m_timer, &QTimer::timeout, this, &GatedTimer::onTimer);
    connect(&m_pause, &Pause::released, this, &GatedTimer::onReleased);
}

void GatedTimer::start(int periodMs)
{
    m_tickDue = false;
    m_timer.start(periodMs);
}

void GatedTimer::stop()
{
    m_tickDue = false;
    m_timer.stop();
}

void GatedTimer::onTimer()
{
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
