#include "pages/radiopage.h"
#include "protocol/messages.h"
#include "ui/messagebox.h"

#include <QClipboard>
#include <QComboBox>
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

struct ListSpec {
    const char *name;
    QString RadioConfig::*field;
    int CRadioPage::*member;
    int SettingsSelection::*read;
};

#define LIST(name, field, member) \
    {#name, &RadioConfig::field, &CRadioPage::member, &SettingsSelection::member}
const ListSpec kLists[] = {
    LIST(protocolList, protocol, protocolIndex),
    LIST(workModeList, workMode, workModeIndex),
    LIST(modulationList, modulation, modulationIndex),
    LIST(airRateList, airRate, airRateIndex),
    LIST(bandwidthList, bandwidth, bandwidthIndex),
    LIST(mainTxList, mainTxChannel, mainTxIndex),
    LIST(repeaterTxList, repeaterTxChannel, repeaterTxIndex),
    LIST(mainRxList, mainRxChannel, mainRxIndex),
    LIST(repeaterRxList, repeaterRxChannel, repeaterRxIndex),
    LIST(powerList, outputPower, powerIndex),
    LIST(fecList, fecMode, fecIndex),
};
#undef LIST

const ListSpec &spec(const QString &name)
{
    for (const ListSpec &s : kLists) {
        if (name == QLatin1String(s.name))
            return s;
    }
    qFatal("no list %s", qPrintable(name));
}

QComboBox *list(const QWidget &page, const QString &name)
{
    return page.findChild<QComboBox *>(name);
}
} // namespace

class TestRadioPage : public QObject {
    Q_OBJECT
private slots:
    void init();
    void fillSelects_data();
    void fillSelects();
    void fillIsSilent();
    void unmatchedTextKeepsSelection_data();
    void unmatchedTextKeepsSelection();
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

void TestRadioPage::fillSelects_data()
{
    QTest::addColumn<QString>("listName");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("shown");

    QTest::newRow("protocol") << "protocolList" << "Satel (3AS) Compatible" << 3
                              << "Satel (3AS) Compatible";
    QTest::newRow("work mode") << "workModeList" << "Repeater 2 for Trimtalk" << 3
                               << "Repeater 2 for Trimtalk";
    QTest::newRow("modulation") << "modulationList" << "2FSK" << 0 << "2FSK";
    QTest::newRow("16000 after 19200") << "airRateList" << "16000" << 8 << "16000";
    QTest::newRow("25 kHz") << "bandwidthList" << "25 kHz" << 2 << "  25  kHz";
    QTest::newRow("channel 12") << "mainTxList" << "12" << 12 << "12";
    QTest::newRow("channel 0") << "repeaterTxList" << "0" << 0 << "0";
    QTest::newRow("channel 63") << "mainRxList" << "63" << 63 << "63";
    QTest::newRow("33(2W) at 13") << "powerList" << "33(2W)" << 13 << "33(2W)";
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
    // The address is read as atoi does; nothing is prompted or marked.
    record.unitAddress = " -42abc";
    record.airRate = "1200";
    page.FillFromRecord();
    QCOMPARE(page.unitAddressValue, -42);
    QCOMPARE(page.readSelection.unitAddressValue, -42);
    QCOMPARE(page.findChild<QLineEdit *>("unitAddressEdit")->text(), QStringLiteral("-42"));
    record.unitAddress.clear();
    page.FillFromRecord();
    QCOMPARE(page.unitAddressValue, 0);
    QCOMPARE(changed.count(), 0);
    QVERIFY(MessageBox::shownTexts().isEmpty());
}

void TestRadioPage::unmatchedTextKeepsSelection_data()
{
    QTest::addColumn<QString>("listName");
    QTest::addColumn<QString>("text");
    // Channel lists record only what matched; the others record the kept selection.
    QTest::addColumn<bool>("recordsKeptSelection");

    QTest::newRow("protocol missing") << "protocolList" << "" << true;
    QTest::newRow("air rate with blank") << "airRateList" << "9600 " << true;
    QTest::newRow("bandwidth as list item") << "bandwidthList" << "  25  kHz" << true;
    QTest::newRow("fec other case") << "fecList" << "no fec" << true;
    QTest::newRow("channel missing") << "mainTxList" << "" << false;
    QTest::newRow("channel 64") << "repeaterTxList" << "64" << false;
    QTest::newRow("channel with zero") << "mainRxList" << "05" << false;
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

    // The user picks another item, then a report without a usable text arrives.
    QComboBox *box = list(page, listName);
    QTest::keyClick(box, Qt::Key_Up);
    QCOMPARE(box->currentIndex(), read - 1);
    record.*s.field = text;
    page.FillFromRecord();
    QCOMPARE(page.*s.member, read - 1);
    QCOMPARE(box->currentIndex(), read - 1);
    QCOMPARE(page.readSelection.*s.read, recordsKeptSelection ? read - 1 : read);
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
    QTest::keyClick(protocol, Qt::Key_Down);
    QVERIFY(workMode->isEnabled());
    QTest::keyClick(protocol, Qt::Key_Up);
    QVERIFY(!workMode->isEnabled());
    QCOMPARE(workMode->currentIndex(), 1);
}

void TestRadioPage::unitAddressIntegerRule_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("prompted");
    QTest::addColumn<bool>("marked");

