#include "cli/clioptions.h"
#include "cli/clirunner.h"
#include "cli/clitexts.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The window's name: both keep their backups in one place.
    QCoreApplication::setApplicationName(QStringLiteral("QUENDA"));
#ifdef Q_OS_WIN
    SetConsoleOutputCP(CP_UTF8);
#endif
    QTextStream out(stdout);
    QTextStream err(stderr);
    using namespace quenda::cli;
    // A script's timeout or Ctrl+C must not leave the radio in configuration mode.
    std::signal(SIGINT, [](int) { Runner::interrupt(); });
    std::signal(SIGTERM, [](int) { Runner::interrupt(); });

    const Options options = parseArguments(app.arguments().mid(1));
    if (options.help) {
        out << helpText(options.command);
        return Success;
    }
    if (!options.error.isEmpty()) {
        err << texts::error(options.error) << '\n' << texts::usageHint() << Qt::endl;
        return UsageError;
    }
    return Runner(options, out, err).run();
}
