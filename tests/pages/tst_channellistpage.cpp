#include "app/filedialog.h"
#include "app/messagebox.h"
#include "app/messages.h"
#include "pages/channellistpage.h"
#include "protocol/writedialogue.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace quenda;

namespace {
constexpr int Freq = CChannelListPage::FrequencyColumn;
constexpr int Bw = CChannelListPage::BandwidthColumn;
constexpr int Dir = CChannelListPage::DirectionColumn;

// The radio lists its channels in its own order, not by number.
RadioConfig listedRecord()
{
    RadioConfig c;
    c.serialNumber = "K7V40012345";
    c.channels[0] = {"12", "438.125000", "12.5 KHz", "Rx&Tx"};
    c.channels[1] = {"0 ", "433.125000", "25   KHz", "Rx&Tx"};
    c.channels[2] = {"5 ", "450.000000", "6.25 KHz", "Rx"};
    c.channelCount = 3;
    return c;
}

// The page inside a dialog whose default button must never fire from the page's Return.
struct Host {
    QDialog dialog;
    CChannelListPage *page;
    QPushButton *defaultButton;
    QTableWidget *list;
    QLineEdit *textEditor;
    QComboBox *bandwidthEditor;

    explicit Host(const RadioConfig &config)
    {
        page = new CChannelListPage(config, &dialog);
        defaultButton = new QPushButton(QStringLiteral("保存"), &dialog);
        defaultButton->setDefault(true);
        defaultButton->move(0, page->height());
        dialog.resize(page->width(), page->height() + defaultButton->sizeHint().height());
        list = page->findChild<QTableWidget *>(QStringLiteral("channelList"));
        textEditor = page->findChild<QLineEdit *>(QStringLiteral("freqEditor"));
        bandwidthEditor = page->findChild<QComboBox *>(QStringLiteral("bandwidthEditor"));
    }

    bool show()
    {
        dialog.show();
        return QTest::qWaitForWindowActive(&dialog);
    }

    QPoint cellCentre(int row, int column) const
    {
        const QModelIndex index = list->model()->index(row, column);
        list->scrollTo(index);
        return list->visualRect(index).center();
    }

