#include "pages/backupdlg.h"
#include "pages/comparedlg.h"
#include "pages/profiletable.h"
#include "protocol/messages.h"
#include "ui/messagebox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <functional>

using namespace quenda;

namespace {

using Edit = std::function<void(RadioProfile &)>;

RadioProfile baseProfile()
{
    RadioProfile p;
    p.serialNumber = QStringLiteral("100");
    for (const RegisterInfo &info : profileRegisters())
        p.setValue(info.number, info.kind == RegisterKind::Coded ? info.table->first : 2);
    for (int n = 0; n < 4; ++n)
        p.channels[std::size_t(n)] = ProfileChannel{433125000 + n * 12500, 1, 2};
    return p;
}

enum Column { MarkColumn, LabelColumn, LeftColumn, RightColumn };

QString cellText(const CProfileTable *table, int row, int column)
{
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text() : QString();
}

QList<int> visibleRows(const CProfileTable *table)
{
    QList<int> rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (!table->isRowHidden(row))
            rows << row;
    }
    return rows;
}

void showActive(QWidget *w)
{
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
}

} // namespace

Q_DECLARE_METATYPE(Edit)

class TestProfileDlgs : public QObject {
    Q_OBJECT
private slots:
    void init();
    void compareMarksExactlyTheDifferences_data();
    void compareMarksExactlyTheDifferences();
    void compareByKeyboard();
    void backupsListedAndLoaded();
    void brokenAndVanishedBackups();
    void noBackupsYet();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestProfileDlgs::init()
{
    MessageBox::reset();
    MessageBox::setTestMode(true);
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestProfileDlgs::compareMarksExactlyTheDifferences_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QList<int>>("rows");

    const int baud = CProfileTable::rowOfRegister(102);
    const int repeaterRx = CProfileTable::rowOfRegister(192);
    QTest::newRow("same") << Edit([](RadioProfile &p) { p.serialNumber = QStringLiteral("200"); })
                          << QList<int>{};
    QTest::newRow("first and last register") << Edit([](RadioProfile &p) {
        p.setValue(101, 2);
        p.setValue(192, std::nullopt);
    }) << QList<int>{CProfileTable::rowOfRegister(101), repeaterRx};
    QTest::newRow("registers and rows")
        << Edit([](RadioProfile &p) {
               p.setValue(102, 7);
               p.channels[0]->direction = 1;
               p.channels[3].reset();
               p.channels[63] = ProfileChannel{470000000, 2, 2};
           })
        << QList<int>{baud, CProfileTable::rowOfChannel(0), CProfileTable::rowOfChannel(3),
                      CProfileTable::rowOfChannel(63)};
}

void TestProfileDlgs::compareMarksExactlyTheDifferences()
{
    QFETCH(Edit, edit);
    QFETCH(QList<int>, rows);

    RadioProfile rover = baseProfile();
    edit(rover);
    CCompareDlg dlg(baseProfile(), QStringLiteral("当前页面"), rover, QStringLiteral("rover.json"));
    const CProfileTable *table = dlg.table();

    QCOMPARE(table->markedRows(), rows);
    for (int row = 0; row < CProfileTable::kRowCount; ++row) {
        const bool marked = rows.contains(row);
        QCOMPARE(cellText(table, row, MarkColumn), marked ? QStringLiteral("≠") : QString());
        QCOMPARE(table->item(row, RightColumn)->font().bold(), marked);
        // A marked row shows two different values, an unmarked one the same value twice.
        QCOMPARE(cellText(table, row, LeftColumn) != cellText(table, row, RightColumn), marked);
    }
    QCOMPARE(table->horizontalHeaderItem(RightColumn)->text(),
             QStringLiteral("rover.json（序列号 %1）").arg(rover.serialNumber));
    QCOMPARE(dlg.summary()->text().contains(QString::number(rows.size())), !rows.isEmpty());
    QCOMPARE(dlg.onlyDifferencesBox()->isEnabled(), !rows.isEmpty());

    if (!rows.isEmpty()) {
        dlg.onlyDifferencesBox()->setChecked(true);
        QCOMPARE(visibleRows(table), rows);
    }
}

void TestProfileDlgs::compareByKeyboard()
{
    RadioProfile rover = baseProfile();
    rover.setValue(105, 9);
    rover.channels[2]->bandwidth = 0;
    CCompareDlg dlg(baseProfile(), QStringLiteral("当前页面"), rover, QStringLiteral("rover.json"));
    showActive(&dlg);

    const int address = CProfileTable::rowOfRegister(105);
    const int channel = CProfileTable::rowOfChannel(2);
    // The table has the focus on the first difference.
    QCOMPARE(QApplication::focusWidget(), dlg.table());
    QCOMPARE(dlg.table()->currentRow(), address);
    // A mnemonic clicks its button a moment later, as the press is shown.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE(dlg.table()->currentRow(), channel);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE(dlg.table()->currentRow(), address);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
    QTRY_VERIFY(dlg.onlyDifferencesBox()->isChecked());
    QCOMPARE(visibleRows(dlg.table()), (QList<int>{address, channel}));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!dlg.isVisible());
}

