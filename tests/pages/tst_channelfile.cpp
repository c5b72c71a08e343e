#include "app/quendaapp.h"
#include "pages/channelfile.h"
#include "ui/filedialog.h"

#include <QtTest>
#include <QtWidgets>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

#include <functional>

using namespace quenda;
using channelfile::Rows;

Q_DECLARE_METATYPE(channelfile::Rows)

namespace {

// Owner, group and others as the file system stores them. Qt's "user" bits tell what this
// process may do, which for root includes writing read-only files.
int modeBits(QFileDevice::Permissions p)
{
    return p.toInt() & 0x7077;
}
constexpr int kWriteModeBits = 0x2022;

ChannelEntry cells(const QString &frequency, const QString &bandwidth, const QString &direction)
{
    return {QString(), frequency, bandwidth, direction};
}

Rows fullTable()
{
    Rows rows{};
    const char *bandwidths[] = {"6.25 KHz", "12.5 KHz", "25   KHz"};
    for (int n = 0; n < kChannelSlots; ++n)
        rows[n] = cells(QStringLiteral("4%1.%2").arg(10 + n).arg(n * 25000, 6, 10, QLatin1Char('0')),
                        QLatin1String(bandwidths[n % 3]), QStringLiteral("Rx&Tx"));
    return rows;
}

Rows partlyFreeTable()
{
    Rows rows{};
    rows[0] = cells("433.125000", "12.5 KHz", "Rx&Tx");
    rows[5] = cells("433.125000", "12.5 KHz", "Rx&Tx");
    rows[9] = cells("410.000000", "6.25 KHz", "Rx");
    rows[10] = cells("480.000000", "25   KHz", "Tx");
    rows[63] = cells("406.100000", "6.25 KHz", "");
    rows[40] = cells("", "12.5 KHz", "Rx&Tx"); // 14 characters: long enough to be imported
    return rows;
}

Rows chineseTable()
{
    Rows rows = partlyFreeTable();
    rows[5].direction = QStringLiteral("接收&发送");
    rows[12] = cells("433.1250xy", "宽带", QStringLiteral("仅接收 Rx"));
    return rows;
}

// "row: frequency | bandwidth | direction", readable when a comparison fails.
QStringList describe(const QList<std::pair<int, ChannelEntry>> &rows)
{
    QStringList out;
    for (const auto &[row, e] : rows)
        out << QStringLiteral("%1: %2 | %3 | %4").arg(row).arg(e.frequency, e.bandwidth, e.direction);
    return out;
}

QStringList describeSlots(const std::array<ChannelEntry, kChannelSlots> &table)
{
    QStringList out;
    for (int i = 0; i < kChannelSlots; ++i) {
        const ChannelEntry &e = table[i];
        if (e != ChannelEntry{})
            out << QStringLiteral("%1: %2 | %3 | %4 | %5").arg(i).arg(e.channel, e.frequency, e.bandwidth, e.direction);
    }
    return out;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeRaw(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

bool runningAsRoot()
{
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

#ifdef Q_OS_LINUX
// Root creates files in any folder unless the folder is immutable.
bool setImmutable(const QString &folder, bool on)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}
#endif

// A folder in which no new file can be made, for root as well where the file system allows.
bool lockFolder(const QString &folder)
{
    if (!runningAsRoot())
        return QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
#ifdef Q_OS_LINUX
    return setImmutable(folder, true);
#else
    return false;
#endif
}

void unlockFolder(const QString &folder)
{
#ifdef Q_OS_LINUX
    if (runningAsRoot())
        setImmutable(folder, false);
#endif
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// Runs `interact` on the file dialog once it is shown, from inside its modal loop.
QString withDialog(const std::function<QString()> &open, const std::function<void(QFileDialog *)> &interact)
{
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            poll.stop();
            interact(dialog);
        }
    });
    poll.start();
    return open();
}

// Clicks `button` of the next message box, which the dialog opens from inside `trigger`.
void answerMessageBox(QMessageBox::StandardButton button, bool *seen, const std::function<void()> &trigger)
{
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            poll.stop();
            *seen = true;
            box->button(button)->click();
        }
    });
    poll.start();
    trigger();
}

void typeAndAccept(QFileDialog *dialog, const QString &name)
{
    auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(name);
    static_cast<QDialog *>(dialog)->accept(); // virtual: runs the file dialog's checks
}

} // namespace

class TestChannelFile : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void roundTrip_data();
    void roundTrip();
    void exportedLines_data();
    void exportedLines();
    void exportMakesReadOnly_data();
    void exportMakesReadOnly();
    void exportFailureKeepsEarlierFile_data();
    void exportFailureKeepsEarlierFile();
    void exportFailsOnFullDisk();
    void exportIntoLockedFolder();
    void import_data();
    void import();
    void importEncodings_data();
    void importEncodings();
    void readFailure_data();
    void readFailure();
    void proposedFileName_data();
    void proposedFileName();

    void qtFilter_data();
    void qtFilter();
    void testModeAnswers();
    void dialog_data();
    void dialog();
    void saveAsksBeforeReplacing_data();
    void saveAsksBeforeReplacing();
    void allFilesShowsNamesWithoutPoint();
    void qtTextsInChinese();

