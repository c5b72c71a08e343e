// The "通信记录" window over a long log: opening it on 50,000 entries, then a 64-channel listing
// arriving byte by byte while it is open, each byte followed by a turn of the event loop as a
// pause's loop gives it. Also what the same bytes cost the log alone, with the window closed.

#include "app/commlogwindow.h"
#include "bench_common.h"
#include "link/commlog.h"
#include "simsession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextBlock>

#include <cstdio>
#include <cstdlib>

namespace {
constexpr int kEntries = 50000;

void fill(quenda::CommLog &log)
{
    for (int i = 0; i < kEntries / 2; ++i) {
        log.sent(QByteArrayLiteral("ats103=5\r"));
        log.received(QByteArrayLiteral("ats103=5\r\nOK\r\n"));
    }
}

// Milliseconds to take `bytes` into `log` one at a time, the event loop turning after each.
double byteByByte(quenda::CommLog &log, const QByteArray &bytes)
{
    QElapsedTimer timer;
    timer.start();
    for (const char c : bytes) {
        log.received(QByteArray(1, c));
        QCoreApplication::processEvents();
    }
    return timer.nsecsElapsed() / 1e6;
}
} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QByteArray listing = quenda::tools::SimSession::fullReport();

    quenda::CommLog closedLog;
    fill(closedLog);
    const double closedMs = byteByByte(closedLog, listing);

    quenda::CommLog log;
    fill(log);
    QElapsedTimer timer;
    timer.start();
    auto *window = new quenda::CCommLogWindow(log);
    window->show();
    window->view()->repaint();
    const double openMs = timer.nsecsElapsed() / 1e6;

    const double openStreamMs = byteByByte(log, listing);
    quenda::tools::SimSession::waitUntil([] { return false; }, 2 * window->kRefreshMs);
    const int lines = window->view()->document()->blockCount();
    if (lines != kEntries + listing.size()) {
        std::fprintf(stderr, "bench_commlog: the view holds %d lines, not %lld\n", lines,
                     static_cast<long long>(kEntries + listing.size()));
        return EXIT_FAILURE;
    }
    delete window;

    using quenda::bench::printResult;
    printResult("commlog_open_ms", openMs, "ms",
                "\"通信记录\" opened on 50,000 entries, to its first paint");
    const QByteArray stream = QStringLiteral("a 64-channel read answer (%1 bytes) logged byte by "
                                             "byte, the event loop turned after each, window open")
                                  .arg(listing.size())
                                  .toUtf8();
    printResult("commlog_bytewise_open_ms", openStreamMs, "ms", stream.constData());
    printResult("commlog_bytewise_closed_ms", closedMs, "ms",
                "the same with the window closed: what the log alone costs");
    printResult("commlog_peak_rss_kib", double(quenda::bench::peakResidentKiB()), "KiB",
                "peak resident memory (VmHWM) with both logs and the window");
    return EXIT_SUCCESS;
}
