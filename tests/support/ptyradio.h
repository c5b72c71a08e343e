#pragma once

#include "lib/k7v4simulator.h"
#include "lib/ptyserver.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

namespace quenda::test {

// The simulated K7V4 on the pseudo-terminal server that k7v4-sim runs, its slave side registered
// as COMn in a ports folder, where the program looks for its serial ports. It runs on the event
// loop of the thread that made it, so it answers while the program pauses or shows a message
// box, and its radio state can be read and changed at any moment. It answers at the radio's line
// rate, ten bits a byte, unless told otherwise (setPaced).
class PtyRadio : public QObject {
    Q_OBJECT
public:
    // One read from the line, with the rate the program's end of the line had at that moment.
    struct Read {
        QByteArray bytes;
        int lineBaud = 0;
    };

    explicit PtyRadio(QObject *parent = nullptr);
    ~PtyRadio() override;
    PtyRadio(const PtyRadio &) = delete;
    PtyRadio &operator=(const PtyRadio &) = delete;

    // Opens the pseudo-terminal and makes `portsFolder`/com<com> point at it, replacing an
    // older link of that name. On failure `error` says why.
    bool start(const QString &portsFolder, int com, QString *error = nullptr);
    bool isPlugged() const { return m_server.isOpen(); }
    int com() const { return m_com; }
    QString slavePath() const { return m_server.slavePath(); }

    // The radio is unplugged: its side of the line closes for good and the link dangles.
    void unplug();
    // The radio is switched on, with or without the CONFIG key held.
    void powerOn(bool configHeld = true);

    // On by default. Off: every answer is on the line at once.
    void setPaced(bool paced) { m_server.setPaced(paced); }
    // Bytes the radio has said that have not left on the line yet.
    qsizetype pendingOutput() const { return m_server.pendingOutput(); }

    k7v4::Simulator &simulator() { return m_sim; }
    const k7v4::Simulator &simulator() const { return m_sim; }

    // What the program wrote, all of it and read by read.
    QByteArray received() const { return m_received; }
    QList<Read> reads() const { return m_reads; }
    // What the radio has put on the line so far.
    QByteArray sent() const { return m_sent; }
    void clearTraffic();

    // Runs `action` once, as soon as the program's writes since this call contain `text`, before
    // the radio takes the read that completed it (the action may unplug or silence the radio).
    void whenReceived(const QByteArray &text, std::function<void()> action);

private:
    void onReceived(const QByteArray &bytes, int lineBaud);

    k7v4::Simulator m_sim;
    k7v4::PtyServer m_server{m_sim};
    int m_com = 0;
    QByteArray m_received;
    QByteArray m_sent;
    QList<Read> m_reads;

    struct Trigger {
        QByteArray text;
        QByteArray seen;
        std::function<void()> action;
    };
    QList<Trigger> m_triggers;
};

// Valgrind and slow machines stretch every wait by QUENDA_E2E_SLOW (a factor, default 1).
inline int slow(int ms)
{
    static const int factor = qMax(1, qEnvironmentVariableIntValue("QUENDA_E2E_SLOW"));
    return ms * factor;
}

// What a suite of the real window on a pseudo-terminal radio does first: the platform's notes
// quieted, the program's name, message boxes shown for real. Empty when the machine gives the
// radio a pseudo-terminal, else why the suite must be skipped.
QString prepareRadioSuite(int com);

// The port chosen in an earlier run: para.ini in `folder` names COM<com>.
bool choosePortBefore(const QString &folder, int com);

// The offscreen platform's notes on what it cannot do would bury the tests' own output.
inline void quietPlatformNoise()
{
    static const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (!message.startsWith(QLatin1String("This plugin does not support")))
                previous(type, context, message);
        });
}

} // namespace quenda::test