    // The pointer moves onto the cell, as it does for a real click.
    void click(int row, int column)
    {
        const QPoint at = cellCentre(row, column);
        QCursor::setPos(list->viewport()->mapToGlobal(at));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    void pointerAway() { QCursor::setPos(dialog.mapToGlobal(QPoint(-50, -50))); }

    QPushButton *button(const char *name) const
    {
        return page->findChild<QPushButton *>(QLatin1String(name));
    }
};
} // namespace

class TestChannelListPage : public QObject {
    Q_OBJECT
private slots:
    void init();
    void fillByChannelNumber_data();
    void fillByChannelNumber();
    void fillKeepsUnnamedRows();
    void clickOnEmptyRow();
    void clickOnEmptyDirCellAndLeave();
    void commitByReturn_data();
    void commitByReturn();
    void returnWithoutEditor();
    void clickElsewhereCommits();
    void pointerOverCellKeepsEditorOpen();
    void bandwidthEditor();
    void escapeCancelsTheEditOnly_data();
    void escapeCancelsTheEditOnly();
    void deleteAndClearMark();
    void pendingChannelsAndCompleteRows();
    void rowsNamedBeforeSave_data();
    void rowsNamedBeforeSave();
    void leftOutRowsShowWhatTheRadioHolds();
    void exportThenImport();
    void fileFailuresAreReported_data();
    void fileFailuresAreReported();
};

void TestChannelListPage::init()
{
    MessageBox::reset();
    MessageBox::setTestMode(true);
    FileDialog::reset();
    FileDialog::setTestMode(true);
}

void TestChannelListPage::fillByChannelNumber_data()
{
    QTest::addColumn<QString>("channel");
    QTest::addColumn<int>("row");
    QTest::newRow("12") << "12" << 12;
    QTest::newRow("one digit and blank") << "7 " << 7;
    QTest::newRow("leading blank") << " 7" << 7;
    QTest::newRow("last") << "63" << 63;
    QTest::newRow("beyond the table") << "64" << -1;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("no digits reads as 0") << "ab" << 0;
}

void TestChannelListPage::fillByChannelNumber()
{
    QFETCH(QString, channel);
    QFETCH(int, row);
    RadioConfig record;
    record.channels[0] = {channel, "440.000000", "25   KHz", "Rx&Tx"};
    record.channelCount = 1;
    Host host(record);
    host.page->FillFromRecord();
    for (int r = 0; r < 64; ++r) {
        const bool named = r == row;
        QCOMPARE(host.page->cell(r, Freq), named ? QStringLiteral("440.000000") : QString());
        QCOMPARE(host.page->cell(r, Dir), named ? QStringLiteral("Rx&Tx") : QString());
        QCOMPARE(host.page->readCopy()[std::size_t(r)].frequency, host.page->cell(r, Freq));
    }
}

void TestChannelListPage::fillKeepsUnnamedRows()
{
    RadioConfig record = listedRecord();
    Host host(record);
    host.page->FillFromRecord();
    QCOMPARE(host.page->cell(12, Freq), QStringLiteral("438.125000"));
    QCOMPARE(host.page->cell(0, Bw), QStringLiteral("25   KHz"));

    // A later listing names only channel 5, twice: the later line wins, row 12 stays.
    record.channels[0] = {"5", "451.000000", "6.25 KHz", "Rx"};
    record.channels[1] = {"5", "452.000000", "6.25 KHz", "Tx"};
    record.channelCount = 2;
    host.page->FillFromRecord();
    QCOMPARE(host.page->cell(5, Freq), QStringLiteral("452.000000"));
    QCOMPARE(host.page->cell(5, Dir), QStringLiteral("Tx"));
    QCOMPARE(host.page->cell(12, Freq), QStringLiteral("438.125000"));
    QCOMPARE(host.page->readCopy()[12].frequency, QStringLiteral("438.125000"));
    QCOMPARE(host.page->readCopy()[5].channel, QStringLiteral("5"));

    // Closing the connection empties the rows but not the copy, and is no user change.
    QSignalSpy changed(host.page, &CChannelListPage::changed);
    host.page->ClearChannels();
    QCOMPARE(host.page->cell(12, Freq), QString());
    QCOMPARE(host.page->cell(12, 0), QStringLiteral("12"));
    QCOMPARE(host.page->readCopy()[12].frequency, QStringLiteral("438.125000"));
    QCOMPARE(changed.count(), 0);
}

void TestChannelListPage::clickOnEmptyRow()
{
    const RadioConfig record = listedRecord();
    Host host(record);
    host.page->FillFromRecord();
    QVERIFY(host.show());
    QSignalSpy changed(host.page, &CChannelListPage::changed);

    host.click(20, Freq);
    QVERIFY(host.textEditor->isVisible());
    QCOMPARE(host.textEditor->text(), QString());
    QCOMPARE(QApplication::focusWidget(), host.textEditor);
    QCOMPARE(host.page->cell(20, Dir), QStringLiteral("Rx&Tx"));
    QVERIFY(host.button("deleteButton")->isEnabled());
    QCOMPARE(changed.count(), 0);

    // A filled row keeps its DIR text.
    host.click(5, Freq);
    QCOMPARE(host.textEditor->text(), QStringLiteral("450.000000"));
    QCOMPARE(host.page->cell(5, Dir), QStringLiteral("Rx"));
}

void TestChannelListPage::clickOnEmptyDirCellAndLeave()
{
    const RadioConfig record = listedRecord();
    Host host(record);
    host.page->FillFromRecord();
    QVERIFY(host.show());
    QSignalSpy changed(host.page, &CChannelListPage::changed);

    host.click(30, Dir);
    // The editor got the text from before "Rx&Tx" was written.
    QVERIFY(host.textEditor->isVisible());
    QCOMPARE(host.textEditor->text(), QString());
    QCOMPARE(host.page->cell(30, Dir), QStringLiteral("Rx&Tx"));
    QTest::keyClick(host.textEditor, Qt::Key_Return);
    QVERIFY(!host.textEditor->isVisible());
    QCOMPARE(host.page->cell(30, Dir), QString());
    QCOMPARE(changed.count(), 0);
}

void TestChannelListPage::commitByReturn_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("marked");

    // Row 12 held 438.125000 and Rx&Tx when read.
    QTest::newRow("passes") << Freq << "433.125000" << QStringList{} << true;
    QTest::newRow("read value again") << Freq << "438.125000" << QStringList{} << false;
    QTest::newRow("format") << Freq << "433.125" << QStringList{messages::frequencyFormat()}
                            << true;
    QTest::newRow("value") << Freq << "433.123456" << QStringList{messages::frequencyValue()}
                           << true;
    QTest::newRow("range") << Freq << "481.000000" << QStringList{messages::frequencyRange()}
                           << true;
    QTest::newRow("DIR is not checked") << Dir << "433" << QStringList{} << true;
    QTest::newRow("DIR as read") << Dir << "Rx&Tx" << QStringList{} << false;
}

