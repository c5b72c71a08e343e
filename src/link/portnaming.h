#pragma once

#include <QList>
#include <QString>

namespace quenda {

enum class PortStatus {
    Available,    // opens: listed
    Busy,         // held by another program: not listed
    NoPermission, // exists but this user may not open it: listed with a hint
    Missing,      // no such device: not listed
};

struct PortProbe {
    PortStatus status = PortStatus::Missing;
    QString reason; // the system's text when the device cannot be used
};

struct PortEntry {
    int number = 0;
    QString device;
    PortStatus status = PortStatus::Available;
};

// The one place that turns a COM number into a device and tells whether it can be opened.
// Windows: \\.\COMn. POSIX: a link "comN" in the ports folder (beside the executable unless
// given), otherwise COM1-32 /dev/ttyS0-31, COM33-64 /dev/ttyUSB0-31, COM65-96 /dev/ttyACM0-31.
class PortNaming {
public:
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 255;

    PortNaming() = default;
    explicit PortNaming(const QString &portsFolder);

    QString portsFolder() const;
    static QString comName(int number);
    // n of "COMn" (any case), 0 for anything else.
    static int comNumber(const QString &name);

    // Empty when the number has no device on this system.
    QString device(int number) const;
    // Gives `number` the device `path`, for a port named by its path rather than its number.
    void pin(int number, const QString &path);
    // The number that names `path`: one whose device it already is, else the first number with
    // no device, pinned to it. 0 when every number is taken.
    int numberFor(const QString &path);

    static PortProbe probe(const QString &device);
    PortProbe probe(int number) const;

    // The ports worth offering, ascending: available ones and, on POSIX, those lacking permission.
    QList<PortEntry> scan() const;

private:
    QString m_portsFolder; // empty: beside the executable
    int m_pinnedNumber = 0;
    QString m_pinnedDevice;
};

} // namespace quenda
