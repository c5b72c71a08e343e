// The whole road of a typical use, in real time: the real main window on the real serial port
// control, talking to the simulated radio over a pseudo-terminal, driven by mouse clicks and
// keys, with every message box answered on screen. The test functions are the steps of the
// road and run in order on one window and one radio.

#include "app/progressdlgs.h"
#include "app/quendadlg.h"
#include "link/cmscomm.h"
#include "link/connectdlgs.h"
#include "link/pause.h"
#include "link/selectportdlg.h"
#include "pages/basicinfopage.h"
#include "pages/channellistpage.h"
#include "pages/radiopage.h"
#include "pages/serialpage.h"
#include "protocol/radiocommands.h"
#include "support/modalanswerer.h"
#include "support/ptyradio.h"
#include "ui/messagebox.h"

#include "lib/registers.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using namespace quenda;
using quenda::test::ModalAnswerer;
using quenda::test::PtyRadio;
using quenda::test::slow;

namespace {

constexpr int kCom = 7;
// Soft diagnosis reaches 19200 at its third try, about nine seconds in, then reads for five.
constexpr int kConnectTimeoutMs = 40000;
constexpr int kSaveTimeoutMs = 60000;
constexpr int kReportTimeoutMs = 15000;
constexpr int kLostEventMs = 2000;

// Records when the progress and connection windows come and go.
class WindowLog : public QObject {
public:
    WindowLog() { qApp->installEventFilter(this); }
    ~WindowLog() override { qApp->removeEventFilter(this); }

    QStringList entries;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show && event->type() != QEvent::Hide)
            return false;
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || !widget->isWindow())
            return false;
        QString name = widget->objectName();
        if (qobject_cast<CSoftDiagConnectDlg *>(widget))
            name = QStringLiteral("softDiagDlg");
        else if (qobject_cast<CPowerOnConnectDlg *>(widget))
            name = QStringLiteral("powerOnDlg");
        else if (name != QLatin1String("readingDlg") && name != QLatin1String("savingDlg"))
            return false;
        entries << name + (event->type() == QEvent::Show ? u'+' : u'-');
        return false;
    }
};

// The offscreen platform says so whenever a window is raised or a popup grabs the keyboard.

// The radio as the road starts: at 19200 baud, with four channels.
k7v4::RadioState initialState()
{
    k7v4::RadioState s = k7v4::RadioState::factoryDefault();
    s.serialNumber = QStringLiteral("K7V40917");
    const QMap<int, int> registers{{101, 2}, {102, 5}, {103, 5},  {105, 1234}, {108, 30},
                                   {110, 1}, {125, 1}, {127, 0},  {131, 0},    {132, 1},
                                   {158, 0}, {186, 1}, {191, 1},  {192, 0}};
    for (auto it = registers.cbegin(); it != registers.cend(); ++it)
        s.registers[it.key()] = it.value();
    s.channels = {};
    s.channels[0] = {433125000, 1, 2};
    s.channels[1] = {438500000, 2, 2};
    s.channels[2] = {450000000, 0, 0};
    s.channels[10] = {470000000, 2, 1};
    return s;
}

// What the edits of the road make of the registers a save writes.
const QMap<int, int> &savedRegisters()
{
    static const QMap<int, int> registers{
        {102, 3},    {110, 3},  {186, 2}, {101, 1},  {127, 1}, {103, 7}, {105, 4321},
        {108, 33},   {158, 6},  {125, 2}, {131, 5},  {132, 1}, {191, 2}, {192, 0}};
    return registers;
}

// The radio's preset 59 (Satel, 25 kHz, 19200 baud) over what the save stored, with the unit
// address and the channel choices of the pages put back.
QMap<int, int> defaultRegisters()
{
    QMap<int, int> registers = initialState().registers;
    for (auto it = savedRegisters().cbegin(); it != savedRegisters().cend(); ++it)
        registers[it.key()] = it.value();
    const std::optional<QMap<int, int>> preset = k7v4::presetRegisters(59);
    Q_ASSERT(preset);
    for (auto it = preset->cbegin(); it != preset->cend(); ++it)
        registers[it.key()] = it.value();
    for (int kept : {105, 131, 132, 191, 192})
        registers[kept] = savedRegisters().value(kept);
    return registers;
}

std::array<k7v4::Channel, 64> savedChannels()
{
    std::array<k7v4::Channel, 64> channels = initialState().channels;
    channels[1] = {439500000, 2, 2};  // new frequency
    channels[2] = {450000000, 1, 2};  // new bandwidth; every entered channel is Rx&Tx
    channels[5] = {455125000, 2, 2};  // added
    channels[10] = {};                // deleted
    return channels;
}

