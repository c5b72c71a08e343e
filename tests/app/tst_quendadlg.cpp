#include "app/commlogwindow.h"
#include "app/progressdlgs.h"
#include "app/quendadlg.h"
#include "lib/k7v4simulator.h"
#include "link/cmscomm.h"
#include "link/commlog.h"
#include "pages/backupdlg.h"
#include "pages/basicinfopage.h"
#include "pages/channellistpage.h"
#include "pages/radiopage.h"
#include "pages/serialpage.h"
#include "profile/backupstore.h"
#include "profile/registers.h"
#include "protocol/messages.h"
#include "protocol/radiocommands.h"
#include "protocol/reportparser.h"
#include "support/fakeserialbackend.h"
#include "support/modalanswerer.h"
#include "support/virtualpause.h"
#include "ui/filedialog.h"
#include "ui/messagebox.h"

#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

using namespace quenda;
using ChannelMap = QMap<int, k7v4::Channel>;

namespace {

QByteArray banner()
{
    return QByteArray(radio::kBanner);
}

// A radio holding every channel, each with its own frequency.
k7v4::RadioState fullRadio()
{
    k7v4::RadioState state = k7v4::RadioState::factoryDefault();
    for (int ch = 0; ch < 64; ++ch)
        state.channels[std::size_t(ch)] = {410125000 + ch * 1000000LL, ch % 3, 2};
    return state;
}

// What a radio in `state` answers to "AT&V" and "ATP0?", as one text.
QByteArray readAnswer(const k7v4::RadioState &state)
{
    k7v4::Simulator sim;
    sim.setState(state);
    sim.powerOn(true);
    sim.setLineBaud(sim.ownBaud());
    QByteArray out;
    QObject::connect(&sim, &k7v4::Simulator::send, [&](const QByteArray &bytes, int) { out += bytes; });
    sim.receive("AT&V\r");
    sim.receive("ATP0?\r");
    return out;
}

QStringList viewLines(const CCommLogWindow *window)
{
    return window->view()->toPlainText().split(u'\n', Qt::SkipEmptyParts);
}

QStringList logLines(const CommLog &log)
{
    QStringList lines;
    for (const CommLogEntry &entry : log.entries())
        lines << log.formatEntry(entry);
    return lines;
}

// A line of the log window read back as direction ("->", "<-", "--") and text.
std::pair<QString, QString> passed(const QString &line)
{
    static const QRegularExpression form(
        R"(^\d\d:\d\d:\d\d\.\d{3} +\d+\.\d{6} (->|<-|--) (.*?)(  \[[0-9A-F ]+\])?$)");
    const QRegularExpressionMatch m = form.match(line);
    return {m.captured(1), m.captured(2)};
}

// The main window on a fake port wired to a simulated radio, with pauses in virtual time.
class Rig {
public:
    // `makeIni` puts something of its own under the name of para.ini.
    // `backupFolder`: where the backups go, below the rig's folder.
    explicit Rig(bool portChosen = true, bool withRadio = true,
                 const std::function<void(const QString &)> &makeIni = {},
                 const QString &backupFolder = QStringLiteral("backups"))
        : backupFolder(backupFolder)
    {
        MessageBox::reset();
        MessageBox::setTestMode(true);
        const QString ini = dir.filePath(QStringLiteral("para.ini"));
        if (makeIni) {
            makeIni(ini);
        } else if (portChosen) {
            QFile file(ini);
            if (file.open(QIODevice::WriteOnly))
                file.write("1");
        }
        auto backend = std::make_unique<test::FakeSerialBackend>();
        port = backend.get();
        if (withRadio)
            port->attachSimulator(&radio);
        QuendaEnvironment env;
        env.pause = &pause;
        env.config = &config;
        env.backend = std::move(backend);
        env.programFolder = dir.path();
        env.backupRoot = backupRoot();
        dlg = std::make_unique<CQuendaDlg>(std::move(env));
        dlg->show();
    }
    ~Rig() { MessageBox::reset(); }

    QString backupRoot() const { return dir.filePath(backupFolder); }
    QList<BackupEntry> backups() const
    {
        const BackupStore store(backupRoot());
        QList<BackupEntry> all;
        for (const QString &radio : store.radios())
            all += store.backups(radio);
        return all;
    }

