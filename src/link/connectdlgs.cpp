#include "link/connectdlgs.h"

#include "app/dialogunits.h"
#include "app/handlerguard.h"
#include "app/messagebox.h"
#include "app/messages.h"
#include "link/cmscomm.h"
#include "protocol/radiocommands.h"

#include <QLabel>
#include <QPointer>

namespace quenda {

CConnectDlg::CConnectDlg(ConnectionHost &host, int periodMs, QWidget *parent)
    : QDialog(parent), m_host(host), m_timer(host.pause())
{
    setWindowTitle(QStringLiteral("连接电台"));
    setFont(DialogUnits::dialogFont());
    setModal(false);
    connect(&m_timer, &GatedTimer::timeout, this, &CConnectDlg::tick);
    m_timer.start(periodMs);
}

void CConnectDlg::tick()
{
    // A message box of an earlier tick may still be open: never stack a second one.
    if (m_inTick)
        return;
    m_inTick = true;
    const QPointer<CConnectDlg> self(this);
    ConnectionHost &host = m_host;
    host.beginOperation();
    const bool completed = runGuarded(this, [this] { step(); });
    host.endOperation();
    if (!self)
        return;
    m_inTick = false;
    if (!completed)
        stepFailed();
}

void CConnectDlg::stopAndHide()
{
    m_timer.stop();
    hide();
}

void CConnectDlg::setTickPeriod(int periodMs)
{
    if (m_timer.isActive())
        m_timer.start(periodMs);
}

void CConnectDlg::giveUp(const QString &message)
{
    CMSComm &comm = m_host.comm();
    if (comm.GetPortOpen())
        comm.SetPortOpen(false);
    hide();
    m_timer.stop();
    m_host.procedureGaveUp();
    MessageBox::inform(this, message);
}

QLabel *CConnectDlg::addLabel(const QString &text, int x, int y, int w, int h)
{
    auto *label = new QLabel(text, this);
    DialogUnits::place(label, x, y, w, h);
    // A stand-in for 宋体 may be wider: let the text run on rather than lose its last characters.
    const int needed = label->sizeHint().width();
    if (needed > label->width())
        label->resize(qMin(needed, DialogUnits::x(158) - label->x()), label->height());
    return label;
}

CPowerOnConnectDlg::CPowerOnConnectDlg(ConnectionHost &host, QWidget *parent)
    : CConnectDlg(host, kTickPeriodMs, parent)
{
    setFixedSize(DialogUnits::size(158, 74));
    m_portLabel = addLabel(QStringLiteral("COM%1").arg(host.portNumber()), 56, 13, 25, 8);
    addLabel(QStringLiteral("请按住CONFIG键，在10秒内给K7V4上电！"), 7, 31, 145, 8);
    addLabel(QStringLiteral("剩余时间（秒）："), 26, 49, 65, 8);
    m_secondsLabel = addLabel(QString::number(m_secondsLeft), 93, 48, 25, 8);
}

QString CPowerOnConnectDlg::portText() const
{
    return m_portLabel->text();
}

QString CPowerOnConnectDlg::secondsText() const
{
    return m_secondsLabel->text();
}

void CPowerOnConnectDlg::step()
{
    m_secondsLabel->setText(QString::number(m_secondsLeft));
    m_host.pause().pause(pauses::kPowerOnTick);
    --m_secondsLeft;
    if (m_secondsLeft == -1) {
        m_secondsLeft = kStartSeconds;
        giveUp(messages::powerOnTimeout());
    }
}

CSoftDiagConnectDlg::CSoftDiagConnectDlg(ConnectionHost &host, QWidget *parent)
    : CConnectDlg(host, kTickPeriodMs, parent)
{
    setFixedSize(DialogUnits::size(135, 79));
    m_portLabel = addLabel(QStringLiteral("COM%1").arg(host.portNumber()), 47, 14, 25, 8);
    addLabel(QStringLiteral("尝试软诊断连接电台"), 26, 32, 73, 8);
    addLabel(QStringLiteral("波特率："), 25, 49, 33, 8);
    m_rateLabel = addLabel(QString::fromLatin1(kSoftDiagnosticRates[0]), 65, 49, 40, 8);
}

void CSoftDiagConnectDlg::stepFailed()
{
    // The port could not be opened and the user was told why. Trying the same rate every
    // three seconds would bring that message back without end: stop, and let the user press
    // "打开" again once the port is free.
    stopAndHide();
}

void CSoftDiagConnectDlg::stopAndHide()
{
    m_tryIndex = 0;
    CConnectDlg::stopAndHide();
}

QString CSoftDiagConnectDlg::portText() const
{
    return m_portLabel->text();
}

QString CSoftDiagConnectDlg::rateText() const
{
    return m_rateLabel->text();
}

void CSoftDiagConnectDlg::step()
{
    // The last rate's answer is taken after its tick, like every other; only the tick after
    // it gives up.
    if (m_tryIndex >= int(kSoftDiagnosticRates.size())) {
        m_tryIndex = 0;
        giveUp(messages::softDiagnosticFailed());
        return;
    }
    const QString rate = QString::fromLatin1(kSoftDiagnosticRates[m_tryIndex]);
    m_rateLabel->setText(rate);
    m_host.setBaudText(rate);
    m_host.OpenPort(); // a failed open ends the procedure (stepFailed)
    m_host.comm().SetOutput(QByteArray(radio::kSoftEscape));
    m_host.pause().pause(pauses::kSoftDiagnosticTry);
    ++m_tryIndex;
}

} // namespace quenda
