#pragma once

#include "link/pause.h"

#include <QObject>
#include <QString>

#include <array>

namespace quenda {

class CMSComm;

// What a connection procedure needs of the session that runs it.
class ConnectionHost {
public:
    virtual ~ConnectionHost() = default;
    // The rate text OpenPort uses for soft diagnosis.
    virtual void setBaudText(const QString &text) = 0;
    // Closes, configures, reopens and flushes the port; throws CommError when it cannot open.
    virtual void OpenPort() = 0;
    virtual CMSComm &comm() = 0;
    virtual Pause &pause() = 0;
    virtual int portNumber() const = 0;
    // A tick talks to the radio: nothing else may meanwhile (leaving waits until it returns).
    virtual void beginOperation() {}
    virtual void endOperation() {}
    // The procedure ended without a radio (gave up, or could not open the port); the port is
    // closed.
    virtual void procedureEnded() {}
};

// The soft-diagnostic rates, in the order they are tried.
inline constexpr std::array<const char *, 6> kSoftDiagnosticRates = {"4800",   "9600",
                                                                     "19200",  "38400",
                                                                     "115200", "57600"};

// A connection procedure: runs on timer ticks until the radio answers (whoever hears it stops
// the procedure) or its time is over. A tick due during a pause runs once after it.
class ConnectProcedure : public QObject {
    Q_OBJECT
public:
    // One step, as the timer runs it; also callable directly.
    void tick();
    // On success: no more ticks; the port stays open.
    virtual void stop();
    bool isRunning() const { return m_timer.isActive(); }
    void setTickPeriod(int periodMs);
    // The port the procedure was started on.
    int portNumber() const { return m_portNumber; }

signals:
    // What a window shows of the procedure changed; emitted before the tick pauses.
    void ticked();
    // No more ticks: the radio answered, the procedure gave up, or the port could not be opened.
    void stopped();
    // After stopped(): the text that tells the user the radio was not found.
    void gaveUp(const QString &message);
    // A serial port failure ended a tick; not yet shown to the user.
    void failed(const QString &description);

protected:
    ConnectProcedure(ConnectionHost &host, int periodMs, QObject *parent);
    virtual void step() = 0;
    // A serial port failure stopped the step.
    virtual void stepFailed() {}
    // Closes the port, stops and tells why.
    void giveUp(const QString &message);

    ConnectionHost &m_host;

private:
    GatedTimer m_timer;
    int m_portNumber;
    bool m_inTick = false;
};

// Power-on connection: counts ten seconds down while the user powers the radio on with CONFIG held.
class PowerOnProcedure : public ConnectProcedure {
    Q_OBJECT
public:
    static constexpr int kStartSeconds = 10;
    static constexpr int kTickPeriodMs = 500;

    explicit PowerOnProcedure(ConnectionHost &host, QObject *parent = nullptr);

    int secondsLeft() const { return m_secondsLeft; }
    // The count shown in the latest tick.
    int secondsShown() const { return m_secondsShown; }

protected:
    void step() override;

private:
    int m_secondsLeft = kStartSeconds;
    int m_secondsShown = kStartSeconds;
};

// Soft-diagnostic connection: reopens the port at each rate in turn and sends the escape.
class SoftDiagnosticProcedure : public ConnectProcedure {
    Q_OBJECT
public:
    static constexpr int kTickPeriodMs = 3000;

    explicit SoftDiagnosticProcedure(ConnectionHost &host, QObject *parent = nullptr);

    void stop() override;
    int tryIndex() const { return m_tryIndex; }
    // The rate of the latest try; the first rate before any.
    QString rateTried() const { return m_rateTried; }

protected:
    void step() override;
    void stepFailed() override;

private:
    int m_tryIndex = 0;
    QString m_rateTried;
};

} // namespace quenda
