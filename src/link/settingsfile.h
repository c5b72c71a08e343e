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

    // Takes the number the file's first line begins with; a nonzero one marks the port chosen.
    // A missing or unreadable file leaves `choice` as it is.
    void load(PortChoice &choice) const;
    // false when the file could not be written; callers go on without it.
    bool save(int portNumber) const;

    // The number a line begins with, read the way "%d" reads it: blanks skipped, optional sign.
    static std::optional<int> leadingNumber(const QByteArray &line);

private:
    QString m_folder; // empty: beside the executable
};

} // namespace quenda