private:
    QTemporaryDir *m_dir = nullptr;
    QString path(const QString &name) const { return m_dir->filePath(name); }
};

void TestChannelFile::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    FileDialog::reset();
}

void TestChannelFile::cleanup()
{
    // Read-only files and folders must not stop the temporary folder from going away.
    QDirIterator it(m_dir->path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        QFile::setPermissions(it.next(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    delete m_dir;
    m_dir = nullptr;
    FileDialog::reset();
}

void TestChannelFile::roundTrip_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::newRow("full table") << fullTable();
    QTest::newRow("partly free table") << partlyFreeTable();
    QTest::newRow("Chinese text in DIR and BW") << chineseTable();
    Rows pasted = partlyFreeTable();
    pasted[7] = cells("433.125000", "12.5 KHz", QStringLiteral("Rx\tTx\tend"));
    QTest::newRow("TABs pasted into DIR") << pasted;
}

void TestChannelFile::roundTrip()
{
    QFETCH(Rows, rows);
    const QString file = path("plan.txt");
    QString error;
    QVERIFY2(channelfile::write(file, rows, &error), qPrintable(error));

    channelfile::Import import;
    QVERIFY2(channelfile::read(file, &import, &error), qPrintable(error));

    Rows imported{};
    for (const auto &[row, entry] : import.rows) {
        imported[row].frequency = entry.frequency;
        imported[row].bandwidth = entry.bandwidth;
        imported[row].direction = entry.direction;
    }
    for (int n = 0; n < kChannelSlots; ++n) {
        QCOMPARE(imported[n].frequency, rows[n].frequency);
        QCOMPARE(imported[n].bandwidth, rows[n].bandwidth);
        QCOMPARE(imported[n].direction, rows[n].direction);
    }
}

void TestChannelFile::exportedLines_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QByteArray>("line");

    Rows rows{};
    rows[5] = cells("433.125000", "12.5 KHz", "Rx&Tx");
    rows[63] = cells("480.000000", "25   KHz", QStringLiteral("接收"));
    rows[20] = cells("", "", "Rx&Tx");
    QTest::newRow("one-digit channel") << rows << 5 << QByteArray("5\t433.125000\t12.5 KHz\tRx&Tx\r\n");
    QTest::newRow("free channel") << rows << 17 << QByteArray("17\t\t\t\r\n");
    QTest::newRow("channel 0 free") << rows << 0 << QByteArray("0\t\t\t\r\n");
    QTest::newRow("only DIR") << rows << 20 << QByteArray("20\t\t\tRx&Tx\r\n");
    QTest::newRow("local code page") << rows << 63
                                     << "63\t480.000000\t25   KHz\t" + QStringLiteral("接收").toLocal8Bit() + "\r\n";
}

void TestChannelFile::exportedLines()
{
    QFETCH(Rows, rows);
    QFETCH(int, channel);
    QFETCH(QByteArray, line);

    const QString file = path("plan.txt");
    QString error;
    QVERIFY2(channelfile::write(file, rows, &error), qPrintable(error));
    const QByteArray content = readAll(file);
    QCOMPARE(content, channelfile::format(rows));

    // 64 lines, each ended by CR LF, channel n on line n, no header.
    QVERIFY(content.endsWith("\r\n"));
    QCOMPARE(content.count('\n'), kChannelSlots);
    QCOMPARE(content.count("\r\n"), kChannelSlots);
    const QList<QByteArray> lines = content.split('\n');
    QCOMPARE(lines.size(), kChannelSlots + 1);
    for (int n = 0; n < kChannelSlots; ++n)
        QVERIFY2(lines[n].startsWith(QByteArray::number(n) + '\t'), lines[n].constData());
    QCOMPARE(lines[channel] + '\n', line);
}

void TestChannelFile::exportMakesReadOnly_data()
{
    QTest::addColumn<bool>("earlierFile");
    QTest::addColumn<int>("earlierPermissions");
    QTest::addColumn<int>("expectedPermissions"); // -1: a new file's, less the write bits

    const int rw_r__r__ = 0x6044, rw_______ = 0x6000, r__r__r__ = 0x4044, rw_rw_rw_ = 0x6066;
    QTest::newRow("new file") << false << 0 << -1;
    QTest::newRow("earlier file rw-r--r--") << true << rw_r__r__ << r__r__r__;
    QTest::newRow("earlier file rw-------") << true << rw_______ << 0x4000;
    QTest::newRow("earlier file rwxr-x---") << true << 0x7050 << 0x5050;
    QTest::newRow("earlier file rw-rw-rw-") << true << rw_rw_rw_ << r__r__r__;
    QTest::newRow("earlier export, read-only") << true << r__r__r__ << r__r__r__;
}

void TestChannelFile::exportMakesReadOnly()
{
    QFETCH(bool, earlierFile);
    QFETCH(int, earlierPermissions);
    QFETCH(int, expectedPermissions);

    const QString file = path("plan.txt");
    if (earlierFile) {
        QVERIFY(writeRaw(file, "old content\r\n"));
        QVERIFY(QFile::setPermissions(file, QFileDevice::Permissions::fromInt(earlierPermissions)));
    }
    QString error;
    QVERIFY2(channelfile::write(file, fullTable(), &error), qPrintable(error));
    QCOMPARE(readAll(file), channelfile::format(fullTable()));

    const QFileDevice::Permissions after = QFile::permissions(file);
    QCOMPARE(modeBits(after) & kWriteModeBits, 0);
    if (expectedPermissions >= 0) {
        QCOMPARE(modeBits(after), expectedPermissions);
    } else {
        // A new file gets what any new file of this user gets, only without writing.
        const QString probe = path("probe");
        QVERIFY(writeRaw(probe, "x"));
        QCOMPARE(modeBits(after), modeBits(QFile::permissions(probe)) & ~kWriteModeBits);
    }
    // No temporary file is left beside it.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("plan")),
             QStringList{QStringLiteral("plan.txt")});
}

