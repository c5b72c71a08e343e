#include "protocol/factorydefaults.h"
#include "support/scriptedhost.h"

#include <QtTest>

#include <algorithm>

using namespace quenda;
using quenda::test::ScriptedHost;
using Events = QList<ScriptedHost::Event>;

Q_DECLARE_METATYPE(quenda::SettingsSelection)

namespace {

SettingsSelection selection(int protocol, int workMode, int bandwidth, int baud)
{
    SettingsSelection s;
    s.protocolIndex = protocol;
    s.workModeIndex = workMode;
    s.bandwidthIndex = bandwidth;
    s.baudIndex = baud;
    s.unitAddressValue = 12;
    s.mainTxIndex = 3;
    s.mainRxIndex = 4;
    s.repeaterTxIndex = 5;
    s.repeaterRxIndex = 6;
    return s;
}

// Whatever the preset, the kept values and the store follow it.
const QList<QByteArray> kTail{"ats105=12\r", "ats131=3\r", "ats132=4\r", "ats191=5\r", "ats192=6\r",
                              "AT&W",       "\r",         "AT&V",       "\r"};

} // namespace

class TestFactoryDefaults : public QObject {
    Q_OBJECT
private slots:
    void preset_data();
    void preset();
    void onlyLoadablePresetsAreChosen();
    void exampleSequence();
    void keptValuesWithoutSelection();
};

void TestFactoryDefaults::preset_data()
{
    QTest::addColumn<SettingsSelection>("selection");
    QTest::addColumn<QList<QByteArray>>("head"); // writes before the kept values

    const int none = -1;
    QTest::newRow("Transparent ZV") << selection(0, none, none, none) << QList<QByteArray>{"AT&F51", "\r"};
    QTest::newRow("Pacific Crest, any mode") << selection(1, 3, 0, 0) << QList<QByteArray>{"AT&F53", "\r"};
    QTest::newRow("Trimtalk master") << selection(2, 0, none, none) << QList<QByteArray>{"AT&F57", "\r"};
    QTest::newRow("Trimtalk repeater") << selection(2, 1, none, none) << QList<QByteArray>{"AT&F55", "\r"};
    QTest::newRow("Trimtalk slave") << selection(2, 2, none, none) << QList<QByteArray>{"AT&F54", "\r"};
    QTest::newRow("Trimtalk repeater 2") << selection(2, 3, none, none) << QList<QByteArray>{"AT&F56", "\r"};
    QTest::newRow("Trimtalk without work mode: lone CR") << selection(2, none, 2, 5)
                                                         << QList<QByteArray>{"\r"};
    QTest::newRow("Trimtalk, work mode out of range: lone CR") << selection(2, 4, 2, 5)
                                                               << QList<QByteArray>{"\r"};
    QTest::newRow("Satel 12.5 kHz 9600") << selection(3, 1, 1, 7) << QList<QByteArray>{"AT&F58", "\r"};
    QTest::newRow("Satel 25 kHz 19200") << selection(3, 1, 2, 5) << QList<QByteArray>{"AT&F59", "\r"};
    QTest::newRow("Satel 6.25 kHz: lone CR") << selection(3, 1, 0, 7) << QList<QByteArray>{"\r"};
    QTest::newRow("Satel 25 kHz 9600: lone CR") << selection(3, 1, 2, 7) << QList<QByteArray>{"\r"};
    QTest::newRow("Satel 12.5 kHz 19200: lone CR") << selection(3, 1, 1, 5) << QList<QByteArray>{"\r"};
    QTest::newRow("Satel without bandwidth: lone CR") << selection(3, 1, none, 7) << QList<QByteArray>{"\r"};
    QTest::newRow("no protocol: nothing, not even CR") << selection(none, 1, 1, 7) << QList<QByteArray>{};
    QTest::newRow("protocol out of range: nothing") << selection(4, 1, 1, 7) << QList<QByteArray>{};
}

void TestFactoryDefaults::preset()
{
    QFETCH(SettingsSelection, selection);
    QFETCH(QList<QByteArray>, head);

    ScriptedHost out;
    RestoreDefaults(selection, out);

    QCOMPARE(out.writes(), head + kTail);
    QCOMPARE(out.pauses(), (QList<int>{100, 3000}));
    QCOMPARE(presetCommand(selection).has_value(), !head.isEmpty());

    // Asking for the preset by number, from a selection that loads none, selects it again and
    // keeps the values put back.
    if (head.size() == 2) {
        const int preset = head.first().mid(4).toInt();
        const SettingsSelection base = ::selection(3, 1, 0, 7);
        const std::optional<SettingsSelection> chosen = selectionForPreset(preset, base);
        QVERIFY(chosen.has_value());
        QCOMPARE(presetCommand(*chosen), std::optional(head.first()));
        for (int reg : kKeptRegisters)
            QCOMPARE(registerValue(reg, *chosen), registerValue(reg, base));
        QVERIFY(std::ranges::find(loadablePresets(), preset) != loadablePresets().end());
    }
}

void TestFactoryDefaults::onlyLoadablePresetsAreChosen()
{
    int found = 0;
    for (int preset = 0; preset < 100; ++preset) {
        const std::optional<SettingsSelection> chosen = selectionForPreset(preset, SettingsSelection{});
        const bool loadable = std::ranges::find(loadablePresets(), preset) != loadablePresets().end();
        QCOMPARE(chosen.has_value(), loadable);
        found += loadable;
    }
    // 51 and 53 to 59: the radio has no use for 52.
    QCOMPARE(found, 8);
}

void TestFactoryDefaults::exampleSequence()
{
    ScriptedHost out;
    RestoreDefaults(selection(2, 1, -1, -1), out);

    const Events expected{ScriptedHost::out("AT&F55"),     ScriptedHost::out("\r"),
                          ScriptedHost::out("ats105=12\r"), ScriptedHost::out("ats131=3\r"),
                          ScriptedHost::out("ats132=4\r"),  ScriptedHost::out("ats191=5\r"),
                          ScriptedHost::out("ats192=6\r"),  ScriptedHost::out("AT&W"),
                          ScriptedHost::out("\r"),          ScriptedHost::paused(100),
                          ScriptedHost::out("AT&V"),        ScriptedHost::out("\r"),
                          ScriptedHost::paused(3000)};
    QCOMPARE(out.events(), expected);
    // Factory defaults are not a save: no saving window, no message.
    QCOMPARE(out.count(ScriptedHost::Kind::HideSavingWindow), 0);
    QCOMPARE(out.count(ScriptedHost::Kind::SaveComplete), 0);
}

void TestFactoryDefaults::keptValuesWithoutSelection()
{
    SettingsSelection s; // nothing chosen, unit address 0
    s.protocolIndex = 0;
    s.mainRxIndex = 63;
    ScriptedHost out;
    RestoreDefaults(s, out);

    QCOMPARE(out.writes().mid(2, 5),
             (QList<QByteArray>{"ats105=0\r", "ats131=-1\r", "ats132=63\r", "ats191=-1\r", "ats192=-1\r"}));
}

QTEST_GUILESS_MAIN(TestFactoryDefaults)
#include "tst_factorydefaults.moc"
