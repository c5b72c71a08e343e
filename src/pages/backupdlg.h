#pragma once

#include "profile/backupstore.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace quenda {

class CProfileTable;

// "备份与恢复": the backups by radio and time, what the selected one holds, and a button that
// hands it to the main window to be loaded into the pages.
class CBackupDlg : public QDialog {
    Q_OBJECT
public:
    // `store` must outlive the window.
    explicit CBackupDlg(const BackupStore &store, QWidget *parent = nullptr);

    // Opens on this radio's backups when it has any.
    void selectRadio(const QString &serialNumber);

    // After "载入": the profile of the chosen backup and its file.
    std::optional<RadioProfile> chosenProfile() const { return m_chosen; }
    QString chosenPath() const { return m_chosenPath; }

    QComboBox *radioList() const { return m_radios; }
    QListWidget *backupList() const { return m_backups; }
    CProfileTable *table() const { return m_table; }
    QLabel *status() const { return m_status; }
    QPushButton *loadButton() const { return m_load; }
    QPushButton *closeButton() const { return m_close; }

signals:
    void profileChosen(const quenda::RadioProfile &profile, const QString &path);

private:
    void fillRadios();
    void fillBackups();
    void showSelected();
    void onLoad();

    const BackupStore &m_store;
    QComboBox *m_radios;
    QListWidget *m_backups;
    CProfileTable *m_table;
    QLabel *m_status;
    QPushButton *m_load;
    QPushButton *m_close;
    std::optional<RadioProfile> m_chosen;
    QString m_chosenPath;
};

} // namespace quenda
