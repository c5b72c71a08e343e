#include "app/messagebox.h"
#include "app/messages.h"
#include "pages/radiopage.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

using namespace quenda;

namespace {
// Every field set, with list positions that differ from one another where they can.
RadioConfig fullRecord()
{
    RadioConfig c;
    c.protocol = "Trimtalk Compatible";
    c.workMode = "Repeater";
    c.modulation = "4FSK";
    c.airRate = "14400";
    c.bandwidth = "12.5 kHz";
    c.mainTxChannel = "12";
    c.repeaterTxChannel = "20";
    c.mainRxChannel = "5";
    c.repeaterRxChannel = "63";
    c.unitAddress = "5";
    c.outputPower = "25(320)";
    c.fecMode = "Golay(23,12,7)";
    return c;
}

QComboBox *list(const QWidget &page, const QString &name)
{
    auto *box = page.findChild<QComboBox *>(name);
    Q_ASSERT(box);
    return box;
}

using Field = QString RadioConfig::*;
using Member = int CRadioPage::*;
using Read = int SettingsSelection::*;

struct ListSpec {
    const char *name;
    Field field;
    Member member;
    Read read;
};

const ListSpec kLists[] = {
    {"protocolList", &RadioConfig::protocol, &CRadioPage::protocolIndex,
     &SettingsSelection::protocolIndex},
    {"workModeList", &RadioConfig::workMode, &CRadioPage::workModeIndex,
     &SettingsSelection::workModeIndex},
    {"modulationList", &RadioConfig::modulation, &CRadioPage::modulationIndex,
     &SettingsSelection::modulationIndex},
    {"airRateList", &RadioConfig::airRate, &CRadioPage::airRateIndex,
     &SettingsSelection::airRateIndex},
    {"bandwidthList", &RadioConfig::bandwidth, &CRadioPage::bandwidthIndex,
     &SettingsSelection::bandwidthIndex},
    {"mainTxList", &RadioConfig::mainTxChannel, &CRadioPage::mainTxIndex,
     &SettingsSelection::mainTxIndex},
    {"repeaterTxList", &RadioConfig::repeaterTxChannel, &CRadioPage::repeaterTxIndex,
     &SettingsSelection::repeaterTxIndex},
    {"mainRxList", &RadioConfig::mainRxChannel, &CRadioPage::mainRxIndex,
     &SettingsSelection::mainRxIndex},
    {"repeaterRxList", &RadioConfig::repeaterRxChannel, &CRadioPage::repeaterRxIndex,
     &SettingsSelection::repeaterRxIndex},
    {"powerList", &RadioConfig::outputPower, &CRadioPage::powerIndex,
     &SettingsSelection::powerIndex},
    {"fecList", &RadioConfig::fecMode, &CRadioPage::fecIndex, &SettingsSelection::fecIndex},
};

const ListSpec &spec(const QString &name)
{
    for (const ListSpec &s : kLists) {
        if (name == QLatin1String(s.name))
            return s;
    }
    qFatal("no list %s", qPrintable(name));
}

QLineEdit *addressField(const QWidget &page)
{
    return page.findChild<QLineEdit *>(QStringLiteral("unitAddressEdit"));
}
} // namespace

class TestRadioPage : public QObject {
    Q_OBJECT
private slots:
    void init();
    void beforeAnyFill();
    void fillSelects_data();
    void fillSelects();
    void fillIsSilent();
    void unmatchedTextKeepsSelection_data();
    void unmatchedTextKeepsSelection();
    void unitAddressFromRecord_data();
    void unitAddressFromRecord();
    void choosingMarksChange_data();
    void choosingMarksChange();
    void protocolTogglesWorkMode();
    void unitAddressIntegerRule_data();
    void unitAddressIntegerRule();
    void fillSelection();
};

void TestRadioPage::init()
{
    MessageBox::reset();
    MessageBox::setTestMode(true);
}

