// The radio as it behaves in the field: answers at the line's real pace, a user who leaves or
// changes the method at the wrong moment, an error box read slowly, a value the radio keeps
// refusing. The real main window on a pseudo-terminal, in real time, boxes answered on screen.

#include "app/quendadlg.h"
#include "link/cmscomm.h"
#include "link/connectdlgs.h"
#include "link/pause.h"
#include "pages/basicinfopage.h"
#include "pages/channellistpage.h"
#include "pages/radiopage.h"
#include "pages/serialpage.h"
#include "protocol/reportparser.h"
#include "support/modalanswerer.h"
#include "support/ptyradio.h"
#include "ui/messagebox.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace quenda;
using quenda::test::ModalAnswerer;
using quenda::test::PtyRadio;
using quenda::test::slow;

namespace {

constexpr int kCom = 11;
// Soft diagnosis reaches 115200 at its fifth try (15 s); a full listing at 4800 takes 8 s.
constexpr int kReadTimeoutMs = 45000;
constexpr int kBoxTimeoutMs = 20000;


k7v4::RadioState radioState(int baudCode, bool fullTable)
{
    k7v4::RadioState s = k7v4::RadioState::factoryDefault();
    s.serialNumber = QStringLiteral("K7V4F%1").arg(baudCode);
    s.registers[102] = baudCode;
    s.registers[105] = 4242;
    if (fullTable) {
        for (int ch = 0; ch < 64; ++ch)
            s.channels[std::size_t(ch)] = {410125000 + ch * 1000000LL, ch % 3, ch % 3};
    }
    return s;
}

// What the radio answers to the read, unpaced: the record the window must end up with.
RadioConfig expectedRecord(const k7v4::RadioState &state)
{
    k7v4::Simulator sim;
    sim.setState(state);
    sim.powerOn(true);
    sim.setLineBaud(sim.ownBaud());
    QByteArray answer;
    QObject::connect(&sim, &k7v4::Simulator::send, [&](const QByteArray &bytes, int) { answer += bytes; });
    sim.receive("AT&V\r");
    sim.receive("ATP0?\r");
    RadioConfig config;
    ParseReport(answer.constData(), int(answer.size()), config);
    return config;
}

QPushButton *button(QWidget *window, const char *name)
{
    return window->findChild<QPushButton *>(QLatin1String(name));
}

} // namespace

class TestFieldSafety : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void readAtLinePace_data();
    void readAtLinePace();
    void leavingDuringTheReadsPause_data();
    void leavingDuringTheReadsPause();
    void methodChangedDuringTheProcedure();
    void errorBoxAnsweredLate();
    void refusedChannelField();

private:
    QString portsFolder() const { return m_dir->filePath(QStringLiteral("ports")); }
    bool reportShown() const
    {
        return button(m_dlg.get(), "closeButton")->isEnabled() &&
               !button(m_dlg.get(), "openButton")->isEnabled();
    }
    void connectAndRead();
    void pressSave();

    std::unique_ptr<QTemporaryDir> m_dir;
    RealPause m_pause;
    RadioConfig m_config;
    std::unique_ptr<PtyRadio> m_radio;
    std::unique_ptr<ModalAnswerer> m_answerer;
    std::unique_ptr<CQuendaDlg> m_dlg;
};

void TestFieldSafety::initTestCase()
{
    if (const QString why = test::prepareRadioSuite(kCom); !why.isEmpty())
        QSKIP(qPrintable(why));
}

void TestFieldSafety::init()
{
    MessageBox::reset();
    m_config = RadioConfig{};
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_radio = std::make_unique<PtyRadio>();
    QString error;
    QVERIFY2(m_radio->start(portsFolder(), kCom, &error), qPrintable(error));
    m_radio->simulator().setState(radioState(9, false));

    QVERIFY(test::choosePortBefore(m_dir->path(), kCom));

    m_answerer = std::make_unique<ModalAnswerer>();
    QuendaEnvironment env;
    env.pause = &m_pause;
    env.config = &m_config;
    env.programFolder = m_dir->path();
    m_dlg = std::make_unique<CQuendaDlg>(std::move(env));
    m_dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
}

