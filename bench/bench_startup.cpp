// Start to main window shown: the real main window, real serial ports and real pauses, timed
// from its construction to its first paint. Each measurement runs in a fresh process, so that
// fonts, plugins and resources are loaded as on a real start; without arguments this program
// runs itself that way several times and reports the medians.

#include "app/quendadlg.h"
#include "bench_common.h"
#include "link/pause.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

constexpr int kRuns = 7;
constexpr char kOnceArgument[] = "--once";

// One clock for parent and child, so a child's instant can be compared with its launch.
qint64 monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

class FirstPaint : public QObject {
public:
    qint64 at = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && at == 0) {
            at = monotonicNs();
            // Leave once this frame has been painted and flushed.
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        }
        return QObject::eventFilter(watched, event);
    }
};

int measureOnce(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir folder; // no para.ini: the start of a first run
    quenda::RealPause pause;
    quenda::RadioConfig config;
    FirstPaint paint;

    const qint64 start = monotonicNs();
    quenda::QuendaEnvironment env;
    env.pause = &pause;
    env.config = &config;
    env.programFolder = folder.path();
    env.backupRoot = folder.filePath(QStringLiteral("backups"));
    quenda::CQuendaDlg window(std::move(env));
    window.installEventFilter(&paint);
    const qint64 built = monotonicNs();
    window.show();
    QTimer::singleShot(10000, &app, [] { QCoreApplication::exit(1); });
    if (app.exec() != 0) {
        std::fprintf(stderr, "bench_startup: the main window was never painted\n");
        return EXIT_FAILURE;
    }
    std::printf("ONCE %lld %lld %lld\n", static_cast<long long>(built - start),
                static_cast<long long>(paint.at - start), static_cast<long long>(paint.at));
    return EXIT_SUCCESS;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], kOnceArgument) == 0)
        return measureOnce(argc, argv);

    QCoreApplication app(argc, argv);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    QList<double> constructMs, paintMs, launchMs;
    for (int run = 0; run < kRuns; ++run) {
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const qint64 launched = monotonicNs();
        child.start(QCoreApplication::applicationFilePath(), {QLatin1String(kOnceArgument)});
        if (!child.waitForFinished(30000) || child.exitCode() != 0) {
            std::fprintf(stderr, "bench_startup: run %d failed\n", run + 1);
            return EXIT_FAILURE;
        }
        const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
        if (fields.size() != 4 || fields[0] != "ONCE") {
            std::fprintf(stderr, "bench_startup: run %d printed no measurement\n", run + 1);
            return EXIT_FAILURE;
        }
        constructMs << fields[1].toLongLong() / 1e6;
        paintMs << fields[2].toLongLong() / 1e6;
        launchMs << (fields[3].toLongLong() - launched) / 1e6;
        std::printf("run %d: construct %.1f ms, construct to first paint %.1f ms, "
                    "launch to first paint %.1f ms\n",
                    run + 1, constructMs.last(), paintMs.last(), launchMs.last());
    }
    using quenda::bench::printResult;
    using quenda::bench::median;
    printResult("startup_construct_ms", median(constructMs), "ms",
                "construct CQuendaDlg, median of 7 fresh processes");
    printResult("startup_paint_ms", median(paintMs), "ms",
                "construct CQuendaDlg, show, until its first paint, median of 7");
    printResult("startup_launch_ms", median(launchMs), "ms",
                "process launch until the main window's first paint, median of 7");
    return EXIT_SUCCESS;
}