void TestRadioPage::beforeAnyFill()
{
    const RadioConfig record;
    CRadioPage page(record);
    for (const ListSpec &s : kLists) {
        QCOMPARE(page.*s.member, -1);
        QCOMPARE(list(page, s.name)->currentIndex(), -1);
    }
    QCOMPARE(addressField(page)->text(), QStringLiteral("0"));
    QCOMPARE(list(page, "mainTxList")->count(), 64);
    QCOMPARE(list(page, "mainTxList")->itemText(7), QStringLiteral("7"));
}

void TestRadioPage::fillSelects_data()
{
    QTest::addColumn<QString>("listName");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("shown");

    QTest::newRow("protocol last") << "protocolList" << "Satel (3AS) Compatible" << 3
                                   << "Satel (3AS) Compatible";
    QTest::newRow("work mode") << "workModeList" << "Repeater 2 for Trimtalk" << 3
                               << "Repeater 2 for Trimtalk";
    QTest::newRow("modulation") << "modulationList" << "2FSK" << 0 << "2FSK";
    QTest::newRow("16000 after 19200") << "airRateList" << "16000" << 8 << "16000";
    QTest::newRow("19200") << "airRateList" << "19200" << 7 << "19200";
    QTest::newRow("25 kHz") << "bandwidthList" << "25 kHz" << 2 << "  25  kHz";
    QTest::newRow("6.25 kHz") << "bandwidthList" << "6.25 kHz" << 0 << "6.25  kHz";
    QTest::newRow("channel 12") << "mainTxList" << "12" << 12 << "12";
    QTest::newRow("channel 0") << "repeaterTxList" << "0" << 0 << "0";
    QTest::newRow("channel 63") << "mainRxList" << "63" << 63 << "63";
    QTest::newRow("repeater rx") << "repeaterRxList" << "44" << 44 << "44";
    QTest::newRow("33(2W) at 13") << "powerList" << "33(2W)" << 13 << "33(2W)";
    QTest::newRow("30(1W) at 10") << "powerList" << "30(1W)" << 10 << "30(1W)";
    QTest::newRow("Reed-Solomon at 7") << "fecList" << "Reed-Solomon(15,11)" << 7
                                       << "Reed-Solomon(15,11)";
    QTest::newRow("BCH after the gap") << "fecList" << "Binary BCH(47,36)" << 5
                                       << "Binary BCH(47,36)";
}

void TestRadioPage::fillSelects()
{
    QFETCH(QString, listName);
    QFETCH(QString, text);
    QFETCH(int, position);
    QFETCH(QString, shown);

    const ListSpec &s = spec(listName);
    RadioConfig record = fullRecord();
    record.*s.field = text;
    CRadioPage page(record);
    page.FillFromRecord();
    QCOMPARE(page.*s.member, position);
    QCOMPARE(page.readSelection.*s.read, position);
    QCOMPARE(list(page, listName)->currentText(), shown);
}

void TestRadioPage::fillIsSilent()
{
    RadioConfig record = fullRecord();
    CRadioPage page(record);
    QSignalSpy changed(&page, &CRadioPage::changed);
    page.FillFromRecord();
    record.unitAddress = "17";
    record.airRate = "1200";
    page.FillFromRecord();
    QCOMPARE(changed.count(), 0);
    QVERIFY(MessageBox::shownTexts().isEmpty());
    QCOMPARE(addressField(page)->text(), QStringLiteral("17"));
}