void TestChannelFile::exportFailureKeepsEarlierFile_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason");

    QTest::newRow("folder does not exist") << "" << "missing/plan.txt" << "不存在";
    QTest::newRow("folder path is a file") << "earlier.txt" << "earlier.txt/plan.txt" << "不是文件夹";
    QTest::newRow("file name is a folder") << "folder/" << "folder" << "文件夹";
    QTest::newRow("no file name") << "earlier.txt" << "" << "未指定文件名";
    QTest::newRow("folder not writable") << "locked/" << "locked/plan.txt" << "无法打开或创建文件";
}

void TestChannelFile::exportFailureKeepsEarlierFile()
{
    QFETCH(QString, setup);
    QFETCH(QString, target);
    QFETCH(QString, reason);

    const QByteArray earlier = "0\t433.125000\t12.5 KHz\tRx&Tx\r\n";
    if (setup.endsWith(u'/')) {
        QVERIFY(QDir(m_dir->path()).mkdir(setup.chopped(1)));
        QVERIFY(writeRaw(path(setup + "earlier.txt"), earlier));
        if (setup == QLatin1String("locked/")) {
            if (runningAsRoot())
                QSKIP("root writes into any folder");
            QVERIFY(QFile::setPermissions(path("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        }
    } else if (!setup.isEmpty()) {
        QVERIFY(writeRaw(path(setup), earlier));
    }
    const QStringList before = QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    const QString file = target.isEmpty() ? QString() : path(target);
    QString error;
    QVERIFY(!channelfile::write(file, fullTable(), &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(file)), qPrintable(error));

    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
    if (setup.endsWith(u'/')) {
        QFile::setPermissions(path(setup.chopped(1)), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(QDir(path(setup)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{QStringLiteral("earlier.txt")});
        QCOMPARE(readAll(path(setup + "earlier.txt")), earlier);
    } else if (!setup.isEmpty()) {
        QCOMPARE(readAll(path(setup)), earlier);
    }
}

void TestChannelFile::exportFailsOnFullDisk()
{
#ifdef Q_OS_UNIX
    // A file size limit fails the write like a full disk does, for root as well.
    const QString file = path("plan.txt");
    const QByteArray earlier = "old plan\r\n";
    QVERIFY(writeRaw(file, earlier));
    QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadUser));

    rlimit saved{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
    rlimit small = saved;
    small.rlim_cur = 100;
    auto *previous = std::signal(SIGXFSZ, SIG_IGN);
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
    QString error;
    const bool written = channelfile::write(file, fullTable(), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    QVERIFY(!written);
    QVERIFY2(error.contains(QDir::toNativeSeparators(file)), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("写入出错")), qPrintable(error));
    QCOMPARE(readAll(file), earlier);
    QCOMPARE(modeBits(QFile::permissions(file)), 0x4000);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("plan.txt")});
#else
    QSKIP("needs a file size limit");
#endif
}

void TestChannelFile::import_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("rows");      // row: frequency | bandwidth | direction, in file order
    QTest::addColumn<QStringList>("importSlots"); // slot: channel | frequency | bandwidth | direction

    const QByteArray l0 = "0\t433.125000\t12.5 KHz\tRx&Tx\r\n";
    const QByteArray l1 = "1\t434.000000\t25   KHz\tRx\r\n";
    const QByteArray l3 = "3\t435.000000\t6.25 KHz\tTx\r\n";
    const QString r0 = "0: 433.125000 | 12.5 KHz | Rx&Tx";
    const QString r1 = "1: 434.000000 | 25   KHz | Rx";

    QTest::newRow("empty file") << QByteArray() << QStringList{} << QStringList{};
    QTest::newRow("third line empty") << l0 + l1 + "\r\n" + l3 << QStringList{r0, r1}
                                      << QStringList{"0: 0 | 433.125000 | 12.5 KHz | Rx&Tx", "1: 1 | 434.000000 | 25   KHz | Rx"};
    QTest::newRow("third line empty, LF only") << l0 + l1 + "\n" + l3 << QStringList{r0, r1}
                                               << QStringList{"0: 0 | 433.125000 | 12.5 KHz | Rx&Tx", "1: 1 | 434.000000 | 25   KHz | Rx"};
    QTest::newRow("first line empty") << "\r\n" + l0 << QStringList{} << QStringList{};
    QTest::newRow("LF line ends") << QByteArray("7\t433.125000\t12.5 KHz\tRx&Tx\n") << QStringList{"7: 433.125000 | 12.5 KHz | Rx&Tx"}
                                  << QStringList{"0: 7 | 433.125000 | 12.5 KHz | Rx&Tx"};
    QTest::newRow("last line without line end") << l0 + "9\t410.000000\t6.25 KHz\tRx"
                                                << QStringList{r0, "9: 410.000000 | 6.25 KHz | Rx"}
                                                << QStringList{"0: 0 | 433.125000 | 12.5 KHz | Rx&Tx", "1: 9 | 410.000000 | 6.25 KHz | Rx"};
    QTest::newRow("same channel twice, later wins")
        << l0 + "0\t470.000000\t25   KHz\tTx\r\n"
        << QStringList{r0, "0: 470.000000 | 25   KHz | Tx"}
        << QStringList{"0: 0 | 433.125000 | 12.5 KHz | Rx&Tx", "1: 0 | 470.000000 | 25   KHz | Tx"};
    QTest::newRow("free channels skipped but counted")
        << "0\t\t\t\r\n17\t\t\t\r\n" + l1 << QStringList{r1} << QStringList{"2: 1 | 434.000000 | 25   KHz | Rx"};
    QTest::newRow("line of exactly 10 characters skipped") << QByteArray("5\t43\t12\tRx\r\n") << QStringList{} << QStringList{};
    QTest::newRow("line of 11 characters read") << QByteArray("5\t43\t12\tRxT\r\n") << QStringList{"5: 43 | 12 | RxT"}
                                                << QStringList{"0: 5 | 43 | 12 | RxT"};
    QTest::newRow("heading skipped") << "Channel\tFrequency(MHz)\tBW\tDIR\r\n" + l1 << QStringList{r1}
                                     << QStringList{"0: Channel | Frequency(MHz) | BW | DIR", "1: 1 | 434.000000 | 25   KHz | Rx"};
    QTest::newRow("heading without TAB skipped") << "CH  FREQ(MHz)  BW      DIR\r\n" + l1 << QStringList{r1}
                                                 << QStringList{"0: CH |   FREQ(MHz |   BW     |   DIR",
                                                                "1: 1 | 434.000000 | 25   KHz | Rx"};
    QTest::newRow("leading blank before channel") << QByteArray(" 8\t433.125000\t12.5 KHz\tRx&Tx\r\n")
                                                  << QStringList{"8: 433.125000 | 12.5 KHz | Rx&Tx"}
                                                  << QStringList{"0:  8 | 433.125000 | 12.5 KHz | Rx&Tx"};
    QTest::newRow("fixed positions, one digit") << QByteArray("5 433.125000 12.5 KHzRx&Tx\r\n")
                                                << QStringList{"5: 433.125000 | 12.5 KHz | Rx&Tx"}
                                                << QStringList{"0: 5  | 433.125000 | 12.5 KHz | Rx&Tx"};
    QTest::newRow("fixed positions, two digits") << QByteArray("42433.125000 25   KHz Rx")
                                                 << QStringList{"42: 433.125000 | 25   KHz |  Rx"}
                                                 << QStringList{"0: 42 | 433.125000 | 25   KHz |  Rx"};
    QTest::newRow("fixed positions count characters, not UTF-16 units")
        << QStringLiteral("7 43\U0001F600.125000 12.5 KHzRx").toUtf8()
        << QStringList{QStringLiteral("7: 43\U0001F600.125000 | 12.5 KHz | Rx")}
        << QStringList{QStringLiteral("0: 7  | 43\U0001F600.125000 | 12.5 KHz | Rx")};
    QTest::newRow("fixed positions, short line") << QByteArray("3 433.12500")
                                                 << QStringList{"3: 433.12500 |  | "} << QStringList{"0: 3  | 433.12500 |  | "};
    QTest::newRow("channel 64 addresses no row") << QByteArray("64\t433.125000\t12.5 KHz\tRx\r\n") << QStringList{}
                                                 << QStringList{"0: 64 | 433.125000 | 12.5 KHz | Rx"};
    QTest::newRow("channel 100 addresses no row") << QByteArray("100\t433.125000\t12.5 KHz\tRx\r\n") << QStringList{}
                                                  << QStringList{"0: 100 | 433.125000 | 12.5 KHz | Rx"};
    QTest::newRow("negative channel addresses no row") << QByteArray("-1\t433.125000\t12.5 KHz\tRx\r\n") << QStringList{}
                                                       << QStringList{"0: -1 | 433.125000 | 12.5 KHz | Rx"};
    QTest::newRow("fewer fields") << QByteArray("6\t433.125000\r\n") << QStringList{"6: 433.125000 |  | "}
                                  << QStringList{"0: 6 | 433.125000 |  | "};
    QTest::newRow("UTF-8 byte-order mark keeps channel 0")
        << "\xEF\xBB\xBF" + l0 << QStringList{r0} << QStringList{"0: 0 | 433.125000 | 12.5 KHz | Rx&Tx"};
    QTest::newRow("Chinese DIR") << "2\t433.125000\t12.5 KHz\t" + QStringLiteral("收发").toLocal8Bit() + "\r\n"
                                 << QStringList{QStringLiteral("2: 433.125000 | 12.5 KHz | 收发")}
                                 << QStringList{QStringLiteral("0: 2 | 433.125000 | 12.5 KHz | 收发")};

    // 70 lines naming channels 0..63 and then 0..5 again: the last six are never read.
    QByteArray seventy;
    QStringList seventyRows, seventySlots;
    for (int i = 0; i < 70; ++i) {
        const QByteArray freq = QByteArray::number(410 + i) + ".000000";
        seventy += QByteArray::number(i % 64) + '\t' + freq + "\t12.5 KHz\tRx&Tx\r\n";
        if (i < 64) {
            seventyRows << QStringLiteral("%1: %2 | 12.5 KHz | Rx&Tx").arg(i).arg(QString::fromLatin1(freq));
            seventySlots << QStringLiteral("%1: %1 | %2 | 12.5 KHz | Rx&Tx").arg(i).arg(QString::fromLatin1(freq));
        }
    }
    QTest::newRow("70 lines, 65 to 70 never read") << seventy << seventyRows << seventySlots;

    QByteArray shortFirst = QByteArray("x\r\n").repeated(64) + l1;
    QTest::newRow("64 short lines use up the file") << shortFirst << QStringList{} << QStringList{};
}

void TestChannelFile::import()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, importSlots);

    const channelfile::Import parsed = channelfile::parse(content);
    QCOMPARE(describe(parsed.rows), rows);
    QCOMPARE(describeSlots(parsed.importTable), importSlots);

    // Reading the same bytes from a file gives the same result; a file without a row to take
    // is reported by name.
    const QString file = path("plan.txt");
    QVERIFY(writeRaw(file, content));
    channelfile::Import read;
    QString error;
    if (rows.isEmpty()) {
        QVERIFY(!channelfile::read(file, &read, &error));
        QVERIFY2(error.contains(QStringLiteral("没有可导入的通道")), qPrintable(error));
        QVERIFY2(error.contains(QDir::toNativeSeparators(file)), qPrintable(error));
        return;
    }
    QVERIFY2(channelfile::read(file, &read, &error), qPrintable(error));
    QCOMPARE(describe(read.rows), rows);
    QCOMPARE(describeSlots(read.importTable), importSlots);
}