QPushButton *button(QWidget *window, const char *name)
{
    return window->findChild<QPushButton *>(QLatin1String(name));
}

// Opens the drop-down of `combo` by the mouse and clicks the item at `index` in it.
bool chooseInDropDown(QComboBox *combo, int index, const QPoint &openAt = {})
{
    if (!combo || !combo->isVisible() || index < 0 || index >= combo->count())
        return false;
    // The pointer is where the user clicks; the channel list keeps an editor under it open.
    QCursor::setPos(combo->mapToGlobal(openAt.isNull() ? combo->rect().center() : openAt));
    QTest::mouseClick(combo, Qt::LeftButton, Qt::NoModifier, openAt);
    QAbstractItemView *view = combo->view();
    if (!QTest::qWaitFor([view] { return view->isVisible(); }, slow(3000)))
        return false;
    // A release that follows the opening press too closely is taken as part of that press.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    const QModelIndex item = combo->model()->index(index, combo->modelColumn());
    view->scrollTo(item);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      view->visualRect(item).center());
    return QTest::qWaitFor([view] { return !view->isVisible(); }, slow(3000)) &&
           combo->currentIndex() == index;
}

// Where the arrow of a combo box is drawn: the click there opens an editable one's drop-down.
QPoint arrowOf(QComboBox *combo)
{
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.subControls = QStyle::SC_All;
    return combo->style()
        ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, combo)
        .center();
}

} // namespace

class TestAcceptance : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void choosePortFromWindowMenu();
    void connectBySoftDiagnosis();
    void pagesShowTheRadio_data();
    void pagesShowTheRadio();
    void otherPagesShowTheRadio();
    void editSettingsAndChannels();
    void saveIntoTheRadio();
    void storedRegistersAfterSave_data();
    void storedRegistersAfterSave();
    void storedChannelsAfterSave_data();
    void storedChannelsAfterSave();
    void restoreFactoryDefaults();
    void storedRegistersAfterDefaults_data();
    void storedRegistersAfterDefaults();
    void closeConnection();
    void connectByPowerOn();
    void exitSendsAta();

private:
    QString portsFolder() const { return m_dir.filePath(QStringLiteral("ports")); }
    bool reportShown() const
    {
        return button(m_dlg.get(), "closeButton")->isEnabled() &&
               !button(m_dlg.get(), "openButton")->isEnabled();
    }
    void activateMainWindow();
    void openWindowMenu(const QStringList &path);
    enum class Wait { Shown, TimedOut, ReceiveEventLost };
    Wait waitForBox(const QString &text, int timeoutMs);
    bool editFrequency(int row, const QString &text);
    bool chooseBandwidth(int row, int index);

    QTemporaryDir m_dir;
    RealPause m_pause;
    RadioConfig m_config;
    std::unique_ptr<PtyRadio> m_radio;
    std::unique_ptr<CQuendaDlg> m_dlg;
    std::unique_ptr<ModalAnswerer> m_answerer;
    std::unique_ptr<WindowLog> m_windows;
    QString m_brokenReason; // set once a step failed: the road cannot go on
};

void TestAcceptance::initTestCase()
{
    test::quietPlatformNoise();
    QCoreApplication::setApplicationName(QStringLiteral("QUENDA"));
    MessageBox::setTestMode(false);
    MessageBox::reset();
    QVERIFY(m_dir.isValid());

    m_radio = std::make_unique<PtyRadio>();
    QString error;
    if (!m_radio->start(portsFolder(), kCom, &error))
        QSKIP(qPrintable(QStringLiteral("no pseudo-terminal for the radio: %1").arg(error)));
    m_radio->simulator().setState(initialState());

    m_answerer = std::make_unique<ModalAnswerer>();
    m_windows = std::make_unique<WindowLog>();
    QuendaEnvironment env;
    env.pause = &m_pause;
    env.config = &m_config;
    env.programFolder = m_dir.path();
    m_dlg = std::make_unique<CQuendaDlg>(std::move(env));
    m_dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
}

void TestAcceptance::init()
{
    if (!m_brokenReason.isEmpty())
        QSKIP(qPrintable(m_brokenReason));
}

void TestAcceptance::cleanup()
{
    if (QTest::currentTestFailed() && m_brokenReason.isEmpty())
        m_brokenReason = QStringLiteral("an earlier step of the road failed");
}