void TestRadioPage::unmatchedTextKeepsSelection_data()
{
    QTest::addColumn<QString>("listName");
    QTest::addColumn<QString>("text");
    // Channel lists record only what matched; the others record the kept selection.
    QTest::addColumn<bool>("recordsKeptSelection");

    QTest::newRow("protocol missing") << "protocolList" << "" << true;
    QTest::newRow("work mode unknown") << "workModeList" << "Master" << true;
    QTest::newRow("air rate with blank") << "airRateList" << "9600 " << true;
    QTest::newRow("bandwidth as list item") << "bandwidthList" << "  25  kHz" << true;
    QTest::newRow("power 31 has no text") << "powerList" << "" << true;
    QTest::newRow("fec other case") << "fecList" << "no fec" << true;
    QTest::newRow("channel missing") << "mainTxList" << "" << false;
    QTest::newRow("channel 64") << "repeaterTxList" << "64" << false;
    QTest::newRow("channel with zero") << "mainRxList" << "05" << false;
    QTest::newRow("channel not numeric") << "repeaterRxList" << "x" << false;
}

void TestRadioPage::unmatchedTextKeepsSelection()
{
    QFETCH(QString, listName);
    QFETCH(QString, text);
    QFETCH(bool, recordsKeptSelection);

    const ListSpec &s = spec(listName);
    RadioConfig record = fullRecord();
    CRadioPage page(record);
    page.FillFromRecord();
    const int read = page.*s.member;
    QVERIFY(read > 0);

    // The user picks another item, then a report without a usable text arrives.
    QComboBox *box = list(page, listName);
    QTest::keyClick(box, Qt::Key_Up);
    const int chosen = box->currentIndex();
    QCOMPARE(chosen, read - 1);

    record.*s.field = text;
    page.FillFromRecord();
    QCOMPARE(page.*s.member, chosen);
    QCOMPARE(box->currentIndex(), chosen);
    QCOMPARE(page.readSelection.*s.read, recordsKeptSelection ? chosen : read);
}

void TestRadioPage::unitAddressFromRecord_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("digits then letters") << "42abc" << 42;
    QTest::newRow("blank and sign") << " -5" << -5;
    QTest::newRow("leading zeros") << "0012" << 12;
    QTest::newRow("no digits") << "abc" << 0;
}

void TestRadioPage::unitAddressFromRecord()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    RadioConfig record = fullRecord();
    record.unitAddress = "99";
    CRadioPage page(record);
    page.FillFromRecord();
    record.unitAddress = text;
    page.FillFromRecord();
    QCOMPARE(page.unitAddressValue, value);
    QCOMPARE(page.readSelection.unitAddressValue, value);
    QCOMPARE(addressField(page)->text(), QString::number(value));
}

void TestRadioPage::choosingMarksChange_data()
{
    QTest::addColumn<QString>("listName");
    for (const ListSpec &s : kLists)
        QTest::newRow(s.name) << QString::fromLatin1(s.name);
}