    QPushButton *button(const char *name) const
    {
        auto *b = dlg->findChild<QPushButton *>(QLatin1String(name));
        Q_ASSERT(b);
        return b;
    }
    void click(const char *name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    // Lets queued receive events run, as the window's event loop would between handlers.
    void settle()
    {
        for (int i = 0; i < 50; ++i)
            QCoreApplication::processEvents();
    }
    void setRadioBaudCode(int code)
    {
        k7v4::RadioState state = k7v4::RadioState::factoryDefault();
        state.registers[102] = code;
        radio.setState(state);
    }
    // Soft diagnosis, one try per call, until the read has been shown or `tries` ran out.
    void connectBySoftDiagnosis(int tries = 6)
    {
        click("openButton");
        for (int i = 0; i < tries && dlg->softDiagDlg() && dlg->softDiagDlg()->isRunning(); ++i) {
            dlg->softDiagDlg()->tick();
            settle();
        }
        settle();
    }
    void connectByPowerOn()
    {
        dlg->setConnectMethod(ConnectMethod::PowerOn);
        click("openButton");
        radio.powerOn(true);
        settle();
    }
    QList<QByteArray> writesStartingWith(const QByteArray &prefix) const
    {
        QList<QByteArray> out;
        for (const QByteArray &w : port->writes())
            if (w.startsWith(prefix))
                out << w;
        return out;
    }
    void chooseItem(const char *listName, int index)
    {
        auto *list = dlg->findChild<QComboBox *>(QLatin1String(listName));
        Q_ASSERT(list);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Home);
        for (int i = 0; i < index; ++i)
            QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE_EQ(list->currentIndex(), index);
    }
    // An edit through the page, so that "保存" becomes possible.
    void changeAirRate()
    {
        click("radioInfoButton");
        const int read = dlg->radioPage()->airRateIndex;
        chooseItem("airRateList", read == 0 ? 1 : 0);
    }
    // A click on a cell of the channel list, the pointer moved onto it first.
    void clickCell(int row, int column)
    {
        auto *list = dlg->channelListPage()->findChild<QTableWidget *>(QStringLiteral("channelList"));
        Q_ASSERT(list);
        const QModelIndex index = list->model()->index(row, column);
        list->scrollTo(index);
        const QPoint at = list->visualRect(index).center();
        QCursor::setPos(list->viewport()->mapToGlobal(at));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    void runSave()
    {
        QVERIFY(button("saveButton")->isEnabled());
        click("saveButton");
        for (int i = 0; i < 100 && dlg->saveState().isWriting; ++i)
            settle();
    }

    QTemporaryDir dir;
    QString backupFolder;
    test::VirtualPause pause;
    RadioConfig config;
    k7v4::Simulator radio;
    test::FakeSerialBackend *port = nullptr;
    std::unique_ptr<CQuendaDlg> dlg;
};

} // namespace

class TestQuendaDlg : public QObject {
    Q_OBJECT
private slots:
    void startState();
    void connectMethodMenu();
    void noPortChosen();
    void softDiagnosis_data();
    void softDiagnosis();
    void softDiagnosisWithoutRadio();
    void secondConnectIsRefused();
    void powerOn_data();
    void powerOn();
    void receiveHandler_data();
    void receiveHandler();
    void reportOverwritesRecordAndRefillsPages();
    void answerInPieces_data();
    void answerInPieces();
    void twoReportsInOneChunkAreNotJoined();
    void readWithoutReport_data();
    void readWithoutReport();
    void bannerStopsEveryProcedure();
    void reportStopsTheProcedure();
    void radioCommandWaitsForTheRunningOne_data();
    void radioCommandWaitsForTheRunningOne();
    void leavingWaitsForTheHandler_data();
    void leavingWaitsForTheHandler();
    void saveWithoutChannelChanges();
    void saveWithChangedChannels();
    void saveWithAnswersArrivingDuringPauses();
    void saveEndsOnError();
    void secondSaveWhileWritingIsIgnored();
    void saveWithIncompleteChannelRowsWarns();
    void saveWithRowsThatCannotBeWritten_data();
    void saveWithRowsThatCannotBeWritten();
    void factoryDefaults();
    void closeReturnsToStart();
    void closeWithPortGoneStillReturnsToStart();
    void exitSendsAtaOnlyWithPortOpen_data();
    void exitSendsAtaOnlyWithPortOpen();
    void enterDoesNotEndTheProgram();
    void leavingWithUnsavedChanges_data();
    void leavingWithUnsavedChanges();
    void escapeInCellEditorKeepsTheWindow();
    void wheelOverUnfocusedList_data();
    void wheelOverUnfocusedList();
    void settingsFileThatIsNoFile_data();
    void settingsFileThatIsNoFile();
    void windowsCentredOnMainWindow();
    void portLostDuringSave();
    void portLostDuringReadIsReportedOnce();
    void undoRefillsPages();
    void channelPlanMovesBetweenRadios();
    void everyReadIsBackedUp_data();
    void everyReadIsBackedUp();
    void saveIsChecked_data();
    void saveIsChecked();
    void profileThroughMenu_data();
    void profileThroughMenu();
    void restoreFromBackup();
    void commLogWindow_data();
    void commLogWindow();
};

void TestQuendaDlg::startState()
{
    Rig rig;
    QVERIFY(rig.button("openButton")->isEnabled());
    for (const char *off : {"saveButton", "closeButton", "defaultsButton", "radioInfoButton",
                            "serialInfoButton", "undoButton", "printButton"})
        QVERIFY2(!rig.button(off)->isEnabled(), off);
    QVERIFY(rig.button("basicInfoButton")->isEnabled());
    QVERIFY(rig.button("channelButton")->isEnabled());
    QVERIFY(!rig.button("undoButton")->isVisible());
    QVERIFY(rig.dlg->basicInfoPage()->isVisible());
    QVERIFY(!rig.dlg->channelListPage()->isVisible());
    QCOMPARE(rig.dlg->portChoice().portNumber, 1);
    QCOMPARE(rig.dlg->baudText(), QString("4800"));
    QCOMPARE(rig.dlg->connectMethod(), ConnectMethod::SoftDiagnostic);

    // Page buttons switch pages and never touch the command buttons.
    rig.click("channelButton");
    QVERIFY(rig.dlg->channelListPage()->isVisible());
    QVERIFY(!rig.dlg->basicInfoPage()->isVisible());
    QVERIFY(!rig.button("saveButton")->isEnabled());
}

void TestQuendaDlg::connectMethodMenu()
{
    Rig rig;
    QMenu *menu = rig.dlg->systemMenu();
    QStringList texts;
    for (QAction *a : menu->actions())
        texts << (a->menu() ? a->menu()->title() : a->text());
    QCOMPARE(texts, (QStringList{"选择端口...", "设置连接方法", "", "关于 QUENDA(&A)...", "",
                                 "导出配置...", "导入配置...", "备份与恢复...", "与文件比较...", "",
                                 "通信记录..."}));

    auto *powerOn = menu->findChild<QAction *>("powerOnAction");
    auto *softDiag = menu->findChild<QAction *>("softDiagAction");
    QVERIFY(softDiag->isChecked() && !powerOn->isChecked());
    powerOn->trigger();
    QCOMPARE(rig.dlg->connectMethod(), ConnectMethod::PowerOn);
    softDiag->trigger();
    QVERIFY(softDiag->isChecked() && !powerOn->isChecked());
    QCOMPARE(rig.dlg->connectMethod(), ConnectMethod::SoftDiagnostic);
}

void TestQuendaDlg::noPortChosen()
{
    Rig rig(false);
    rig.click("openButton");
    QCOMPARE(MessageBox::shownTexts(), QStringList{"请选择端口！"});
    QVERIFY(!rig.dlg->softDiagDlg());
    QCOMPARE(rig.port->openCount(), 0);
}

void TestQuendaDlg::softDiagnosis_data()
{
    QTest::addColumn<int>("baudCode");
    QTest::addColumn<QList<int>>("openBauds");
    QTest::newRow("radio at 4800") << 9 << QList<int>{4800};
    QTest::newRow("radio at 19200: third try") << 5 << QList<int>{4800, 9600, 19200};
    QTest::newRow("radio at 57600: the last try is taken")
        << 2 << QList<int>{4800, 9600, 19200, 38400, 115200, 57600};
}

void TestQuendaDlg::softDiagnosis()
{
    QFETCH(int, baudCode);
    QFETCH(QList<int>, openBauds);
    Rig rig;
    rig.setRadioBaudCode(baudCode);
    rig.connectBySoftDiagnosis();
    // One more tick must not give up once the banner was taken.
    rig.settle();

    QCOMPARE(rig.port->openBauds(), openBauds);
    QVERIFY(rig.dlg->serialControl().GetPortOpen());
    QVERIFY(!rig.dlg->softDiagDlg()->isRunning());
    QVERIFY(!rig.dlg->softDiagDlg()->isVisible());
    QCOMPARE(rig.dlg->softDiagDlg()->tryIndex(), 0);
    QVERIFY(MessageBox::shownTexts().isEmpty());
    QCOMPARE(rig.config.serialNumber, rig.radio.stored().serialNumber);
    QCOMPARE(rig.config.serialBaud, tables::T102.text(baudCode));
    QVERIFY(rig.dlg->readingDlg() && !rig.dlg->readingDlg()->isVisible());
    QVERIFY(!rig.button("openButton")->isEnabled());
    for (const char *on : {"closeButton", "defaultsButton", "radioInfoButton", "serialInfoButton"})
        QVERIFY2(rig.button(on)->isEnabled(), on);
    QVERIFY(!rig.button("saveButton")->isEnabled());
    // The read sequence: "AT&V" and "ATP0?", each with its pause.
    QCOMPARE(rig.writesStartingWith("AT"), (QList<QByteArray>{"AT&V", "ATP0?"}));
    QVERIFY(rig.pause.pauses().contains(3000));
}

void TestQuendaDlg::softDiagnosisWithoutRadio()
{
    Rig rig(true, false);
    rig.click("openButton");
    for (int i = 0; i < 6; ++i)
        rig.dlg->softDiagDlg()->tick();
    QVERIFY(MessageBox::shownTexts().isEmpty()); // the sixth try's answer still has its chance
    rig.dlg->softDiagDlg()->tick();
    QCOMPARE(MessageBox::shownTexts(), QStringList{"未连接，请检查设备！"});
    QVERIFY(!rig.dlg->serialControl().GetPortOpen());
    QVERIFY(!rig.dlg->softDiagDlg()->isRunning());
    QCOMPARE(rig.writesStartingWith("+++").size(), 6);
    QVERIFY(rig.button("openButton")->isEnabled());
}

void TestQuendaDlg::secondConnectIsRefused()
{
    Rig rig(true, false);
    rig.click("openButton");
    auto *first = rig.dlg->softDiagDlg();
    rig.dlg->softDiagDlg()->tick();
    rig.click("openButton");
    QCOMPARE(rig.dlg->softDiagDlg(), first);
    QCOMPARE(first->tryIndex(), 1);
}

void TestQuendaDlg::powerOn_data()
{
    QTest::addColumn<bool>("configPressed");
    QTest::newRow("CONFIG held") << true;
    QTest::newRow("radio already on") << false;
}

void TestQuendaDlg::powerOn()
{
    QFETCH(bool, configPressed);
    Rig rig;
    rig.dlg->setConnectMethod(ConnectMethod::PowerOn);
    rig.click("openButton");
    QVERIFY(rig.dlg->serialControl().GetPortOpen());
    QCOMPARE(rig.port->openBauds(), QList<int>{9600});
    auto *dlg = rig.dlg->powerOnDlg();
    QVERIFY(dlg && dlg->isVisible());
    QCOMPARE(dlg->portText(), QString("COM1"));
    if (configPressed) {
        dlg->tick();
        rig.radio.powerOn(true);
        rig.settle();
        QVERIFY(!dlg->isRunning());
        QCOMPARE(rig.config.serialNumber, rig.radio.stored().serialNumber);
        QVERIFY(MessageBox::shownTexts().isEmpty());
    } else {
        for (int i = 0; i < 10; ++i)
            dlg->tick();
        QVERIFY(MessageBox::shownTexts().isEmpty());
        dlg->tick(); // shows 0, pauses, gives up
        QCOMPARE(MessageBox::shownTexts(), QStringList{"未及时上电！"});
        QVERIFY(!rig.dlg->serialControl().GetPortOpen());
        QCOMPARE(rig.port->writes(), QList<QByteArray>{});
    }
}

void TestQuendaDlg::receiveHandler_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<int>("readSequences");
    QTest::addColumn<bool>("parsed");

    QByteArray report = "S/N: 87654321\r\n";
    QTest::newRow("banner alone") << banner() << 1 << false;
    QTest::newRow("banner then text") << banner() + "S/N: 1" << 1 << false;
    QTest::newRow("two banners") << banner() + banner() << 2 << false;
    QTest::newRow("echo before banner") << "+++" + banner() << 0 << false;
    QTest::newRow("100 bytes") << report.leftJustified(100, ' ') << 0 << false;
    QTest::newRow("101 bytes") << report.leftJustified(101, ' ') << 0 << true;
    QTest::newRow("banner in a report") << banner() + report.leftJustified(83, ' ') << 1 << true;
    // A radio still in data mode streams correction data: nothing of it is a report.
    QTest::newRow("data-mode stream") << QByteArray(300, '\xa5') << 0 << false;
    QTest::newRow("NMEA stream")
        << QByteArray("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n").repeated(3)
        << 0 << false;
    // No cut at 4 KB: what follows is still seen.
    QTest::newRow("banner, 5000 bytes, then a report") << banner() + QByteArray(5000, 'x') + report << 1 << true;
    QTest::newRow("report after 5000 bytes") << QByteArray(5000, 'x') + report << 0 << true;
}

void TestQuendaDlg::receiveHandler()
{
    QFETCH(QByteArray, chunk);
    QFETCH(int, readSequences);
    QFETCH(bool, parsed);
    Rig rig(true, false);
    rig.dlg->setConnectMethod(ConnectMethod::PowerOn);
    rig.click("openButton");
    rig.pause.clear();

    rig.port->pushInput(chunk);
    rig.settle();

    QCOMPARE(rig.writesStartingWith("AT&V").size(), readSequences);
    QCOMPARE(rig.writesStartingWith("ATP0?").size(), readSequences);
    QCOMPARE(rig.config.serialNumber, parsed ? QString("87654321") : QString());
    QCOMPARE(rig.pause.pauses().value(0), 200); // every receive event starts with its pause
    QCOMPARE(rig.button("closeButton")->isEnabled(), parsed);
    if (readSequences > 0) {
        QVERIFY(rig.dlg->readingDlg());
        QCOMPARE(rig.dlg->readingDlg()->isVisible(), !parsed);
        QVERIFY(!rig.dlg->powerOnDlg()->isRunning());
    }
}

