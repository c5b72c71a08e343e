#include "link/selectportdlg.h"

#include "ptyfixture.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <sys/file.h>
#include <sys/stat.h>

using namespace quenda;
using quenda::test::Pty;

namespace {

QByteArray fileContent(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

// A ports folder where only the given pseudo-terminals exist, as COM1, COM2, ...
struct Ports {
    QTemporaryDir dir;
    Pty first;
    Pty second;
    QString folder() const { return dir.filePath(QStringLiteral("ports")); }

    bool make(int count)
    {
        if (!dir.isValid() || !first.isValid() || !second.isValid()
            || !test::hideFixedPorts(folder()))
            return false;
        if (count >= 1 && !test::linkPort(folder(), 1, first.slave()))
            return false;
        if (count >= 2 && !test::linkPort(folder(), 2, second.slave()))
            return false;
        return true;
    }
};

QStringList rowTexts(const QTreeWidget *list)
{
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        rows << list->topLevelItem(i)->text(0) + QLatin1Char('|') + list->topLevelItem(i)->text(1);
    return rows;
}

} // namespace

class TestSelectPortDlg : public QObject {
    Q_OBJECT
private slots:
    void layoutAndRows();
    void click_data();
    void click();
    void emptyList_data();
    void emptyList();
    void preselectsChosenPort_data();
    void preselectsChosenPort();
    void busyPortIsNotListed();
    void buttonsOnlyClose_data();
    void buttonsOnlyClose();
    void unwritableSettingsStillChoose();
    void noPermissionRow();
};

void TestSelectPortDlg::layoutAndRows()
{
    Ports ports;
    QVERIFY(ports.make(2));
    PortChoice choice;
    CSelectPortDlg dlg(choice, PortNaming(ports.folder()), SettingsFile(ports.dir.path()));

    QCOMPARE(dlg.windowTitle(), QStringLiteral("选择端口"));
    QTreeWidget *list = dlg.portList();
    QCOMPARE(list->headerItem()->text(0), QStringLiteral("端口COM"));
    QCOMPARE(list->headerItem()->text(1), QStringLiteral("状态"));
    QCOMPARE(list->columnWidth(0), 60);
    QCOMPARE(list->columnWidth(1), 130);
    QVERIFY(list->header()->sectionsMovable());
    QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(dlg.okButton()->text(), QStringLiteral("确定"));
    QCOMPARE(dlg.cancelButton()->text(), QStringLiteral("取消"));
    QVERIFY(dlg.okButton()->isDefault());
    QVERIFY(!dlg.okButton()->isEnabled());
    QStringList labels;
    for (const QLabel *label : dlg.findChildren<QLabel *>())
        labels << label->text();
    QCOMPARE(labels, QStringList{QStringLiteral("选择可用的端口")});

    QCOMPARE(rowTexts(list), (QStringList{QStringLiteral("1|可用"), QStringLiteral("2|可用")}));
    QVERIFY(list->topLevelItem(1)->toolTip(0).contains(QFileInfo(ports.second.slave()).canonicalFilePath()));
}

void TestSelectPortDlg::click_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("first row") << QStringLiteral("row0") << int(Qt::LeftButton) << 1 << QByteArray("1");
    QTest::newRow("second row") << QStringLiteral("row1") << int(Qt::LeftButton) << 2 << QByteArray("2");
    QTest::newRow("below the rows takes the first")
        << QStringLiteral("below") << int(Qt::LeftButton) << 1 << QByteArray("1");
    QTest::newRow("right button chooses nothing")
        << QStringLiteral("row1") << int(Qt::RightButton) << 0 << QByteArray("<none>");
}

void TestSelectPortDlg::click()
{
    QFETCH(QString, where);
    QFETCH(int, button);
    QFETCH(int, portNumber);
    QFETCH(QByteArray, saved);

    Ports ports;
    QVERIFY(ports.make(2));
    PortChoice choice;
    const SettingsFile settings(ports.dir.path());
    CSelectPortDlg dlg(choice, PortNaming(ports.folder()), settings);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));

    QTreeWidget *list = dlg.portList();
    QPoint pos;
    if (where == QLatin1String("below")) {
        const QRect last = list->visualItemRect(list->topLevelItem(list->topLevelItemCount() - 1));
        pos = QPoint(10, last.bottom() + 4);
        if (pos.y() >= list->viewport()->height())
            QSKIP("the rows fill the list");
    } else {
        pos = list->visualItemRect(list->topLevelItem(where.right(1).toInt())).center();
    }
    QTest::mouseClick(list->viewport(), Qt::MouseButton(button), {}, pos);

    QCOMPARE(choice.portNumber, portNumber);
    QCOMPARE(choice.portChosen, portNumber != 0);
    QCOMPARE(dlg.okButton()->isEnabled(), portNumber != 0);
    QCOMPARE(fileContent(settings.path()), saved);
    QVERIFY(dlg.isVisible());

    if (portNumber != 0) {
        // Clicking the same port again writes the file again.
        QVERIFY(QFile::remove(settings.path()));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, pos);
        QCOMPARE(fileContent(settings.path()), saved);
    }
}

