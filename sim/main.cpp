// k7v4-sim: a simulated K7V4 radio on a pseudo-terminal, registered as a COM port by a link
// ports/comN -> /dev/pts/M that the program opens like a serial port.

#include "lib/k7v4simulator.h"
#include "lib/registers.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kReadChunk = 4096;
constexpr int kReopenRetryMs = 200;
// Output the program does not take is dropped beyond this, so a closed port cannot fill memory.
constexpr qsizetype kMaxQueuedOutput = 1 << 20;

int g_signalPipe[2] = {-1, -1};

void onSignal(int signo)
{
    const int saved = errno;
    const char byte = char(signo);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[0], &byte, 1);
    errno = saved;
}

int baudOfSpeed(speed_t speed)
{
    struct Pair {
        speed_t speed;
        int baud;
    };
    static const Pair pairs[] = {
        {B50, 50},       {B300, 300},     {B600, 600},       {B1200, 1200},     {B2400, 2400},
        {B4800, 4800},   {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
        {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
    };
    for (const Pair &p : pairs) {
        if (p.speed == speed)
            return p.baud;
    }
    return 0;
}

#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__) || defined(__aarch64__) || \
                           defined(__arm__))
// The kernel's termios2, which carries rates that have no B constant (set with BOTHER).
struct KernelTermios2 {
    tcflag_t c_iflag;
    tcflag_t c_oflag;
    tcflag_t c_cflag;
    tcflag_t c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed;
    speed_t c_ospeed;
};
int customBaud(int fd)
{
    KernelTermios2 t{};
    if (::ioctl(fd, _IOR('T', 0x2A, KernelTermios2), &t) != 0)
        return 0;
    return int(t.c_ispeed ? t.c_ispeed : t.c_ospeed);
}
#else
int customBaud(int)
{
    return 0;
}
#endif

constexpr speed_t kIdleSpeed = B50;
constexpr int kIdleBaud = 50;

// The rate the program set on its end of the line.
int lineBaud(int slaveFd)
{
    termios t{};
    if (::tcgetattr(slaveFd, &t) != 0)
        return 0;
    speed_t speed = ::cfgetispeed(&t);
    if (speed == B0)
        speed = ::cfgetospeed(&t);
    if (const int baud = baudOfSpeed(speed))
        return baud;
    return customBaud(slaveFd);
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

class PtyServer : public QObject {
public:
    explicit PtyServer(k7v4::Simulator &sim) : m_sim(sim)
    {
        QObject::connect(&m_sim, &k7v4::Simulator::send, this, &PtyServer::queue);
        m_pieceTimer.setSingleShot(true);
        QObject::connect(&m_pieceTimer, &QTimer::timeout, this, &PtyServer::deliverDue);
        m_reopenTimer.setSingleShot(true);
        QObject::connect(&m_reopenTimer, &QTimer::timeout, this, [this] {
            if (m_readNotifier)
                m_readNotifier->setEnabled(true);
        });
    }

    ~PtyServer() override
    {
        unregisterLink();
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
    }

    bool open(QString *error)
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
            *error = QStringLiteral("cannot create a pseudo-terminal: %1")
                         .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
        const char *name = ::ptsname(m_master);
        if (!name) {
            *error = QStringLiteral("cannot name the pseudo-terminal");
            return false;
        }
        m_slavePath = QString::fromLocal8Bit(name);
        // Held open so the line and its settings outlive the program's closing and reopening.
        m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_slave < 0) {
            *error = QStringLiteral("cannot open %1: %2")
                         .arg(m_slavePath, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        // Raw, so the line discipline neither echoes the radio's answers back nor edits lines.
        // The idle rate marks "no program holds the line": the serial port puts back what it
        // found when it closes, before the radio has read the program's last bytes ("ATA").
        termios t{};
        if (::tcgetattr(m_slave, &t) == 0) {
            ::cfmakeraw(&t);
            ::cfsetispeed(&t, kIdleSpeed);
            ::cfsetospeed(&t, kIdleSpeed);
            ::tcsetattr(m_slave, TCSANOW, &t);
        }

        m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
        QObject::connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyServer::readMaster);
        m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
        m_writeNotifier->setEnabled(false);
        QObject::connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyServer::writeOut);
        return true;
    }

    bool registerLink(const QString &folder, int com, QString *error)
    {
        if (!QDir().mkpath(folder)) {
            *error = QStringLiteral("cannot create the ports folder %1").arg(folder);
            return false;
        }
        const QString link = QDir(folder).absoluteFilePath(QStringLiteral("com%1").arg(com));
        const QFileInfo existing(link);
        if (existing.isSymLink()) {
            std::printf("k7v4-sim: replacing the old link %s -> %s\n", qPrintable(link),
                        qPrintable(existing.symLinkTarget()));
            ::unlink(QFile::encodeName(link).constData());
        } else if (existing.exists()) {
            *error = QStringLiteral("%1 exists and is not a link; choose another --com or --ports")
                         .arg(link);
            return false;
        }
        if (::symlink(QFile::encodeName(m_slavePath).constData(),
                      QFile::encodeName(link).constData()) != 0) {
            *error = QStringLiteral("cannot create the link %1: %2")
                         .arg(link, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        m_linkPath = link;
        return true;
    }

    void unregisterLink()
    {
        if (m_linkPath.isEmpty())
            return;
        // Only our own link: another simulator may have taken the name over meanwhile.
        if (QFileInfo(m_linkPath).symLinkTarget() == m_slavePath)
            ::unlink(QFile::encodeName(m_linkPath).constData());
        m_linkPath.clear();
    }

    // The radio's own power-on, at whatever rate the program's end of the line is set to.
    void powerOn(bool configHeld)
    {
        std::printf("-- power on%s\n", configHeld ? " with CONFIG held" : "");
        std::fflush(stdout);
        m_sim.setLineBaud(currentBaud());
        m_sim.powerOn(configHeld);
    }

    QString slavePath() const { return m_slavePath; }
    QString linkPath() const { return m_linkPath; }

private:
    struct Piece {
        QByteArray bytes;
        QDeadlineTimer due;
    };

    // The rate the program set; bytes read after it let go of the line were sent at that rate.
    int currentBaud()
    {
        const int baud = lineBaud(m_slave);
        if (baud != 0 && baud != kIdleBaud)
            m_lastBaud = baud;
        return m_lastBaud;
    }

    void readMaster()
    {
        char buffer[kReadChunk];
        for (;;) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0) {
                const QByteArray bytes(buffer, n);
                const int baud = currentBaud();
                logTraffic("<<", bytes);
                if (baud != m_sim.ownBaud())
                    std::printf("   (line at %d baud, the radio at %d: not understood)\n", baud,
                                m_sim.ownBaud());
                m_sim.setLineBaud(baud);
                m_sim.receive(bytes);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            // EIO (no one holds the line) or end of file: wait instead of spinning on it.
            m_readNotifier->setEnabled(false);
            m_reopenTimer.start(kReopenRetryMs);
            return;
        }
    }

    void queue(const QByteArray &bytes, int delayMs)
    {
        m_pieces.push_back({bytes, QDeadlineTimer(qMax(0, delayMs))});
        deliverDue();
    }

    // Pieces leave in the order they were made, a delayed one holding back those after it.
    void deliverDue()
    {
        while (!m_pieces.empty() && m_pieces.front().due.hasExpired()) {
            const QByteArray bytes = m_pieces.front().bytes;
            m_pieces.pop_front();
            logTraffic(">>", bytes);
            if (m_out.size() + bytes.size() > kMaxQueuedOutput) {
                std::printf("   (the line is not read: %lld bytes dropped)\n",
                            static_cast<long long>(bytes.size()));
                continue;
            }
            m_out += bytes;
        }
        if (!m_pieces.empty())
            m_pieceTimer.start(int(qMax<qint64>(1, m_pieces.front().due.remainingTime())));
        writeOut();
    }

    void writeOut()
    {
        while (!m_out.isEmpty()) {
            const ssize_t n = ::write(m_master, m_out.constData(), std::size_t(m_out.size()));
            if (n > 0) {
                m_out.remove(0, n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                m_writeNotifier->setEnabled(true);
                return;
            }
            std::printf("   (cannot write to the line: %s; %lld bytes dropped)\n",
                        std::strerror(errno), static_cast<long long>(m_out.size()));
            m_out.clear();
        }
        m_writeNotifier->setEnabled(false);
    }

    k7v4::Simulator &m_sim;
    int m_master = -1;
    int m_slave = -1;
    int m_lastBaud = 9600;
    QString m_slavePath;
    QString m_linkPath;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QTimer m_reopenTimer;
    QTimer m_pieceTimer;
    std::deque<Piece> m_pieces;
    QByteArray m_out;
};

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
    parser.addOptions({portsOption, comOption, stateOption, saveOption, baudOption, errorOnOption,
                       silentOption, splitOption, splitDelayOption, noiseOption, noConfigOption});
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

    PtyServer server(sim);
    QString error;
    if (!server.open(&error) || !server.registerLink(portsFolder, com, &error))
        return fail(error);

    std::printf("k7v4-sim: COM%d -> %s (link %s)\n", com, qPrintable(server.slavePath()),
                qPrintable(server.linkPath()));
    std::printf("k7v4-sim: serial number %s, radio at %d baud, data mode\n",
                qPrintable(sim.stored().serialNumber), sim.ownBaud());
    const bool interactive = ::isatty(STDIN_FILENO);
    if (interactive)
        std::printf("k7v4-sim: Enter = switch on with CONFIG held, d Enter = switch on, "
                    "q Enter = quit\n");
    std::fflush(stdout);

    const auto powerOn = [&server](bool config) { server.powerOn(config); };

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
