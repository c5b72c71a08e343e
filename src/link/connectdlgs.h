#pragma once

#include "link/connectprocedures.h"

#include <QDialog>
#include <QPointer>
#include <QString>

class QLabel;

namespace quenda {

// A modeless window that shows a connection procedure: it hides when the procedure stops and
// tells the user why it gave up. The procedure runs without it.
class CConnectDlg : public QDialog {
    Q_OBJECT
public:
    // Forwarded to the procedure, for those that drive it by hand.
    void tick();
    void stopAndHide(); // the procedure stops, and the window hides with it
    bool isRunning() const;
    void setTickPeriod(int periodMs);

protected:
    CConnectDlg(ConnectProcedure &procedure, QWidget *parent);
    QLabel *addLabel(const QString &text, int x, int y, int w, int h);
    virtual void showState() = 0;

    QPointer<ConnectProcedure> m_procedure;
};

// Power-on connection: the countdown while the user powers the radio on with CONFIG held.
class CPowerOnConnectDlg : public CConnectDlg {
    Q_OBJECT
public:
    explicit CPowerOnConnectDlg(PowerOnProcedure &procedure, QWidget *parent = nullptr);

    int secondsLeft() const;
    QString portText() const;
    QString secondsText() const;

protected:
    void showState() override;

private:
    const PowerOnProcedure *procedure() const;

    QLabel *m_portLabel;
    QLabel *m_secondsLabel;
};

// Soft-diagnostic connection: the rate being tried.
class CSoftDiagConnectDlg : public CConnectDlg {
    Q_OBJECT
public:
    explicit CSoftDiagConnectDlg(SoftDiagnosticProcedure &procedure, QWidget *parent = nullptr);

    int tryIndex() const;
    QString portText() const;
    QString rateText() const;

protected:
    void showState() override;

private:
    const SoftDiagnosticProcedure *procedure() const;

    QLabel *m_portLabel;
    QLabel *m_rateLabel;
};

} // namespace quenda