void TestQuendaDlg::reportOverwritesRecordAndRefillsPages()
{
    Rig rig;
    rig.connectByPowerOn();
    auto *basic = rig.dlg->basicInfoPage();
    auto *serialField = basic->findChild<QLineEdit *>("serialNumberEdit");
    QVERIFY(serialField);
    QCOMPARE(serialField->text(), rig.radio.stored().serialNumber);
    // Any later chunk above 100 bytes is a report: this one carries no serial number.
    rig.port->pushInput(QByteArray("S101=1\r\n").leftJustified(120, ' '));
    rig.settle();
    QCOMPARE(rig.config.serialNumber, QString());
    QCOMPARE(rig.config.workMode, QString("Repeater"));
    QCOMPARE(serialField->text(), QString());
}

void TestQuendaDlg::saveWithoutChannelChanges()
{
    Rig rig;
    rig.connectBySoftDiagnosis();
    rig.click("radioInfoButton");
    rig.chooseItem("airRateList", 8);
    rig.chooseItem("powerList", 13);
    rig.chooseItem("fecList", 7);
    rig.click("serialInfoButton");
    rig.chooseItem("dataFormatList", 2);
    QVERIFY(rig.button("saveButton")->isEnabled());
    rig.port->clearWrites();
    rig.pause.clear();

    rig.runSave();

    QVERIFY(!rig.dlg->saveState().isWriting);
    QCOMPARE(MessageBox::shownTexts(), (QStringList{"确定要将新配置写入存储器?", "保存完毕！"}));
    QList<QByteArray> registers;
    for (const QByteArray &w : rig.writesStartingWith("ats"))
        registers << w.left(6);
    QCOMPARE(registers, (QList<QByteArray>{"ats102", "ats110", "ats186", "ats101", "ats127",
                                           "ats103", "ats105", "ats108", "ats158", "ats125",
                                           "ats131", "ats132", "ats191", "ats192"}));
    QVERIFY(rig.writesStartingWith("ATP0=").isEmpty());
    QCOMPARE(rig.writesStartingWith("at&"), (QList<QByteArray>{"at&w", "at&v"}));
    QVERIFY(!rig.dlg->savingDlg()->isVisible());

    const QMap<int, int> stored = rig.radio.stored().registers;
    QCOMPARE(stored.value(103), 8);
    QCOMPARE(stored.value(108), 33);
    QCOMPARE(stored.value(158), 7);
    QCOMPARE(stored.value(110), 3);
    // The report after "at&v" refreshed the pages with what the radio now holds.
    QCOMPARE(rig.config.airRate, QString("16000"));
    QCOMPARE(rig.dlg->radioPage()->powerIndex, 13);
}

void TestQuendaDlg::saveWithChangedChannels()
{
    Rig rig;
    rig.connectBySoftDiagnosis();
    CChannelListPage *page = rig.dlg->channelListPage();
    // Make sure the rows chosen as main and repeater channels are complete.
    CRadioPage *radioPage = rig.dlg->radioPage();
    for (int row : {radioPage->mainTxIndex, radioPage->mainRxIndex, radioPage->repeaterTxIndex,
                    radioPage->repeaterRxIndex})
        QVERIFY2(page->rowComplete(row), "the simulator's default channels are listed");
    page->setCell(40, 1, "439.500000");
    page->setCell(40, 2, "12.5 KHz");
    page->setCell(40, 3, "Rx&Tx");
    page->setCell(41, 1, "470.000000");
    page->setCell(41, 2, "25   KHz");
    page->setCell(41, 3, "Rx&Tx");
    rig.dlg->MarkChanged();
    rig.port->clearWrites();

    rig.runSave();

    QCOMPARE(MessageBox::shownTexts().last(), QString("保存完毕！"));
    const QList<QByteArray> writes = rig.port->writes();
    QCOMPARE(writes.mid(0, 3), (QList<QByteArray>{"ATP0=", "\r", "pmiv%ok"}));
    QVERIFY(writes.contains("\x1b"));
    QVERIFY(writes.indexOf("\x1b") < writes.indexOf(QByteArray("ats102=") + "7\r"));
    const auto channels = rig.radio.stored().channels;
    QCOMPARE(channels[40], (k7v4::Channel{439500000, 1, 2}));
    QCOMPARE(channels[41], (k7v4::Channel{470000000, 2, 2}));

    // Clearing a row deletes the channel in the radio.
    page->setCell(41, 1, "");
    page->setCell(41, 2, "");
    page->setCell(41, 3, "");
    rig.runSave();
    QCOMPARE(rig.radio.stored().channels[41].frequencyHz, 0);
    QCOMPARE(rig.radio.stored().channels[40], (k7v4::Channel{439500000, 1, 2}));
}

void TestQuendaDlg::saveWithAnswersArrivingDuringPauses()
{
    // On a real line the radio answers while the handler pauses, and the port tells of those
    // bytes only once its own notification has returned.
    Rig rig;
    rig.pause.onPause = [](int) { QCoreApplication::processEvents(); };
    rig.connectBySoftDiagnosis();
    QVERIFY(rig.button("closeButton")->isEnabled());
    rig.changeAirRate();
    rig.runSave();
    QCOMPARE(MessageBox::shownTexts().last(), QString("保存完毕！"));
    QCOMPARE(rig.writesStartingWith("at&"), (QList<QByteArray>{"at&w", "at&v"}));
}

void TestQuendaDlg::saveEndsOnError()
{
    Rig rig;
    rig.connectBySoftDiagnosis();
    rig.radio.misbehaviour().errorOnRegister = 158;
    rig.changeAirRate();
    rig.port->clearWrites();
    rig.runSave();

    QCOMPARE(MessageBox::shownTexts().last(), QString("数据有误，请检查！"));
    QVERIFY(rig.writesStartingWith("at&w").isEmpty());
    QCOMPARE(rig.writesStartingWith("ats").last().left(6), QByteArray("ats158"));
    QVERIFY(!rig.dlg->saveState().isWriting);
    QCOMPARE(rig.dlg->saveState().channelRowIndex, 0);
    QVERIFY(!rig.dlg->savingDlg()->isVisible());

    // The next save runs from its start again.
    rig.radio.misbehaviour().errorOnRegister.reset();
    rig.port->clearWrites();
    rig.runSave();
    QCOMPARE(MessageBox::shownTexts().last(), QString("保存完毕！"));
    QCOMPARE(rig.writesStartingWith("ats").first().left(6), QByteArray("ats102"));
}

void TestQuendaDlg::secondSaveWhileWritingIsIgnored()
{
    Rig rig;
    rig.connectBySoftDiagnosis();
    rig.radio.misbehaviour().silent = true;
    rig.changeAirRate();
    rig.click("saveButton");
    rig.settle();
    QVERIFY(rig.dlg->saveState().isWriting);
    const int writes = rig.port->writes().size();
    rig.click("saveButton");
    rig.settle();
    QCOMPARE(MessageBox::shownTexts().count("确定要将新配置写入存储器?"), 1);
    QCOMPARE(rig.port->writes().size(), writes);
    QVERIFY(rig.dlg->savingDlg()->isVisible());
    // Factory defaults would put "AT&F…AT&W" between two register commands.
    rig.click("defaultsButton");
    rig.settle();
    QCOMPARE(rig.port->writes().size(), writes);

    // A radio that stopped answering: the save waits until "关闭" ends it.
    rig.click("closeButton");
    QVERIFY(!rig.dlg->saveState().isWriting);
    QVERIFY(!rig.dlg->savingDlg()->isVisible());
}

void TestQuendaDlg::saveWithIncompleteChannelRowsWarns()
{
    Rig rig;
    rig.connectBySoftDiagnosis();
    CChannelListPage *page = rig.dlg->channelListPage();
    const int row = rig.dlg->radioPage()->repeaterRxIndex;
    page->setCell(row, 2, "");
    rig.dlg->MarkChanged();
    rig.port->clearWrites();
    rig.click("saveButton");
    // The row is named as one the save leaves out; going on, the chosen rows stop the save.
    QCOMPARE(MessageBox::shownTexts(),
             (QStringList{messages::rowsLeftOut({QStringLiteral("通道 %1：频率、带宽或方向为空").arg(row)}),
                          "确定要将新配置写入存储器?", "确保主通道和中继器通道不能为空！"}));
    QVERIFY(rig.port->writes().isEmpty());
    QVERIFY(!rig.dlg->saveState().isWriting);
    QVERIFY(!rig.dlg->savingDlg()->isVisible());

    // Declining the question sends nothing and shows no saving window.
    MessageBox::setNextAnswer(MessageBox::Ok);
    MessageBox::setNextAnswer(MessageBox::Cancel);
    rig.click("saveButton");
    QCOMPARE(MessageBox::shownTexts().last(), QString("确定要将新配置写入存储器?"));
    QVERIFY(rig.port->writes().isEmpty());
}

void TestQuendaDlg::answerInPieces_data()
{
    QTest::addColumn<bool>("fullTable");
    QTest::addColumn<QList<int>>("cuts"); // where the answer is cut into receive events
    const int full = int(readAnswer(fullRadio()).size());
    QList<int> every90;
    for (int at = 90; at < full; at += 90)
        every90 << at;
    QTest::newRow("full table, one piece") << true << QList<int>{};
    QTest::newRow("full table, cut in the settings report") << true << QList<int>{150};
    QTest::newRow("full table, cut in the listing") << true << QList<int>{1500, 3000};
    QTest::newRow("full table, short first piece") << true << QList<int>{60};
    QTest::newRow("full table, closing OK alone") << true << QList<int>{full - 4};
    QTest::newRow("full table, every 90 bytes") << true << every90;
    QTest::newRow("factory table, cut in the listing") << false << QList<int>{400};
}

