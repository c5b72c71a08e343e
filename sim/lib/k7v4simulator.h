#pragma once

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>

#include <array>
#include <memory>
#include <optional>

namespace k7v4 {

// One channel slot of the radio, in its own units.
struct Channel {
    qint64 frequencyHz = 0; // 0: free
    int bandwidthCode = 0;  // 0 6.25 kHz, 1 12.5 kHz, 2 25 kHz
    int directionCode = 2;  // 0 Rx, 1 Tx, 2 Rx&Tx
    bool operator==(const Channel &) const = default;
};

// What the radio holds: serial number, S registers and the 64-slot channel table.
struct RadioState {
    QString serialNumber;
    QMap<int, int> registers; // S-register number to value, e.g. 102 -> 7
    std::array<Channel, 64> channels{};
    bool operator==(const RadioState &) const = default;

    static RadioState factoryDefault();
};

// Ways the simulated radio can be told to misbehave, for tests.
struct Misbehaviour {
    std::optional<int> errorOnRegister; // answer "ERROR" to ats<reg>=
    bool silent = false;                // answer nothing at all
    int splitAnswersAfter = 0;          // >0: answers longer than this come in two pieces
    int splitDelayMs = 500;             // delay of the second piece
    QByteArray beforeBanner;            // noise or an echo sent just before the banner
    std::optional<qint64> refuseFrequency; // a channel frequency it asks for again, as if out of range
    std::optional<int> ignoreRegister;  // answer "OK" to ats<reg>= but keep the old value
};

// A K7V4 radio on the far end of a serial line, answering as the real one does.
class Simulator : public QObject {
    Q_OBJECT
public:
    explicit Simulator(QObject *parent = nullptr);
    ~Simulator() override;

    // The rate the program has set on the line; the radio only understands its own rate.
    void setLineBaud(int baud);
    int ownBaud() const;
    // Bytes written by the program.
    void receive(const QByteArray &bytes);
    // Power the radio on; with CONFIG held it enters configuration mode and sends the banner.
    void powerOn(bool configHeld = true);
    bool inConfigMode() const;

    RadioState working() const;
    RadioState stored() const;
    void setState(const RadioState &state); // both working and stored
    Misbehaviour &misbehaviour();

    bool loadFile(const QString &path, QString *error = nullptr);
    bool saveFile(const QString &path, QString *error = nullptr) const;

signals:
    // Bytes towards the program; a later piece of a split answer comes with delayMs > 0.
    void send(const QByteArray &bytes, int delayMs);

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace k7v4