void TestChannelFile::importEncodings_data()
{
    QTest::addColumn<QByteArray>("content");

    // Channel 0 first: a byte-order mark in front of it must not cost the row.
    const QString plan = QStringLiteral("0\t433.125000\t12.5 KHz\t收发\r\n"
                                        "5\t438.500000\t25   KHz\tRx&Tx\r\n"
                                        "12\t470.000000\t6.25 KHz\t仅接收\r\n");
    QByteArray utf16le("\xFF\xFE", 2);
    QByteArray utf16be("\xFE\xFF", 2);
    for (const QChar c : plan) {
        utf16le += char(c.unicode() & 0xFF);
        utf16le += char(c.unicode() >> 8);
        utf16be += char(c.unicode() >> 8);
        utf16be += char(c.unicode() & 0xFF);
    }
    // What the Windows program wrote on a Chinese system: 收发 and 仅接收 in GBK.
    const QByteArray gbk = "0\t433.125000\t12.5 KHz\t\xCA\xD5\xB7\xA2\r\n"
                           "5\t438.500000\t25   KHz\tRx&Tx\r\n"
                           "12\t470.000000\t6.25 KHz\t\xBD\xF6\xBD\xD3\xCA\xD5\r\n";

    QTest::newRow("UTF-8") << plan.toUtf8();
    QTest::newRow("UTF-8 with byte-order mark") << "\xEF\xBB\xBF" + plan.toUtf8();
    QTest::newRow("UTF-16 LE with byte-order mark") << utf16le;
    QTest::newRow("UTF-16 BE with byte-order mark") << utf16be;
    QTest::newRow("GBK") << gbk;
}