void TestQuendaDlg::answerInPieces()
{
    // At 9600 baud and below, the radio's answer outlasts the read's pauses: it arrives in
    // several receive events, and the pages must show all of it in the end.
    QFETCH(bool, fullTable);
    QFETCH(QList<int>, cuts);
    const k7v4::RadioState state = fullTable ? fullRadio() : k7v4::RadioState::factoryDefault();
    const QByteArray answer = readAnswer(state);
    Rig rig(true, false, {}, QStringLiteral("backups"));
    rig.dlg->setConnectMethod(ConnectMethod::PowerOn);
    rig.click("openButton");
    rig.port->pushInput(banner());
    rig.settle();
    QCOMPARE(rig.writesStartingWith("AT"), (QList<QByteArray>{"AT&V", "ATP0?"}));

    int from = 0;
    cuts << int(answer.size());
    for (int cut : cuts) {
        rig.port->pushInput(answer.mid(from, cut - from));
        rig.settle();
        from = cut;
        // A later piece never blanks what an earlier one filled.
        if (from > 150)
            QCOMPARE(rig.config.serialNumber, state.serialNumber);
    }

    RadioConfig expected;
    ParseReport(answer.constData(), int(answer.size()), expected);
    QCOMPARE(rig.config, expected);
    int listed = 0;
    for (const k7v4::Channel &c : state.channels)
        listed += c.frequencyHz != 0;
    QCOMPARE(rig.config.channelCount, listed);
    auto *serialField = rig.dlg->basicInfoPage()->findChild<QLineEdit *>("serialNumberEdit");
    QCOMPARE(serialField->text(), state.serialNumber);
    const CChannelListPage *page = rig.dlg->channelListPage();
    QCOMPARE(page->cell(listed - 1, 1), expected.channels[std::size_t(listed - 1)].frequency);
    QVERIFY(!rig.dlg->readingDlg()->isVisible());
    QVERIFY(rig.button("closeButton")->isEnabled());
    // One backup, of the whole answer: not of its first piece.
    QCOMPARE(rig.backups().size(), 1);
    const profile::Loaded backup = BackupStore::load(rig.backups().first().path);
    QVERIFY2(backup.profile, qPrintable(backup.error));
    QCOMPARE(backup.profile->channelCount(), listed);
}

void TestQuendaDlg::twoReportsInOneChunkAreNotJoined()
{
    Rig rig;
    rig.connectByPowerOn();
    const QByteArray report = "AT&V\r\nK7V4\r\nS/N: 21040517\r\nS105=1\r\nS186=2\r\nOK\r\n";
    rig.port->pushInput(report + report + report);
    rig.settle();
    QCOMPARE(rig.config.unitAddress, QString("1"));
    QCOMPARE(rig.config.serialNumber, QString("21040517"));
    QCOMPARE(rig.dlg->radioPage()->unitAddressValue, 1);
}

void TestQuendaDlg::readWithoutReport_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("silent") << QByteArray();
    QTest::newRow("ERROR") << QByteArray("AT&V\r\nERROR\r\n");
    QTest::newRow("short answer") << QByteArray("AT&V\r\nOK\r\n");
}

void TestQuendaDlg::readWithoutReport()
{
    QFETCH(QByteArray, answer);
    Rig rig(true, false);
    rig.dlg->setReadAnswerBound(50);
    rig.dlg->setConnectMethod(ConnectMethod::PowerOn);
    rig.click("openButton");
    rig.port->pushInput(banner());
    rig.settle();
    if (!answer.isEmpty())
        rig.port->pushInput(answer);
    QVERIFY(rig.dlg->readingDlg()->isVisible());

    QTRY_COMPARE(MessageBox::shownTexts().size(), 1);
    QVERIFY(MessageBox::shownTexts().first().contains("关闭"));
    QVERIFY(!rig.dlg->readingDlg()->isVisible());
    QVERIFY(rig.button("closeButton")->isEnabled());
    QVERIFY(!rig.button("openButton")->isEnabled());

    rig.port->clearWrites();
    rig.click("closeButton");
    QCOMPARE(rig.port->writes(), (QList<QByteArray>{"ATA", "\r"}));
    QVERIFY(!rig.dlg->serialControl().GetPortOpen());
    QVERIFY(rig.button("openButton")->isEnabled());
}

void TestQuendaDlg::bannerStopsEveryProcedure()
{
    // The method is changed in the menu while soft diagnosis runs; its banner must still end it.
    Rig rig;
    rig.setRadioBaudCode(7); // 9600: the port's rate when soft diagnosis does not set one
    rig.click("openButton");
    rig.dlg->systemMenu()->findChild<QAction *>("powerOnAction")->trigger();
    rig.dlg->softDiagDlg()->tick();
    rig.settle();

    QCOMPARE(rig.config.serialNumber, rig.radio.stored().serialNumber);
    QVERIFY(!rig.dlg->softDiagDlg()->isRunning());
    QVERIFY(!rig.dlg->softDiagDlg()->isVisible());
    QCOMPARE(rig.writesStartingWith("+++").size(), 1);
    QVERIFY(MessageBox::shownTexts().isEmpty());
    QVERIFY(rig.button("closeButton")->isEnabled());
}

void TestQuendaDlg::reportStopsTheProcedure()
{
    // A radio already in configuration mode answers with a report but no banner.
    Rig rig(true, false);
    rig.click("openButton");
    CSoftDiagConnectDlg *procedure = rig.dlg->softDiagDlg();
    procedure->tick();
    rig.port->pushInput(readAnswer(k7v4::RadioState::factoryDefault()));
    rig.settle();
    QVERIFY(rig.button("closeButton")->isEnabled());
    QVERIFY(!procedure->isRunning());

    // Should a give-up come all the same, the window follows the closed port.
    for (int i = 0; i < 7 && MessageBox::shownTexts().isEmpty(); ++i)
        procedure->tick();
    QCOMPARE(MessageBox::shownTexts(), QStringList{"未连接，请检查设备！"});
    QVERIFY(!rig.dlg->serialControl().GetPortOpen());
    QVERIFY(!rig.button("closeButton")->isEnabled());
    QVERIFY(rig.button("openButton")->isEnabled());
}

void TestQuendaDlg::radioCommandWaitsForTheRunningOne_data()
{
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QByteArray>("neverWritten");
    QTest::newRow("defaults again") << "defaultsButton" << QByteArray("AT&F");
    QTest::newRow("save") << "saveButton" << QByteArray("ats102");
    QTest::newRow("close") << "closeButton" << QByteArray("ATA");
}

void TestQuendaDlg::radioCommandWaitsForTheRunningOne()
{
    // A command button pressed while factory defaults pause: the press is not a new command.
    QFETCH(QString, pressed);
    QFETCH(QByteArray, neverWritten);
    Rig rig;
    rig.connectBySoftDiagnosis();
    rig.changeAirRate();
    rig.port->clearWrites();
    int presses = 0;
    rig.pause.onPause = [&](int) {
        if (presses++ < 3)
            rig.click(pressed.toLatin1().constData());
    };
    rig.click("defaultsButton");
    rig.pause.onPause = nullptr;
    rig.settle();

    QVERIFY(presses >= 2); // "AT&W" and "AT&V" each pause
    const int expected = neverWritten == "AT&F" ? 1 : 0;
    QCOMPARE(rig.writesStartingWith(neverWritten).size(), expected);
    QVERIFY(MessageBox::shownTexts().isEmpty());
    QVERIFY(rig.dlg->serialControl().GetPortOpen());
    QCOMPARE(rig.writesStartingWith("AT&W").size(), 1);
}

void TestQuendaDlg::leavingWaitsForTheHandler_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("duringPause"); // the pause in which the user leaves
    QTest::newRow("Esc during the read") << "esc" << 3000;
    QTest::newRow("close box during the read") << "close" << 2000;
    QTest::newRow("退出 during the read") << "exit" << 3000;
}

void TestQuendaDlg::leavingWaitsForTheHandler()
{
    QFETCH(QString, how);
    QFETCH(int, duringPause);
    Rig rig;
    rig.dlg->setConnectMethod(ConnectMethod::PowerOn);
    rig.click("openButton");
    bool left = false;
    QList<QByteArray> writesWhenLeft;
    rig.pause.onPause = [&](int ms) {
        if (left || ms != duringPause)
            return;
        left = true;
        if (how == "esc")
            QTest::keyClick(rig.dlg.get(), Qt::Key_Escape);
        else if (how == "close")
            rig.dlg->close();
        else
            rig.click("exitButton");
        writesWhenLeft = rig.port->writes();
    };
    rig.radio.powerOn(true);
    rig.settle();
    rig.pause.onPause = nullptr;

    QVERIFY(left);
    QVERIFY(!writesWhenLeft.contains("ATA"));
    QTRY_VERIFY(!rig.dlg->isVisible());
    const QList<QByteArray> writes = rig.port->writes();
    QCOMPARE(writes.count("ATA"), 1);
    QCOMPARE(writes.mid(writes.indexOf("ATP0?")), (QList<QByteArray>{"ATP0?", "\r", "ATA", "\r"}));
    QVERIFY(!rig.dlg->serialControl().GetPortOpen());
    QVERIFY(MessageBox::shownTexts().isEmpty());
}