void TestChannelListPage::commitByReturn()
{
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QStringList, messages);
    QFETCH(bool, marked);

    const RadioConfig record = listedRecord();
    Host host(record);
    host.page->FillFromRecord();
    QVERIFY(host.show());
    QSignalSpy changed(host.page, &CChannelListPage::changed);
    QSignalSpy defaultClicked(host.defaultButton, &QPushButton::clicked);

    host.click(12, column);
    // Hiding the editor takes its focus away while the pointer is elsewhere: still one commit.
    host.pointerAway();
    QTest::keyClick(host.textEditor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(host.textEditor, typed);
    QTest::keyClick(host.textEditor, Qt::Key_Return);

    QVERIFY(!host.textEditor->isVisible());
    QCOMPARE(QApplication::focusWidget(), host.list);
    // The check only informs: the text stays in the cell.
    QCOMPARE(host.page->cell(12, column), typed);
    QCOMPARE(MessageBox::shownTexts(), messages);
    QCOMPARE(changed.count(), marked ? 1 : 0);
    QCOMPARE(defaultClicked.count(), 0);
}

void TestChannelListPage::returnWithoutEditor()
{
    const RadioConfig record = listedRecord();
    Host host(record);
    host.page->FillFromRecord();
    QVERIFY(host.show());
    QSignalSpy defaultClicked(host.defaultButton, &QPushButton::clicked);
    QSignalSpy changed(host.page, &CChannelListPage::changed);

    host.list->setFocus();
    QTest::keyClick(host.list, Qt::Key_Return);
    host.button("clearButton")->setFocus();
    QTest::keyClick(host.button("clearButton"), Qt::Key_Return);
    QCOMPARE(defaultClicked.count(), 0);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(host.page->cell(12, Freq), QStringLiteral("438.125000"));
}

void TestChannelListPage::clickElsewhereCommits()
{
    const RadioConfig record = listedRecord();
    Host host(record);
    host.page->FillFromRecord();
    QVERIFY(host.show());
    QSignalSpy changed(host.page, &CChannelListPage::changed);

    host.click(3, Freq);
    QTest::keyClicks(host.textEditor, "433.125");
    host.click(4, Freq);
    QCOMPARE(host.page->cell(3, Freq), QStringLiteral("433.125"));
    QCOMPARE(MessageBox::shownTexts(), QStringList{messages::frequencyFormat()});
    QCOMPARE(changed.count(), 1);
    // The editor moved on to the clicked cell.
    QVERIFY(host.textEditor->isVisible());
    QCOMPARE(host.textEditor->text(), QString());
}

