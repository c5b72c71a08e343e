#pragma once

#include "profile/profile.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace quenda {

// One stored read of a radio.
struct BackupEntry {
    QDateTime time; // UTC, from the file name
    QString path;

    bool operator==(const BackupEntry &) const = default;
};

// Keeps a profile of every complete read: one folder per radio (by serial number), one file per
// read named by its time, never overwritten, the newest kHistory kept.
class BackupStore {
public:
    static constexpr int kHistory = 50;

    // `root` is the folder that holds the radios' folders.
    explicit BackupStore(QString root = defaultRoot());

    // "backups" in the platform's application data location.
    static QString defaultRoot();
    QString root() const { return m_root; }

    // Time stamps come from here; tests give their own clock.
    void setClock(std::function<QDateTime()> clock);

    // Stores a new backup and removes the oldest beyond kHistory. On failure nothing is stored
    // and `error` says why.
    bool store(const RadioProfile &profile, QString *error = nullptr,
               QString *storedPath = nullptr);

    // Folder names of the radios that have backups, sorted.
    QStringList radios() const;
    // The backups of one radio (a name from radios()), newest first.
    QList<BackupEntry> backups(const QString &radio) const;
    static profile::Loaded load(const QString &path);

    // The folder name of a serial number: no path separators, control or reserved characters.
    static QString folderName(const QString &serialNumber);

private:
    QString m_root;
    std::function<QDateTime()> m_clock;
};

} // namespace quenda