void TestQuendaDlg::saveWithRowsThatCannotBeWritten_data()
{
    QTest::addColumn<QList<QStringList>>("edits");     // row, frequency, BW, DIR
    QTest::addColumn<QList<int>>("answers");           // to the questions, in turn
    QTest::addColumn<QStringList>("told");             // every message, in turn
    QTest::addColumn<bool>("sent");                    // anything at all
    QTest::addColumn<QList<QByteArray>>("entered");    // channel entry answers before the escape
    QTest::addColumn<ChannelMap>("stored");            // channels that differ from before
    QTest::addColumn<QList<QStringList>>("pageAfter"); // rows of the page afterwards

    const int ok = MessageBox::Ok, cancel = MessageBox::Cancel;
    const QString confirm = messages::confirmSave(), done = messages::saveComplete();
    const QString incomplete40 = QStringLiteral("通道 40：频率、带宽或方向为空");

    // Row 1 holds 438.500000, 12.5 KHz in the radio; the chosen channels are row 0.
    QTest::newRow("rejected frequency left in a row")
        << QList<QStringList>{{"1", "43x.500000", "12.5 KHz", "Rx&Tx"}} << QList<int>{}
        << QStringList{messages::unreadableFrequencies({QStringLiteral("通道 1：频率“43x.500000”无法识别")})}
        << false << QList<QByteArray>{} << ChannelMap{}
        << QList<QStringList>{{"1", "43x.500000", "12.5 KHz", "Rx&Tx"}};
    QTest::newRow("empty frequency in a filled row")
        << QList<QStringList>{{"1", "", "12.5 KHz", "Rx&Tx"}} << QList<int>{}
        << QStringList{messages::unreadableFrequencies({QStringLiteral("通道 1：频率为空")})}
        << false << QList<QByteArray>{} << ChannelMap{}
        << QList<QStringList>{{"1", "", "12.5 KHz", "Rx&Tx"}};
    QTest::newRow("incomplete row, going on")
        << QList<QStringList>{{"40", "439.500000", "", "Rx&Tx"}, {"41", "470.000000", "25   KHz", "Rx&Tx"}}
        << QList<int>{ok, ok} << QStringList{messages::rowsLeftOut({incomplete40}), confirm, done}
        << true << QList<QByteArray>{"41", "\r", "470000000", "\r", "2", "\r", "2", "\r"}
        << ChannelMap{{41, k7v4::Channel{470000000, 2, 2}}}
        << QList<QStringList>{{"40", "", "", ""}, {"41", "470.000000", "25   KHz", "Rx&Tx"}};
    QTest::newRow("incomplete row, going back")
        << QList<QStringList>{{"40", "439.500000", "", "Rx&Tx"}, {"41", "470.000000", "25   KHz", "Rx&Tx"}}
        << QList<int>{cancel} << QStringList{messages::rowsLeftOut({incomplete40})} << false
        << QList<QByteArray>{} << ChannelMap{}
        << QList<QStringList>{{"40", "439.500000", "", "Rx&Tx"}};
    // Nothing to write: the radio's channel prompt is answered with the row's number.
    QTest::newRow("only an incomplete row")
        << QList<QStringList>{{"40", "439.500000", "", "Rx&Tx"}} << QList<int>{ok, ok}
        << QStringList{messages::rowsLeftOut({incomplete40}), confirm, done} << true
        << QList<QByteArray>{"40", "\r"} << ChannelMap{} << QList<QStringList>{{"40", "", "", ""}};
    QTest::newRow("frequencies the radio refuses")
        << QList<QStringList>{{"40", "999.000000", "25   KHz", "Rx&Tx"},
                              {"41", "-433.125000", "25   KHz", "Rx&Tx"},
                              {"42", "450.000000", "12.5 KHz", "Rx&Tx"}}
        << QList<int>{ok, ok}
        << QStringList{messages::rowsLeftOut({QStringLiteral("通道 40：频率 999.000000 超出 410～480 MHz"),
                                              QStringLiteral("通道 41：频率 -433.125000 超出 410～480 MHz")}),
                       confirm, done}
        << true << QList<QByteArray>{"42", "\r", "450000000", "\r", "1", "\r", "2", "\r"}
        << ChannelMap{{42, k7v4::Channel{450000000, 1, 2}}}
        << QList<QStringList>{{"40", "", "", ""}, {"41", "", "", ""}, {"42", "450.000000", "12.5 KHz", "Rx&Tx"}};
}

void TestQuendaDlg::saveWithRowsThatCannotBeWritten()
{
    QFETCH(QList<QStringList>, edits);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, told);
    QFETCH(bool, sent);
    QFETCH(QList<QByteArray>, entered);
    QFETCH(ChannelMap, stored);
    QFETCH(QList<QStringList>, pageAfter);

    Rig rig;
    rig.connectBySoftDiagnosis();
    QVERIFY(rig.button("closeButton")->isEnabled());
    CChannelListPage *page = rig.dlg->channelListPage();
    for (const QStringList &edit : edits) {
        for (int column = 1; column <= 3; ++column)
            page->setCell(edit[0].toInt(), column, edit[column]);
    }
    rig.dlg->MarkChanged();
    auto expected = rig.radio.stored().channels;
    for (auto [number, channel] : stored.asKeyValueRange())
        expected[std::size_t(number)] = channel;
    for (int answer : answers)
        MessageBox::setNextAnswer(MessageBox::Answer(answer));
    const qsizetype toldBefore = MessageBox::shownTexts().size();
    rig.port->clearWrites();

    rig.runSave();

    QCOMPARE(MessageBox::shownTexts().mid(toldBefore), told);
    QVERIFY(!rig.dlg->saveState().isWriting);
    const QList<QByteArray> writes = rig.port->writes();
    if (!sent) {
        QCOMPARE(writes, QList<QByteArray>{});
        QVERIFY(!rig.dlg->savingDlg());
        // The user's text stays for mending, and so does the chance to save.
        QVERIFY(rig.button("saveButton")->isEnabled());
    } else {
        QCOMPARE(writes.mid(0, 3), (QList<QByteArray>{"ATP0=", "\r", "pmiv%ok"}));
        const qsizetype escape = writes.indexOf("\x1b");
        QVERIFY(escape > 0);
        QCOMPARE(writes.mid(3, escape - 3), entered);
    }
    QCOMPARE(rig.radio.stored().channels, expected);
    for (const QStringList &row : pageAfter) {
        for (int column = 1; column <= 3; ++column)
            QCOMPARE(page->cell(row[0].toInt(), column), row[column]);
    }
}

void TestQuendaDlg::factoryDefaults()
{
    Rig rig;
    // The radio already holds the choices that pick the preset: no edit enables "保存" first.
    k7v4::RadioState state = k7v4::RadioState::factoryDefault();
    state.registers[186] = 2;
    state.registers[101] = 1;
    rig.radio.setState(state);
    rig.connectBySoftDiagnosis();
    QVERIFY(!rig.button("saveButton")->isEnabled());
    QVERIFY(!rig.button("undoButton")->isEnabled());
    rig.port->clearWrites();
    rig.pause.clear();

    rig.click("defaultsButton");
    const SettingsSelection s = [&] {
        SettingsSelection sel;
        rig.dlg->radioPage()->fillSelection(sel);
        return sel;
    }();
    const QList<QByteArray> writes = rig.port->writes();
    QCOMPARE(writes.mid(0, 2), (QList<QByteArray>{"AT&F55", "\r"}));
    QCOMPARE(writes.value(2), radio::registerCommand(105, s.unitAddressValue));
    QCOMPARE(writes.mid(7, 4), (QList<QByteArray>{"AT&W", "\r", "AT&V", "\r"}));
    QVERIFY(rig.button("saveButton")->isEnabled());
    QVERIFY(rig.button("undoButton")->isEnabled());
    QVERIFY(!rig.dlg->saveState().isWriting);
    rig.settle();
    // The radio's report after the preset refreshed the record.
    QCOMPARE(rig.config.protocol, QString("Trimtalk Compatible"));
    QCOMPARE(rig.config.workMode, QString("Repeater"));
}

void TestQuendaDlg::closeReturnsToStart()
{
    Rig rig;
    rig.connectBySoftDiagnosis();
    rig.click("channelButton");
    rig.port->clearWrites();
    rig.click("closeButton");

    QCOMPARE(rig.port->writes(), (QList<QByteArray>{"ATA", "\r"}));
    QCOMPARE(rig.port->drainCount(), 1);
    QVERIFY(!rig.dlg->serialControl().GetPortOpen());
    QVERIFY(!rig.radio.inConfigMode());
    QVERIFY(rig.dlg->basicInfoPage()->isVisible());
    QVERIFY(!rig.dlg->channelListPage()->isVisible());
    for (QLineEdit *field : rig.dlg->basicInfoPage()->findChildren<QLineEdit *>())
        QVERIFY(field->text().isEmpty());
    for (int row = 0; row < 64; ++row) {
        QCOMPARE(rig.dlg->channelListPage()->cell(row, 0), QString::number(row));
        QVERIFY(rig.dlg->channelListPage()->cell(row, 1).isEmpty());
    }
    QVERIFY(rig.button("openButton")->isEnabled());
    for (const char *off : {"saveButton", "closeButton", "defaultsButton", "radioInfoButton",
                            "serialInfoButton"})
        QVERIFY2(!rig.button(off)->isEnabled(), off);
    QVERIFY(!rig.config.serialNumber.isEmpty()); // the record stays until the next report
}

