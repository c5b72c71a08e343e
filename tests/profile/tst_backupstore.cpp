#include "profile/backupstore.h"

#include <QtTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace quenda;

namespace {

RadioProfile radio(const QString &serial, int unitAddress)
{
    RadioProfile p;
    p.serialNumber = serial;
    p.setValue(105, unitAddress); // tells the backups apart
    p.setValue(102, 7);
    p.channels[3] = ProfileChannel{433125000, 1, 2};
    return p;
}

// A clock that moves one minute further at every store.
struct SteppingClock {
    QDateTime next = QDateTime(QDate(2024, 3, 1), QTime(23, 59, 30), Qt::UTC);
    QDateTime operator()()
    {
        const QDateTime now = next;
        next = next.addSecs(60);
        return now;
    }
};

int unitAddressOf(const QString &path)
{
    const profile::Loaded loaded = BackupStore::load(path);
    return loaded.profile ? loaded.profile->value(105).value_or(-1) : -1;
}

bool runningAsRoot()
{
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

} // namespace

class TestBackupStore : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void folderName_data();
    void folderName();
    void storesByRadioNewestFirst();
    void neverOverwrites();
    void keepsTheNewestFifty();
    void writeFailure_data();
    void writeFailure();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
};

void TestBackupStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestBackupStore::cleanup()
{
    // Folders a test made read-only must be writable again to be removed.
    QDirIterator it(m_dir->path(), QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        QFile::setPermissions(it.next(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner);
    m_dir.reset();
}

void TestBackupStore::folderName_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("folder");

    QTest::newRow("digits") << "K7V4-000123"
                            << "K7V4-000123";
    QTest::newRow("separators") << "a/b\\c"
                                << "a_b_c";
    QTest::newRow("climbing out") << "../../etc"
                                  << "无序列号.._.._etc";
    QTest::newRow("dot alone") << "."
                               << "无序列号";
    QTest::newRow("control characters") << QString::fromUtf8("12\r\n\t\x7f"
                                                             "3")
                                        << "12____3";
    QTest::newRow("Windows reserved") << "a:b*c?\"<>|"
                                      << "a_b_c_____";
    QTest::newRow("trailing dots and blanks") << " 12. . "
                                              << "12";
    QTest::newRow("empty") << ""
                           << "无序列号";
    QTest::newRow("long") << QString(100, u'9') << QString(64, u'9');
}

void TestBackupStore::folderName()
{
    QFETCH(QString, serial);
    QFETCH(QString, folder);
    QCOMPARE(BackupStore::folderName(serial), folder);
}

void TestBackupStore::storesByRadioNewestFirst()
{
    BackupStore store(path(QStringLiteral("backups")));
    store.setClock(SteppingClock{});
    QString error, stored;
    QVERIFY2(store.store(radio(QStringLiteral("200"), 1), &error, &stored), qPrintable(error));
    QVERIFY(stored.startsWith(path(QStringLiteral("backups/200/"))));
    QVERIFY(store.store(radio(QStringLiteral("100"), 2)));
    QVERIFY(store.store(radio(QStringLiteral("200"), 3)));
    QVERIFY(store.store(radio(QString(), 4)));

    QCOMPARE(store.radios(), (QStringList{"100", "200", "无序列号"}));
    const QList<BackupEntry> entries = store.backups(QStringLiteral("200"));
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0].time, QDateTime(QDate(2024, 3, 2), QTime(0, 1, 30), Qt::UTC));
    QCOMPARE(entries[1].time, QDateTime(QDate(2024, 3, 1), QTime(23, 59, 30), Qt::UTC));
    QCOMPARE(entries[1].path, stored);
    QCOMPARE(unitAddressOf(entries[0].path), 3);
    const profile::Loaded loaded = BackupStore::load(entries[1].path);
    QVERIFY(loaded.profile.has_value());
    QCOMPARE(*loaded.profile, radio(QStringLiteral("200"), 1));

    QCOMPARE(store.backups(QStringLiteral("..")), QList<BackupEntry>());
    QCOMPARE(store.backups(QStringLiteral("300")), QList<BackupEntry>());
}