void TestChannelFile::importEncodings()
{
    QFETCH(QByteArray, content);
    const QString file = path("plan.txt");
    QVERIFY(writeRaw(file, content));
    channelfile::Import read;
    QString error;
    QVERIFY2(channelfile::read(file, &read, &error), qPrintable(error));
    QCOMPARE(describe(read.rows), (QStringList{QStringLiteral("0: 433.125000 | 12.5 KHz | 收发"),
                                               QStringLiteral("5: 438.500000 | 25   KHz | Rx&Tx"),
                                               QStringLiteral("12: 470.000000 | 6.25 KHz | 仅接收")}));
}

void TestChannelFile::readFailure_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing file") << "missing.txt" << "文件不存在";
    QTest::newRow("missing folder") << "nowhere/plan.txt" << "文件不存在";
    QTest::newRow("a folder") << "folder" << "文件夹";
    QTest::newRow("no file name") << "" << "未指定文件名";
    QTest::newRow("far too large") << "large.txt" << "文件过大";
    QTest::newRow("no read permission") << "secret.txt" << "无法打开或创建文件";
    QTest::newRow("a complete plan padded past 1 MB") << "padded.txt" << "文件过大";
    // A FIFO held the window for ever; an endless device filled the memory.
    QTest::newRow("FIFO named .txt") << "pipe.txt" << "不是普通文件";
    QTest::newRow("link to an endless device") << "zero.txt" << "不是普通文件";
    // "433.1\0 25000" showed as 433.125000 and was saved as 433100000.
    QTest::newRow("NUL inside a frequency") << "nul.txt" << "第 2 行含有控制字符";
    QTest::newRow("CR inside DIR") << "cr.txt" << "第 1 行含有控制字符";
    QTest::newRow("escape in a fixed-position line") << "esc.txt" << "第 1 行含有控制字符";
    QTest::newRow("no row to take") << "heading.txt" << "没有可导入的通道";
}