void TestSelectPortDlg::emptyList_data()
{
    QTest::addColumn<int>("startNumber");
    QTest::addColumn<bool>("startChosen");
    QTest::newRow("nothing chosen before") << 0 << false;
    QTest::newRow("a port chosen before") << 4 << true;
}

void TestSelectPortDlg::emptyList()
{
    QFETCH(int, startNumber);
    QFETCH(bool, startChosen);
    Ports ports;
    QVERIFY(ports.make(0));
    PortChoice choice{startNumber, startChosen};
    const SettingsFile settings(ports.dir.path());
    CSelectPortDlg dlg(choice, PortNaming(ports.folder()), settings);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(dlg.portList()->topLevelItemCount(), 0);
    QCOMPARE(dlg.okButton()->isEnabled(), startChosen);

    QTest::mouseClick(dlg.portList()->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(choice.portNumber, 0);
    QCOMPARE(choice.portChosen, startChosen);
    QCOMPARE(dlg.okButton()->isEnabled(), startChosen);
    QVERIFY(!QFile::exists(settings.path()));
}

void TestSelectPortDlg::preselectsChosenPort_data()
{
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<QString>("selected");
    QTest::newRow("listed") << 2 << QStringLiteral("2");
    QTest::newRow("not listed") << 9 << QString();
}

void TestSelectPortDlg::preselectsChosenPort()
{
    QFETCH(int, portNumber);
    QFETCH(QString, selected);
    Ports ports;
    QVERIFY(ports.make(2));
    PortChoice choice{portNumber, true};
    CSelectPortDlg dlg(choice, PortNaming(ports.folder()), SettingsFile(ports.dir.path()));
    QVERIFY(dlg.okButton()->isEnabled());
    const QList<QTreeWidgetItem *> items = dlg.portList()->selectedItems();
    QCOMPARE(items.isEmpty(), selected.isEmpty());
    if (!selected.isEmpty()) {
        QCOMPARE(items.size(), 1);
        QCOMPARE(items[0]->text(0), selected);
        QCOMPARE(dlg.portList()->currentItem(), items[0]);
    }
    QCOMPARE(choice.portNumber, portNumber);
}

void TestSelectPortDlg::busyPortIsNotListed()
{
    Ports ports;
    QVERIFY(ports.make(2));
    const int holder = ::open(QFile::encodeName(ports.second.slave()).constData(), O_RDWR | O_NOCTTY);
    QVERIFY(holder >= 0);
    QVERIFY(::flock(holder, LOCK_EX | LOCK_NB) == 0);
    PortChoice choice{2, true};
    CSelectPortDlg dlg(choice, PortNaming(ports.folder()), SettingsFile(ports.dir.path()));
    ::close(holder);
    QCOMPARE(rowTexts(dlg.portList()), QStringList{QStringLiteral("1|可用")});
    QVERIFY(dlg.portList()->selectedItems().isEmpty());
}

void TestSelectPortDlg::buttonsOnlyClose_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("确定") << true;
    QTest::newRow("取消") << false;
}

void TestSelectPortDlg::buttonsOnlyClose()
{
    QFETCH(bool, ok);
    Ports ports;
    QVERIFY(ports.make(2));
    PortChoice choice;
    const SettingsFile settings(ports.dir.path());
    CSelectPortDlg dlg(choice, PortNaming(ports.folder()), settings);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTreeWidget *list = dlg.portList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->topLevelItem(1)).center());
    QTest::mouseClick(ok ? dlg.okButton() : dlg.cancelButton(), Qt::LeftButton);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), ok ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(choice.portNumber, 2);
    QVERIFY(choice.portChosen);
    QCOMPARE(fileContent(settings.path()), QByteArray("2"));
}

void TestSelectPortDlg::unwritableSettingsStillChoose()
{
    Ports ports;
    QVERIFY(ports.make(2));
    PortChoice choice;
    const SettingsFile settings(ports.dir.filePath(QStringLiteral("no/such/folder")));
    CSelectPortDlg dlg(choice, PortNaming(ports.folder()), settings);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTreeWidget *list = dlg.portList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->topLevelItem(1)).center());
    QCOMPARE(choice.portNumber, 2);
    QVERIFY(choice.portChosen);
    QVERIFY(!QFile::exists(settings.path()));
}

void TestSelectPortDlg::noPermissionRow()
{
    if (::geteuid() == 0)
        QSKIP("root opens a device whatever its mode");
    Ports ports;
    QVERIFY(ports.make(2));
    QVERIFY(::chmod(QFile::encodeName(ports.first.slave()).constData(), 0) == 0);
    PortChoice choice;
    CSelectPortDlg dlg(choice, PortNaming(ports.folder()), SettingsFile(ports.dir.path()));
    QCOMPARE(rowTexts(dlg.portList()), (QStringList{QStringLiteral("1|无权限"), QStringLiteral("2|可用")}));
    QVERIFY(dlg.portList()->topLevelItem(0)->toolTip(1).contains(QStringLiteral("dialout")));
}

QTEST_MAIN(TestSelectPortDlg)
#include "tst_selectportdlg.moc"