void TestBackupStore::neverOverwrites()
{
    BackupStore store(path(QStringLiteral("backups")));
    const QDateTime fixed(QDate(2024, 3, 1), QTime(12, 0), Qt::UTC);
    store.setClock([fixed] { return fixed; });
    for (int address = 1; address <= 3; ++address)
        QVERIFY(store.store(radio(QStringLiteral("7"), address)));

    const QList<BackupEntry> entries = store.backups(QStringLiteral("7"));
    QCOMPARE(entries.size(), 3);
    QCOMPARE(unitAddressOf(entries[0].path), 3);
    QCOMPARE(unitAddressOf(entries[1].path), 2);
    QCOMPARE(unitAddressOf(entries[2].path), 1);
}

void TestBackupStore::keepsTheNewestFifty()
{
    BackupStore store(path(QStringLiteral("backups")));
    store.setClock(SteppingClock{});
    QVERIFY(store.store(radio(QStringLiteral("other"), 999)));
    QVERIFY(QDir().mkpath(path(QStringLiteral("backups/7"))));
    QFile note(path(QStringLiteral("backups/7/notes.txt")));
    QVERIFY(note.open(QIODevice::WriteOnly));
    note.close();

    constexpr int kStores = BackupStore::kHistory + 3;
    for (int address = 1; address <= kStores; ++address)
        QVERIFY(store.store(radio(QStringLiteral("7"), address)));

    const QList<BackupEntry> entries = store.backups(QStringLiteral("7"));
    QCOMPARE(entries.size(), BackupStore::kHistory);
    QCOMPARE(unitAddressOf(entries.first().path), kStores);
    QCOMPARE(unitAddressOf(entries.last().path), kStores - BackupStore::kHistory + 1);
    QCOMPARE(QDir(path(QStringLiteral("backups/7"))).entryList(QDir::Files).size(),
             BackupStore::kHistory + 1);
    QVERIFY(note.exists());
    QCOMPARE(store.backups(QStringLiteral("other")).size(), 1);
}

void TestBackupStore::writeFailure_data()
{
    QTest::addColumn<QString>(
        "blocker"); // a file where a folder is wanted; empty: read-only folder
    QTest::addColumn<QString>("message");

    QTest::newRow("backup folder is a file") << "backups"
                                             << "不是文件夹";
    QTest::newRow("radio folder is a file") << "backups/7"
                                            << "不是文件夹";
    QTest::newRow("folder above is a file") << "place"
                                            << "无法创建备份文件夹";
    QTest::newRow("read-only folder") << QString() << "无法写入文件";
}

void TestBackupStore::writeFailure()
{
    QFETCH(QString, blocker);
    QFETCH(QString, message);

    QString root = path(QStringLiteral("backups"));
    if (blocker.isEmpty()) {
        if (runningAsRoot())
            QSKIP("root writes into any folder");
        QVERIFY(QDir().mkpath(path(QStringLiteral("backups/7"))));
        QVERIFY(QFile::setPermissions(path(QStringLiteral("backups/7")),
                                      QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    } else {
        QVERIFY(QDir().mkpath(QFileInfo(path(blocker)).absolutePath()));
        QFile file(path(blocker));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        if (blocker == QLatin1String("place"))
            root = path(QStringLiteral("place/backups"));
    }

    BackupStore store(root);
    QString error;
    QVERIFY(!store.store(radio(QStringLiteral("7"), 1), &error));
    QVERIFY2(error.contains(message), qPrintable(error));
    QCOMPARE(store.backups(QStringLiteral("7")), QList<BackupEntry>());
}

QTEST_GUILESS_MAIN(TestBackupStore)
#include "tst_backupstore.moc"
