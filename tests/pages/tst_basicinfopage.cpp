#include "pages/basicinfopage.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace quenda;

namespace {
RadioConfig fullRecord()
{
    RadioConfig c;
    c.serialNumber = "K7V40012345";
    c.protocol = "Transparent ZV";
    c.mainTxChannel = "12";
    c.repeaterTxChannel = "3";
    c.mainRxChannel = "07";
    c.repeaterRxChannel = "63";
    c.workMode = "Slave(Remote)";
    c.serialBaud = "9600";
    c.dataFormat = "8N1";
    c.airRate = "16000";
    c.modulation = "4FSK";
    c.bandwidth = "25 kHz";
    c.unitAddress = "5";
    c.outputPower = "33(2W)";
    c.fecMode = "No FEC";
    return c;
}

const std::pair<const char *, QString RadioConfig::*> kFields[] = {
    {"serialNumberEdit", &RadioConfig::serialNumber},
    {"protocolEdit", &RadioConfig::protocol},
    {"mainTxEdit", &RadioConfig::mainTxChannel},
    {"repeaterTxEdit", &RadioConfig::repeaterTxChannel},
    {"mainRxEdit", &RadioConfig::mainRxChannel},
    {"repeaterRxEdit", &RadioConfig::repeaterRxChannel},
    {"workModeEdit", &RadioConfig::workMode},
    {"serialBaudEdit", &RadioConfig::serialBaud},
    {"dataFormatEdit", &RadioConfig::dataFormat},
    {"airRateEdit", &RadioConfig::airRate},
    {"modulationEdit", &RadioConfig::modulation},
    {"bandwidthEdit", &RadioConfig::bandwidth},
};

QString fieldText(const QWidget &page, const char *name)
{
    auto *edit = page.findChild<QLineEdit *>(QLatin1String(name));
    return edit ? edit->text() : QStringLiteral("<missing>");
}
} // namespace

class TestBasicInfoPage : public QObject {
    Q_OBJECT
private slots:
    void showsEveryField_data();
    void showsEveryField();
    void emptyTextLeavesOnlyItsFieldEmpty();
    void clearThenFillAgain();
    void fieldsCannotBeTypedInto();
    void everyFieldHasACaption();
};

void TestBasicInfoPage::showsEveryField_data()
{
    QTest::addColumn<int>("field");
    for (int i = 0; i < int(std::size(kFields)); ++i)
        QTest::newRow(kFields[i].first) << i;
}

void TestBasicInfoPage::showsEveryField()
{
    QFETCH(int, field);
    RadioConfig record = fullRecord();
    CBasicInfoPage page(record);
    QCOMPARE(fieldText(page, kFields[field].first), QString());
    page.FillFromRecord();
    // Shown exactly as reported, leading zero included.
    QCOMPARE(fieldText(page, kFields[field].first), record.*kFields[field].second);

    // Every field has its own source: a new text changes this field only.
    record.*kFields[field].second = QStringLiteral("changed");
    page.FillFromRecord();
    for (int i = 0; i < int(std::size(kFields)); ++i) {
        const QString expected = i == field ? QStringLiteral("changed") : fullRecord().*kFields[i].second;
        QCOMPARE(fieldText(page, kFields[i].first), expected);
    }
}

void TestBasicInfoPage::emptyTextLeavesOnlyItsFieldEmpty()
{
    RadioConfig record = fullRecord();
    CBasicInfoPage page(record);
    page.FillFromRecord();
    record.airRate.clear();
    page.FillFromRecord();
    QCOMPARE(fieldText(page, "airRateEdit"), QString());
    QCOMPARE(fieldText(page, "modulationEdit"), QStringLiteral("4FSK"));
}

void TestBasicInfoPage::clearThenFillAgain()
{
    const RadioConfig record = fullRecord();
    CBasicInfoPage page(record);
    page.FillFromRecord();
    page.ClearFields();
    for (const auto &[name, source] : kFields)
        QCOMPARE(fieldText(page, name), QString());
    page.FillFromRecord();
    QCOMPARE(fieldText(page, "serialNumberEdit"), record.serialNumber);
}

void TestBasicInfoPage::fieldsCannotBeTypedInto()
{
    const RadioConfig record = fullRecord();
    CBasicInfoPage page(record);
    page.FillFromRecord();
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    auto *edit = page.findChild<QLineEdit *>(QStringLiteral("protocolEdit"));
    edit->setFocus();
    QTest::keyClicks(edit, "xyz");
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), record.protocol);
}

void TestBasicInfoPage::everyFieldHasACaption()
{
    const RadioConfig record;
    CBasicInfoPage page(record);
    QSet<QWidget *> named;
    for (QLabel *label : page.findChildren<QLabel *>()) {
        if (label->buddy() && label->text().endsWith(QStringLiteral("：")))
            named.insert(label->buddy());
    }
    for (const auto &[name, source] : kFields) {
        auto *edit = page.findChild<QLineEdit *>(QLatin1String(name));
        QVERIFY2(named.contains(edit), name);
        QVERIFY(!edit->accessibleName().isEmpty());
    }
}

QTEST_MAIN(TestBasicInfoPage)
#include "tst_basicinfopage.moc"