TestAcceptance::Wait TestAcceptance::waitForBox(const QString &text, int timeoutMs)
{
    // Between handlers the port control takes every byte from the port at once; bytes left
    // waiting there for seconds mean a receive event was lost and nothing will come.
    const QDeadlineTimer deadline(timeoutMs);
    QElapsedTimer waiting;
    while (!m_answerer->texts().contains(text)) {
        if (deadline.hasExpired())
            return Wait::TimedOut;
        QTest::qWait(50);
        if (m_dlg->serialControl().backend().bytesAvailable() == 0)
            waiting.invalidate();
        else if (!waiting.isValid())
            waiting.start();
        else if (waiting.elapsed() > slow(kLostEventMs))
            return Wait::ReceiveEventLost;
    }
    return Wait::Shown;
}

void TestAcceptance::cleanupTestCase()
{
    m_dlg.reset();
    m_windows.reset();
    m_answerer.reset();
    m_radio.reset();
}

void TestAcceptance::activateMainWindow()
{
    // The progress windows take the activation when they come up; the user clicks back.
    m_dlg->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
}

void TestAcceptance::openWindowMenu(const QStringList &path)
{
    m_answerer->chooseInNextMenu(path);
    // The window menu is offered on the window's free area, here the logo.
    auto *logo = m_dlg->findChild<QLabel *>(QStringLiteral("logo"));
    QVERIFY(logo);
    const QPoint pos = logo->geometry().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, m_dlg->mapToGlobal(pos));
    QCoreApplication::sendEvent(m_dlg.get(), &event);
    QVERIFY2(m_answerer->allUsed(), "the menu did not offer the entry");
}

void TestAcceptance::choosePortFromWindowMenu()
{
    const QString iniPath = m_dir.filePath(QStringLiteral("para.ini"));
    QVERIFY(!QFile::exists(iniPath));
    QVERIFY(!m_dlg->portChoice().portChosen);

    QStringList listed;
    QString rowStatus;
    bool okEnabledAfterClick = false;
    m_answerer->handleNextDialog([&](QDialog *dialog) {
        auto *select = qobject_cast<CSelectPortDlg *>(dialog);
        if (!select)
            return dialog->reject();
        QTreeWidget *list = select->portList();
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            QTreeWidgetItem *item = list->topLevelItem(row);
            listed << item->text(0);
            if (item->text(0) == QString::number(kCom)) {
                rowStatus = item->text(1);
                list->scrollToItem(item);
                QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                                  list->visualItemRect(item).center());
            }
        }
        okEnabledAfterClick = select->okButton()->isEnabled();
        QTest::mouseClick(select->okButton(), Qt::LeftButton);
    });
    openWindowMenu({QStringLiteral("选择端口...")});

    QVERIFY2(listed.contains(QString::number(kCom)), qPrintable(listed.join(u',')));
    QCOMPARE(rowStatus, QStringLiteral("可用"));
    QVERIFY(okEnabledAfterClick);
    QCOMPARE(m_dlg->portChoice().portNumber, kCom);
    QVERIFY(m_dlg->portChoice().portChosen);
    QFile ini(iniPath);
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll(), QByteArray::number(kCom));
    QCOMPARE(m_answerer->count(), 0);
}

void TestAcceptance::connectBySoftDiagnosis()
{
    QCOMPARE(m_dlg->connectMethod(), ConnectMethod::SoftDiagnostic);
    m_radio->clearTraffic();
    m_windows->entries.clear();

    QTest::mouseClick(button(m_dlg.get(), "openButton"), Qt::LeftButton);
    CSoftDiagConnectDlg *connecting = m_dlg->softDiagDlg();
    QVERIFY(connecting);
    QVERIFY(connecting->isVisible());
    QCOMPARE(connecting->portText(), QStringLiteral("COM%1").arg(kCom));

    QTRY_VERIFY_WITH_TIMEOUT(reportShown(), slow(kConnectTimeoutMs));

    // Three tries: 4800 and 9600 go unheard, the radio answers the one at 19200.
    QList<int> escapeRates;
    for (const PtyRadio::Read &read : m_radio->reads()) {
        if (read.bytes == radio::kSoftEscape)
            escapeRates << read.lineBaud;
    }
    QCOMPARE(escapeRates, (QList<int>{4800, 9600, 19200}));
    QCOMPARE(m_radio->received(), QByteArray("+++++++++AT&V\rATP0?\r"));
    QCOMPARE(connecting->rateText(), QStringLiteral("19200"));
    QVERIFY(!connecting->isVisible());
    QVERIFY(!connecting->isRunning());
    QVERIFY(m_dlg->serialControl().GetPortOpen());
    QCOMPARE(m_dlg->serialControl().GetSettings(), QStringLiteral("19200,n,8,1"));

    // The reading window came with the banner and went with the report.
    QCOMPARE(m_windows->entries, (QStringList{QStringLiteral("softDiagDlg+"),
                                              QStringLiteral("softDiagDlg-"),
                                              QStringLiteral("readingDlg+"),
                                              QStringLiteral("readingDlg-")}));
    QVERIFY(m_dlg->readingDlg() && !m_dlg->readingDlg()->isVisible());
    QVERIFY2(m_answerer->texts().isEmpty(), qPrintable(m_answerer->texts().join(u'|')));
}