void TestQuendaDlg::closeWithPortGoneStillReturnsToStart()
{
    Rig rig;
    rig.connectBySoftDiagnosis();
    rig.dlg->serialControl().SetPortOpen(false);
    rig.click("closeButton");
    QCOMPARE(MessageBox::shownTexts().size(), 1); // the port's own description
    QVERIFY(rig.button("openButton")->isEnabled());
    QVERIFY(!rig.button("closeButton")->isEnabled());
    QVERIFY(rig.dlg->basicInfoPage()->isVisible());
}

void TestQuendaDlg::exitSendsAtaOnlyWithPortOpen_data()
{
    QTest::addColumn<bool>("connected");
    QTest::newRow("connected") << true;
    QTest::newRow("port closed") << false;
}

void TestQuendaDlg::exitSendsAtaOnlyWithPortOpen()
{
    QFETCH(bool, connected);
    Rig rig;
    if (connected)
        rig.connectBySoftDiagnosis();
    rig.port->clearWrites();
    rig.click("exitButton");
    QCOMPARE(rig.port->writes(),
             connected ? (QList<QByteArray>{"ATA", "\r"}) : QList<QByteArray>{});
    QVERIFY(!rig.dlg->serialControl().GetPortOpen());
    QVERIFY(!rig.dlg->isVisible());
    QCOMPARE(rig.dlg->result(), int(QDialog::Rejected));
}

void TestQuendaDlg::enterDoesNotEndTheProgram()
{
    Rig rig;
    auto *field = rig.dlg->basicInfoPage()->findChild<QLineEdit *>("serialNumberEdit");
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(rig.dlg.get(), Qt::Key_Enter);
    QVERIFY(rig.dlg->isVisible());
    QVERIFY(rig.port->writes().isEmpty());
}

void TestQuendaDlg::leavingWithUnsavedChanges_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("leaves");

    const int ok = MessageBox::Ok, cancel = MessageBox::Cancel;
    QTest::newRow("退出 without changes") << "exit" << false << ok << false << true;
    QTest::newRow("退出 with changes, staying") << "exit" << true << cancel << true << false;
    QTest::newRow("退出 with changes, leaving") << "exit" << true << ok << true << true;
    QTest::newRow("Esc without changes") << "esc" << false << ok << false << true;
    QTest::newRow("Esc with changes, staying") << "esc" << true << cancel << true << false;
    QTest::newRow("close box with changes, staying") << "close" << true << cancel << true << false;
    QTest::newRow("close box with changes, leaving") << "close" << true << ok << true << true;
    // Esc closes an open drop-down only; the window does not hear of it.
    QTest::newRow("Esc in an open drop-down") << "dropDown" << true << ok << false << false;
}

void TestQuendaDlg::leavingWithUnsavedChanges()
{
    QFETCH(QString, how);
    QFETCH(bool, edited);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, leaves);

    Rig rig;
    rig.connectBySoftDiagnosis();
    if (edited)
        rig.changeAirRate();
    const int airRate = rig.dlg->radioPage()->airRateIndex;
    rig.port->clearWrites();
    MessageBox::setNextAnswer(MessageBox::Answer(answer));
    const qsizetype toldBefore = MessageBox::shownTexts().size();

    if (how == QLatin1String("exit")) {
        rig.click("exitButton");
    } else if (how == QLatin1String("esc")) {
        QTest::keyClick(rig.dlg.get(), Qt::Key_Escape);
    } else if (how == QLatin1String("close")) {
        rig.dlg->close();
    } else {
        auto *list = rig.dlg->findChild<QComboBox *>(QStringLiteral("airRateList"));
        list->showPopup();
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
    }

    QCOMPARE(MessageBox::shownTexts().mid(toldBefore),
             asked ? QStringList{messages::confirmLeave()} : QStringList{});
    QCOMPARE(rig.dlg->isVisible(), !leaves);
    QCOMPARE(rig.port->writes(), leaves ? (QList<QByteArray>{"ATA", "\r"}) : QList<QByteArray>{});
    QCOMPARE(rig.dlg->serialControl().GetPortOpen(), !leaves);
    if (!leaves) {
        QCOMPARE(rig.dlg->radioPage()->airRateIndex, airRate);
        QVERIFY(rig.button("saveButton")->isEnabled());
    }
}

void TestQuendaDlg::escapeInCellEditorKeepsTheWindow()
{
    Rig rig;
    rig.connectBySoftDiagnosis();
    rig.click("channelButton");
    CChannelListPage *page = rig.dlg->channelListPage();
    const QString before = page->cell(1, 1);
    QVERIFY(!before.isEmpty());

    rig.clickCell(1, 1);
    auto *editor = page->findChild<QLineEdit *>(QStringLiteral("freqEditor"));
    QVERIFY(editor->isVisible());
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, "43x.500000");
    QTest::keyClick(editor, Qt::Key_Escape);

    QVERIFY(rig.dlg->isVisible());
    QVERIFY(!editor->isVisible());
    QCOMPARE(page->cell(1, 1), before);
    QVERIFY(!rig.button("saveButton")->isEnabled());
    QVERIFY(MessageBox::shownTexts().isEmpty());
    QVERIFY(rig.writesStartingWith("ATA").isEmpty());
    QVERIFY(rig.dlg->serialControl().GetPortOpen());
}

void TestQuendaDlg::wheelOverUnfocusedList_data()
{
    QTest::addColumn<QByteArray>("pageButton");
    QTest::addColumn<QString>("list");
    QTest::newRow("radio page") << QByteArray("radioInfoButton") << "airRateList";
    QTest::newRow("radio page, channel list") << QByteArray("radioInfoButton") << "repeaterRxList";
    QTest::newRow("serial page") << QByteArray("serialInfoButton") << "baudList";
}

void TestQuendaDlg::wheelOverUnfocusedList()
{
    QFETCH(QByteArray, pageButton);
    QFETCH(QString, list);
    Rig rig;
    rig.connectBySoftDiagnosis();
    rig.click(pageButton.constData());
    auto *box = rig.dlg->findChild<QComboBox *>(list);
    QVERIFY(box && box->isVisible());
    const int before = box->currentIndex();
    const int notch = before + 1 < box->count() ? -120 : 120; // down unless at the end
    auto wheel = [&] {
        const QPoint at = box->rect().center();
        QWheelEvent event(at, box->mapToGlobal(at), QPoint(), QPoint(0, notch), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(box, &event);
    };
    rig.dlg->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.dlg.get()));
    rig.button("basicInfoButton")->setFocus();
    QVERIFY(!box->hasFocus());

    wheel();
    QCOMPARE(box->currentIndex(), before);
    QVERIFY(!box->hasFocus());
    QVERIFY(!rig.button("saveButton")->isEnabled());

    // Once the user has put the focus there, the wheel chooses as it always did.
    box->setFocus();
    QVERIFY(box->hasFocus());
    wheel();
    QVERIFY(box->currentIndex() != before);
    QVERIFY(rig.button("saveButton")->isEnabled());
}

void TestQuendaDlg::settingsFileThatIsNoFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("told");
    QTest::addColumn<int>("portNumber");
    QTest::newRow("FIFO") << "fifo" << true << 0;
    QTest::newRow("link to an endless device") << "zero" << true << 0;
    QTest::newRow("NUL after the number") << "nul" << false << 3;
    QTest::newRow("number beyond the ports") << "65537" << false << 0;
}

void TestQuendaDlg::settingsFileThatIsNoFile()
{
    QFETCH(QString, kind);
    QFETCH(bool, told);
    QFETCH(int, portNumber);
    // Getting here at all is the point: a FIFO held the start for ever, /dev/zero crashed it.
    Rig rig(false, true, [&](const QString &ini) {
        if (kind == QLatin1String("fifo")) {
            ::mkfifo(QFile::encodeName(ini).constData(), 0600);
        } else if (kind == QLatin1String("zero")) {
            QFile::link(QStringLiteral("/dev/zero"), ini);
        } else {
            QFile file(ini);
            if (file.open(QIODevice::WriteOnly))
                file.write(kind == QLatin1String("nul") ? QByteArray("3\0" "7", 3) : kind.toLatin1());
        }
    });
    rig.settle();
    QVERIFY(rig.dlg->isVisible());
    QCOMPARE(rig.dlg->portChoice().portNumber, portNumber);
    QCOMPARE(rig.dlg->portChoice().portChosen, portNumber != 0);
    const QStringList shown = MessageBox::shownTexts();
    QCOMPARE(shown.size(), told ? 1 : 0);
    if (told)
        QVERIFY2(shown[0].contains(QStringLiteral("para.ini")), qPrintable(shown[0]));

    // Without a port the user is asked for one, as with no para.ini at all.
    if (portNumber == 0) {
        rig.click("openButton");
        QCOMPARE(MessageBox::shownTexts().last(), messages::choosePort());
        QCOMPARE(rig.port->openCount(), 0);
    }
}

void TestQuendaDlg::windowsCentredOnMainWindow()
{
    Rig rig;
    // Far from the screen's centre, where the windows used to appear.
    rig.dlg->move(20, 30);
    const QPoint centre = rig.dlg->frameGeometry().center();
    QVERIFY((rig.dlg->screen()->availableGeometry().center() - centre).manhattanLength() > 100);
    // Frames are drawn around a window only once it is shown: a few pixels either way.
    auto centredOver = [&](QWidget *window) {
        return window && window->isVisible() &&
               (window->frameGeometry().center() - centre).manhattanLength() <= 10;
    };
    rig.dlg->setConnectMethod(ConnectMethod::PowerOn);
    rig.click("openButton");
    QVERIFY(centredOver(rig.dlg->powerOnDlg()));
    rig.dlg->powerOnDlg()->stopAndHide();
    rig.click("closeButton");

    rig.dlg->setConnectMethod(ConnectMethod::SoftDiagnostic);
    rig.radio.misbehaviour().silent = true;
    rig.click("openButton");
    QVERIFY(centredOver(rig.dlg->softDiagDlg()));

    rig.radio.misbehaviour().silent = false;
    bool readingCentred = false;
    rig.pause.onPause = [&](int ms) {
        if (ms == 3000)
            readingCentred = centredOver(rig.dlg->readingDlg());
    };
    for (int i = 0; i < 6 && rig.dlg->softDiagDlg()->isRunning(); ++i) {
        rig.dlg->softDiagDlg()->tick();
        rig.settle();
    }
    QVERIFY(readingCentred);

    rig.pause.onPause = {};
    rig.radio.misbehaviour().silent = true;
    rig.changeAirRate();
    rig.click("saveButton");
    QVERIFY(centredOver(rig.dlg->savingDlg()));
}

