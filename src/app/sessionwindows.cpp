#include "app/sessionwindows.h"

namespace quenda {

SessionWindows::SessionWindows(RadioSession &session, QWidget *mainWindow)
    : m_session(session), m_mainWindow(mainWindow)
{
    connect(&session, &RadioSession::procedureStarted, this, &SessionWindows::showProcedure);
    connect(&session, &RadioSession::procedureStillRunning, this,
            &SessionWindows::raiseProcedure);
    connect(&session, &RadioSession::readingStarted, this, [this] {
        m_reading = std::make_unique<CReadingDlg>();
        showCentredNow(m_reading.get(), m_mainWindow);
    });
    connect(&session, &RadioSession::readingEnded, this, [this] {
        if (m_reading)
            m_reading->hide();
    });
    connect(&session, &RadioSession::saveStarted, this, [this] {
        m_saving = std::make_unique<CSavingDlg>();
        showCentredNow(m_saving.get(), m_mainWindow);
    });
    connect(&session, &RadioSession::saveEnded, this, [this] {
        if (m_saving)
            m_saving->hide();
    });
}

SessionWindows::~SessionWindows()
{
    m_reading.reset();
    m_saving.reset();
    m_softDiag.reset();
    m_powerOn.reset();
}

void SessionWindows::showProcedure(ConnectMethod method)
{
    if (method == ConnectMethod::PowerOn) {
        m_powerOn = std::make_unique<CPowerOnConnectDlg>(*m_session.powerOnProcedure(),
                                                         m_mainWindow);
        showCentredNow(m_powerOn.get(), m_mainWindow);
    } else {
        m_softDiag = std::make_unique<CSoftDiagConnectDlg>(*m_session.softDiagnosticProcedure(),
                                                           m_mainWindow);
        showCentredNow(m_softDiag.get(), m_mainWindow);
    }
}

void SessionWindows::raiseProcedure(ConnectMethod method)
{
    CConnectDlg *running = method == ConnectMethod::PowerOn
                               ? static_cast<CConnectDlg *>(m_powerOn.get())
                               : static_cast<CConnectDlg *>(m_softDiag.get());
    if (running) {
        running->show();
        running->raise();
    }
}

} // namespace quenda
