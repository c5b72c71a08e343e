// The radio goes away or falls silent while the program works with it: the real main window
// on the real serial port control and a pseudo-terminal, in real time, message boxes answered
// on screen.

#include "app/progressdlgs.h"
#include "app/quendadlg.h"
#include "link/cmscomm.h"
#include "link/connectdlgs.h"
#include "link/pause.h"
#include "link/portnaming.h"
#include "pages/basicinfopage.h"
#include "pages/channellistpage.h"
#include "pages/radiopage.h"
#include "protocol/messages.h"
#include "protocol/radiocommands.h"
#include "support/modalanswerer.h"
#include "support/ptyradio.h"
#include "ui/messagebox.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace quenda;
using quenda::test::ModalAnswerer;
using quenda::test::PtyRadio;
using quenda::test::slow;

namespace {

constexpr int kCom = 9;
// The radio runs at 4800, the first rate soft diagnosis tries: about three seconds to the
// banner, five more to read.
constexpr int kConnectTimeoutMs = 30000;
constexpr int kBoxTimeoutMs = 10000;
// Longer than a soft-diagnostic period and than any pause of a read or a save: whatever the
// program would still do on its own has happened by then.
constexpr int kSettleMs = 3500;

enum class Phase { Connecting, Reading, Saving };


k7v4::RadioState radioState(const QString &serialNumber)
{
    k7v4::RadioState s = k7v4::RadioState::factoryDefault();
    s.serialNumber = serialNumber;
    s.registers[102] = 9; // 4800 baud
    s.registers[105] = 77;
    return s;
}

QPushButton *button(QWidget *window, const char *name)
{
    return window->findChild<QPushButton *>(QLatin1String(name));
}

} // namespace

Q_DECLARE_METATYPE(Phase)

class TestDeviceLoss : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void deviceGoesAway_data();
    void deviceGoesAway();
    void silentRadioKeepsTheSaveUntilClosed_data();
    void silentRadioKeepsTheSaveUntilClosed();

private:
    QString portsFolder() const { return m_dir->filePath(QStringLiteral("ports")); }
    bool reportShown() const
    {
        return button(m_dlg.get(), "closeButton")->isEnabled() &&
               !button(m_dlg.get(), "openButton")->isEnabled();
    }
    QLineEdit *basicField(const char *name) const
    {
        return m_dlg->basicInfoPage()->findChild<QLineEdit *>(QLatin1String(name));
    }
    void connectAndRead();
    void changeUnitAddress(const QString &text);
    void changeFrequency(int row, const QString &text);
    void pressSave();

    std::unique_ptr<QTemporaryDir> m_dir;
    RealPause m_pause;
    RadioConfig m_config;
    std::unique_ptr<PtyRadio> m_radio;
    std::unique_ptr<PtyRadio> m_nextRadio;
    std::unique_ptr<ModalAnswerer> m_answerer;
    std::unique_ptr<CQuendaDlg> m_dlg;
};

void TestDeviceLoss::initTestCase()
{
    if (const QString why = test::prepareRadioSuite(kCom); !why.isEmpty())
        QSKIP(qPrintable(why));
}

void TestDeviceLoss::init()
{
    MessageBox::reset();
    m_config = RadioConfig{};
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_radio = std::make_unique<PtyRadio>();
    QString error;
    QVERIFY2(m_radio->start(portsFolder(), kCom, &error), qPrintable(error));
    m_radio->simulator().setState(radioState(QStringLiteral("K7V4A001")));

    // The port was chosen in an earlier run.
    QVERIFY(test::choosePortBefore(m_dir->path(), kCom));

    m_answerer = std::make_unique<ModalAnswerer>();
    QuendaEnvironment env;
    env.pause = &m_pause;
    env.config = &m_config;
    env.programFolder = m_dir->path();
    m_dlg = std::make_unique<CQuendaDlg>(std::move(env));
    m_dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
    QVERIFY(m_dlg->portChoice().portChosen);
}

void TestDeviceLoss::cleanup()
{
    // A box still open would keep a modal loop running under the window's destruction.
    QTRY_VERIFY(!QApplication::activeModalWidget());
    m_dlg.reset();
    m_answerer.reset();
    m_nextRadio.reset();
    m_radio.reset();
    m_dir.reset();
}

