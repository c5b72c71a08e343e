// The window menu's profile entries: export, import, backups and compare.
#include "app/quendadlg.h"

#include "pages/backupdlg.h"
#include "pages/channellistpage.h"
#include "pages/comparedlg.h"
#include "profile/backupstore.h"
#include "profile/profile.h"
#include "protocol/messages.h"
#include "ui/filedialog.h"
#include "ui/messagebox.h"

#include <QFileInfo>

namespace quenda {
namespace {
QString proposedProfileName(const QString &serialNumber)
{
    const QString radio = BackupStore::folderName(serialNumber);
    return QStringLiteral("%1.json").arg(radio.isEmpty() ? QStringLiteral("quenda") : radio);
}

// The reader's message, or the profile.
std::optional<RadioProfile> readProfile(QWidget *parent, const QString &path,
                                        QStringList *unknownKeys = nullptr)
{
    const profile::Loaded loaded = profile::read(path);
    if (!loaded.profile) {
        MessageBox::warn(parent, loaded.error);
        return std::nullopt;
    }
    if (unknownKeys)
        *unknownKeys = loaded.unknownKeys;
    return loaded.profile;
}
} // namespace

RadioProfile CQuendaDlg::pagesProfile(QStringList *skipped) const
{
    RadioProfile pages;
    pages.serialNumber = m_session->config().serialNumber;
    profile::setRegisters(pages, m_pages->selection());
    profile::setChannels(pages, m_pages->channels()->rows(), skipped);
    return pages;
}

void CQuendaDlg::loadIntoPages(const RadioProfile &loaded)
{
    SettingsSelection selection = m_pages->selection();
    profile::applyRegisters(loaded, selection);
    m_pages->setSelection(selection);
    m_pages->setChannelRows(profile::channelRows(loaded));
    MarkChanged();
    const QString radio = m_session->config().serialNumber;
    if (!loaded.serialNumber.isEmpty() && loaded.serialNumber != radio)
        MessageBox::inform(this, messages::profileFromOtherRadio(loaded.serialNumber));
}

void CQuendaDlg::OnExportProfile()
{
    QStringList skipped;
    const RadioProfile pages = pagesProfile(&skipped);
    const QString path = FileDialog::getSaveFileName(this, QStringLiteral("导出配置"),
                                                     proposedProfileName(pages.serialNumber),
                                                     FileDialog::Profile);
    if (path.isEmpty())
        return;
    QString error;
    if (!profile::write(path, pages, &error)) {
        MessageBox::warn(this, error);
        return;
    }
    if (!skipped.isEmpty())
        MessageBox::warn(this, messages::rowsNotExported(skipped));
}

void CQuendaDlg::OnImportProfile()
{
    const QString path = FileDialog::getOpenFileName(
        this, QStringLiteral("导入配置"), proposedProfileName(m_session->config().serialNumber),
        FileDialog::Profile);
    if (path.isEmpty())
        return;
    QStringList unknownKeys;
    const std::optional<RadioProfile> loaded = readProfile(this, path, &unknownKeys);
    if (!loaded)
        return;
    loadIntoPages(*loaded);
    if (!unknownKeys.isEmpty())
        MessageBox::inform(this, messages::unknownKeysIgnored(unknownKeys));
}

void CQuendaDlg::OnBackups()
{
    CBackupDlg dlg(m_session->backupStore(), this);
    dlg.selectRadio(m_session->config().serialNumber);
    if (dlg.exec() == QDialog::Accepted && dlg.chosenProfile())
        loadIntoPages(*dlg.chosenProfile());
}

void CQuendaDlg::OnCompare()
{
    const QString path = FileDialog::getOpenFileName(this, QStringLiteral("与文件比较"), QString(),
                                                     FileDialog::Profile);
    if (path.isEmpty())
        return;
    const std::optional<RadioProfile> other = readProfile(this, path);
    if (!other)
        return;
    CCompareDlg dlg(pagesProfile(), QStringLiteral("当前页面"), *other,
                    QFileInfo(path).fileName(), this);
    dlg.exec();
}

} // namespace quenda
