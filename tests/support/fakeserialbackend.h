#pragma once

#include "lib/linepacer.h"
#include "link/serialbackend.h"

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTimer>

namespace k7v4 {
class Simulator;
}

namespace quenda::test {

class VirtualPause;

// A serial port without a device: records what is written, takes injected input, and can be
// wired to a simulated radio.
class FakeSerialBackend : public SerialBackend {
    Q_OBJECT
public:
    enum class OpenFailure { None, Missing, Busy };

    explicit FakeSerialBackend(QObject *parent = nullptr);

    bool open(const QString &port, int baud, QString *error) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool setBaudRate(int baud) override;
    qint64 write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    qint64 bytesAvailable() const override { return m_input.size(); }
    void setRts(bool on) override { m_rts = on; }
    void clearInput() override { m_input.clear(); }
    bool drain(int maxMs) override;

    // Test side.
    void setOpenFailure(OpenFailure failure) { m_failure = failure; }
    // Bytes from the far end; readyRead is emitted at once. Dropped while the port is closed.
    void pushInput(const QByteArray &bytes);
    // The far end goes away: the port closes and lost() is emitted.
    void simulateLoss(const QString &description = QStringLiteral("test: device unplugged"));
    // Writes go to the simulator at the line's rate; its answers come back as input, with
    // readyRead queued (or after the simulator's delay).
    void attachSimulator(k7v4::Simulator *simulator);
    // Paced line: the simulator's answers take their real time on the line, ten bits a byte at
    // the radio's own rate, in the virtual time of `clock`. Bytes arrive (readyRead queued) as
    // the clock's pauses move the time on, so a handler that pauses takes what came meanwhile.
    // While bytes are on the way and no pause runs, the port moves the clock on by itself, one
    // kIdleStepMs step (or up to the next byte) each time the event loop comes round, so the
    // rest of a long answer arrives in later receive events, as from a real port; a test waits
    // for it by spinning the event loop until bytesOnTheWay() is 0. Bytes that arrive while the
    // port is closed are lost. nullptr (the default): answers arrive at once.
    void setPacing(VirtualPause *clock);
    bool isPaced() const { return m_clock != nullptr; }
    // Bytes the radio has sent that have not arrived yet.
    qsizetype bytesOnTheWay() const { return m_pacer.pending(); }
    static constexpr int kIdleStepMs = 10;

    QByteArray writtenBytes() const { return m_log; }
    QList<QByteArray> writes() const { return m_writes; }
    void clearWrites();
    QString portName() const { return m_portName; }
    int baud() const { return m_baud; }
    // The rate of every successful open, in order.
    QList<int> openBauds() const { return m_openBauds; }
    int openCount() const { return m_openBauds.size(); }
    bool rts() const { return m_rts; }
    int drainCount() const { return m_drains; }

private:
    void receiveFromSimulator(const QByteArray &bytes, int delayMs);
    void appendQueued(const QByteArray &bytes);
    void notifyReadyRead();
    void deliverArrived();
    void onIdle();

    bool m_open = false;
    bool m_notifying = false;
    OpenFailure m_failure = OpenFailure::None;
    QString m_portName;
    int m_baud = 0;
    bool m_rts = false;
    int m_drains = 0;
    quint64 m_session = 0;
    QByteArray m_input;
    QByteArray m_log;
    QList<QByteArray> m_writes;
    QList<int> m_openBauds;
    QPointer<k7v4::Simulator> m_simulator;
    QPointer<VirtualPause> m_clock;
    k7v4::LinePacer m_pacer;
    QTimer m_idleTimer;
};

} // namespace quenda::test
