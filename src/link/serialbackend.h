#pragma once

#include "link/portnaming.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;

namespace quenda {

// What the serial port control needs of a port: 8 data bits, no parity, 1 stop bit, no flow control.
class SerialBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // `port` is "COMn" or a device path. On failure `error` gets a text that names the port.
    virtual bool open(const QString &port, int baud, QString *error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool setBaudRate(int baud) = 0;
    virtual qint64 write(const QByteArray &bytes) = 0;
    virtual QByteArray readAll() = 0;
    virtual qint64 bytesAvailable() const = 0;
    virtual void setRts(bool on) = 0;
    // Discards whatever was received so far, including bytes that waited before the open.
    virtual void clearInput() = 0;
    // Waits, at most `maxMs`, until the written bytes have left; true when they have.
    virtual bool drain(int maxMs) = 0;

signals:
    void readyRead();
    // The device went away; the port is already closed. Emitted once per loss.
    void lost(const QString &description);
};

class QSerialPortBackend : public SerialBackend {
    Q_OBJECT
public:
    explicit QSerialPortBackend(PortNaming naming = PortNaming(), QObject *parent = nullptr);
    ~QSerialPortBackend() override;

    bool open(const QString &port, int baud, QString *error) override;
    void close() override;
    bool isOpen() const override;
    bool setBaudRate(int baud) override;
    qint64 write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    qint64 bytesAvailable() const override;
    void setRts(bool on) override;
    void clearInput() override;
    bool drain(int maxMs) override;

    // The device path of the open port.
    QString device() const;

private:
    void onError(int error);
    void finishLoss(quint64 session);

    PortNaming m_naming;
    QSerialPort *m_port;
    QString m_device;
    quint64 m_session = 0;
    bool m_lossPending = false;
};

} // namespace quenda
