#include "pages/backupdlg.h"

#include "pages/profiletable.h"
#include "protocol/messages.h"
#include "ui/dialogunits.h"
#include "ui/messagebox.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace quenda {
namespace {
constexpr int kPathRole = Qt::UserRole;
}

CBackupDlg::CBackupDlg(const BackupStore &store, QWidget *parent)
    : QDialog(parent), m_store(store), m_radios(new QComboBox(this)),
      m_backups(new QListWidget(this)), m_table(new CProfileTable(this)),
      m_status(new QLabel(this)), m_load(new QPushButton(QStringLiteral("载入(&L)"), this)),
      m_close(new QPushButton(QStringLiteral("关闭"), this))
{
    setObjectName(QStringLiteral("backupDlg"));
    setWindowTitle(QStringLiteral("备份与恢复"));
    setFont(DialogUnits::dialogFont());
    resize(DialogUnits::size(400, 260));

    m_radios->setObjectName(QStringLiteral("radioList"));
    auto *radioCaption = new QLabel(QStringLiteral("电台(&R)："), this);
    radioCaption->setBuddy(m_radios);

    m_backups->setObjectName(QStringLiteral("backupList"));
    m_backups->setSelectionMode(QAbstractItemView::SingleSelection);
    auto *backupCaption = new QLabel(QStringLiteral("备份(&B)："), this);
    backupCaption->setBuddy(m_backups);

    m_table->setObjectName(QStringLiteral("backupTable"));
    m_table->setAccessibleName(QStringLiteral("备份内容"));
    m_status->setObjectName(QStringLiteral("backupStatus"));
    m_status->setWordWrap(true);

    m_load->setObjectName(QStringLiteral("loadButton"));
    m_load->setDefault(true);
    m_close->setObjectName(QStringLiteral("closeButton"));
    m_close->setAutoDefault(false);
    connect(m_load, &QPushButton::clicked, this, &CBackupDlg::onLoad);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_radios, &QComboBox::currentIndexChanged, this, &CBackupDlg::fillBackups);
    connect(m_backups, &QListWidget::currentRowChanged, this, &CBackupDlg::showSelected);
    connect(m_backups, &QListWidget::itemActivated, this, &CBackupDlg::onLoad);

    auto *radioRow = new QHBoxLayout;
    radioRow->addWidget(radioCaption);
    radioRow->addWidget(m_radios, 1);
    auto *left = new QVBoxLayout;
    left->addLayout(radioRow);
    left->addWidget(backupCaption);
    left->addWidget(m_backups, 1);
    auto *panes = new QHBoxLayout;
    panes->addLayout(left);
    panes->addWidget(m_table, 1);
    m_backups->setFixedWidth(DialogUnits::x(100));
    m_radios->setMinimumContentsLength(12);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_load);
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(panes, 1);
    layout->addLayout(buttons);

    setTabOrder(m_radios, m_backups);
    setTabOrder(m_backups, m_table);
    setTabOrder(m_table, m_load);
    setTabOrder(m_load, m_close);

    fillRadios();
    m_backups->setFocus();
}

void CBackupDlg::selectRadio(const QString &serialNumber)
{
    const int index = m_radios->findText(BackupStore::folderName(serialNumber));
    if (index >= 0)
        m_radios->setCurrentIndex(index);
}

void CBackupDlg::fillRadios()
{
    {
        const QSignalBlocker block(m_radios);
        const QString current = m_radios->currentText();
        m_radios->clear();
        m_radios->addItems(m_store.radios());
        m_radios->setCurrentIndex(qMax(0, m_radios->findText(current)));
        m_radios->setEnabled(m_radios->count() > 0);
    }
    fillBackups();
}

void CBackupDlg::fillBackups()
{
    {
        const QSignalBlocker block(m_backups);
        m_backups->clear();
        for (const BackupEntry &entry : m_store.backups(m_radios->currentText())) {
            auto *item = new QListWidgetItem(
                entry.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                m_backups);
            item->setData(kPathRole, entry.path);
            item->setToolTip(QDir::toNativeSeparators(entry.path));
        }
    }
    if (m_backups->count() > 0)
        m_backups->setCurrentRow(0); // the newest
    else
        showSelected();
}

void CBackupDlg::showSelected()
{
    QListWidgetItem *item = m_backups->currentItem();
    if (!item) {
        m_table->clearProfiles();
        m_status->setText(m_radios->count() == 0 ? messages::noBackups() : QString());
        m_load->setEnabled(false);
        return;
    }
    // A broken file is told here rather than in a box, so the list stays easy to walk through.
    const profile::Loaded loaded = BackupStore::load(item->data(kPathRole).toString());
    if (!loaded.profile) {
        m_table->clearProfiles();
        m_status->setText(loaded.error);
        m_load->setEnabled(false);
        return;
    }
    m_table->showProfile(*loaded.profile, item->text());
    m_table->scrollToTop();
    m_status->setText(loaded.unknownKeys.isEmpty()
                          ? QString()
                          : messages::unknownKeysIgnored(loaded.unknownKeys));
    m_load->setEnabled(true);
}

void CBackupDlg::onLoad()
{
    QListWidgetItem *item = m_backups->currentItem();
    if (!item || !m_load->isEnabled())
        return;
    // Read again: another read may have removed it from the history since it was shown.
    const QString path = item->data(kPathRole).toString();
    const profile::Loaded loaded = BackupStore::load(path);
    if (!loaded.profile) {
        MessageBox::warn(this, loaded.error);
        fillRadios();
        return;
    }
    m_chosen = loaded.profile;
    m_chosenPath = path;
    emit profileChosen(*m_chosen, m_chosenPath);
    accept();
}

} // namespace quenda
