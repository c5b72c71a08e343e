#pragma once

#include "linepacer.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

namespace k7v4 {

class Simulator;

// A simulated radio served on a pseudo-terminal. The program opens the slave side like a serial
// port, usually through a link ports/comN -> /dev/pts/M; the radio hears the program at the rate
// the program set on its end of the line and answers at its own rate, paced as on a real line
// unless pacing is switched off. Runs on the event loop of the thread that made it, so it answers
// while the program pauses or shows a message box.
class PtyServer : public QObject {
    Q_OBJECT
public:
    explicit PtyServer(Simulator &sim, QObject *parent = nullptr);
    ~PtyServer() override;
    PtyServer(const PtyServer &) = delete;
    PtyServer &operator=(const PtyServer &) = delete;

    bool open(QString *error);
    bool isOpen() const { return m_master >= 0; }
    // Closes both sides: the line hangs up for whoever holds it, as when a radio is unplugged.
    // The link stays and dangles.
    void close();
    QString slavePath() const { return m_slavePath; }

    // Makes `folder`/com<com> point at the slave side, replacing an older link of that name
    // (but never a file that is not a link).
    bool registerLink(const QString &folder, int com, QString *error);
    // Removes the link, if it still points at this line.
    void unregisterLink();
    QString linkPath() const { return m_linkPath; }

    // On by default: answers leave at the radio's own rate, ten bits a byte. Off: at once.
    void setPaced(bool paced) { m_paced = paced; }
    bool isPaced() const { return m_paced; }
    // Bytes the radio has said that have not left on the line yet.
    qsizetype pendingOutput() const { return m_pacer.pending() + m_out.size(); }

    // The radio is switched on, at whatever rate the program's end of the line is set to.
    void powerOn(bool configHeld);
    // The rate of the program's end of the line, or the last one it set while it held the line.
    int lineBaud();

signals:
    // What the program wrote and the rate of its end of the line, before the radio takes it.
    // A slot may close the server, and the radio then never hears these bytes.
    void received(const QByteArray &bytes, int lineBaud);
    // Bytes that have just left on the line towards the program.
    void sent(const QByteArray &bytes);
    // Something went wrong on the line (bytes dropped, a write failed).
    void trouble(const QString &text);

private:
    void readMaster();
    void queue(const QByteArray &bytes, int delayMs);
    void deliverDue();
    void writeOut();

    Simulator &m_sim;
    int m_master = -1;
    int m_slave = -1; // held, so the line keeps its settings while the program reopens it
    int m_lastOpenBaud = 0;
    bool m_paced = true;
    QString m_slavePath;
    QString m_linkPath;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QTimer m_ratePoll;
    QTimer m_reopenTimer;
    QTimer m_paceTimer;
    QElapsedTimer m_clock;
    LinePacer m_pacer;
    QByteArray m_out;
};

} // namespace k7v4