void TestQuendaDlg::portLostDuringSave()
{
    Rig rig;
    rig.connectBySoftDiagnosis();
    rig.radio.misbehaviour().silent = true;
    rig.changeAirRate();
    rig.click("saveButton");
    QVERIFY(rig.dlg->saveState().isWriting);
    const int writes = rig.port->writes().size();

    rig.port->simulateLoss();
    rig.settle();

    QVERIFY(!rig.dlg->saveState().isWriting);
    QVERIFY(!rig.dlg->savingDlg()->isVisible());
    QVERIFY(MessageBox::shownTexts().last().contains("test: device unplugged"));
    QCOMPARE(rig.port->writes().size(), writes);
    QVERIFY(rig.button("openButton")->isEnabled());
    QVERIFY(!rig.button("saveButton")->isEnabled());
    QVERIFY(!rig.button("closeButton")->isEnabled());

    // Connecting again works once the radio is back.
    rig.radio.misbehaviour().silent = false;
    rig.radio.powerOn(false);
    rig.connectBySoftDiagnosis();
    QVERIFY(rig.button("closeButton")->isEnabled());
}

void TestQuendaDlg::portLostDuringReadIsReportedOnce()
{
    Rig rig;
    // The adapter is pulled while the handler waits for the settings report.
    rig.pause.onPause = [&](int ms) {
        if (ms == 3000)
            rig.port->simulateLoss();
    };
    rig.connectByPowerOn();

    QCOMPARE(MessageBox::shownTexts().size(), 1);
    QVERIFY(MessageBox::shownTexts().first().contains("test: device unplugged"));
    QVERIFY(rig.writesStartingWith("ATP0?").isEmpty());
    QVERIFY(!rig.dlg->readingDlg()->isVisible());
    QVERIFY(rig.button("openButton")->isEnabled());
    QVERIFY(!rig.button("closeButton")->isEnabled());
}

void TestQuendaDlg::undoRefillsPages()
{
    Rig rig;
    rig.connectBySoftDiagnosis();
    const int readAirRate = rig.dlg->radioPage()->airRateIndex;
    rig.click("radioInfoButton");
    rig.chooseItem("airRateList", readAirRate == 0 ? 1 : 0);
    QVERIFY(rig.button("saveButton")->isEnabled());
    rig.button("undoButton")->click(); // hidden: only the command reaches it
    QCOMPARE(rig.dlg->radioPage()->airRateIndex, readAirRate);
    QVERIFY(!rig.button("saveButton")->isEnabled());
    QVERIFY(!rig.button("undoButton")->isEnabled());
}

void TestQuendaDlg::channelPlanMovesBetweenRadios()
{
    QTemporaryDir files;
    const QString plan = files.filePath("plan.txt");
    FileDialog::reset();
    FileDialog::setTestMode(true);

    k7v4::RadioState first = k7v4::RadioState::factoryDefault();
    first.channels = {};
    first.channels[0] = {433125000, 2, 2};
    first.channels[7] = {438500000, 1, 2};
    first.channels[12] = {470000000, 0, 2};
    first.channels[63] = {410000000, 2, 2};
    {
        Rig a;
        a.radio.setState(first);
        a.connectBySoftDiagnosis();
        a.click("channelButton");
        FileDialog::setNextFileName(plan);
        a.click("exportButton");
        QVERIFY(QFileInfo::exists(plan));
    }

    Rig b;
    k7v4::RadioState second = k7v4::RadioState::factoryDefault();
    second.channels[30] = {450000000, 1, 2};
    b.radio.setState(second);
    b.connectBySoftDiagnosis();
    b.click("channelButton");
    b.click("clearButton");
    FileDialog::setNextFileName(plan);
    b.click("importButton");
    b.runSave();

    QCOMPARE(MessageBox::shownTexts().last(), QString("保存完毕！"));
    QCOMPARE(b.radio.stored().channels, first.channels);
    FileDialog::reset();
}

void TestQuendaDlg::everyReadIsBackedUp_data()
{
    QTest::addColumn<QString>("backupFolder");
    QTest::addColumn<QString>("blocker"); // a file put where a folder is needed
    QTest::addColumn<bool>("saveBetween");
    QTest::newRow("two reads") << "backups" << QString() << false;
    QTest::newRow("save's report is no read") << "backups" << QString() << true;
    QTest::newRow("root is a file") << "backups" << "backups" << false;
    QTest::newRow("root below a file") << "blocked/backups" << "blocked" << false;
}

void TestQuendaDlg::everyReadIsBackedUp()
{
    QFETCH(QString, backupFolder);
    QFETCH(QString, blocker);
    QFETCH(bool, saveBetween);
    Rig rig(true, true, {}, backupFolder);
    if (!blocker.isEmpty()) {
        QFile file(rig.dir.filePath(blocker));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QString told = messages::backupFailed(QString()).section(u'：', 0, 0);

    for (int read = 1; read <= 2; ++read) {
        rig.connectBySoftDiagnosis();
        QVERIFY2(rig.button("closeButton")->isEnabled(), "the read completed");
        QVERIFY(!rig.config.serialNumber.isEmpty());
        if (!blocker.isEmpty()) {
            int warnings = 0;
            for (const QString &text : MessageBox::shownTexts())
                warnings += text.startsWith(told);
            QCOMPARE(warnings, 1);
        } else {
            QCOMPARE(rig.backups().size(), read);
            const profile::Loaded newest = BackupStore::load(rig.backups().first().path);
            QVERIFY2(newest.profile, qPrintable(newest.error));
            QCOMPARE(*newest.profile, profile::fromConfig(rig.config));
        }
        if (saveBetween && read == 1) {
            rig.changeAirRate();
            rig.runSave();
            QCOMPARE(rig.backups().size(), 1);
        }
        rig.click("closeButton");
        rig.settle();
    }
}

void TestQuendaDlg::saveIsChecked_data()
{
    QTest::addColumn<int>("keptRegister"); // acknowledged, old value kept; 0: none
    QTest::addColumn<bool>("reportComes");
    QTest::addColumn<QStringList>("warnings");
    const auto caption = [](int reg) { return QString::fromUtf16(registerInfo(reg)->caption); };
    QTest::newRow("clean") << 0 << true << QStringList{};
    QTest::newRow("air rate kept") << 103 << true << QStringList{caption(103)};
    QTest::newRow("power kept") << 108 << true << QStringList{caption(108)};
    QTest::newRow("no report") << 0 << false << QStringList{messages::saveReportMissing()};
}

void TestQuendaDlg::saveIsChecked()
{
    QFETCH(int, keptRegister);
    QFETCH(bool, reportComes);
    QFETCH(QStringList, warnings);
    Rig rig;
    rig.connectBySoftDiagnosis();
    if (keptRegister)
        rig.radio.misbehaviour().ignoreRegister = keptRegister;
    rig.changeAirRate();
    rig.chooseItem("powerList", rig.dlg->radioPage()->powerIndex == 0 ? 1 : 0);
    rig.dlg->setReadAnswerBound(50);
    // Silent from the acknowledgement of "at&w" on: "at&v" gets no report.
    QObject::connect(&rig.radio, &k7v4::Simulator::send, rig.dlg.get(),
                     [&](const QByteArray &bytes, int) {
                         if (!reportComes && bytes.endsWith(radio::kStoredAck))
                             rig.radio.misbehaviour().silent = true;
                     });
    rig.runSave();
    QTRY_VERIFY_WITH_TIMEOUT(MessageBox::shownTexts().size() >= 2 + warnings.size(), 2000);
    QTest::qWait(100);
    rig.settle();

    QStringList shown = MessageBox::shownTexts();
    QCOMPARE(shown.mid(0, 2), (QStringList{"确定要将新配置写入存储器?", "保存完毕！"}));
    shown = shown.mid(2);
    QCOMPARE(shown.size(), warnings.size());
    // The heading, then one line naming the kept setting by its caption.
    if (!shown.isEmpty() && reportComes)
        QVERIFY2(shown.first().count(u'\n') == 1 && shown.first().contains(warnings.first()),
                 qPrintable(shown.first()));
    else
        QCOMPARE(shown, warnings);
}

void TestQuendaDlg::profileThroughMenu_data()
{
    QTest::addColumn<QString>("otherSerial"); // the second radio's; empty: the same radio again
    QTest::addColumn<QByteArray>("replaceFile"); // written over the exported file; empty: none
    QTest::addColumn<bool>("loads");
    QTest::addColumn<QString>("note"); // the start of the text shown after loading
    QTest::newRow("same radio") << QString() << QByteArray() << true << QString();
    QTest::newRow("other radio") << "99887766" << QByteArray() << true
                                 << messages::profileFromOtherRadio("").section(u' ', 0, 0);
    QTest::newRow("not a profile") << QString() << QByteArray("433.125 25K RX&TX\n") << false
                                   << QString();
    QTest::newRow("unknown key") << QString() << QByteArray("note") << true
                                 << messages::unknownKeysIgnored({}).section(u'：', 0, 0);
}

void TestQuendaDlg::profileThroughMenu()
{
    QFETCH(QString, otherSerial);
    QFETCH(QByteArray, replaceFile);
    QFETCH(bool, loads);
    QFETCH(QString, note);
    FileDialog::setTestMode(true);
    QTemporaryDir files;
    const QString path = files.filePath("a.json");

    k7v4::RadioState a = fullRadio();
    a.registers[103] = 5;
    a.registers[108] = 20;
    RadioProfile exported;
    {
        Rig rig;
        rig.radio.setState(a);
        rig.connectBySoftDiagnosis();
        FileDialog::setNextFileName(path);
        rig.dlg->systemMenu()->findChild<QAction *>("exportProfileAction")->trigger();
        const profile::Loaded written = profile::read(path);
        QVERIFY2(written.profile, qPrintable(written.error));
        exported = *written.profile;
        QCOMPARE(exported, profile::fromConfig(rig.config));
    }
    if (replaceFile == "note") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray text = file.readAll();
        file.close();
        text.insert(text.indexOf('{') + 1, "\"note\": \"base\", ");
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    } else if (!replaceFile.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(replaceFile);
    }

    Rig rig;
    k7v4::RadioState b = k7v4::RadioState::factoryDefault();
    if (!otherSerial.isEmpty())
        b.serialNumber = otherSerial;
    else
        b.serialNumber = a.serialNumber;
    rig.radio.setState(b);
    rig.connectBySoftDiagnosis();
    const ChannelTable rowsBefore = rig.dlg->channelListPage()->rows();
    MessageBox::reset();
    MessageBox::setTestMode(true);
    const QList<QByteArray> writesBefore = rig.port->writes();
    FileDialog::setNextFileName(path);
    rig.dlg->systemMenu()->findChild<QAction *>("importProfileAction")->trigger();
    // Loading writes nothing.
    QCOMPARE(rig.port->writes(), writesBefore);
    const QStringList shown = MessageBox::shownTexts();
    QCOMPARE(rig.button("saveButton")->isEnabled(), loads);
    if (!loads) {
        QCOMPARE(shown.size(), 1);
        QCOMPARE(rig.dlg->channelListPage()->rows(), rowsBefore);
        FileDialog::reset();
        return;
    }
    QCOMPARE(shown.size(), note.isEmpty() ? 0 : 1);
    if (!note.isEmpty())
        QVERIFY2(shown.first().startsWith(note), qPrintable(shown.first()));

    rig.runSave();
    rig.settle();
    const k7v4::RadioState stored = rig.radio.stored();
    QCOMPARE(stored.channels, a.channels);
    for (const RegisterInfo &info : profileRegisters())
        QCOMPARE(stored.registers.value(info.number), a.registers.value(info.number));
    FileDialog::reset();
}

