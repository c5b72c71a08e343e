#include "pages/basicinfopage.h"

#include <QLineEdit>
#include <QtTest>

using namespace quenda;

namespace {
const std::pair<const char *, QString RadioConfig::*> kFields[] = {
    {"serialNumberEdit", &RadioConfig::serialNumber}, {"protocolEdit", &RadioConfig::protocol},
    {"mainTxEdit", &RadioConfig::mainTxChannel},      {"repeaterTxEdit", &RadioConfig::repeaterTxChannel},
    {"mainRxEdit", &RadioConfig::mainRxChannel},      {"repeaterRxEdit", &RadioConfig::repeaterRxChannel},
    {"workModeEdit", &RadioConfig::workMode},         {"serialBaudEdit", &RadioConfig::serialBaud},
    {"dataFormatEdit", &RadioConfig::dataFormat},     {"airRateEdit", &RadioConfig::airRate},
    {"modulationEdit", &RadioConfig::modulation},     {"bandwidthEdit", &RadioConfig::bandwidth},
};

// Each field gets a text of its own, so a field showing another's text is caught.
RadioConfig distinctRecord()
{
    RadioConfig c;
    int i = 0;
    for (const auto &[name, field] : kFields)
        c.*field = QStringLiteral("0%1 text").arg(i++);
    return c;
}

QString fieldText(const QWidget &page, const char *name)
{
    auto *edit = page.findChild<QLineEdit *>(QLatin1String(name));
    return edit ? edit->text() : QStringLiteral("<missing>");
}
} // namespace

class TestBasicInfoPage : public QObject {
    Q_OBJECT
private slots:
    void fillShowsEachText_data();
    void fillShowsEachText();
    void clearThenFillAgain();
};

void TestBasicInfoPage::fillShowsEachText_data()
{
    QTest::addColumn<int>("field");
    for (int i = 0; i < int(std::size(kFields)); ++i)
        QTest::newRow(kFields[i].first) << i;
}

void TestBasicInfoPage::fillShowsEachText()
{
    QFETCH(int, field);
    RadioConfig record = distinctRecord();
    CBasicInfoPage page(record);
    page.FillFromRecord();
    QCOMPARE(fieldText(page, kFields[field].first), record.*kFields[field].second);

    // A register missing from the next report empties its field only.
    record.*kFields[field].second = QString();
    page.FillFromRecord();
    for (int i = 0; i < int(std::size(kFields)); ++i)
        QCOMPARE(fieldText(page, kFields[i].first), record.*kFields[i].second);
}

void TestBasicInfoPage::clearThenFillAgain()
{
    const RadioConfig record = distinctRecord();
    CBasicInfoPage page(record);
    page.FillFromRecord();
    page.ClearFields();
    for (const auto &[name, field] : kFields)
        QCOMPARE(fieldText(page, name), QString());
    page.FillFromRecord();
    QCOMPARE(fieldText(page, "bandwidthEdit"), record.bandwidth);
}

QTEST_MAIN(TestBasicInfoPage)
#include "tst_basicinfopage.moc"