void TestChannelFile::readFailure()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);

    QVERIFY(QDir(m_dir->path()).mkdir("folder"));
    QVERIFY(writeRaw(path("large.txt"), QByteArray(3 << 20, 'x')));
    QVERIFY(writeRaw(path("secret.txt"), "0\t433.125000\t12.5 KHz\tRx&Tx\r\n"));
    QVERIFY(QFile::setPermissions(path("secret.txt"), QFileDevice::WriteOwner));
    if (name == QLatin1String("secret.txt") && runningAsRoot())
        QSKIP("root reads any file");
    QVERIFY(writeRaw(path("padded.txt"), channelfile::format(fullTable()) + QByteArray(1 << 20, ' ')));
#ifdef Q_OS_UNIX
    QCOMPARE(::mkfifo(QFile::encodeName(path("pipe.txt")).constData(), 0600), 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path("zero.txt")));
#else
    if (name == QLatin1String("pipe.txt") || name == QLatin1String("zero.txt"))
        QSKIP("needs FIFOs and /dev/zero");
#endif
    QByteArray nul = "0\t433.125000\t12.5 KHz\tRx&Tx\r\n1\t433.1";
    nul += '\0';
    nul += " 25000\t12.5 KHz\tRx&Tx\r\n";
    QVERIFY(writeRaw(path("nul.txt"), nul));
    QVERIFY(writeRaw(path("cr.txt"), "6\t433.125000\t12.5 KHz\tRx\rTx\r\n"));
    QVERIFY(writeRaw(path("esc.txt"), "5 433.125000 12.5 KHz\x1b[2J\r\n"));
    QVERIFY(writeRaw(path("heading.txt"), "Channel\tFrequency(MHz)\tBW\tDIR\r\n0\t\t\t\r\n"));

    const QString file = name.isEmpty() ? QString() : path(name);
    channelfile::Import result;
    result.rows.append({3, cells("433.125000", "12.5 KHz", "Rx&Tx")});
    const channelfile::Import before = result;
    QString error;
    QVERIFY(!channelfile::read(file, &result, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(file)), qPrintable(error));
    QCOMPARE(describe(result.rows), describe(before.rows));
}

void TestChannelFile::qtFilter_data()
{
    QTest::addColumn<QString>("windows");
    QTest::addColumn<QString>("qt");

    // "*.*" matches every file on Windows; here it would hide names without a point.
    QTest::newRow("channel list") << QStringLiteral("文本文件(*.txt)|*.txt|All Files(*.*)|*.*||")
                                  << QStringLiteral("文本文件(*.txt);;All Files(*)");
    QTest::newRow("all files, pattern not in the text") << "Everything|*.*||" << "Everything (*)";
    QTest::newRow("patterns not in the text") << "Lists|*.txt;*.lst||" << "Lists (*.txt *.lst)";
    QTest::newRow("single choice without closing bars") << "Text (*.txt)|*.txt" << "Text (*.txt)";
}

void TestChannelFile::qtFilter()
{
    QFETCH(QString, windows);
    QFETCH(QString, qt);
    QCOMPARE(FileDialog::qtFilter(windows), qt);
}

void TestChannelFile::testModeAnswers()
{
    FileDialog::setTestMode(true);
    FileDialog::setNextFileName(QStringLiteral("/a/first.txt"));
    FileDialog::setNextFileName(QStringLiteral("/a/second.txt"));

    QCOMPARE(FileDialog::getSaveFileName(nullptr, QStringLiteral("输出通道列表"), QStringLiteral("1234")),
             QStringLiteral("/a/first.txt"));
    QCOMPARE(FileDialog::getOpenFileName(nullptr, QStringLiteral("输入通道列表"), QString()),
             QStringLiteral("/a/second.txt"));
    QCOMPARE(FileDialog::getOpenFileName(nullptr, QStringLiteral("输入通道列表"), QString()), QString());

    const QList<FileDialog::Request> requests = FileDialog::requests();
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requests[0].kind, FileDialog::Save);
    QCOMPARE(requests[0].title, QStringLiteral("输出通道列表"));
    QCOMPARE(requests[0].proposedName, QStringLiteral("1234"));
    QCOMPARE(requests[1].kind, FileDialog::Open);
    QCOMPARE(requests[2].proposedName, QString());

    FileDialog::reset();
    QVERIFY(FileDialog::requests().isEmpty());
}