void TestFieldSafety::cleanup()
{
    QTRY_VERIFY(!QApplication::activeModalWidget());
    m_dlg.reset();
    m_answerer.reset();
    m_radio.reset();
    m_dir.reset();
}

void TestFieldSafety::connectAndRead()
{
    QTest::mouseClick(button(m_dlg.get(), "openButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(reportShown(), slow(kReadTimeoutMs));
}

void TestFieldSafety::pressSave()
{
    m_answerer->answerNext(QStringLiteral("确定"));
    QTest::mouseClick(button(m_dlg.get(), "saveButton"), Qt::LeftButton);
    QVERIFY(m_dlg->saveState().isWriting);
}

void TestFieldSafety::readAtLinePace_data()
{
    QTest::addColumn<int>("baudCode");
    QTest::addColumn<bool>("fullTable");
    for (const auto &[code, rate] : {std::pair{9, 4800}, std::pair{7, 9600}, std::pair{1, 115200}}) {
        QTest::addRow("%d baud, 64 channels", rate) << code << true;
        QTest::addRow("%d baud, factory table", rate) << code << false;
    }
}

void TestFieldSafety::readAtLinePace()
{
    // At 9600 baud and below the answer outlasts the read's pauses and comes in pieces.
    QFETCH(int, baudCode);
    QFETCH(bool, fullTable);
    const k7v4::RadioState state = radioState(baudCode, fullTable);
    m_radio->simulator().setState(state);
    connectAndRead();
    const RadioConfig expected = expectedRecord(state);
    // The last piece may still be on the line when the first one fills the pages.
    QTRY_COMPARE_WITH_TIMEOUT(m_config.channelCount, expected.channelCount, slow(kReadTimeoutMs));
    QTRY_VERIFY_WITH_TIMEOUT(m_radio->pendingOutput() == 0, slow(kReadTimeoutMs));
    QTest::qWait(slow(500));
    QCOMPARE(m_config, expected);

    const CBasicInfoPage *basic = m_dlg->basicInfoPage();
    QCOMPARE(basic->findChild<QLineEdit *>(QStringLiteral("serialNumberEdit"))->text(), state.serialNumber);
    QCOMPARE(basic->findChild<QLineEdit *>(QStringLiteral("protocolEdit"))->text(), expected.protocol);
    QCOMPARE(m_dlg->radioPage()->unitAddressValue, 4242);
    QCOMPARE(m_dlg->serialPage()->baudIndex, baudCode);
    const CChannelListPage *channels = m_dlg->channelListPage();
    for (int row = 0; row < expected.channelCount; ++row)
        QCOMPARE(channels->cell(row, 1), expected.channels[std::size_t(row)].frequency);
    QVERIFY(m_answerer->texts().isEmpty());
}

void TestFieldSafety::leavingDuringTheReadsPause_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Esc") << "esc";
    QTest::newRow("close box") << "close";
}

void TestFieldSafety::leavingDuringTheReadsPause()
{
    QFETCH(QString, how);
    // The user leaves one second into the pause after "AT&V".
    m_radio->whenReceived("AT&V\r", [this, how] {
        QTimer::singleShot(1000, m_dlg.get(), [this, how] {
            if (how == "esc")
                QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
            else
                m_dlg->close();
        });
    });
    QTest::mouseClick(button(m_dlg.get(), "openButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!m_dlg->isVisible(), slow(kReadTimeoutMs));
    QTRY_COMPARE_WITH_TIMEOUT(m_radio->received().right(16), QByteArray("+++AT&V\rATP0?\rATA\r").right(16),
                              slow(5000));
    QCOMPARE(m_radio->received().count("ATA"), 1);
    QVERIFY(!m_dlg->serialControl().GetPortOpen());
    QTest::qWait(slow(1000));
    QVERIFY2(m_answerer->texts().isEmpty(), qPrintable(m_answerer->texts().join(u'|')));
}

void TestFieldSafety::methodChangedDuringTheProcedure()
{
    // Soft diagnosis runs; the user switches the menu to power-on before its first try, so the
    // tries reopen the port at its own rate: 9600.
    m_radio->simulator().setState(radioState(7, false));
    QTest::mouseClick(button(m_dlg.get(), "openButton"), Qt::LeftButton);
    m_dlg->systemMenu()->findChild<QAction *>(QStringLiteral("powerOnAction"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(reportShown(), slow(kReadTimeoutMs));
    QVERIFY(!m_dlg->softDiagDlg()->isRunning());
    const QByteArray afterRead = m_radio->received();
    // Two more soft-diagnostic periods: nothing may reach the radio in configuration mode.
    QTest::qWait(slow(7000));
    QCOMPARE(m_radio->received(), afterRead);
    QVERIFY(m_radio->simulator().inConfigMode());
    QVERIFY(m_dlg->serialControl().GetPortOpen());
    QVERIFY(m_answerer->texts().isEmpty());

    m_radio->clearTraffic();
    QTest::mouseClick(button(m_dlg.get(), "closeButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_radio->received(), QByteArray("ATA\r"), slow(5000));
    QVERIFY(m_answerer->texts().isEmpty());
}

void TestFieldSafety::errorBoxAnsweredLate()
{
    connectAndRead();
    QTest::mouseClick(button(m_dlg.get(), "radioInfoButton"), Qt::LeftButton);
    auto *address = m_dlg->radioPage()->findChild<QLineEdit *>(QStringLiteral("unitAddressEdit"));
    QTest::mouseClick(address, Qt::LeftButton);
    QTest::keyClick(address, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(address, QStringLiteral("77"));

    // The radio refuses S158; while the box is open (the user reads it for four seconds) an
    // acknowledgement arrives, as a late piece of an earlier answer would.
    m_radio->simulator().misbehaviour().errorOnRegister = 158;
    m_radio->whenReceived("ats158=", [this] {
        QTimer::singleShot(1500, m_radio.get(), [this] {
            m_radio->simulator().misbehaviour().errorOnRegister.reset();
            m_radio->simulator().receive("ats158=6\r");
        });
    });
    m_answerer->setAnswerDelay(4000);
    pressSave();
    QVERIFY(m_answerer->waitForText(QStringLiteral("数据有误，请检查！"), slow(kBoxTimeoutMs)));
    QVERIFY(!m_dlg->saveState().isWriting);
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), slow(10000));
    QTest::qWait(slow(1000));

    const QByteArray received = m_radio->received();
    // The refused command and the escape that answers every chunk of a save without channel
    // changes, the error's included; nothing for the acknowledgement that came meanwhile.
    const QByteArray tail = received.mid(received.lastIndexOf("ats"));
    QVERIFY2(QRegularExpression(QStringLiteral("^ats158=\\d+\r\x1b$")).match(QString::fromLatin1(tail)).hasMatch(),
             tail.toPercentEncoding().constData());
    QVERIFY(!received.contains("ats125="));
    QVERIFY(!received.contains("at&w"));
}

void TestFieldSafety::refusedChannelField()
{
    connectAndRead();
    QTest::mouseClick(button(m_dlg.get(), "channelButton"), Qt::LeftButton);
    CChannelListPage *page = m_dlg->channelListPage();
    page->setCell(20, CChannelListPage::FrequencyColumn, QStringLiteral("433.125000"));
    page->setCell(20, CChannelListPage::BandwidthColumn, QStringLiteral("25   KHz"));
    page->setCell(20, CChannelListPage::DirectionColumn, QStringLiteral("Rx&Tx"));
    m_dlg->MarkChanged();
    const k7v4::RadioState before = m_radio->simulator().stored();
    // This radio will not take the frequency, whatever the program thinks of it.
    m_radio->simulator().misbehaviour().refuseFrequency = 433125000;
    m_radio->clearTraffic();
    pressSave();

    QVERIFY(m_answerer->waitForText(QStringLiteral("数据有误，请检查！"), slow(kBoxTimeoutMs)));
    QTest::qWait(slow(1500));
    // Two answers to the same prompt, then nothing more.
    QCOMPARE(m_radio->received().count("433125000\r"), 2);
    QVERIFY(m_radio->received().endsWith("433125000\r"));
    QVERIFY(!m_dlg->saveState().isWriting);
    QCOMPARE(m_radio->simulator().stored(), before);
}

QTEST_MAIN(TestFieldSafety)
#include "tst_fieldsafety.moc"
