#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quenda {

// The chosen COM port. portChosen, once set, stays set for the run.
struct PortChoice {
    int portNumber = 0; // 0: none
    bool portChosen = false;
};

// para.ini: the port number in decimal, nothing else.
class SettingsFile {
public:
    static constexpr char kFileName[] = "para.ini";

    // In the folder of the executable.
    SettingsFile() = default;
    explicit SettingsFile(const QString &folder);

    QString path() const;

    enum class LoadResult {
        Read,       // the file was read, whatever it held
        Missing,    // no file, or one the system would not open: no port, nothing to tell
        NotRegular, // a FIFO, device or folder stands under the name: not read, worth telling
    };

    // Takes the number the file's first line begins with; a number that names a port marks it
    // chosen, any other number means none. A file that was not read leaves `choice` as it is.
    LoadResult load(PortChoice &choice) const;
    // false when the file could not be written; callers go on without it.
    bool save(int portNumber) const;

    // The number a line begins with, read the way "%d" reads it: blanks skipped, optional sign.
    static std::optional<int> leadingNumber(const QByteArray &line);

private:
    QString m_folder; // empty: beside the executable
};

} // namespace quenda
