// The bytes on the wire of a whole read and a whole save, and the texts of the code tables,
// spelled out here letter by letter. Everything else takes these texts from the program's shared
// constants, the simulated radio included, so a typo there would pass unseen anywhere else.
// The read and the start of a save live in the main window, so the window drives them.

#include "app/quendadlg.h"
#include "lib/k7v4simulator.h"
#include "pages/channellistpage.h"
#include "protocol/radioconfig.h"
#include "support/fakeserialbackend.h"
#include "support/virtualpause.h"
#include "ui/messagebox.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace quenda;

Q_DECLARE_METATYPE(const quenda::CodeTable *)

namespace {

// The radio: every register the program reads, one channel.
k7v4::RadioState radioState()
{
    k7v4::RadioState s;
    s.serialNumber = QStringLiteral("K7V40001");
    s.registers = {{101, 2}, {102, 7}, {103, 5},  {105, 1234}, {108, 30}, {110, 1}, {125, 2},
                   {127, 0}, {131, 0}, {132, 0},  {158, 0},    {186, 1},  {191, 0}, {192, 0}};
    s.channels[0] = {433125000, 2, 2};
    return s;
}

// The radio's settings report for radioState(), after its echo of the command.
const QByteArray kReport = "K7V4 UHF DATA RADIO MODEM\r\n"
                           "S/N: K7V40001\r\n"
                           "S101=2\r\n"
                           "S102=7\r\n"
                           "S103=5\r\n"
                           "S105=1234\r\n"
                           "S108=30\r\n"
                           "S110=1\r\n"
                           "S125=2\r\n"
                           "S127=0\r\n"
                           "S131=0\r\n"
                           "S132=0\r\n"
                           "S158=0\r\n"
                           "S186=1\r\n"
                           "S191=0\r\n"
                           "S192=0\r\n"
                           "OK\r\n";

const QByteArray kPromptChannel = "Enter Channel Number (0 to 63)                          : ";
const QByteArray kPromptFrequency = "Enter Frequency?(410000000 to 480000000Hz, 0 to delete) : ";
const QByteArray kPromptBandwidth = "Enter Bandwidth (0-6.25kHz, 1-12.5kHz, 2-25kHz)         : ";
const QByteArray kPromptDirection = "Enter Channel Direction (0-Rx, 1-Tx, 2-Rx&Tx)           : ";

// The main window on a fake port wired to the simulated radio, recording the line in order:
// "> " what the program wrote, one write each, "< " what the radio sent, one answer each.
class Wire {
public:
    Wire()
    {
        MessageBox::reset();
        MessageBox::setTestMode(true);
        QFile ini(dir.filePath(QStringLiteral("para.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("1");
        ini.close();
        radio.setState(radioState());
        auto backend = std::make_unique<test::FakeSerialBackend>();
        port = backend.get();
        port->attachSimulator(&radio);
        port->setPacing(&pause); // the radio's answers take their time, as on a real line
        QObject::connect(&radio, &k7v4::Simulator::send, &radio,
                         [this](const QByteArray &bytes, int) {
                             takeWrites();
                             line << "< " + bytes;
                         });
        QuendaEnvironment env;
        env.pause = &pause;
        env.config = &config;
        env.backend = std::move(backend);
        env.programFolder = dir.path();
        dlg = std::make_unique<CQuendaDlg>(std::move(env));
        dlg->show();
    }
    ~Wire() { MessageBox::reset(); }

    // The line since the last call.
    QList<QByteArray> taken()
    {
        takeWrites();
        return std::exchange(line, {});
    }
    void click(const char *name)
    {
        auto *button = dlg->findChild<QPushButton *>(QLatin1String(name));
        QVERIFY(button);
        QVERIFY(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // Until the radio's answers have arrived and been handled.
    void settle()
    {
        for (int i = 0; i < 100000 && port->bytesOnTheWay() > 0; ++i)
            QCoreApplication::processEvents();
        for (int i = 0; i < 50; ++i)
            QCoreApplication::processEvents();
    }

    QTemporaryDir dir;
    test::VirtualPause pause;
    RadioConfig config;
    k7v4::Simulator radio;
    test::FakeSerialBackend *port = nullptr;
    std::unique_ptr<CQuendaDlg> dlg;

private:
    void takeWrites()
    {
        const QList<QByteArray> writes = port->writes();
        for (qsizetype i = m_writesTaken; i < writes.size(); ++i)
            line << "> " + writes[i];
        m_writesTaken = writes.size();
    }

    QList<QByteArray> line;
    qsizetype m_writesTaken = 0;
};

// Shows a difference as lines rather than as one long unreadable text.
void compareLine(const QList<QByteArray> &actual, const QList<QByteArray> &expected)
{
    for (qsizetype i = 0; i < qMin(actual.size(), expected.size()); ++i)
        QCOMPARE(actual[i], expected[i]);
    QCOMPARE(actual.size(), expected.size());
}

struct Table {
    const char *name;
    const CodeTable *table;
};

} // namespace

class TestWireBytes : public QObject {
    Q_OBJECT
private slots:
    void readAndSave();
    void codeTables_data();
    void codeTables();
};

void TestWireBytes::readAndSave()
{
    Wire wire;
    wire.dlg->setConnectMethod(ConnectMethod::PowerOn);
    wire.click("openButton");
    wire.radio.powerOn(true);
    wire.settle();

    compareLine(wire.taken(),
                {
                    "< \r\nNO CARRIER\r\nOK\r\n",
                    "> AT&V",
                    "> \r",
                    "< AT&V\r\n" + kReport,
                    "> ATP0?",
                    "> \r",
                    "< ATP0?\r\n"
                    "CH                  FREQUENCY         BANDWIDTH    DIRECTION\r\n"
                    "------------------------------------------------------------\r\n"
                    "\r\n"
                    "0                   433.125000 MHz    25   KHz     Rx&Tx\r\n"
                    "\r\n"
                    "OK\r\n",
                });
    QCOMPARE(wire.config.serialNumber, QStringLiteral("K7V40001"));
    QCOMPARE(wire.config.channelCount, 1);

    // One new channel, 455.125 MHz at 12.5 kHz; every other setting as read.
    CChannelListPage *channels = wire.dlg->channelListPage();
    channels->setCell(5, 1, QStringLiteral("455.125000"));
    channels->setCell(5, 2, QStringLiteral("12.5 KHz"));
    channels->setCell(5, 3, QStringLiteral("Rx&Tx"));
    wire.dlg->MarkChanged();
    wire.click("saveButton");
    for (int i = 0; i < 100 && !MessageBox::shownTexts().contains(QStringLiteral("保存完毕！"));
         ++i)
        wire.settle();
    QCOMPARE(MessageBox::shownTexts(),
             (QStringList{QStringLiteral("确定要将新配置写入存储器?"), QStringLiteral("保存完毕！")}));

    compareLine(wire.taken(), {
                                  "> ATP0=",
                                  "> \r",
                                  "< ATP0=\r\n",
                                  "> pmiv%ok",
                                  "< \r\n" + kPromptChannel,
                                  "> 5",
                                  "> \r",
                                  "< 5\r\n" + kPromptFrequency,
                                  "> 455125000",
                                  "> \r",
                                  "< 455125000\r\n" + kPromptBandwidth,
                                  "> 1",
                                  "> \r",
                                  "< 1\r\n" + kPromptDirection,
                                  "> 2",
                                  "> \r",
                                  "< 2\r\n" + kPromptChannel,
                                  "> \x1b",
                                  "< \r\nOK\r\n",
                                  "> ats102=7\r",
                                  "< ats102=7\r\nOK\r\n",
                                  "> ats110=1\r",
                                  "< ats110=1\r\nOK\r\n",
                                  "> ats186=1\r",
                                  "< ats186=1\r\nOK\r\n",
                                  "> ats101=2\r",
                                  "< ats101=2\r\nOK\r\n",
                                  "> ats127=0\r",
                                  "< ats127=0\r\nOK\r\n",
                                  "> ats103=5\r",
                                  "< ats103=5\r\nOK\r\n",
                                  "> ats105=1234\r",
                                  "< ats105=1234\r\nOK\r\n",
                                  "> ats108=30\r",
                                  "< ats108=30\r\nOK\r\n",
                                  "> ats158=0\r",
                                  "< ats158=0\r\nOK\r\n",
                                  "> ats125=2\r",
                                  "< ats125=2\r\nOK\r\n",
                                  "> ats131=0\r",
                                  "< ats131=0\r\nOK\r\n",
                                  "> ats132=0\r",
                                  "< ats132=0\r\nOK\r\n",
                                  "> ats191=0\r",
                                  "< ats191=0\r\nOK\r\n",
                                  "> ats192=0\r",
                                  "< ats192=0\r\nOK\r\n",
                                  "> at&w",
                                  "> \r",
                                  "< at&w\r\nOK\r\n",
                                  "> at&v",
                                  "> \r",
                                  "< at&v\r\n" + kReport,
                              });
    QCOMPARE(wire.radio.stored().channels[5], (k7v4::Channel{455125000, 1, 2}));
}

void TestWireBytes::codeTables_data()
{
    QTest::addColumn<const CodeTable *>("table");
    QTest::addColumn<int>("first");
    QTest::addColumn<QStringList>("texts"); // empty: a value without text

    QTest::newRow("T-101") << &tables::T101 << 0
                           << QStringList{"Master(Base) for Trimtalk", "Repeater", "Slave(Remote)",
                                          "Repeater 2 for Trimtalk"};
    QTest::newRow("T-102") << &tables::T102 << 0
                           << QStringList{"230400", "115200", "57600", "38400", "28800",
                                          "19200",  "14400",  "9600",  "7200",  "4800",
                                          "3600",   "2400",   "1200",  "600",   "300"};
    QTest::newRow("T-103") << &tables::T103 << 0
                           << QStringList{"1200", "2400",  "3600",  "4800", "7200",
                                          "9600", "14400", "19200", "16000"};
    QTest::newRow("T-108") << &tables::T108 << 20
                           << QStringList{"20(100)", "21(125)", "22(160)", "23(200)", "24(250)",
                                          "25(320)", "26(400)", "27(500)", "28(630)", "29(800)",
                                          "30(1W)",  "",        "",        "33(2W)"};
    QTest::newRow("T-110") << &tables::T110 << 1
                           << QStringList{"8N1", "8N2", "8E1", "8O1", "7N1",
                                          "7N2", "7E1", "7O1", "7E2", "7O2"};
    QTest::newRow("T-125") << &tables::T125 << 0
                           << QStringList{"6.25 kHz", "12.5 kHz", "25 kHz"};
    QTest::newRow("T-127") << &tables::T127 << 0 << QStringList{"2FSK", "4FSK"};
    QTest::newRow("T-158") << &tables::T158 << 0
                           << QStringList{"No FEC",         "Hamming(7,4)",      "Hamming(15,11)",
                                          "Hamming(31,24)", "",                  "Binary BCH(47,36)",
                                          "Golay(23,12,7)", "Reed-Solomon(15,11)"};
    QTest::newRow("T-186") << &tables::T186 << 0
                           << QStringList{"Transparent ZV", "Pacific Crest Compatible",
                                          "Trimtalk Compatible", "Satel (3AS) Compatible"};
}

void TestWireBytes::codeTables()
{
    QFETCH(const CodeTable *, table);
    QFETCH(int, first);
    QFETCH(QStringList, texts);

    QCOMPARE(table->first, first);
    QCOMPARE(table->listItems(), texts);
    // Value to text and back, one register value at a time.
    for (int i = 0; i < texts.size(); ++i) {
        QCOMPARE(table->text(first + i), texts[i]);
        QCOMPARE(table->position(texts[i]), texts[i].isEmpty() ? -1 : i);
    }
    QCOMPARE(table->text(first - 1), QString());
    QCOMPARE(table->text(first + int(texts.size())), QString());
}

QTEST_MAIN(TestWireBytes)
#include "tst_wirebytes.moc"
