#include "link/settingsfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

using namespace quenda;

class TestSettingsFile : public QObject {
    Q_OBJECT
private slots:
    void leadingNumber_data();
    void leadingNumber();
    void load_data();
    void load();
    void loadKeepsEarlierChoice();
    void loadRefusesWhatIsNotAFile_data();
    void loadRefusesWhatIsNotAFile();
    void saveWritesBareDecimal_data();
    void saveWritesBareDecimal();
    void saveThenLoad();
    void unwritableFileIsSkipped_data();
    void unwritableFileIsSkipped();
    void pathBesideExecutable();
};

void TestSettingsFile::leadingNumber_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("number");

    QTest::newRow("plain") << QByteArray("3") << true << 3;
    QTest::newRow("two digits") << QByteArray("12") << true << 12;
    QTest::newRow("leading zeros") << QByteArray("007") << true << 7;
    QTest::newRow("leading blanks skipped") << QByteArray(" \t3") << true << 3;
    QTest::newRow("plus sign") << QByteArray("+5") << true << 5;
    QTest::newRow("minus sign") << QByteArray("-2") << true << -2;
    QTest::newRow("trailing text") << QByteArray("12abc") << true << 12;
    QTest::newRow("trailing CR") << QByteArray("4\r") << true << 4;
    QTest::newRow("zero") << QByteArray("0") << true << 0;
    QTest::newRow("empty") << QByteArray() << false << 0;
    QTest::newRow("letters") << QByteArray("abc") << false << 0;
    QTest::newRow("sign alone") << QByteArray("-") << false << 0;
    QTest::newRow("sign then blank") << QByteArray("- 3") << false << 0;
    QTest::newRow("beyond int") << QByteArray("99999999999") << false << 0;
    QTest::newRow("largest int") << QByteArray("2147483647") << true << 2147483647;
}

void TestSettingsFile::leadingNumber()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, found);
    QFETCH(int, number);
    const std::optional<int> result = SettingsFile::leadingNumber(line);
    QCOMPARE(result.has_value(), found);
    if (found)
        QCOMPARE(*result, number);
}

void TestSettingsFile::load_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<bool>("portChosen");

    QTest::newRow("missing file") << false << QByteArray() << 0 << false;
    QTest::newRow("3") << true << QByteArray("3") << 3 << true;
    QTest::newRow("only the first line counts") << true << QByteArray("3\nxx") << 3 << true;
    QTest::newRow("number on the second line") << true << QByteArray("\n3") << 0 << false;
    QTest::newRow("CR LF") << true << QByteArray("17\r\n") << 17 << true;
    QTest::newRow("empty file") << true << QByteArray() << 0 << false;
    QTest::newRow("abc") << true << QByteArray("abc") << 0 << false;
    QTest::newRow("blank before number") << true << QByteArray(" 3") << 3 << true;
    QTest::newRow("zero") << true << QByteArray("0") << 0 << false;
    QTest::newRow("255") << true << QByteArray("255") << 255 << true;
    // The serial control takes 16 bits: 65537 would open COM1 while COM65537 is shown.
    QTest::newRow("65537 names no port") << true << QByteArray("65537") << 0 << false;
    QTest::newRow("256 names no port") << true << QByteArray("256") << 0 << false;
    QTest::newRow("negative names no port") << true << QByteArray("-3") << 0 << false;
    QTest::newRow("NUL after the number") << true << QByteArray("4\0" "99", 4) << 4 << true;
    QTest::newRow("first line beyond what is read")
        << true << QByteArray(100, ' ') + "5" << 0 << false;
}