void TestDeviceLoss::connectAndRead()
{
    QTest::mouseClick(button(m_dlg.get(), "openButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(reportShown(), slow(kConnectTimeoutMs));
}

void TestDeviceLoss::changeUnitAddress(const QString &text)
{
    QTest::mouseClick(button(m_dlg.get(), "radioInfoButton"), Qt::LeftButton);
    auto *address = m_dlg->radioPage()->findChild<QLineEdit *>(QStringLiteral("unitAddressEdit"));
    QVERIFY(address && address->isVisible());
    QTest::mouseClick(address, Qt::LeftButton);
    QTest::keyClick(address, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(address, text);
    QVERIFY(button(m_dlg.get(), "saveButton")->isEnabled());
}

void TestDeviceLoss::changeFrequency(int row, const QString &text)
{
    QTest::mouseClick(button(m_dlg.get(), "channelButton"), Qt::LeftButton);
    auto *list = m_dlg->channelListPage()->findChild<QTableWidget *>(QStringLiteral("channelList"));
    QVERIFY(list && list->isVisible());
    QTableWidgetItem *item = list->item(row, CChannelListPage::FrequencyColumn);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(item).center());
    auto *editor = list->viewport()->findChild<QLineEdit *>(QStringLiteral("freqEditor"));
    QVERIFY(editor && editor->isVisible());
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(m_dlg->channelListPage()->cell(row, CChannelListPage::FrequencyColumn), text);
}

void TestDeviceLoss::pressSave()
{
    m_answerer->answerNext(QStringLiteral("确定"));
    QTest::mouseClick(button(m_dlg.get(), "saveButton"), Qt::LeftButton);
    QCOMPARE(m_answerer->texts().value(0), QStringLiteral("确定要将新配置写入存储器?"));
    QVERIFY(m_dlg->saveState().isWriting);
    QVERIFY(m_dlg->savingDlg() && m_dlg->savingDlg()->isVisible());
}

void TestDeviceLoss::deviceGoesAway_data()
{
    QTest::addColumn<Phase>("phase");
    QTest::addColumn<QByteArray>("trigger"); // the write the radio is unplugged at
    QTest::newRow("connecting, at the first escape") << Phase::Connecting << QByteArray("+++");
    QTest::newRow("reading, after the banner, before the report")
        << Phase::Reading << QByteArray("AT&V\r");
    QTest::newRow("saving, after the first register's acknowledgement")
        << Phase::Saving << QByteArray("ats110=");
}

void TestDeviceLoss::deviceGoesAway()
{
    QFETCH(Phase, phase);
    QFETCH(QByteArray, trigger);

    if (phase == Phase::Saving) {
        connectAndRead();
        changeUnitAddress(QStringLiteral("78"));
    }
    // Unplugged at that write; another radio is plugged in under the same number at once, so
    // that anything the program still writes on its own, or a port it reopens, shows there.
    m_radio->whenReceived(trigger, [this] {
        m_radio->unplug();
        m_nextRadio = std::make_unique<PtyRadio>();
        QVERIFY(m_nextRadio->start(portsFolder(), kCom));
        m_nextRadio->simulator().setState(radioState(QStringLiteral("K7V4B002")));
    });
    const qsizetype boxesBefore = phase == Phase::Saving ? 1 : 0;
    if (phase == Phase::Saving)
        pressSave();
    else
        QTest::mouseClick(button(m_dlg.get(), "openButton"), Qt::LeftButton);

    const QString description =
        messages::portLost(PortNaming::comName(kCom), messages::deviceGone());
    QVERIFY2(m_answerer->waitForText(description, slow(kBoxTimeoutMs)),
             qPrintable(m_answerer->texts().join(u'|')));
    QVERIFY(m_nextRadio);
    QTest::qWait(slow(kSettleMs));

    // One box, the port's own description, and nothing after it.
    const QList<ModalAnswerer::Box> boxes = m_answerer->boxes().mid(boxesBefore);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].caption, QStringLiteral("QUENDA"));
    QCOMPARE(boxes[0].buttons, QStringList{QStringLiteral("确定")});
    QVERIFY(!m_dlg->serialControl().GetPortOpen());
    QCOMPARE(m_nextRadio->received(), QByteArray());

    // Every procedure stopped, every progress window hidden.
    QVERIFY(!m_dlg->saveState().isWriting);
    QCOMPARE(m_dlg->saveState().channelRowIndex, 0);
    if (CSavingDlg *saving = m_dlg->savingDlg())
        QVERIFY(!saving->isVisible());
    if (CReadingDlg *reading = m_dlg->readingDlg())
        QVERIFY(!reading->isVisible());
    CSoftDiagConnectDlg *connecting = m_dlg->softDiagDlg();
    QVERIFY(connecting);
    QVERIFY(!connecting->isVisible());
    QVERIFY(!connecting->isRunning());
    if (phase == Phase::Saving)
        QCOMPARE(m_radio->simulator().stored(), radioState(QStringLiteral("K7V4A001")));

    // The user connects again, to the radio now on that port.
    QPushButton *open = button(m_dlg.get(), "openButton");
    QVERIFY(open->isEnabled());
    for (const char *name : {"saveButton", "closeButton", "defaultsButton"})
        QVERIFY2(!button(m_dlg.get(), name)->isEnabled(), name);
    connectAndRead();
    QCOMPARE(m_nextRadio->received(), QByteArray("+++AT&V\rATP0?\r"));
    QCOMPARE(basicField("serialNumberEdit")->text(), QStringLiteral("K7V4B002"));
    QCOMPARE(m_answerer->count(), boxesBefore + 1);
}

