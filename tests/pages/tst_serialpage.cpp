#include "pages/serialpage.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QtTest>

using namespace quenda;

namespace {
RadioConfig record(const QString &baud, const QString &format)
{
    RadioConfig c;
    c.serialBaud = baud;
    c.dataFormat = format;
    return c;
}

QComboBox *list(const QWidget &page, const char *name)
{
    return page.findChild<QComboBox *>(QLatin1String(name));
}
} // namespace

class TestSerialPage : public QObject {
    Q_OBJECT
private slots:
    void fill_data();
    void fill();
    void choosingMarksChange();
};

void TestSerialPage::fill_data()
{
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("baudIndex");
    QTest::addColumn<int>("formatIndex");

    QTest::newRow("9600 8N1") << "9600" << "8N1" << 7 << 0;
    QTest::newRow("fastest, last format") << "230400" << "7O2" << 0 << 9;
    QTest::newRow("slowest") << "300" << "8E1" << 14 << 2;
    // Before the report the user moved both lists one down from 9600 and 8N1.
    QTest::newRow("format missing") << "9600" << "" << 7 << 1;
    QTest::newRow("format outside table") << "9600" << "8N3" << 7 << 1;
    QTest::newRow("baud with blank") << " 9600" << "8N1" << 8 << 0;
}

void TestSerialPage::fill()
{
    QFETCH(QString, baud);
    QFETCH(QString, format);
    QFETCH(int, baudIndex);
    QFETCH(int, formatIndex);

    RadioConfig c = record("9600", "8N1");
    CSerialPage page(c);
    page.FillFromRecord();
    QTest::keyClick(list(page, "baudList"), Qt::Key_Down);
    QTest::keyClick(list(page, "dataFormatList"), Qt::Key_Down);

    c = record(baud, format);
    page.FillFromRecord();
    QCOMPARE(page.baudIndex, baudIndex);
    QCOMPARE(page.readBaudIndex, baudIndex);
    QCOMPARE(list(page, "baudList")->currentIndex(), baudIndex);
    QCOMPARE(page.dataFormatIndex, formatIndex);
    QCOMPARE(page.readDataFormatIndex, formatIndex);
    QCOMPARE(list(page, "dataFormatList")->currentIndex(), formatIndex);

    SettingsSelection s;
    s.fecIndex = 3;
    page.fillSelection(s);
    QCOMPARE(s.baudIndex, baudIndex);
    QCOMPARE(s.dataFormatIndex, formatIndex);
    QCOMPARE(s.fecIndex, 3);
}

void TestSerialPage::choosingMarksChange()
{
    const RadioConfig c = record("9600", "8E1");
    CSerialPage page(c);
    QSignalSpy changed(&page, &CSerialPage::changed);
    page.FillFromRecord();
    QCOMPARE(changed.count(), 0);

    QTest::keyClick(list(page, "baudList"), Qt::Key_Up);
    QCOMPARE(page.baudIndex, 6);
    QCOMPARE(changed.count(), 1);
    // Choosing the read value again leaves the mark where it is.
    QTest::keyClick(list(page, "baudList"), Qt::Key_Down);
    QCOMPARE(changed.count(), 1);
    QTest::keyClick(list(page, "dataFormatList"), Qt::Key_Up);
    QCOMPARE(page.dataFormatIndex, 1);
    QCOMPARE(changed.count(), 2);
}

QTEST_MAIN(TestSerialPage)
#include "tst_serialpage.moc"