void TestChannelFile::dialog_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("proposed");
    QTest::addColumn<QString>("typed");    // empty: cancel
    QTest::addColumn<QString>("expected"); // relative to the temporary folder

    QTest::newRow("save adds txt") << true << "K7V4-0012" << "plan" << "plan.txt";
    QTest::newRow("save keeps an extension") << true << "" << "plan.lst" << "plan.lst";
    QTest::newRow("save cancelled") << true << "K7V4-0012" << "" << "";
    QTest::newRow("save into a folder with a point") << true << "" << "sub.d/plan" << "sub.d/plan.txt";
    QTest::newRow("open a name that does not exist") << false << "" << "missing" << "missing.txt";
    QTest::newRow("open a file without extension") << false << "" << "noext" << "noext";
    QTest::newRow("open a bare name of a .txt file") << false << "" << "old" << "old.txt";
    QTest::newRow("open an existing file") << false << "K7V4-0012" << "old.txt" << "old.txt";
    QTest::newRow("open cancelled") << false << "" << "" << "";
}

void TestChannelFile::dialog()
{
    QFETCH(bool, save);
    QFETCH(QString, proposed);
    QFETCH(QString, typed);
    QFETCH(QString, expected);

    QVERIFY(writeRaw(path("old.txt"), "x"));
    QVERIFY(writeRaw(path("noext"), "x"));
    QVERIFY(QDir(m_dir->path()).mkdir("sub.d"));
    const QString title = save ? QStringLiteral("输出通道列表") : QStringLiteral("输入通道列表");
    QWidget owner;

    bool checked = false;
    const QString chosen = withDialog(
        [&] {
            return save ? FileDialog::getSaveFileName(&owner, title, proposed)
                        : FileDialog::getOpenFileName(&owner, title, proposed);
        },
        [&](QFileDialog *dialog) {
            auto finish = qScopeGuard([dialog] {
                if (dialog->isVisible())
                    dialog->reject();
            });
            QCOMPARE(dialog->parentWidget(), &owner);
            QCOMPARE(dialog->windowTitle(), title);
            QCOMPARE(dialog->acceptMode(), save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
            QCOMPARE(dialog->fileMode(), QFileDialog::AnyFile);
            QCOMPARE(dialog->nameFilters(), (QStringList{QStringLiteral("文本文件(*.txt)"), QStringLiteral("All Files(*)")}));
            QCOMPARE(dialog->selectedNameFilter(), QStringLiteral("文本文件(*.txt)"));
            // An open dialog adds "txt" itself, once it knows the bare name names no file.
            QCOMPARE(dialog->defaultSuffix(), save ? QStringLiteral("txt") : QString());
            QVERIFY(!dialog->testOption(QFileDialog::ReadOnly));
            QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
            auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(edit);
            QCOMPARE(edit->text(), proposed);
            checked = true;
            if (!typed.isEmpty())
                typeAndAccept(dialog, path(typed));
        });
    QVERIFY(checked);
    QCOMPARE(chosen, expected.isEmpty() ? QString() : path(expected));
}

void TestChannelFile::saveAsksBeforeReplacing_data()
{
    QTest::addColumn<bool>("replace");
    QTest::newRow("user replaces") << true;
    QTest::newRow("user declines") << false;
}

void TestChannelFile::saveAsksBeforeReplacing()
{
    QFETCH(bool, replace);
    QVERIFY(writeRaw(path("old.txt"), "x"));

    bool asked = false;
    const QString chosen = withDialog(
        [] { return FileDialog::getSaveFileName(nullptr, QStringLiteral("输出通道列表"), QString()); },
        [&](QFileDialog *dialog) {
            answerMessageBox(replace ? QMessageBox::Yes : QMessageBox::No, &asked,
                             [&] { typeAndAccept(dialog, path("old")); });
            if (dialog->isVisible())
                dialog->reject();
        });
    QVERIFY(asked);
    QCOMPARE(chosen, replace ? path("old.txt") : QString());
}

void TestChannelFile::exportIntoLockedFolder()
{
    // A writable file in a folder that takes no new file: the plain overwrite works, so the
    // export must too, though the temporary file of the safe way cannot be made.
    QVERIFY(QDir(m_dir->path()).mkdir("locked"));
    const QString file = path("locked/plan.txt");
    QVERIFY(writeRaw(file, "old plan\r\n"));
    QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner));
    if (!lockFolder(path("locked")))
        QSKIP("this file system cannot lock a folder against root");
    auto unlock = qScopeGuard([this] { unlockFolder(path("locked")); });

    QString error;
    QVERIFY2(channelfile::write(file, fullTable(), &error), qPrintable(error));
    QCOMPARE(readAll(file), channelfile::format(fullTable()));
    QCOMPARE(modeBits(QFile::permissions(file)) & kWriteModeBits, 0);
    unlock.dismiss();
    unlockFolder(path("locked"));
    QCOMPARE(QDir(path("locked")).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("plan.txt")});
}

