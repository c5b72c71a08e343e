#pragma once

#include "link/pause.h"

#include <QDialog>
#include <QString>

#include <array>

class QLabel;

namespace quenda {

class CMSComm;

// What the connection dialogs need of the main window.
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
    // The procedure ended without a radio; the port is closed.
    virtual void procedureGaveUp() {}
};

// The soft-diagnostic rates, in the order they are tried.
inline constexpr std::array<const char *, 6> kSoftDiagnosticRates = {"4800",   "9600",
                                                                     "19200",  "38400",
                                                                     "115200", "57600"};

// A modeless dialog whose procedure runs on timer ticks; a tick due during a pause runs once after.
class CConnectDlg : public QDialog {
    Q_OBJECT
public:
    // One step of the procedure, as the timer runs it; also callable directly.
    void tick();
    // On success: the timer stops and the dialog hides; the port stays open.
    virtual void stopAndHide();
    bool isRunning() const { return m_timer.isActive(); }
    void setTickPeriod(int periodMs);

protected:
    CConnectDlg(ConnectionHost &host, int periodMs, QWidget *parent);
    virtual void step() = 0;
    // A serial port failure stopped the step; it has been shown to the user.
    virtual void stepFailed() {}
    // Closes the port, hides, stops and tells the user.
    void giveUp(const QString &message);

    QLabel *addLabel(const QString &text, int x, int y, int w, int h);

    ConnectionHost &m_host;
    GatedTimer m_timer;

private:
    bool m_inTick = false;
};

// Power-on connection: counts ten seconds down while the user powers the radio on with CONFIG held.
class CPowerOnConnectDlg : public CConnectDlg {
    Q_OBJECT
public:
    static constexpr int kStartSeconds = 10;
    static constexpr int kTickPeriodMs = 500;

    explicit CPowerOnConnectDlg(ConnectionHost &host, QWidget *parent = nullptr);

    int secondsLeft() const { return m_secondsLeft; }
    QString portText() const;
    QString secondsText() const;

protected:
    void step() override;

private:
    int m_secondsLeft = kStartSeconds;
    QLabel *m_portLabel;
    QLabel *m_secondsLabel;
};

// Soft-diagnostic connection: reopens the port at each rate in turn and sends the escape.
class CSoftDiagConnectDlg : public CConnectDlg {
    Q_OBJECT
public:
    static constexpr int kTickPeriodMs = 3000;

    explicit CSoftDiagConnectDlg(ConnectionHost &host, QWidget *parent = nullptr);

    void stopAndHide() override;
    int tryIndex() const { return m_tryIndex; }
    QString portText() const;
    QString rateText() const;

protected:
    void step() override;
    void stepFailed() override;

private:
    int m_tryIndex = 0;
    QLabel *m_portLabel;
    QLabel *m_rateLabel;
};

} // namespace quenda
