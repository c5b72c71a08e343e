#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

namespace quenda {

class CommLog;
class Pause;
class SerialBackend;

// The serial port control: the operations the program performs on its one serial port.
// Failures (opening a missing or busy port, writing to a closed one) throw CommError.
// OnComm is raised when received bytes wait, never while a Pause runs.
class CMSComm : public QObject {
    Q_OBJECT
public:
    static constexpr short comEvReceive = 2;

    // Without a backend, the real serial port is used.
    explicit CMSComm(Pause &pause, std::unique_ptr<SerialBackend> backend = {},
                     QObject *parent = nullptr);
    ~CMSComm() override;

    bool GetPortOpen() const;
    void SetPortOpen(bool open);
    short GetCommPort() const;
    void SetCommPort(short port);
    QString GetSettings() const;
    void SetSettings(const QString &settings); // "9600,n,8,1"
    void SetInBufferSize(short bytes);
    void SetOutBufferSize(short bytes);
    void SetInputMode(long mode);
    void SetRThreshold(short bytes);
    void SetInputLen(short bytes);
    void SetNullDiscard(bool discard);
    void SetRTSEnable(bool enable);
    // All waiting bytes; they leave the buffer.
    QByteArray GetInput();
    // Sends the bytes as they stand, nothing added.
    void SetOutput(const QByteArray &bytes);
    short GetCommEvent() const;

    // Waits, at most `maxMs`, until what was written has left the port; closing discards it.
    bool drainOutput(int maxMs);

    SerialBackend &backend() { return *m_backend; }
    // Where every byte sent and received is recorded as it passes; none: nothing is recorded.
    void setLog(CommLog *log);

signals:
    void OnComm();
    // The device went away (adapter unplugged, other end closed); the port has been closed.
    void portLost(const QString &description);

private:
    void takeReceived();
    void raiseIfWaiting();
    // Raises the receive event held back by a pause, once, if bytes still wait.
    void raiseHeldEvent();

    class Private;
    std::unique_ptr<Private> d;
    std::unique_ptr<SerialBackend> m_backend;
};

} // namespace quenda
