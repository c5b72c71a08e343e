#include "app/quendaapp.h"

#include "app/quendadlg.h"
#include "link/pause.h"

namespace quenda {

int CQuendaApp::InitInstance()
{
    RealPause pause;
    RadioConfig config; // the process-wide record, empty until the first report
    QuendaEnvironment env;
    env.pause = &pause;
    env.config = &config;
    CQuendaDlg dlg(std::move(env));
    dlg.exec();
    return 0;
}

} // namespace quenda