void TestAcceptance::pagesShowTheRadio_data()
{
    if (!m_brokenReason.isEmpty())
        QSKIP(qPrintable(m_brokenReason));
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");
    QTest::newRow("serial number") << "serialNumberEdit" << "K7V40917";
    QTest::newRow("protocol") << "protocolEdit" << "Pacific Crest Compatible";
    QTest::newRow("main tx") << "mainTxEdit" << "0";
    QTest::newRow("main rx") << "mainRxEdit" << "1";
    QTest::newRow("repeater tx") << "repeaterTxEdit" << "1";
    QTest::newRow("repeater rx") << "repeaterRxEdit" << "0";
    QTest::newRow("work mode") << "workModeEdit" << "Slave(Remote)";
    QTest::newRow("baud") << "serialBaudEdit" << "19200";
    QTest::newRow("data format") << "dataFormatEdit" << "8N1";
    QTest::newRow("air rate") << "airRateEdit" << "9600";
    QTest::newRow("modulation") << "modulationEdit" << "2FSK";
    QTest::newRow("bandwidth") << "bandwidthEdit" << "12.5 kHz";
}

void TestAcceptance::pagesShowTheRadio()
{
    QFETCH(QString, field);
    QFETCH(QString, expected);
    auto *edit = m_dlg->basicInfoPage()->findChild<QLineEdit *>(field);
    QVERIFY(edit);
    QCOMPARE(edit->text(), expected);
}

void TestAcceptance::otherPagesShowTheRadio()
{
    const CRadioPage *radio = m_dlg->radioPage();
    QCOMPARE(radio->protocolIndex, 1);
    QCOMPARE(radio->unitAddressValue, 1234);
    QCOMPARE(radio->powerIndex, 10);
    QCOMPARE(m_dlg->serialPage()->baudIndex, 5);
    const CChannelListPage *channels = m_dlg->channelListPage();
    QCOMPARE(channels->cell(0, CChannelListPage::FrequencyColumn), QStringLiteral("433.125000"));
    QCOMPARE(channels->cell(2, CChannelListPage::DirectionColumn), QStringLiteral("Rx"));
    QCOMPARE(channels->cell(10, CChannelListPage::BandwidthColumn), QStringLiteral("25   KHz"));
    QCOMPARE(channels->cell(5, CChannelListPage::FrequencyColumn), QString());
    for (const char *name : {"closeButton", "defaultsButton", "radioInfoButton", "serialInfoButton"})
        QVERIFY2(button(m_dlg.get(), name)->isEnabled(), name);
    QVERIFY(!button(m_dlg.get(), "saveButton")->isEnabled());
}

bool TestAcceptance::editFrequency(int row, const QString &text)
{
    auto *list = m_dlg->channelListPage()->findChild<QTableWidget *>(QStringLiteral("channelList"));
    QTableWidgetItem *item = list->item(row, CChannelListPage::FrequencyColumn);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(item).center());
    auto *editor = list->viewport()->findChild<QLineEdit *>(QStringLiteral("freqEditor"));
    if (!editor || !editor->isVisible())
        return false;
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    return !editor->isVisible() &&
           m_dlg->channelListPage()->cell(row, CChannelListPage::FrequencyColumn) == text;
}