void TestSettingsFile::load()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, content);
    QFETCH(int, portNumber);
    QFETCH(bool, portChosen);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const SettingsFile settings(dir.path());
    if (exists) {
        QFile file(settings.path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    PortChoice choice;
    settings.load(choice);
    QCOMPARE(choice.portNumber, portNumber);
    QCOMPARE(choice.portChosen, portChosen);
}

void TestSettingsFile::loadKeepsEarlierChoice()
{
    // Once a port is chosen it stays chosen, even if a later load finds 0.
    QTemporaryDir dir;
    const SettingsFile settings(dir.path());
    QVERIFY(settings.save(0));
    PortChoice choice{5, true};
    settings.load(choice);
    QCOMPARE(choice.portNumber, 0);
    QVERIFY(choice.portChosen);
}

void TestSettingsFile::loadRefusesWhatIsNotAFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("link to an endless device") << "zero";
    QTest::newRow("folder") << "folder";
}

void TestSettingsFile::loadRefusesWhatIsNotAFile()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const SettingsFile settings(dir.path());
    const QByteArray name = QFile::encodeName(settings.path());
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    else if (kind == QLatin1String("zero"))
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), settings.path()));
    else
        QVERIFY(QDir(dir.path()).mkdir(QString::fromLatin1(SettingsFile::kFileName)));

    // Returning at all is the point: a FIFO held the open, /dev/zero filled the memory.
    PortChoice choice;
    QCOMPARE(settings.load(choice), SettingsFile::LoadResult::NotRegular);
    QCOMPARE(choice.portNumber, 0);
    QVERIFY(!choice.portChosen);
    // Choosing a port must not block on it either; the choice holds for the run without it.
    QVERIFY(!settings.save(3));
}

void TestSettingsFile::saveWritesBareDecimal_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("new file") << QByteArray() << 3 << QByteArray("3");
    QTest::newRow("two digits") << QByteArray() << 12 << QByteArray("12");
    QTest::newRow("longer content truncated") << QByteArray("1234567\nold") << 3 << QByteArray("3");
    QTest::newRow("same number again") << QByteArray("3") << 3 << QByteArray("3");
    QTest::newRow("zero") << QByteArray("9") << 0 << QByteArray("0");
}

void TestSettingsFile::saveWritesBareDecimal()
{
    QFETCH(QByteArray, before);
    QFETCH(int, portNumber);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    const SettingsFile settings(dir.path());
    if (!before.isEmpty()) {
        QFile file(settings.path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
    }
    QVERIFY(settings.save(portNumber));
    QFile file(settings.path());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), after);
}

void TestSettingsFile::saveThenLoad()
{
    QTemporaryDir dir;
    const SettingsFile settings(dir.path());
    QVERIFY(settings.save(42));
    PortChoice choice;
    settings.load(choice);
    QCOMPARE(choice.portNumber, 42);
    QVERIFY(choice.portChosen);
}

void TestSettingsFile::unwritableFileIsSkipped_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("folder does not exist") << QStringLiteral("no-folder");
    QTest::newRow("para.ini is a folder") << QStringLiteral("directory");
    QTest::newRow("read-only file") << QStringLiteral("read-only");
}

void TestSettingsFile::unwritableFileIsSkipped()
{
    QFETCH(QString, obstacle);
    QTemporaryDir dir;
    QString folder = dir.path();
    if (obstacle == QLatin1String("no-folder")) {
        folder = dir.filePath(QStringLiteral("missing/deeper"));
    } else if (obstacle == QLatin1String("directory")) {
        QVERIFY(QDir(dir.path()).mkdir(QString::fromLatin1(SettingsFile::kFileName)));
    } else {
        if (::geteuid() == 0)
            QSKIP("root may write a read-only file");
        const SettingsFile settings(folder);
        QVERIFY(settings.save(7));
        QVERIFY(QFile::setPermissions(settings.path(), QFile::ReadOwner));
    }
    const SettingsFile settings(folder);
    QVERIFY(!settings.save(9));
    PortChoice choice;
    settings.load(choice);
    QVERIFY(choice.portNumber != 9);
}

void TestSettingsFile::pathBesideExecutable()
{
    QCOMPARE(SettingsFile().path(),
             QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("para.ini")));
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