void TestChannelFile::proposedFileName_data()
{
    QTest::addColumn<QString>("serialNumber");
    QTest::addColumn<QString>("name");

    QTest::newRow("plain serial number") << "K7V40012345" << "K7V40012345";
    QTest::newRow("none before the first read") << "" << "";
    QTest::newRow("slash would name a folder") << "../../etc/x" << ".._.._etc_x";
    QTest::newRow("backslash") << "a\\b" << "a_b";
    QTest::newRow("control characters") << QStringLiteral("12\t3\x01""4\n") << "12_3_4_";
    QTest::newRow("blanks around") << "  1234 " << "1234";
    QTest::newRow("only points") << ".." << "";
}

void TestChannelFile::proposedFileName()
{
    QFETCH(QString, serialNumber);
    QFETCH(QString, name);
    QCOMPARE(channelfile::proposedFileName(serialNumber), name);
}

void TestChannelFile::allFilesShowsNamesWithoutPoint()
{
    QVERIFY(writeRaw(path("noext"), "x"));
    QVERIFY(writeRaw(path("plan.txt"), "x"));
    bool checked = false;
    withDialog(
        [] { return FileDialog::getOpenFileName(nullptr, QStringLiteral("输入通道列表"), QString()); },
        [&](QFileDialog *dialog) {
            auto finish = qScopeGuard([dialog] { dialog->reject(); });
            dialog->setDirectory(m_dir->path());
            auto *model = dialog->findChild<QFileSystemModel *>();
            QVERIFY(model);
            // The names the dialog lists in the folder.
            auto listed = [&] {
                QStringList names;
                const QModelIndex folder = model->index(m_dir->path());
                for (int row = 0; row < model->rowCount(folder); ++row)
                    names << model->fileName(model->index(row, 0, folder));
                names.sort();
                return names;
            };
            QTRY_COMPARE(listed(), QStringList{"plan.txt"});
            dialog->selectNameFilter(dialog->nameFilters().constLast());
            QTRY_COMPARE(listed(), (QStringList{"noext", "plan.txt"}));
            checked = true;
        });
    QVERIFY(checked);
}

void TestChannelFile::qtTextsInChinese()
{
    // What the program installs at its start; taken out again for the other tests.
    const QLocale locale;
    QVERIFY2(CQuendaApp::installTranslations(), "qt6-translations-l10n is not installed");
    auto restore = qScopeGuard([&] {
        for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
        QLocale::setDefault(locale);
    });
    QVERIFY(writeRaw(path("old.txt"), "x"));

    QStringList dialogTexts;
    QStringList questionTexts;
    const QString chosen = withDialog(
        [] { return FileDialog::getSaveFileName(nullptr, QStringLiteral("输出通道列表"), QString()); },
        [&](QFileDialog *dialog) {
            for (const char *name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"})
                dialogTexts << dialog->findChild<QLabel *>(QLatin1String(name))->text();
            auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
            QVERIFY(buttons);
            for (QAbstractButton *button : buttons->buttons())
                dialogTexts << button->text();
            // The replace question is Qt's own message box.
            bool asked = false;
            QTimer poll;
            poll.setInterval(10);
            QObject::connect(&poll, &QTimer::timeout, [&] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    poll.stop();
                    asked = true;
                    questionTexts << box->text() << box->button(QMessageBox::Yes)->text()
                                  << box->button(QMessageBox::No)->text();
                    box->button(QMessageBox::No)->click();
                }
            });
            poll.start();
            typeAndAccept(dialog, path("old"));
            QVERIFY(asked);
            if (dialog->isVisible())
                dialog->reject();
        });
    QCOMPARE(chosen, QString());
    QCOMPARE(dialogTexts, (QStringList{QStringLiteral("查找范围："), QStringLiteral("文件名称(&N)："),
                                       QStringLiteral("文件类型："), QStringLiteral("保存(&S)"),
                                       QStringLiteral("取消")}));
    QCOMPARE(questionTexts.size(), 3);
    QVERIFY2(questionTexts[0].contains(QStringLiteral("已存在")), qPrintable(questionTexts[0]));
    QCOMPARE(questionTexts.mid(1), (QStringList{QStringLiteral("是(&Y)"), QStringLiteral("否(&N)")}));

    // The standard buttons and a text field's context menu.
    QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
    QLineEdit field;
    std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QCOMPARE(menu->actions().first()->text().section(u'\t', 0, 0), QStringLiteral("撤消(&U)"));
}

QTEST_MAIN(TestChannelFile)
#include "tst_channelfile.moc"