bool TestAcceptance::chooseBandwidth(int row, int index)
{
    auto *list = m_dlg->channelListPage()->findChild<QTableWidget *>(QStringLiteral("channelList"));
    QTableWidgetItem *item = list->item(row, CChannelListPage::BandwidthColumn);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(item).center());
    auto *editor = list->viewport()->findChild<QComboBox *>(QStringLiteral("bandwidthEditor"));
    if (!editor || !editor->isVisible() || !chooseInDropDown(editor, index, arrowOf(editor)))
        return false;
    QTest::keyClick(editor->lineEdit(), Qt::Key_Return);

    return !editor->isVisible() &&
           m_dlg->channelListPage()->cell(row, CChannelListPage::BandwidthColumn) ==
               QString::fromLatin1(tables::channelBandwidthTexts[std::size_t(index)]);
}

void TestAcceptance::editSettingsAndChannels()
{
    activateMainWindow();
    QPushButton *save = button(m_dlg.get(), "saveButton");
    QVERIFY(!save->isEnabled());

    // Radio settings.
    QTest::mouseClick(button(m_dlg.get(), "radioInfoButton"), Qt::LeftButton);
    CRadioPage *radio = m_dlg->radioPage();
    QVERIFY(radio->isVisible());
    const auto list = [radio](const char *name) {
        return radio->findChild<QComboBox *>(QLatin1String(name));
    };
    QVERIFY(chooseInDropDown(list("protocolList"), 2));
    QVERIFY(save->isEnabled()); // the first change already allows saving
    QVERIFY(chooseInDropDown(list("workModeList"), 1));
    QVERIFY(chooseInDropDown(list("modulationList"), 1));
    QVERIFY(chooseInDropDown(list("airRateList"), 7));
    QVERIFY(chooseInDropDown(list("bandwidthList"), 2));
    QVERIFY(chooseInDropDown(list("powerList"), 13));
    QVERIFY(chooseInDropDown(list("fecList"), 6));
    QVERIFY(chooseInDropDown(list("mainTxList"), 5));
    QVERIFY(chooseInDropDown(list("mainRxList"), 1));
    QVERIFY(chooseInDropDown(list("repeaterTxList"), 2));
    QVERIFY(chooseInDropDown(list("repeaterRxList"), 0));
    auto *address = radio->findChild<QLineEdit *>(QStringLiteral("unitAddressEdit"));
    QTest::mouseClick(address, Qt::LeftButton);
    QTest::keyClick(address, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(address, QStringLiteral("4321"));
    QCOMPARE(radio->unitAddressValue, 4321);
    QCOMPARE(radio->protocolIndex, 2);
    QCOMPARE(radio->powerIndex, 13);

    // Serial interface.
    QTest::mouseClick(button(m_dlg.get(), "serialInfoButton"), Qt::LeftButton);
    CSerialPage *serial = m_dlg->serialPage();
    QVERIFY(serial->isVisible() && !radio->isVisible());
    QVERIFY(chooseInDropDown(serial->findChild<QComboBox *>(QStringLiteral("baudList")), 3));
    QVERIFY(chooseInDropDown(serial->findChild<QComboBox *>(QStringLiteral("dataFormatList")), 2));
    QCOMPARE(serial->baudIndex, 3);
    QCOMPARE(serial->dataFormatIndex, 2);

    // Channels: a new frequency, a new bandwidth, a new channel, a deleted one.
    QTest::mouseClick(button(m_dlg.get(), "channelButton"), Qt::LeftButton);
    CChannelListPage *channels = m_dlg->channelListPage();
    QVERIFY(channels->isVisible());
    QVERIFY(editFrequency(1, QStringLiteral("439.500000")));
    QVERIFY(chooseBandwidth(2, 1));
    QVERIFY(editFrequency(5, QStringLiteral("455.125000")));
    QCOMPARE(channels->cell(5, CChannelListPage::DirectionColumn), QStringLiteral("Rx&Tx"));
    QVERIFY(chooseBandwidth(5, 2));

    auto *table = channels->findChild<QTableWidget *>(QStringLiteral("channelList"));
    QTableWidgetItem *ten = table->item(10, CChannelListPage::ChannelColumn);
    table->scrollToItem(ten);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                      table->visualItemRect(ten).center());
    QTest::mouseClick(channels->findChild<QPushButton *>(QStringLiteral("deleteButton")),
                      Qt::LeftButton);
    for (int column = CChannelListPage::FrequencyColumn; column <= CChannelListPage::DirectionColumn;
         ++column)
        QCOMPARE(channels->cell(10, column), QString());
    QCOMPARE(channels->cell(10, CChannelListPage::ChannelColumn), QStringLiteral("10"));
    QVERIFY2(m_answerer->texts().isEmpty(), qPrintable(m_answerer->texts().join(u'|')));
}

