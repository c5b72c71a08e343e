// k7v4-sim: a simulated K7V4 radio on a pseudo-terminal, registered as a COM port by a link
// ports/comN -> /dev/pts/M that the program opens like a serial port.

#include "lib/k7v4simulator.h"
#include "lib/ptyserver.h"
#include "lib/registers.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int signo)
{
    const int saved = errno;
    const char byte = char(signo);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[0], &byte, 1);
    errno = saved;
}

QByteArray readable(const QByteArray &bytes)
{
    QByteArray out;
    for (char c : bytes) {
        const auto u = uchar(c);
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\x1b')
            out += "\\e";
        else if (c == '\\')
            out += "\\\\";
        else if (u < 0x20 || u >= 0x7f)
            out += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out;
}

// One printed line per line of traffic, so reports stay legible.
void logTraffic(const char *prefix, const QByteArray &bytes)
{
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        std::printf("%s %s\n", prefix, readable(bytes.mid(start, end - start)).constData());
        start = end;
    }
    std::fflush(stdout);
}

// "\r", "\n", "\e", "\xNN" and "\\" in a command-line text.
QByteArray unescape(const QString &text)
{
    const QByteArray in = text.toLatin1();
    QByteArray out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] != '\\' || i + 1 >= in.size()) {
            out += in[i];
            continue;
        }
        const char c = in[++i];
        if (c == 'r')
            out += '\r';
        else if (c == 'n')
            out += '\n';
        else if (c == 'e')
            out += '\x1b';
        else if (c == 'x' && i + 2 < in.size()) {
            bool ok = false;
            const int v = in.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                out += char(v);
                i += 2;
            } else {
                out += "\\x";
            }
        } else {
            out += c;
        }
    }
    return out;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "k7v4-sim: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("k7v4-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated K7V4 radio on a pseudo-terminal. Press Enter (or send SIGUSR1) to switch it "
        "on with CONFIG held; type d and Enter to switch it on without; q and Enter to quit."));
    parser.addHelpOption();
    const QCommandLineOption portsOption(
        QStringLiteral("ports"), QStringLiteral("Folder of the COM links (default: ports beside "
                                                "this program)."),
        QStringLiteral("dir"));
    const QCommandLineOption comOption(QStringLiteral("com"),
                                       QStringLiteral("COM number to register (default 1)."),
                                       QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption stateOption(QStringLiteral("state"),
                                         QStringLiteral("State file to load at start."),
                                         QStringLiteral("file"));
    const QCommandLineOption saveOption(
        QStringLiteral("save"), QStringLiteral("Save the stored state to --state on exit."));
    const QCommandLineOption baudOption(
        QStringLiteral("baud"), QStringLiteral("The radio's rate: S102 value 0-14 or a rate."),
        QStringLiteral("baud"));
    const QCommandLineOption errorOnOption(
        QStringLiteral("error-on"), QStringLiteral("Answer ERROR to every write of this register."),
        QStringLiteral("reg"));
    const QCommandLineOption silentOption(QStringLiteral("silent"),
                                          QStringLiteral("Never answer."));
    const QCommandLineOption splitOption(
        QStringLiteral("split"), QStringLiteral("Send answers longer than n bytes in two pieces."),
        QStringLiteral("n"));
    const QCommandLineOption splitDelayOption(
        QStringLiteral("split-delay"),
        QStringLiteral("Delay of the second piece in ms (default 500)."), QStringLiteral("ms"));
    const QCommandLineOption noiseOption(
        QStringLiteral("noise"),
        QStringLiteral("Bytes sent just before the banner (\\r \\n \\e \\xNN understood)."),
        QStringLiteral("text"));
    const QCommandLineOption noConfigOption(
        QStringLiteral("no-config"), QStringLiteral("Start in data mode (the default)."));
    const QCommandLineOption noPaceOption(
        QStringLiteral("no-pace"),
        QStringLiteral("Answer at once instead of at the radio's line rate (ten bits a byte)."));
    parser.addOptions({portsOption, comOption, stateOption, saveOption, baudOption, errorOnOption,
                       silentOption, splitOption, splitDelayOption, noiseOption, noConfigOption,
                       noPaceOption});
    parser.process(app);

    k7v4::Simulator sim;
    const QString statePath = parser.value(stateOption);
    if (!statePath.isEmpty()) {
        QString error;
        if (QFileInfo::exists(statePath) && !sim.loadFile(statePath, &error))
            return fail(error);
        if (!QFileInfo::exists(statePath) && !parser.isSet(saveOption))
            return fail(QStringLiteral("%1 does not exist").arg(statePath));
    } else if (parser.isSet(saveOption)) {
        return fail(QStringLiteral("--save needs --state FILE"));
    }

    if (parser.isSet(baudOption)) {
        bool ok = false;
        const int value = parser.value(baudOption).toInt(&ok);
        std::optional<int> code;
        if (ok && value >= quenda::tables::T102.first && value <= quenda::tables::T102.last())
            code = value;
        else if (ok)
            code = k7v4::codeOfBaud(value);
        if (!code)
            return fail(QStringLiteral("--baud %1 is neither an S102 value 0-14 nor a rate of it")
                            .arg(parser.value(baudOption)));
        k7v4::RadioState state = sim.stored();
        state.registers[k7v4::kBaudRegister] = *code;
        sim.setState(state);
    }

    k7v4::Misbehaviour &misbehaviour = sim.misbehaviour();
    if (parser.isSet(errorOnOption)) {
        bool ok = false;
        const int reg = parser.value(errorOnOption).toInt(&ok);
        if (!ok)
            return fail(QStringLiteral("--error-on needs a register number such as 108"));
        misbehaviour.errorOnRegister = reg;
    }
    misbehaviour.silent = parser.isSet(silentOption);
    if (parser.isSet(splitOption)) {
        bool ok = false;
        misbehaviour.splitAnswersAfter = parser.value(splitOption).toInt(&ok);
        if (!ok || misbehaviour.splitAnswersAfter <= 0)
            return fail(QStringLiteral("--split needs a number of bytes above 0"));
    }
    if (parser.isSet(splitDelayOption)) {
        bool ok = false;
        misbehaviour.splitDelayMs = parser.value(splitDelayOption).toInt(&ok);
        if (!ok || misbehaviour.splitDelayMs < 0)
            return fail(QStringLiteral("--split-delay needs milliseconds"));
    }
    misbehaviour.beforeBanner = unescape(parser.value(noiseOption));

    bool comOk = false;
    const int com = parser.value(comOption).toInt(&comOk);
    if (!comOk || com < 1 || com > 255)
        return fail(QStringLiteral("--com needs a number from 1 to 255"));
    QString portsFolder = parser.value(portsOption);
    if (portsFolder.isEmpty())
        portsFolder =
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("ports"));

    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return fail(QStringLiteral("cannot set up signal handling"));
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signo : {SIGINT, SIGTERM, SIGHUP, SIGUSR1})
        ::sigaction(signo, &action, nullptr);

    k7v4::PtyServer server(sim);
    server.setPaced(!parser.isSet(noPaceOption));
    QObject::connect(&server, &k7v4::PtyServer::received, &app,
                     [&sim](const QByteArray &bytes, int baud) {
                         logTraffic("<<", bytes);
                         if (baud != sim.ownBaud())
                             std::printf("   (line at %d baud, the radio at %d: not understood)\n",
                                         baud, sim.ownBaud());
                     });
    // What the radio says, whole; it leaves on the line later when paced.
    QObject::connect(&sim, &k7v4::Simulator::send, &app,
                     [](const QByteArray &bytes, int) { logTraffic(">>", bytes); });
    QObject::connect(&server, &k7v4::PtyServer::trouble, &app, [](const QString &text) {
        std::printf("   (%s)\n", qPrintable(text));
        std::fflush(stdout);
    });
    QString error;
    if (!server.open(&error))
        return fail(error);
    const QString link = QDir(portsFolder).absoluteFilePath(QStringLiteral("com%1").arg(com));
    if (QFileInfo(link).isSymLink())
        std::printf("k7v4-sim: replacing the old link %s -> %s\n", qPrintable(link),
                    qPrintable(QFileInfo(link).symLinkTarget()));
    if (!server.registerLink(portsFolder, com, &error))
        return fail(error);

    std::printf("k7v4-sim: COM%d -> %s (link %s)\n", com, qPrintable(server.slavePath()),
                qPrintable(server.linkPath()));
    std::printf("k7v4-sim: serial number %s, radio at %d baud, data mode%s\n",
                qPrintable(sim.stored().serialNumber), sim.ownBaud(),
                server.isPaced() ? "" : ", answering at once");
    const bool interactive = ::isatty(STDIN_FILENO);
    if (interactive)
        std::printf("k7v4-sim: Enter = switch on with CONFIG held, d Enter = switch on, "
                    "q Enter = quit\n");
    std::fflush(stdout);

    const auto powerOn = [&server](bool config) {
        std::printf("-- power on%s\n", config ? " with CONFIG held" : "");
        std::fflush(stdout);
        server.powerOn(config);
    };

    QSocketNotifier signalNotifier(g_signalPipe[1], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&] {
        char signo = 0;
        if (::read(g_signalPipe[1], &signo, 1) != 1)
            return;
        if (signo == SIGUSR1)
            powerOn(true);
        else
            QCoreApplication::quit();
    });

    std::unique_ptr<QSocketNotifier> keyboard;
    if (interactive) {
        keyboard = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(keyboard.get(), &QSocketNotifier::activated, &app, [&] {
            char buffer[256];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                keyboard->setEnabled(false); // end of input: signals still work
                return;
            }
            const QByteArray typed = QByteArray(buffer, n).trimmed().toLower();
            if (typed == "q")
                QCoreApplication::quit();
            else
                powerOn(typed != "d");
        });
    }

    const int status = app.exec();
    server.unregisterLink();
    std::printf("k7v4-sim: stopped\n");
    if (parser.isSet(saveOption)) {
        if (!sim.saveFile(statePath, &error))
            return fail(error);
        std::printf("k7v4-sim: stored state saved to %s\n", qPrintable(statePath));
    }
    return status;
}
