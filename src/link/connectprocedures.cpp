#include "link/connectprocedures.h"

#include "link/cmscomm.h"
#include "link/commerror.h"
#include "protocol/messages.h"
#include "protocol/radiocommands.h"

#include <QPointer>

namespace quenda {

ConnectProcedure::ConnectProcedure(ConnectionHost &host, int periodMs, QObject *parent)
    : QObject(parent), m_host(host), m_timer(host.pause()), m_portNumber(host.portNumber())
{
    connect(&m_timer, &GatedTimer::timeout, this, &ConnectProcedure::tick);
    m_timer.start(periodMs);
}

void ConnectProcedure::tick()
{
    // A message box of an earlier tick may still be open: never stack a second one.
    if (m_inTick)
        return;
    m_inTick = true;
    const QPointer<ConnectProcedure> self(this);
    ConnectionHost &host = m_host;
    host.beginOperation();
    const bool completed = catchCommError([this] { step(); },
                                          [this](const QString &description) {
                                              emit failed(description);
                                          });
    host.endOperation();
    if (!self)
        return;
    m_inTick = false;
    if (!completed)
        stepFailed();
}

void ConnectProcedure::stop()
{
    m_timer.stop();
    emit stopped();
}

void ConnectProcedure::setTickPeriod(int periodMs)
{
    if (m_timer.isActive())
        m_timer.start(periodMs);
}

void ConnectProcedure::giveUp(const QString &message)
{
    CMSComm &comm = m_host.comm();
    if (comm.GetPortOpen())
        comm.SetPortOpen(false);
    m_timer.stop();
    emit stopped();
    m_host.procedureEnded();
    emit gaveUp(message);
}

PowerOnProcedure::PowerOnProcedure(ConnectionHost &host, QObject *parent)
    : ConnectProcedure(host, kTickPeriodMs, parent)
{
}

void PowerOnProcedure::step()
{
    m_secondsShown = m_secondsLeft;
    emit ticked();
    m_host.pause().pause(pauses::kPowerOnTick);
    --m_secondsLeft;
    if (m_secondsLeft == -1) {
        m_secondsLeft = kStartSeconds;
        giveUp(messages::powerOnTimeout());
    }
}

SoftDiagnosticProcedure::SoftDiagnosticProcedure(ConnectionHost &host, QObject *parent)
    : ConnectProcedure(host, kTickPeriodMs, parent),
      m_rateTried(QString::fromLatin1(kSoftDiagnosticRates[0]))
{
}

void SoftDiagnosticProcedure::stepFailed()
{
    // The port could not be opened and the user is told why. Trying the same rate every three
    // seconds would bring that message back without end: stop, and let the user press "打开"
    // again once the port is free.
    stop();
    m_host.procedureEnded();
}

void SoftDiagnosticProcedure::stop()
{
    m_tryIndex = 0;
    ConnectProcedure::stop();
}

void SoftDiagnosticProcedure::step()
{
    // The last rate's answer is taken after its tick, like every other; only the tick after
    // it gives up.
    if (m_tryIndex >= int(kSoftDiagnosticRates.size())) {
        m_tryIndex = 0;
        giveUp(messages::softDiagnosticFailed());
        return;
    }
    m_rateTried = QString::fromLatin1(kSoftDiagnosticRates[m_tryIndex]);
    emit ticked();
    m_host.setBaudText(m_rateTried);
    m_host.OpenPort(); // a failed open ends the procedure (stepFailed)
    m_host.comm().SetOutput(QByteArray(radio::kSoftEscape));
    m_host.pause().pause(pauses::kSoftDiagnosticTry);
    ++m_tryIndex;
}

} // namespace quenda
