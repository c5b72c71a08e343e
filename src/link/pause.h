#pragma once

#include "protocol/timing.h"

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

signals:
    // Queued after a pause: fires once control is back in an event loop, i.e. after the
    // handler that paused returned (or inside a modal box it opened).
    void released();

protected:
    virtual void wait(int ms) = 0;

private:
    int m_depth = 0;
};

// Real time: a local event loop that paints but takes no user input and no held-back events.
class RealPause : public Pause {
    Q_OBJECT
public:
    using Pause::Pause;

protected:
    void wait(int ms) override;
};

// A periodic timer whose ticks wait for the end of a pause; a tick due during one runs once after.
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

    Pause &m_pause;
    QTimer m_timer;
    bool m_tickDue = false;
};

} // namespace quenda
