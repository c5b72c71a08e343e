#pragma once

#include "app/progressdlgs.h"
#include "link/connectdlgs.h"
#include "session/radiosession.h"

#include <QObject>

#include <memory>

namespace quenda {

// The modeless windows of a radio session: a connection window for each procedure, the reading
// window and the saving window. Each is created anew as the session starts its step, centred
// over the main window, and hidden as the step ends; the latest of each kind lives until the
// owner destroys it.
class SessionWindows : public QObject {
    Q_OBJECT
public:
    SessionWindows(RadioSession &session, QWidget *mainWindow);
    ~SessionWindows() override;

    CPowerOnConnectDlg *powerOn() const { return m_powerOn.get(); }
    CSoftDiagConnectDlg *softDiag() const { return m_softDiag.get(); }
    CReadingDlg *reading() const { return m_reading.get(); }
    CSavingDlg *saving() const { return m_saving.get(); }

private:
    void showProcedure(ConnectMethod method);
    void raiseProcedure(ConnectMethod method);

    RadioSession &m_session;
    QWidget *m_mainWindow;
    std::unique_ptr<CPowerOnConnectDlg> m_powerOn;
    std::unique_ptr<CSoftDiagConnectDlg> m_softDiag;
    std::unique_ptr<CReadingDlg> m_reading;
    std::unique_ptr<CSavingDlg> m_saving;
};

} // namespace quenda
