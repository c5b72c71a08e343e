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
    void fillSelects_data();
    void fillSelects();
    void unmatchedTextKeepsSelection_data();
    void unmatchedTextKeepsSelection();
    void choosingMarksChange_data();
    void choosingMarksChange();
    void fillSelection();
};

void TestSerialPage::fillSelects_data()
{
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("baudIndex");
    QTest::addColumn<int>("formatIndex");

    QTest::newRow("9600 8N1") << "9600" << "8N1" << 7 << 0;
    QTest::newRow("fastest, last format") << "230400" << "7O2" << 0 << 9;
    QTest::newRow("slowest") << "300" << "8E1" << 14 << 2;
    QTest::newRow("19200 7N2") << "19200" << "7N2" << 5 << 5;
}

void TestSerialPage::fillSelects()
{
    QFETCH(QString, baud);
    QFETCH(QString, format);
    QFETCH(int, baudIndex);
    QFETCH(int, formatIndex);

    const RadioConfig c = record(baud, format);
    CSerialPage page(c);
    QCOMPARE(page.baudIndex, -1);
    QCOMPARE(list(page, "baudList")->currentIndex(), -1);
    page.FillFromRecord();
    QCOMPARE(page.baudIndex, baudIndex);
    QCOMPARE(page.dataFormatIndex, formatIndex);
    QCOMPARE(page.readBaudIndex, baudIndex);
    QCOMPARE(page.readDataFormatIndex, formatIndex);
    QCOMPARE(list(page, "baudList")->currentText(), baud);
    QCOMPARE(list(page, "dataFormatList")->currentText(), format);
}

void TestSerialPage::unmatchedTextKeepsSelection_data()
{
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("format");
    QTest::newRow("missing format") << "9600" << "";
    QTest::newRow("format outside table") << "9600" << "8N3";
    QTest::newRow("missing baud") << "" << "8N1";
    QTest::newRow("baud with blank") << " 9600" << "8N1";
}

void TestSerialPage::unmatchedTextKeepsSelection()
{
    QFETCH(QString, baud);
    QFETCH(QString, format);

    RadioConfig c = record("9600", "8N1");
    CSerialPage page(c);
    page.FillFromRecord();
    // The user moves both lists, then a report arrives that lacks one value.
    QTest::keyClick(list(page, "baudList"), Qt::Key_Up);
    QTest::keyClick(list(page, "dataFormatList"), Qt::Key_Down);
    c = record(baud, format);
    page.FillFromRecord();

    const int expectedBaud = baud == QLatin1String("9600") ? 7 : 6;
    const int expectedFormat = format == QLatin1String("8N1") ? 0 : 1;
    QCOMPARE(page.baudIndex, expectedBaud);
    QCOMPARE(page.readBaudIndex, expectedBaud);
    QCOMPARE(list(page, "baudList")->currentIndex(), expectedBaud);
    QCOMPARE(page.dataFormatIndex, expectedFormat);
    QCOMPARE(page.readDataFormatIndex, expectedFormat);
    QCOMPARE(list(page, "dataFormatList")->currentIndex(), expectedFormat);
}

void TestSerialPage::choosingMarksChange_data()
{
    QTest::addColumn<QByteArray>("listName");
    QTest::newRow("baud") << QByteArray("baudList");
    QTest::newRow("format") << QByteArray("dataFormatList");
}

void TestSerialPage::choosingMarksChange()
{
    QFETCH(QByteArray, listName);
    const RadioConfig c = record("9600", "8E1");
    CSerialPage page(c);
    QSignalSpy changed(&page, &CSerialPage::changed);
    page.FillFromRecord();
    QCOMPARE(changed.count(), 0);

    QComboBox *box = list(page, listName.constData());
    const int read = box->currentIndex();
    QTest::keyClick(box, Qt::Key_Up);
    QCOMPARE(changed.count(), 1);
    const int member = listName == "baudList" ? page.baudIndex : page.dataFormatIndex;
    QCOMPARE(member, read - 1);
    // Choosing the read value again leaves the mark where it is.
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(listName == "baudList" ? page.baudIndex : page.dataFormatIndex, read);
}

void TestSerialPage::fillSelection()
{
    const RadioConfig c = record("115200", "7E1");
    CSerialPage page(c);
    page.FillFromRecord();
    SettingsSelection s;
    s.fecIndex = 3;
    page.fillSelection(s);
    QCOMPARE(s.baudIndex, 1);
    QCOMPARE(s.dataFormatIndex, 6);
    QCOMPARE(s.fecIndex, 3);
}

QTEST_MAIN(TestSerialPage)
#include "tst_serialpage.moc"