void TestRadioPage::choosingMarksChange()
{
    QFETCH(QString, listName);
    const ListSpec &s = spec(listName);
    const RadioConfig record = fullRecord();
    CRadioPage page(record);
    page.FillFromRecord();
    QSignalSpy changed(&page, &CRadioPage::changed);

    QComboBox *box = list(page, listName);
    const int read = box->currentIndex();
    QTest::keyClick(box, Qt::Key_Up);
    QCOMPARE(page.*s.member, read - 1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(page.readSelection.*s.read, read);

    // Back to the read value: nothing new to mark, and nothing takes the mark back either.
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(page.*s.member, read);
    QCOMPARE(changed.count(), 1);
}

void TestRadioPage::protocolTogglesWorkMode()
{
    RadioConfig record = fullRecord();
    record.protocol = "Transparent ZV";
    CRadioPage page(record);
    page.FillFromRecord();
    QComboBox *protocol = list(page, "protocolList");
    QComboBox *workMode = list(page, "workModeList");
    QVERIFY(!workMode->isEnabled());
    QCOMPARE(workMode->currentIndex(), 1);

    QTest::keyClick(protocol, Qt::Key_Down);
    QVERIFY(workMode->isEnabled());
    QTest::keyClick(protocol, Qt::Key_Up);
    QVERIFY(!workMode->isEnabled());
    QCOMPARE(workMode->currentIndex(), 1);

    record.protocol = "Pacific Crest Compatible";
    page.FillFromRecord();
    QVERIFY(workMode->isEnabled());
}

void TestRadioPage::unitAddressIntegerRule_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("prompted");
    QTest::addColumn<bool>("marked");

    // The field starts at the read value 5.
    QTest::newRow("emptied") << "clear" << "" << 5 << "5" << true << false;
    QTest::newRow("only a minus") << "paste" << "-" << 5 << "5" << true << false;
    QTest::newRow("minus before the digits") << "prepend" << "-" << -5 << "-5" << false << true;
    QTest::newRow("negative") << "paste" << "-3" << -3 << "-3" << false << true;
    QTest::newRow("leading zeros") << "paste" << "007" << 7 << "7" << false << true;
    QTest::newRow("letters") << "paste" << "abc" << 5 << "5" << true << false;
    QTest::newRow("digit then letter") << "append" << "x" << 5 << "5" << true << false;
    QTest::newRow("blanks around") << "paste" << " 12 " << 12 << "12" << false << true;
    QTest::newRow("read value again") << "paste" << " 5" << 5 << "5" << false << false;
    QTest::newRow("plus sign") << "paste" << "+8" << 8 << "8" << false << true;
    QTest::newRow("blank inside") << "paste" << "1 2" << 5 << "5" << true << false;
    QTest::newRow("too big for 32 bits") << "paste" << "99999999999" << 5 << "5" << true << false;
    QTest::newRow("full-width digit") << "paste" << QStringLiteral("８") << 5 << "5" << true
                                      << false;
    QTest::newRow("typed digit") << "append" << "3" << 53 << "53" << false << true;
}

void TestRadioPage::unitAddressIntegerRule()
{
    QFETCH(QString, action);
    QFETCH(QString, input);
    QFETCH(int, value);
    QFETCH(QString, shown);
    QFETCH(bool, prompted);
    QFETCH(bool, marked);

    const RadioConfig record = fullRecord();
    CRadioPage page(record);
    page.FillFromRecord();
    page.show();
    QVERIFY(QTest::qWaitForWindowActive(&page));
    QSignalSpy changed(&page, &CRadioPage::changed);
    QLineEdit *field = addressField(page);
    field->setFocus();

    if (action == QLatin1String("clear")) {
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Backspace);
    } else if (action == QLatin1String("paste")) {
        QGuiApplication::clipboard()->setText(input);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    } else if (action == QLatin1String("prepend")) {
        QTest::keyClick(field, Qt::Key_Home);
        QTest::keyClicks(field, input);
    } else {
        QTest::keyClick(field, Qt::Key_End);
        QTest::keyClicks(field, input);
    }

    QCOMPARE(page.unitAddressValue, value);
    QCOMPARE(field->text(), shown);
    QCOMPARE(MessageBox::shownTexts(),
             prompted ? QStringList{messages::enterInteger()} : QStringList{});
    QCOMPARE(changed.count() > 0, marked);
    QCOMPARE(QApplication::focusWidget(), field);
}

void TestRadioPage::fillSelection()
{
    const RadioConfig record = fullRecord();
    CRadioPage page(record);
    page.FillFromRecord();
    SettingsSelection s;
    s.baudIndex = 7;
    s.dataFormatIndex = 2;
    page.fillSelection(s);

    SettingsSelection expected;
    expected.baudIndex = 7;
    expected.dataFormatIndex = 2;
    expected.protocolIndex = 2;
    expected.workModeIndex = 1;
    expected.modulationIndex = 1;
    expected.airRateIndex = 6;
    expected.bandwidthIndex = 1;
    expected.mainTxIndex = 12;
    expected.repeaterTxIndex = 20;
    expected.mainRxIndex = 5;
    expected.repeaterRxIndex = 63;
    expected.unitAddressValue = 5;
    expected.powerIndex = 5;
    expected.fecIndex = 6;
    QVERIFY(s == expected);
}

QTEST_MAIN(TestRadioPage)
#include "tst_radiopage.moc"
