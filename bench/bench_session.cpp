// A full read and a full save through the real main window against the simulated radio, with a
// fake serial port and pauses in virtual time: the times are the program's own work, without
// the waits the radio protocol imposes (reported separately). Ends with the process's peak
// resident memory.

#include "app/quendadlg.h"
#include "bench_common.h"
#include "simsession.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>

namespace {
constexpr int kRuns = 7;
}

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    using quenda::tools::SimSession;

    QList<double> readMs, saveMs;
    qint64 readPauseMs = 0, savePauseMs = 0;
    for (int run = 0; run < kRuns; ++run) {
        SimSession session;
        session.window().show();
        SimSession::waitUntil([] { return false; }, 20); // first paint out of the way
        session.startPowerOn();

        const qint64 pausedBefore = session.pause().elapsed();
        QElapsedTimer timer;
        timer.start();
        if (!session.powerOnAndRead()) {
            std::fprintf(stderr, "bench_session: run %d: the read did not finish\n", run + 1);
            return EXIT_FAILURE;
        }
        readMs << timer.nsecsElapsed() / 1e6;
        readPauseMs = session.pause().elapsed() - pausedBefore;

        session.changeForSave();
        const qint64 pausedBeforeSave = session.pause().elapsed();
        timer.restart();
        if (!session.save()) {
            std::fprintf(stderr, "bench_session: run %d: the save did not finish\n", run + 1);
            return EXIT_FAILURE;
        }
        saveMs << timer.nsecsElapsed() / 1e6;
        savePauseMs = session.pause().elapsed() - pausedBeforeSave;
        if (!session.radioHoldsChanges()) {
            std::fprintf(stderr, "bench_session: run %d: the radio did not store the changes\n",
                         run + 1);
            return EXIT_FAILURE;
        }
        std::printf("run %d: read %.2f ms (+%lld ms of protocol pauses), save %.2f ms "
                    "(+%lld ms of protocol pauses)\n",
                    run + 1, readMs.last(), static_cast<long long>(readPauseMs), saveMs.last(),
                    static_cast<long long>(savePauseMs));
        session.window().reject();
    }

    using quenda::bench::median;
    using quenda::bench::printResult;
    printResult("read_ms", median(readMs), "ms",
                "banner to report shown on the pages, median of 7, pauses excluded");
    printResult("read_pauses_ms", double(readPauseMs), "ms",
                "protocol pauses of that read (real time a radio adds)");
    printResult("save_ms", median(saveMs), "ms",
                "save, all registers and 8 channels, to \"保存完毕！\", median of 7, pauses excluded");
    printResult("save_pauses_ms", double(savePauseMs), "ms",
                "protocol pauses of that save (real time a radio adds)");
    printResult("peak_rss_kib", double(quenda::bench::peakResidentKiB()), "KiB",
                "peak resident memory (VmHWM) of the read and save runs");
    return EXIT_SUCCESS;
}