void TestAcceptance::saveIntoTheRadio()
{
    m_radio->clearTraffic();
    m_windows->entries.clear();
    m_answerer->clear();

    QTest::mouseClick(button(m_dlg.get(), "saveButton"), Qt::LeftButton);
    const QString done = QStringLiteral("保存完毕！");
    const Wait outcome = waitForBox(done, slow(kSaveTimeoutMs));
    QVERIFY2(outcome != Wait::ReceiveEventLost,
             "the radio's answer waits unread in the port: a receive event was lost");
    QVERIFY(m_answerer->texts().contains(done));

    const QList<ModalAnswerer::Box> boxes = m_answerer->boxes();
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[0].text, QStringLiteral("确定要将新配置写入存储器?"));
    QCOMPARE(boxes[0].caption, QStringLiteral("保存"));
    QCOMPARE(boxes[0].icon, QMessageBox::Question);
    QCOMPARE(boxes[0].buttons, (QStringList{QStringLiteral("确定"), QStringLiteral("取消")}));
    QCOMPARE(boxes[1].caption, QStringLiteral("QUENDA"));
    QCOMPARE(boxes[1].icon, QMessageBox::NoIcon);

    QVERIFY(!m_dlg->saveState().isWriting);
    QCOMPARE(m_dlg->saveState().channelRowIndex, 0);
    QVERIFY(m_dlg->savingDlg() && !m_dlg->savingDlg()->isVisible());
    QCOMPARE(m_windows->entries,
             (QStringList{QStringLiteral("savingDlg+"), QStringLiteral("savingDlg-")}));

    // The changed rows in ascending order, then the fourteen registers, storing, the report.
    QByteArray expected = QByteArray("ATP0=\r") + radio::kAccessCode;
    for (const char *slot : {"1\r439500000\r2\r2\r", "2\r450000000\r1\r2\r",
                             "5\r455125000\r2\r2\r", "10\r0\r0\r0\r"})
        expected += slot;
    expected += radio::kEndChannelEntry;
    for (int reg : {102, 110, 186, 101, 127, 103, 105, 108, 158, 125, 131, 132, 191, 192})
        expected += radio::registerCommand(reg, savedRegisters().value(reg));
    expected += "at&w\rat&v\r";
    QCOMPARE(m_radio->received(), expected);

    // The report that answers "at&v" refills the pages.
    QTRY_COMPARE_WITH_TIMEOUT(
        m_dlg->basicInfoPage()->findChild<QLineEdit *>(QStringLiteral("serialBaudEdit"))->text(),
        QStringLiteral("38400"), slow(kReportTimeoutMs));
    QCOMPARE(m_dlg->basicInfoPage()->findChild<QLineEdit *>(QStringLiteral("protocolEdit"))->text(),
             QStringLiteral("Trimtalk Compatible"));
    QVERIFY(button(m_dlg.get(), "saveButton")->isEnabled());
}

void TestAcceptance::storedRegistersAfterSave_data()
{
    if (!m_brokenReason.isEmpty())
        QSKIP(qPrintable(m_brokenReason));
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("expected");
    // Every register the radio holds: those the save wrote and those it must leave alone.
    const QMap<int, int> before = initialState().registers;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        QTest::addRow("S%d", it.key()) << it.key()
                                       << savedRegisters().value(it.key(), it.value());
    }
}

void TestAcceptance::storedRegistersAfterSave()
{
    QFETCH(int, reg);
    QFETCH(int, expected);
    const k7v4::RadioState stored = m_radio->simulator().stored();
    QVERIFY(stored.registers.contains(reg));
    QCOMPARE(stored.registers.value(reg), expected);
}

void TestAcceptance::storedChannelsAfterSave_data()
{
    if (!m_brokenReason.isEmpty())
        QSKIP(qPrintable(m_brokenReason));
    QTest::addColumn<int>("channel");
    QTest::addColumn<qint64>("frequency");
    QTest::addColumn<int>("bandwidth");
    QTest::addColumn<int>("direction");
    const std::array<k7v4::Channel, 64> expected = savedChannels();
    for (int n = 0; n < 64; ++n) {
        const k7v4::Channel &c = expected[std::size_t(n)];
        QTest::addRow("channel %d", n) << n << c.frequencyHz << c.bandwidthCode << c.directionCode;
    }
}