void TestChannelListPage::pointerOverCellKeepsEditorOpen()
{
    const RadioConfig record = listedRecord();
    Host host(record);
    host.page->FillFromRecord();
    QVERIFY(host.show());

    host.click(12, Freq);
    QTest::keyClick(host.textEditor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(host.textEditor, "440.000000");
    host.button("exportButton")->setFocus();
    QVERIFY(host.textEditor->isVisible());
    QCOMPARE(host.page->cell(12, Freq), QStringLiteral("438.125000"));

    // With the pointer elsewhere, losing the focus writes the cell.
    host.textEditor->setFocus();
    host.pointerAway();
    host.button("exportButton")->setFocus();
    QVERIFY(!host.textEditor->isVisible());
    QCOMPARE(host.page->cell(12, Freq), QStringLiteral("440.000000"));
}

void TestChannelListPage::bandwidthEditor()
{
    const RadioConfig record = listedRecord();
    Host host(record);
    host.page->FillFromRecord();
    QVERIFY(host.show());
    QSignalSpy changed(host.page, &CChannelListPage::changed);

    for (int round = 0; round < 2; ++round) {
        host.click(12, Bw);
        QVERIFY(host.bandwidthEditor->isVisible());
        QCOMPARE(host.bandwidthEditor->count(), 3);
        QCOMPARE(host.bandwidthEditor->itemText(2), QStringLiteral("25   KHz"));
        QCOMPARE(host.bandwidthEditor->currentText(), QStringLiteral("12.5 KHz"));
        host.pointerAway();
        host.list->setFocus();
        QVERIFY(!host.bandwidthEditor->isVisible());
    }
    QCOMPARE(changed.count(), 0);

    // Any typed text is taken without a check.
    host.click(12, Bw);
    QTest::keyClick(host.bandwidthEditor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(host.bandwidthEditor, "1");
    QTest::keyClick(host.bandwidthEditor, Qt::Key_Return);
    QCOMPARE(host.page->cell(12, Bw), QStringLiteral("1"));
    QCOMPARE(changed.count(), 1);
    QVERIFY(MessageBox::shownTexts().isEmpty());
}

void TestChannelListPage::escapeCancelsTheEditOnly_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("dropDownOpen");
    QTest::newRow("frequency editor") << Freq << false;
    QTest::newRow("DIR editor") << Dir << false;
    QTest::newRow("bandwidth editor") << Bw << false;
    QTest::newRow("bandwidth drop-down open") << Bw << true;
}

void TestChannelListPage::escapeCancelsTheEditOnly()
{
    QFETCH(int, column);
    QFETCH(bool, dropDownOpen);
    const RadioConfig record = listedRecord();
    Host host(record);
    host.page->FillFromRecord();
    QVERIFY(host.show());
    QSignalSpy changed(host.page, &CChannelListPage::changed);
    const QString before = host.page->cell(12, column);

    // The pointer stays on the cell, as when the user opens the drop-down with it.
    host.click(12, column);
    QWidget *editor = column == Bw ? static_cast<QWidget *>(host.bandwidthEditor) : host.textEditor;
    QVERIFY(editor->isVisible());
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, "43x.1");
    if (dropDownOpen) {
        host.bandwidthEditor->showPopup();
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        // The drop-down closed; the window and the edit are still there.
        QVERIFY(host.dialog.isVisible());
        QVERIFY(editor->isVisible());
    }
    QTest::keyClick(editor, Qt::Key_Escape);

    QVERIFY(!editor->isVisible());
    QVERIFY(host.dialog.isVisible());
    QCOMPARE(host.page->cell(12, column), before);
    QCOMPARE(changed.count(), 0);
    QVERIFY(MessageBox::shownTexts().isEmpty());
    // Losing the focus later must not write the cancelled text after all.
    host.pointerAway();
    host.button("exportButton")->setFocus();
    QCOMPARE(host.page->cell(12, column), before);
}

void TestChannelListPage::deleteAndClearMark()
{
    const RadioConfig record = listedRecord();
    Host host(record);
    host.page->FillFromRecord();
    QVERIFY(host.show());
    QSignalSpy changed(host.page, &CChannelListPage::changed);
    QVERIFY(!host.button("deleteButton")->isEnabled());

    host.click(12, 0);
    QTest::mouseClick(host.button("deleteButton"), Qt::LeftButton);
    QCOMPARE(host.page->cell(12, Freq), QString());
    QCOMPARE(host.page->cell(12, Bw), QString());
    QCOMPARE(host.page->cell(12, Dir), QString());
    QCOMPARE(host.page->cell(12, 0), QStringLiteral("12"));
    QCOMPARE(host.page->cell(5, Freq), QStringLiteral("450.000000"));
    QCOMPARE(changed.count(), 1);
    QVERIFY(host.button("deleteButton")->isEnabled());

    QTest::mouseClick(host.button("clearButton"), Qt::LeftButton);
    QCOMPARE(host.page->cell(5, Freq), QString());
    QCOMPARE(changed.count(), 2);
    // Even an empty list is marked again.
    QTest::mouseClick(host.button("clearButton"), Qt::LeftButton);
    QCOMPARE(changed.count(), 3);
}

void TestChannelListPage::pendingChannelsAndCompleteRows()
{
    const RadioConfig record = listedRecord();
    Host host(record);
    host.page->FillFromRecord();

    SaveState state;
    QVERIFY(!host.page->BuildPendingChannels(state));
    QCOMPARE(state.pendingChannelCount, 0);

    host.page->setCell(12, Freq, "439.5");
    QVERIFY(host.page->BuildPendingChannels(state));
    QCOMPARE(state.pendingChannelCount, 1);
    QCOMPARE(state.pendingChannels[0], (ChannelEntry{"12", "439500000", "1", "2"}));

    QVERIFY(host.page->rowComplete(12));
    QVERIFY(!host.page->rowComplete(13));
    QVERIFY(!host.page->rowComplete(-1));
    host.page->setCell(12, Bw, "");
    QVERIFY(!host.page->rowComplete(12));
}