    // The field starts at the read value 5.
    QTest::newRow("emptied") << "clear" << "" << "5" << true << false;
    QTest::newRow("only a minus") << "paste" << "-" << "5" << true << false;
    QTest::newRow("minus before the digits") << "prepend" << "-" << "-5" << false << true;
    QTest::newRow("negative") << "paste" << "-3" << "-3" << false << true;
    QTest::newRow("leading zeros") << "paste" << "007" << "7" << false << true;
    QTest::newRow("letters") << "paste" << "abc" << "5" << true << false;
    QTest::newRow("digit then letter") << "append" << "x" << "5" << true << false;
    QTest::newRow("blanks around") << "paste" << " 12 " << "12" << false << true;
    QTest::newRow("read value again") << "paste" << " 5" << "5" << false << false;
    QTest::newRow("too big for 32 bits") << "paste" << "99999999999" << "5" << true << false;
    QTest::newRow("full-width digit") << "paste" << QStringLiteral("８") << "5" << true << false;
}

void TestRadioPage::unitAddressIntegerRule()
{
    QFETCH(QString, action);
    QFETCH(QString, input);
    QFETCH(QString, shown);
    QFETCH(bool, prompted);
    QFETCH(bool, marked);

    const RadioConfig record = fullRecord();
    CRadioPage page(record);
    page.FillFromRecord();
    page.show();
    QVERIFY(QTest::qWaitForWindowActive(&page));
    QSignalSpy changed(&page, &CRadioPage::changed);
    auto *field = page.findChild<QLineEdit *>("unitAddressEdit");
    field->setFocus();

    if (action == QLatin1String("clear")) {
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Backspace);
    } else if (action == QLatin1String("paste")) {
        QGuiApplication::clipboard()->setText(input);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    } else {
        QTest::keyClick(field, action == QLatin1String("prepend") ? Qt::Key_Home : Qt::Key_End);
        QTest::keyClicks(field, input);
    }

    QCOMPARE(field->text(), shown);
    QCOMPARE(page.unitAddressValue, shown.toInt());
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
    page.fillSelection(s);

    SettingsSelection expected;
    expected.baudIndex = 7;
    for (const ListSpec &l : kLists)
        expected.*l.read = page.*l.member;
    expected.unitAddressValue = 5;
    QVERIFY(s == expected);
    QCOMPARE(s.mainRxIndex, 5);
    QCOMPARE(s.repeaterTxIndex, 20);
}

QTEST_MAIN(TestRadioPage)
#include "tst_radiopage.moc"