void TestAcceptance::storedChannelsAfterSave()
{
    QFETCH(int, channel);
    QFETCH(qint64, frequency);
    QFETCH(int, bandwidth);
    QFETCH(int, direction);
    const k7v4::Channel stored = m_radio->simulator().stored().channels[std::size_t(channel)];
    QCOMPARE(stored.frequencyHz, frequency);
    if (frequency == 0)
        return; // a free slot has no bandwidth or direction worth comparing
    QCOMPARE(stored.bandwidthCode, bandwidth);
    QCOMPARE(stored.directionCode, direction);
}

void TestAcceptance::restoreFactoryDefaults()
{
    activateMainWindow();
    // The preset follows the choices on the pages: Satel at 25 kHz and 19200 baud.
    QTest::mouseClick(button(m_dlg.get(), "radioInfoButton"), Qt::LeftButton);
    CRadioPage *radio = m_dlg->radioPage();
    QVERIFY(chooseInDropDown(radio->findChild<QComboBox *>(QStringLiteral("protocolList")), 3));
    QVERIFY(chooseInDropDown(radio->findChild<QComboBox *>(QStringLiteral("bandwidthList")), 2));
    QTest::mouseClick(button(m_dlg.get(), "serialInfoButton"), Qt::LeftButton);
    QVERIFY(chooseInDropDown(
        m_dlg->serialPage()->findChild<QComboBox *>(QStringLiteral("baudList")), 5));

    m_radio->clearTraffic();
    m_answerer->clear();
    // Choosing the preset enabled both; only factory defaults may enable them from here.
    button(m_dlg.get(), "saveButton")->setEnabled(false);
    button(m_dlg.get(), "undoButton")->setEnabled(false);
    QTest::mouseClick(button(m_dlg.get(), "defaultsButton"), Qt::LeftButton);

    QCOMPARE(m_radio->received(), QByteArray("AT&F59\rats105=4321\rats131=5\rats132=1\r"
                                             "ats191=2\rats192=0\rAT&W\rAT&V\r"));
    QVERIFY(button(m_dlg.get(), "saveButton")->isEnabled());
    QVERIFY(button(m_dlg.get(), "undoButton")->isEnabled());
    // The radio's report of the preset refills the pages.
    QTRY_COMPARE_WITH_TIMEOUT(
        m_dlg->basicInfoPage()->findChild<QLineEdit *>(QStringLiteral("protocolEdit"))->text(),
        QStringLiteral("Satel (3AS) Compatible"), slow(kReportTimeoutMs));
    QCOMPARE(m_dlg->basicInfoPage()->findChild<QLineEdit *>(QStringLiteral("serialBaudEdit"))->text(),
             QStringLiteral("19200"));
    QCOMPARE(radio->unitAddressValue, 4321);
    QCOMPARE(radio->modulationIndex, 1);
    QVERIFY2(m_answerer->texts().isEmpty(), qPrintable(m_answerer->texts().join(u'|')));
}

void TestAcceptance::storedRegistersAfterDefaults_data()
{
    if (!m_brokenReason.isEmpty())
        QSKIP(qPrintable(m_brokenReason));
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("expected");
    const QMap<int, int> expected = defaultRegisters();
    QCOMPARE(expected.value(102), 5); // 19200: the rate the power-on connection will use
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QTest::addRow("S%d", it.key()) << it.key() << it.value();
}

void TestAcceptance::storedRegistersAfterDefaults()
{
    QFETCH(int, reg);
    QFETCH(int, expected);
    QCOMPARE(m_radio->simulator().stored().registers.value(reg, -1), expected);
}

void TestAcceptance::closeConnection()
{
    m_radio->clearTraffic();
    QTest::mouseClick(button(m_dlg.get(), "closeButton"), Qt::LeftButton);

    QVERIFY(!m_dlg->serialControl().GetPortOpen());
    QTRY_COMPARE_WITH_TIMEOUT(m_radio->received(), QByteArray("ATA\r"), slow(5000));
    QVERIFY(!m_radio->simulator().inConfigMode());

    for (QLineEdit *field : m_dlg->basicInfoPage()->findChildren<QLineEdit *>())
        QVERIFY2(field->text().isEmpty(), qPrintable(field->objectName()));
    const CChannelListPage *channels = m_dlg->channelListPage();
    for (int row = 0; row < 64; ++row) {
        QCOMPARE(channels->cell(row, CChannelListPage::ChannelColumn), QString::number(row));
        for (int column = CChannelListPage::FrequencyColumn;
             column <= CChannelListPage::DirectionColumn; ++column)
            QCOMPARE(channels->cell(row, column), QString());
    }
    QVERIFY(m_dlg->basicInfoPage()->isVisible());
    QVERIFY(!m_dlg->radioPage()->isVisible());
    QVERIFY(!m_dlg->serialPage()->isVisible());
    QVERIFY(!channels->isVisible());

    // The buttons as at start.
    QVERIFY(button(m_dlg.get(), "openButton")->isEnabled());
    for (const char *name :
         {"saveButton", "closeButton", "defaultsButton", "radioInfoButton", "serialInfoButton"})
        QVERIFY2(!button(m_dlg.get(), name)->isEnabled(), name);
    for (const char *name : {"basicInfoButton", "channelButton", "exitButton"})
        QVERIFY2(button(m_dlg.get(), name)->isEnabled(), name);
    QVERIFY2(m_answerer->texts().isEmpty(), qPrintable(m_answerer->texts().join(u'|')));
}

