#include "app/quendaapp.h"

#include "app/quendadlg.h"
#include "link/pause.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace quenda {

bool CQuendaApp::installTranslations()
{
    // Chinese whatever the desktop's language: dates and sizes in the file dialog too.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto install = [&folder](const char *catalog) {
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(QLatin1String(catalog), folder))
            return QCoreApplication::installTranslator(translator);
        delete translator;
        return false;
    };
    const bool base = install("qtbase_zh_CN");
    install("qtserialport_zh_CN");
    return base;
}

int CQuendaApp::InitInstance()
{
    installTranslations();
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
