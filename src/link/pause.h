#pragma once

#include "protocol/timing.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace quenda {

// The one way the program waits a fixed time inside a handler. The window keeps painting, but
// received data, connection-dialog ticks and user input are held back: they are handled after
// the pausing handler has returned, as the radio protocol expects.
class Pause : public QObject {
    Q_OBJECT
public:
    explicit Pause(QObject *parent = nullptr) : QObject(parent) {}

    void pause(int ms);
    bool isActive() const { return m_depth > 0; }
    // How many pauses have run; tells a handler whether it paused.
    quint64 pauseCount() const { return m_count; }
    // Whether user input waits in the window system during a pause (and so arrives afterwards).
    virtual bool holdsInput() const { return false; }

signals:
    // Queued after a pause: fires once control is back in an event loop, i.e. after the
    // handler that paused returned (or inside a modal box it opened).
    void released();

protected:
    virtual void wait(int ms) = 0;

private:
    int m_depth = 0;
    quint64 m_count = 0;
};

// Real time: a local event loop that paints but takes no user input and no held-back events.
class RealPause : public Pause {
    Q_OBJECT
public:
    using Pause::Pause;
    bool holdsInput() const override { return true; }

protected:
    void wait(int ms) override;
};

// A periodic timer whose ticks wait for the end of a pause; a tick due during one runs once after.
// Ticks never come sooner than the period after the previous one.
class GatedTimer : public QObject {
    Q_OBJECT
public:
    GatedTimer(Pause &pause, QObject *parent = nullptr);
    void start(int periodMs);
    void stop();
    bool isActive() const { return m_timer.isActive(); }

signals:
    void timeout();

private:
    void onTimer();
    void onReleased();
    void fire();

    Pause &m_pause;
    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    int m_period = 0;
    bool m_tickDue = false;
};

} // namespace quenda