void TestAcceptance::connectByPowerOn()
{
    openWindowMenu({QStringLiteral("设置连接方法"), QStringLiteral("加电连接")});
    QCOMPARE(m_dlg->connectMethod(), ConnectMethod::PowerOn);

    m_radio->clearTraffic();
    m_windows->entries.clear();
    QTest::mouseClick(button(m_dlg.get(), "openButton"), Qt::LeftButton);
    CPowerOnConnectDlg *connecting = m_dlg->powerOnDlg();
    QVERIFY(connecting && connecting->isVisible());
    QCOMPARE(connecting->portText(), QStringLiteral("COM%1").arg(kCom));
    QVERIFY(m_dlg->serialControl().GetPortOpen());

    // The user switches the radio on with CONFIG held while the countdown runs.
    QTRY_COMPARE_WITH_TIMEOUT(connecting->secondsText(), QStringLiteral("9"), slow(5000));
    m_radio->powerOn(true);
    QTRY_VERIFY_WITH_TIMEOUT(reportShown(), slow(kReportTimeoutMs + 5000));

    QVERIFY(!connecting->isVisible());
    QVERIFY(!connecting->isRunning());
    QCOMPARE(m_radio->received(), QByteArray("AT&V\rATP0?\r"));
    QCOMPARE(m_windows->entries, (QStringList{QStringLiteral("powerOnDlg+"),
                                              QStringLiteral("powerOnDlg-"),
                                              QStringLiteral("readingDlg+"),
                                              QStringLiteral("readingDlg-")}));

    // What the radio stored, read back.
    const auto text = [this](const char *name) {
        return m_dlg->basicInfoPage()->findChild<QLineEdit *>(QLatin1String(name))->text();
    };
    QCOMPARE(text("protocolEdit"), QStringLiteral("Satel (3AS) Compatible"));
    QCOMPARE(text("mainTxEdit"), QStringLiteral("5"));
    QCOMPARE(text("bandwidthEdit"), QStringLiteral("25 kHz"));
    QCOMPARE(m_dlg->radioPage()->unitAddressValue, 4321);
    const CChannelListPage *channels = m_dlg->channelListPage();
    QCOMPARE(channels->cell(1, CChannelListPage::FrequencyColumn), QStringLiteral("439.500000"));
    QCOMPARE(channels->cell(2, CChannelListPage::DirectionColumn), QStringLiteral("Rx&Tx"));
    QCOMPARE(channels->cell(5, CChannelListPage::FrequencyColumn), QStringLiteral("455.125000"));
    QCOMPARE(channels->cell(5, CChannelListPage::BandwidthColumn), QStringLiteral("25   KHz"));
    QCOMPARE(channels->cell(10, CChannelListPage::FrequencyColumn), QString());
    QVERIFY2(m_answerer->texts().isEmpty(), qPrintable(m_answerer->texts().join(u'|')));
}

void TestAcceptance::exitSendsAta()
{
    m_radio->clearTraffic();
    QVERIFY(m_radio->simulator().inConfigMode());
    QTest::mouseClick(button(m_dlg.get(), "exitButton"), Qt::LeftButton);

    QVERIFY(!m_dlg->isVisible());
    QCOMPARE(m_dlg->result(), int(QDialog::Rejected));
    QVERIFY(!m_dlg->serialControl().GetPortOpen());
    QTRY_COMPARE_WITH_TIMEOUT(m_radio->received(), QByteArray("ATA\r"), slow(5000));
    QVERIFY(!m_radio->simulator().inConfigMode());
    QVERIFY2(m_answerer->texts().isEmpty(), qPrintable(m_answerer->texts().join(u'|')));
}

QTEST_MAIN(TestAcceptance)
#include "tst_acceptance.moc"
