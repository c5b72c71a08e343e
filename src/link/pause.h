#pragma once

#include <QObject>
#include <QTimer>

namespace quenda {

// The fixed pauses the radio protocol imposes, in milliseconds.
namespace pauses {
inline constexpr int kReceiveSettle = 200;      // start of every receive event
inline constexpr int kAfterSettingsRequest = 3000; // after "AT&V"
inline constexpr int kAfterChannelRequest = 2000;  // after "ATP0?"
inline constexpr int kAfterAccessCode = 100;    // after "ATP0=" and the access code
inline constexpr int kAfterStore = 100;         // after "at&w" / "AT&W"
inline constexpr int kAfterSaveReport = 3000;   // after "at&v" / "AT&V" that ends a save or preset
inline constexpr int kPowerOnTick = 800;        // in each power-on countdown tick
inline constexpr int kSoftDiagnosticTry = 2000; // in each soft-diagnostic try
} // namespace pauses

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
