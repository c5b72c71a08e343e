#include "link/selectportdlg.h"

#include "protocol/messages.h"
#include "ui/dialogunits.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

namespace quenda {

CSelectPortDlg::CSelectPortDlg(PortChoice &choice, const PortNaming &naming,
                               const SettingsFile &settings, QWidget *parent)
    : QDialog(parent),
      m_choice(choice),
      m_naming(naming),
      m_settings(settings),
      m_list(new QTreeWidget(this)),
      m_ok(new QPushButton(QStringLiteral("确定"), this)),
      m_cancel(new QPushButton(QStringLiteral("取消"), this))
{
    setWindowTitle(QStringLiteral("选择端口"));
    setFont(DialogUnits::dialogFont());
    setFixedSize(DialogUnits::size(187, 95));

    auto *label = new QLabel(QStringLiteral("选择可用的端口"), this);
    DialogUnits::place(label, 63, 14, 57, 8);

    m_list->setObjectName(QStringLiteral("portList"));
    DialogUnits::place(m_list, 11, 25, 163, 37);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({QStringLiteral("端口COM"), QStringLiteral("状态")});
    m_list->header()->setSectionsMovable(true);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setDefaultAlignment(Qt::AlignCenter);
    m_list->setColumnWidth(0, kPortColumnWidth);
    m_list->setColumnWidth(1, kStatusColumnWidth);
    m_list->viewport()->installEventFilter(this);

    m_ok->setObjectName(QStringLiteral("okButton"));
    DialogUnits::place(m_ok, 39, 74, 50, 14);
    m_ok->setDefault(true);
    m_ok->setAutoDefault(true);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    DialogUnits::place(m_cancel, 102, 74, 50, 14);
    m_cancel->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_ok->setEnabled(false);
    fillList();
    if (m_choice.portNumber != 0) {
        m_ok->setEnabled(true);
        m_list->setFocus();
        const QString shown = QString::number(m_choice.portNumber);
        for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
            QTreeWidgetItem *item = m_list->topLevelItem(row);
            if (item->text(0) == shown) {
                m_list->setCurrentItem(item);
                item->setSelected(true);
                break;
            }
        }
    }
}

void CSelectPortDlg::fillList()
{
    m_list->clear();
    const QList<PortEntry> entries = m_naming.scan();
    for (const PortEntry &entry : entries) {
        const bool allowed = entry.status == PortStatus::Available;
        auto *item = new QTreeWidgetItem(
            m_list, {QString::number(entry.number),
                     allowed ? messages::portAvailable() : messages::portNoPermission()});
        item->setTextAlignment(0, Qt::AlignCenter);
        item->setTextAlignment(1, Qt::AlignCenter);
#ifndef Q_OS_WIN
        const QString tip = allowed ? entry.device
                                    : entry.device + QLatin1Char('\n') + messages::noPermissionHint();
        item->setToolTip(0, tip);
        item->setToolTip(1, tip);
#endif
    }
}

bool CSelectPortDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton)
            onListClick(mouse->position().toPoint());
    }
    return QDialog::eventFilter(watched, event);
}

void CSelectPortDlg::onListClick(const QPoint &viewportPos)
{
    // A click that hits no row counts as a click on the first row.
    QTreeWidgetItem *item = m_list->itemAt(viewportPos);
    if (!item)
        item = m_list->topLevelItem(0);
    m_choice.portNumber = item ? item->text(0).toInt() : 0;
    if (m_choice.portNumber == 0)
        return;
    m_ok->setEnabled(true);
    m_choice.portChosen = true;
    m_settings.save(m_choice.portNumber);
}

} // namespace quenda