void TestDeviceLoss::silentRadioKeepsTheSaveUntilClosed_data()
{
    QTest::addColumn<bool>("editChannel");
    QTest::addColumn<QByteArray>("trigger"); // the write the radio falls silent at
    QTest::addColumn<bool>("stored");        // whether the radio took that write and stored
    QTest::addColumn<bool>("leavesConfigMode");
    // In its prompted channel entry the radio takes "ATA" as a wrong answer to the prompt.
    QTest::newRow("during the channel entry")
        << true << QByteArray("433125000\r") << false << false;
    QTest::newRow("during the registers") << false << QByteArray("ats127=") << false << true;
    QTest::newRow("at storing") << false << QByteArray("at&w\r") << true << true;
}

void TestDeviceLoss::silentRadioKeepsTheSaveUntilClosed()
{
    QFETCH(bool, editChannel);
    QFETCH(QByteArray, trigger);
    QFETCH(bool, stored);
    QFETCH(bool, leavesConfigMode);

    connectAndRead();
    changeUnitAddress(QStringLiteral("4242"));
    if (editChannel)
        changeFrequency(1, QStringLiteral("433.125000"));
    m_radio->whenReceived(trigger, [this] { m_radio->simulator().misbehaviour().silent = true; });
    m_radio->clearTraffic();
    pressSave();
    QTRY_VERIFY_WITH_TIMEOUT(m_radio->received().contains(trigger), slow(kBoxTimeoutMs));
    const QByteArray writtenBeforeSilence = m_radio->received();

    // No time limit: the save waits, its window shown, without a word.
    QTest::qWait(slow(kSettleMs));
    QVERIFY(m_dlg->saveState().isWriting);
    QVERIFY(m_dlg->savingDlg()->isVisible());
    QCOMPARE(m_answerer->count(), 1);
    QCOMPARE(m_radio->received(), writtenBeforeSilence);
    QVERIFY(m_dlg->serialControl().GetPortOpen());

    // "关闭" ends it.
    QTest::mouseClick(button(m_dlg.get(), "closeButton"), Qt::LeftButton);
    QVERIFY(!m_dlg->saveState().isWriting);
    QCOMPARE(m_dlg->saveState().channelRowIndex, 0);
    QVERIFY(!m_dlg->savingDlg()->isVisible());
    QVERIFY(!m_dlg->serialControl().GetPortOpen());
    QTRY_VERIFY_WITH_TIMEOUT(m_radio->received().endsWith("ATA\r"), slow(5000));
    QCOMPARE(m_radio->received(), writtenBeforeSilence + "ATA\r");
    QCOMPARE(m_radio->simulator().inConfigMode(), !leavesConfigMode);
    QVERIFY(button(m_dlg.get(), "openButton")->isEnabled());
    QVERIFY(!button(m_dlg.get(), "saveButton")->isEnabled());
    QCOMPARE(m_answerer->count(), 1);
    const k7v4::RadioState before = radioState(QStringLiteral("K7V4A001"));
    QCOMPARE(m_radio->simulator().stored() != before, stored);
    if (stored)
        QCOMPARE(m_radio->simulator().stored().registers.value(105), 4242);
}

QTEST_MAIN(TestDeviceLoss)
#include "tst_deviceloss.moc"