void TestChannelListPage::rowsNamedBeforeSave_data()
{
    QTest::addColumn<QList<QStringList>>("edits"); // row, frequency, BW, DIR
    QTest::addColumn<int>("answer");               // to the question, if one is asked
    QTest::addColumn<bool>("goesOn");
    QTest::addColumn<QStringList>("shown");

    const int ok = MessageBox::Ok, cancel = MessageBox::Cancel;
    const QString incomplete20 = QStringLiteral("通道 20：频率、带宽或方向为空");
    QTest::newRow("nothing changed") << QList<QStringList>{} << ok << true << QStringList{};
    QTest::newRow("a good change") << QList<QStringList>{{"12", "440.000000", "12.5 KHz", "Rx&Tx"}}
                                   << ok << true << QStringList{};
    QTest::newRow("typo: stops, nothing to choose")
        << QList<QStringList>{{"12", "43x.125000", "12.5 KHz", "Rx&Tx"}} << ok << false
        << QStringList{messages::unreadableFrequencies({QStringLiteral("通道 12：频率“43x.125000”无法识别")})};
    QTest::newRow("frequency emptied, typo and incomplete row: only what stops is named")
        << QList<QStringList>{{"5", "", "6.25 KHz", "Rx"}, {"12", "438,125", "12.5 KHz", "Rx&Tx"},
                              {"20", "433.000000", "", "Rx&Tx"}}
        << ok << false
        << QStringList{messages::unreadableFrequencies({QStringLiteral("通道 5：频率为空"),
                                                         QStringLiteral("通道 12：频率“438,125”无法识别")})};
    QTest::newRow("incomplete row, go on")
        << QList<QStringList>{{"20", "433.000000", "", "Rx&Tx"}} << ok << true
        << QStringList{messages::rowsLeftOut({incomplete20})};
    QTest::newRow("incomplete row, go back")
        << QList<QStringList>{{"20", "433.000000", "", "Rx&Tx"}} << cancel << false
        << QStringList{messages::rowsLeftOut({incomplete20})};
    QTest::newRow("refused by the radio")
        << QList<QStringList>{{"5", "999.000000", "6.25 KHz", "Rx"},
                              {"12", "438.125000", "10 KHz", "Rx&Tx"},
                              {"13", "-433.125000", "25   KHz", "Rx&Tx"}}
        << ok << true
        << QStringList{messages::rowsLeftOut({QStringLiteral("通道 5：频率 999.000000 超出 410～480 MHz"),
                                              QStringLiteral("通道 12：带宽“10 KHz”无效"),
                                              QStringLiteral("通道 13：频率 -433.125000 超出 410～480 MHz")})};
}

void TestChannelListPage::rowsNamedBeforeSave()
{
    QFETCH(QList<QStringList>, edits);
    QFETCH(int, answer);
    QFETCH(bool, goesOn);
    QFETCH(QStringList, shown);

    const RadioConfig record = listedRecord();
    Host host(record);
    host.page->FillFromRecord();
    for (const QStringList &edit : edits) {
        for (int column = Freq; column <= Dir; ++column)
            host.page->setCell(edit[0].toInt(), column, edit[column]);
    }
    MessageBox::setNextAnswer(MessageBox::Answer(answer));
    QCOMPARE(host.page->ConfirmRowsBeforeSave(), goesOn);
    QCOMPARE(MessageBox::shownTexts(), shown);
}

void TestChannelListPage::leftOutRowsShowWhatTheRadioHolds()
{
    RadioConfig record = listedRecord();
    Host host(record);
    host.page->FillFromRecord();
    host.page->setCell(20, Freq, "433.000000");             // incomplete, free in the radio
    host.page->setCell(12, Freq, "999.000000");             // refused, 438.125000 in the radio
    host.page->setCell(5, Freq, "451.000000");              // written
    SaveState state;
    QVERIFY(host.page->BuildPendingChannels(state));
    QCOMPARE(state.pendingChannelCount, 1);

    // The report after a save carries the settings, not the channel listing.
    record.channelCount = 0;
    host.page->FillFromRecord();
    QCOMPARE(host.page->cell(20, Freq), QString());
    QCOMPARE(host.page->cell(20, Dir), QString());
    QCOMPARE(host.page->cell(12, Freq), QStringLiteral("438.125000"));
    QCOMPARE(host.page->cell(5, Freq), QStringLiteral("451.000000"));
    QCOMPARE(host.page->readCopy()[12].frequency, QStringLiteral("438.125000"));

    // Only the rows of that save: an edit made afterwards stays through the next fill.
    host.page->setCell(12, Freq, "440.000000");
    host.page->FillFromRecord();
    QCOMPARE(host.page->cell(12, Freq), QStringLiteral("440.000000"));
}