void TestQuendaDlg::restoreFromBackup()
{
    Rig rig;
    rig.radio.setState(fullRadio());
    rig.connectBySoftDiagnosis();
    const ChannelTable read = rig.dlg->channelListPage()->rows();
    const int airRate = rig.dlg->radioPage()->airRateIndex;
    rig.changeAirRate();
    rig.click("channelButton");
    rig.click("clearButton");
    QVERIFY(rig.dlg->channelListPage()->rows() != read);

    test::ModalAnswerer answerer;
    bool shown = false;
    answerer.handleNextDialog([&](QDialog *dialog) {
        auto *backups = qobject_cast<CBackupDlg *>(dialog);
        QVERIFY(backups);
        shown = true;
        QCOMPARE(backups->backupList()->count(), 1);
        backups->backupList()->setCurrentRow(0);
        backups->loadButton()->click();
    });
    rig.dlg->systemMenu()->findChild<QAction *>("backupsAction")->trigger();
    QVERIFY(shown);
    QCOMPARE(rig.dlg->channelListPage()->rows(), read);
    QCOMPARE(rig.dlg->radioPage()->airRateIndex, airRate);
    QVERIFY(rig.button("saveButton")->isEnabled());
}

void TestQuendaDlg::commLogWindow_data()
{
    QTest::addColumn<bool>("openFirst"); // open before "打开": the read is followed as it runs
    QTest::addColumn<QString>("button"); // clicked after the read; empty: closed and reopened
    QTest::addColumn<QString>("file"); // saved to, below a fresh folder; "locked/": read-only
    QTest::addColumn<QString>("reason"); // why the save fails; empty: it does not
    QTest::newRow("opened after the read") << false << QString() << QString() << QString();
    QTest::newRow("open during the read") << true << QString() << QString() << QString();
    QTest::newRow("清空") << true << "clearLogButton" << QString() << QString();
    QTest::newRow("复制") << false << "copyLogButton" << QString() << QString();
    QTest::newRow("保存...") << false << "saveLogButton" << "log.txt" << QString();
    QTest::newRow("保存... into a missing folder")
        << false << "saveLogButton" << "missing/log.txt" << messages::folderMissing();
    QTest::newRow("保存... into a read-only folder")
        << false << "saveLogButton" << "locked/log.txt" << messages::folderReadOnly();
}

void TestQuendaDlg::commLogWindow()
{
    QFETCH(bool, openFirst);
    QFETCH(QString, button);
    QFETCH(QString, file);
    QFETCH(QString, reason);
    Rig rig;
    QAction *entry = rig.dlg->systemMenu()->findChild<QAction *>("commLogAction");
    bool seenInPause = false;
    if (openFirst) {
        entry->trigger();
        // The pause after "ATP0?" runs an event loop for a while, as a real one does: the
        // request and the answer coming meanwhile must show before the handler returns.
        rig.pause.onPause = [&](int ms) {
            if (ms != pauses::kAfterChannelRequest || seenInPause)
                return;
            seenInPause = QTest::qWaitFor([&] {
                const QStringList lines = viewLines(rig.dlg->commLogWindow());
                const qsizetype asked = lines.indexOf(QRegularExpression(".* -> ATP0\\? .*"));
                return asked >= 0 && lines.indexOf(QRegularExpression(".* <- .*"), asked) > asked;
            }, 2000) && rig.pause.isActive();
        };
    }
    rig.connectByPowerOn();
    if (!openFirst)
        entry->trigger();
    CCommLogWindow *window = rig.dlg->commLogWindow();
    QVERIFY(window && window->isVisible());
    CommLog &log = rig.dlg->session().commLog();
    QTRY_COMPARE(viewLines(window), logLines(log));
    QCOMPARE(seenInPause, openFirst);

    // The banner, the read sequence, then the whole answer.
    QStringList sent;
    QString before, after;
    for (const QString &line : viewLines(window)) {
        const auto [direction, text] = passed(line);
        QVERIFY2(!direction.isEmpty(), qPrintable(line));
        if (direction == "->")
            sent << text;
        else if (direction == "<-")
            (sent.isEmpty() ? before : after) += text;
    }
    QCOMPARE(sent, (QStringList{"AT&V", "<CR>", "ATP0?", "<CR>"}));
    QCOMPARE(before, CommLog::visibleText(banner()));
    QCOMPARE(after, CommLog::visibleText(readAnswer(rig.radio.stored())));

    if (button.isEmpty()) {
        // The entry brings an open window forward; closed, it is gone, and a new one shows all.
        entry->trigger();
        QCOMPARE(rig.dlg->commLogWindow(), window);
        window->closeButton()->click();
        QTRY_VERIFY(!rig.dlg->commLogWindow());
        rig.click("closeButton");
        entry->trigger();
        QCOMPARE(viewLines(rig.dlg->commLogWindow()), logLines(log));
        return;
    }
    QTemporaryDir files;
    const QString path = files.filePath(file);
    const QString locked = files.filePath("locked");
    // Root makes files anywhere but in an immutable folder.
    const bool lock = file.startsWith("locked/");
    if (lock && (!QDir().mkpath(locked) || !QFile::setPermissions(locked, QFile::ReadOwner) ||
                 (::geteuid() == 0 && QProcess::execute("chattr", {"+i", locked}) != 0)))
        QSKIP("no read-only folder can be made here");
    FileDialog::setTestMode(true);
    FileDialog::setNextFileName(path);
    QTest::mouseClick(window->findChild<QPushButton *>(button), Qt::LeftButton);
    FileDialog::reset();
    if (lock)
        QProcess::execute("chattr", {"-i", locked});

    QFile saved(path);
    if (button == "clearLogButton") {
        QVERIFY(log.entries().empty() && viewLines(window).isEmpty());
        // What passes after the clear shows.
        rig.click("closeButton");
        QTRY_COMPARE(viewLines(window), logLines(log));
        QVERIFY(!log.entries().empty());
    } else if (button == "copyLogButton") {
        QCOMPARE(QGuiApplication::clipboard()->text(), log.toText());
    } else if (reason.isEmpty() && saved.open(QIODevice::ReadOnly)) {
        const QString text = QString::fromUtf8(saved.readAll());
        QVERIFY(text.startsWith(messages::commLogHeading(QString()).section(u'，', 0, 0)));
        QCOMPARE(text, log.toText());
        QVERIFY(MessageBox::shownTexts().isEmpty());
    } else {
        QVERIFY(!saved.exists());
        QCOMPARE(MessageBox::shownTexts(), QStringList{messages::commLogNotSaved(path, reason)});
    }
}

QTEST_MAIN(TestQuendaDlg)
#include "tst_quendadlg.moc"