void TestProfileDlgs::backupsListedAndLoaded()
{
    BackupStore store(m_dir->filePath(QStringLiteral("backups")));
    QDateTime clock(QDate(2024, 5, 1), QTime(8, 0), Qt::UTC);
    store.setClock([&clock] { return clock = clock.addSecs(3600); });
    RadioProfile other = baseProfile();
    other.serialNumber = QStringLiteral("099");
    QVERIFY(store.store(other));
    RadioProfile older = baseProfile();
    older.setValue(105, 11);
    QVERIFY(store.store(older));
    RadioProfile newer = baseProfile();
    newer.setValue(105, 12);
    QVERIFY(store.store(newer));

    CBackupDlg dlg(store);
    QSignalSpy chosen(&dlg, &CBackupDlg::profileChosen);
    dlg.selectRadio(QStringLiteral("100"));
    showActive(&dlg);

    QCOMPARE(dlg.radioList()->currentText(), QStringLiteral("100"));
    QCOMPARE(dlg.backupList()->count(), 2);
    QCOMPARE(dlg.backupList()->item(0)->text(),
             QDateTime(QDate(2024, 5, 1), QTime(11, 0), Qt::UTC)
                 .toLocalTime()
                 .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    // The newest is shown first.
    const int address = CProfileTable::rowOfRegister(105);
    QCOMPARE(cellText(dlg.table(), address, LeftColumn), QStringLiteral("12"));
    QCOMPARE(cellText(dlg.table(), CProfileTable::rowOfChannel(1), LeftColumn),
             QStringLiteral("433.137500 MHz / 12.5 KHz / Rx&Tx"));

    QCOMPARE(QApplication::focusWidget(), dlg.backupList());
    QTest::keyClick(dlg.backupList(), Qt::Key_Down);
    QCOMPARE(cellText(dlg.table(), address, LeftColumn), QStringLiteral("11"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_L, Qt::AltModifier);

    QTRY_COMPARE(chosen.count(), 1);
    QCOMPARE(chosen[0][0].value<RadioProfile>(), older);
    QCOMPARE(dlg.chosenProfile(), std::optional<RadioProfile>(older));
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(MessageBox::shownTexts().isEmpty());
}

void TestProfileDlgs::brokenAndVanishedBackups()
{
    BackupStore store(m_dir->filePath(QStringLiteral("backups")));
    QDateTime clock(QDate(2024, 5, 1), QTime(8, 0), Qt::UTC);
    store.setClock([&clock] { return clock = clock.addSecs(60); });
    QString good, broken;
    QVERIFY(store.store(baseProfile(), nullptr, &good));
    QVERIFY(store.store(baseProfile(), nullptr, &broken));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("{\"format\": \"quenda-profile\", \"version\": 1, \"serialNumber\": \"100\", "
               "\"registers\": 7}");
    file.close();

    CBackupDlg dlg(store);
    QSignalSpy chosen(&dlg, &CBackupDlg::profileChosen);
    QCOMPARE(dlg.backupList()->currentRow(), 0);
    QVERIFY2(dlg.status()->text().contains(QStringLiteral("\"registers\"")),
             qPrintable(dlg.status()->text()));
    QVERIFY(!dlg.loadButton()->isEnabled());
    QCOMPARE(cellText(dlg.table(), 0, LeftColumn), QString());

    dlg.backupList()->setCurrentRow(1);
    QVERIFY(dlg.loadButton()->isEnabled());
    QVERIFY(QFile::remove(good));
    dlg.loadButton()->click();
    QCOMPARE(chosen.count(), 0);
    QCOMPARE(MessageBox::shownTexts().size(), 1);
    QVERIFY2(MessageBox::shownTexts()[0].contains(QStringLiteral("无法读取文件")),
             qPrintable(MessageBox::shownTexts()[0]));
    // The list no longer offers the vanished backup.
    QCOMPARE(dlg.backupList()->count(), 1);
    QVERIFY(!dlg.chosenProfile().has_value());
}

void TestProfileDlgs::noBackupsYet()
{
    BackupStore store(m_dir->filePath(QStringLiteral("none")));
    CBackupDlg dlg(store);
    QCOMPARE(dlg.backupList()->count(), 0);
    QVERIFY(!dlg.radioList()->isEnabled());
    QVERIFY(!dlg.loadButton()->isEnabled());
    QCOMPARE(dlg.status()->text(), messages::noBackups());
}

QTEST_MAIN(TestProfileDlgs)
#include "tst_profiledlgs.moc"