void TestChannelListPage::exportThenImport()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("plan.txt");
    const RadioConfig record = listedRecord();
    Host host(record);
    host.page->FillFromRecord();
    host.page->setCell(40, Freq, "470.000000");
    FileDialog::setNextFileName(path);
    QTest::mouseClick(host.button("exportButton"), Qt::LeftButton);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.value(12), QByteArray("12\t438.125000\t12.5 KHz\tRx&Tx\r"));
    QCOMPARE(lines.value(40), QByteArray("40\t470.000000\t\t\r"));

    host.page->ClearChannels();
    host.page->setCell(41, Freq, "471.000000");
    QSignalSpy changed(host.page, &CChannelListPage::changed);
    FileDialog::setNextFileName(path);
    QTest::mouseClick(host.button("importButton"), Qt::LeftButton);
    QVERIFY(MessageBox::shownTexts().isEmpty());
    QCOMPARE(host.page->cell(12, Bw), QStringLiteral("12.5 KHz"));
    QCOMPARE(host.page->cell(0, Dir), QStringLiteral("Rx&Tx"));
    // Free channels' lines are skipped: row 41 keeps its text.
    QCOMPARE(host.page->cell(41, Freq), QStringLiteral("471.000000"));
    QCOMPARE(host.page->importTable()[12].frequency, QStringLiteral("438.125000"));
    QCOMPARE(changed.count(), 0);

    const QList<FileDialog::Request> asked = FileDialog::requests();
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked[0].kind, FileDialog::Save);
    QCOMPARE(asked[0].title, QStringLiteral("输出通道列表"));
    QCOMPARE(asked[0].proposedName, record.serialNumber);
    QCOMPARE(asked[1].kind, FileDialog::Open);
    QCOMPARE(asked[1].title, QStringLiteral("输入通道列表"));
}

void TestChannelListPage::fileFailuresAreReported_data()
{
    QTest::addColumn<bool>("exporting");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // "fifo": a FIFO under the name
    QTest::addColumn<bool>("reported");
    QTest::newRow("export into a missing folder") << true << "missing/plan.txt" << QByteArray() << true;
    QTest::newRow("import of a missing file") << false << "missing/plan.txt" << QByteArray() << true;
    QTest::newRow("export cancelled") << true << "" << QByteArray() << false;
    QTest::newRow("import cancelled") << false << "" << QByteArray() << false;
    QTest::newRow("import of a FIFO") << false << "plan.txt" << QByteArray("fifo") << true;
    QTest::newRow("import of a line with a NUL")
        << false << "plan.txt" << QByteArray("12\t433.1\0 25000\t12.5 KHz\tRx&Tx\r\n", 32) << true;
    QTest::newRow("import of a file without rows")
        << false << "plan.txt" << QByteArray("0\t\t\t\r\n1\t\t\t\r\n") << true;
}

void TestChannelListPage::fileFailuresAreReported()
{
    QFETCH(bool, exporting);
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, reported);
    QTemporaryDir dir;
    if (content == "fifo") {
#ifdef Q_OS_UNIX
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(name)).constData(), 0600), 0);
#else
        QSKIP("needs FIFOs");
#endif
    } else if (!content.isEmpty()) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const RadioConfig record = listedRecord();
    Host host(record);
    host.page->FillFromRecord();
    // An empty queue answers the dialog with Cancel.
    if (!name.isEmpty())
        FileDialog::setNextFileName(dir.filePath(name));
    QTest::mouseClick(host.button(exporting ? "exportButton" : "importButton"), Qt::LeftButton);

    QCOMPARE(FileDialog::requests().size(), 1);
    const QStringList shown = MessageBox::shownTexts();
    QCOMPARE(shown.size(), reported ? 1 : 0);
    if (reported)
        QVERIFY2(shown[0].contains(QStringLiteral("plan.txt")), qPrintable(shown[0]));
    QCOMPARE(host.page->cell(12, Freq), QStringLiteral("438.125000"));
}

QTEST_MAIN(TestChannelListPage)
#include "tst_channellistpage.moc"
