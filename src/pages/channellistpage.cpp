#include "pages/channellistpage.h"

#include "app/filedialog.h"
#include "app/messagebox.h"
#include "app/messages.h"
#include "pages/channelfile.h"
#include "protocol/frequencycheck.h"
#include "protocol/pendingchannels.h"
#include "protocol/writedialogue.h"

#include <QComboBox>
#include <QCursor>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>

#include <utility>

namespace quenda {
namespace {
constexpr int kRows = kChannelSlots;
constexpr int kColumnWidths[] = {60, 130, 80, 80};
const char16_t *const kHeaders[] = {u"Channel", u"Frequency(MHz)", u"BW", u"DIR"};

QString fieldOf(const ChannelEntry &entry, int column)
{
    switch (column) {
    case CChannelListPage::ChannelColumn:
        return entry.channel;
    case CChannelListPage::FrequencyColumn:
        return entry.frequency;
    case CChannelListPage::BandwidthColumn:
        return entry.bandwidth;
    case CChannelListPage::DirectionColumn:
        return entry.direction;
    }
    return {};
}

QString problemText(FrequencyProblem problem)
{
    switch (problem) {
    case FrequencyProblem::Range:
        return messages::frequencyRange();
    case FrequencyProblem::Value:
        return messages::frequencyValue();
    case FrequencyProblem::Format:
        return messages::frequencyFormat();
    case FrequencyProblem::None:
        break;
    }
    return {};
}
} // namespace

CChannelListPage::CChannelListPage(const RadioConfig &config, QWidget *parent)
    : CPage(config, 251, 146, parent)
{
    m_list = new QTableWidget(kRows, ColumnCount, this);
    m_list->setObjectName(QStringLiteral("channelList"));
    m_list->setAccessibleName(QStringLiteral("通道列表"));
    place(m_list, 0, 7, 247, 118);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setShowGrid(true);
    m_list->setWordWrap(false);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 4);
    QHeaderView *header = m_list->horizontalHeader();
    header->setSectionsMovable(true);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setStretchLastSection(false);
    for (int column = 0; column < ColumnCount; ++column) {
        m_list->setHorizontalHeaderItem(
            column, new QTableWidgetItem(QString::fromUtf16(kHeaders[column])));
        m_list->setColumnWidth(column, kColumnWidths[column]);
    }
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < ColumnCount; ++column) {
            auto *item = new QTableWidgetItem(column == ChannelColumn ? QString::number(row)
                                                                      : QString());
            item->setTextAlignment(Qt::AlignCenter);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            m_list->setItem(row, column, item);
        }
    }

    // The editors belong to the list's viewport: they scroll with it and are drawn over it.
    m_textEditor = new QLineEdit(m_list->viewport());
    m_textEditor->setObjectName(QStringLiteral("freqEditor"));
    m_textEditor->hide();
    m_bandwidthEditor = new QComboBox(m_list->viewport());
    m_bandwidthEditor->setObjectName(QStringLiteral("bandwidthEditor"));
    m_bandwidthEditor->setEditable(true);
    // Any typed text is taken as it stands: no completion, and Return adds no item.
    m_bandwidthEditor->setCompleter(nullptr);
    m_bandwidthEditor->setInsertPolicy(QComboBox::NoInsert);
    m_bandwidthEditor->setMaxVisibleItems(3);
    m_bandwidthEditor->hide();

    const struct {
        QPushButton *&button;
        const char *objectName;
        const char16_t *text;
        int x;
    } buttons[] = {
        {m_importButton, "importButton", u"导入列表", 9},
        {m_exportButton, "exportButton", u"导出列表", 69},
        {m_deleteButton, "deleteButton", u"删除", 129},
        {m_clearButton, "clearButton", u"清空", 189},
    };
    for (const auto &b : buttons) {
        b.button = new QPushButton(QString::fromUtf16(b.text), this);
        b.button->setObjectName(QLatin1String(b.objectName));
        // Return belongs to the cell editors here, never to a button of the page.
        b.button->setAutoDefault(false);
        place(b.button, b.x, 129, 50, 14);
    }
    m_deleteButton->setEnabled(false);
    connect(m_importButton, &QPushButton::clicked, this, &CChannelListPage::ImportList);
    connect(m_exportButton, &QPushButton::clicked, this, &CChannelListPage::ExportList);
    connect(m_deleteButton, &QPushButton::clicked, this, &CChannelListPage::OnDelete);
    connect(m_clearButton, &QPushButton::clicked, this, &CChannelListPage::OnClear);

    // Return is taken from every control of the page before the control or the main window
    // sees it; clicks and focus changes of the list and editors drive the in-place editing.
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);

    m_list->scrollToTop();
    m_list->setCurrentCell(0, ChannelColumn);
    m_list->selectRow(0);
    m_list->setFocus();
}

QString CChannelListPage::cell(int row, int column) const
{
    if (row < 0 || row >= kRows || column < 0 || column >= ColumnCount)
        return {};
    return m_list->item(row, column)->text();
}

void CChannelListPage::setCell(int row, int column, const QString &text)
{
    if (row < 0 || row >= kRows || column < FrequencyColumn || column >= ColumnCount)
        return;
    m_list->item(row, column)->setText(text);
}

ChannelTable CChannelListPage::rows() const
{
    ChannelTable table;
    for (int row = 0; row < kRows; ++row) {
        ChannelEntry &entry = table[std::size_t(row)];
        entry.channel = cell(row, ChannelColumn);
        entry.frequency = cell(row, FrequencyColumn);
        entry.bandwidth = cell(row, BandwidthColumn);
        entry.direction = cell(row, DirectionColumn);
    }
    return table;
}

void CChannelListPage::FillFromRecord()
{
    // The radio still holds what was read for the rows a save left out.
    for (int row : std::exchange(m_leftOut, {})) {
        const ChannelEntry &read = m_readCopy[std::size_t(row)];
        setCell(row, FrequencyColumn, read.frequency);
        setCell(row, BandwidthColumn, read.bandwidth);
        setCell(row, DirectionColumn, read.direction);
    }
    const int count = std::clamp(m_config.channelCount, 0, kChannelSlots);
    for (int i = 0; i < count; ++i) {
        const ChannelEntry &entry = m_config.channels[std::size_t(i)];
        const int row = atoiValue(entry.channel);
        setCell(row, FrequencyColumn, entry.frequency);
        setCell(row, BandwidthColumn, entry.bandwidth);
        setCell(row, DirectionColumn, entry.direction);
    }
    m_readCopy = rows();
}

void CChannelListPage::ClearChannels()
{
    m_leftOut.clear();
    for (int row = 0; row < kRows; ++row) {
        for (int column = FrequencyColumn; column < ColumnCount; ++column)
            setCell(row, column, QString());
    }
}

bool CChannelListPage::BuildPendingChannels(SaveState &state)
{
    return quenda::BuildPendingChannels(rows(), m_readCopy, state.pendingChannels,
                                        state.pendingChannelCount, &m_leftOut);
}

bool CChannelListPage::ConfirmRowsBeforeSave()
{
    QStringList blocking;
    QStringList leftOut;
    for (const ChannelRowProblem &p : FindChannelProblems(rows(), m_readCopy)) {
        const QString shown = messages::channelRowProblem(p.row, p.problem, p.text);
        (blocksSave(p.problem) ? blocking : leftOut) << shown;
    }
    if (!blocking.isEmpty()) {
        MessageBox::inform(window(), messages::unreadableFrequencies(blocking),
                           messages::confirmSaveCaption());
        return false;
    }
    if (leftOut.isEmpty())
        return true;
    return MessageBox::ask(window(), messages::rowsLeftOut(leftOut),
                           messages::confirmSaveCaption()) == MessageBox::Ok;
}

bool CChannelListPage::rowComplete(int row) const
{
    if (row < 0 || row >= kRows)
        return false;
    return !cell(row, FrequencyColumn).isEmpty() && !cell(row, BandwidthColumn).isEmpty() &&
           !cell(row, DirectionColumn).isEmpty();
}

void CChannelListPage::setDeleteEnabled(bool enabled)
{
    m_deleteButton->setEnabled(enabled);
}

int CChannelListPage::selectedRow() const
{
    const QModelIndexList selected = m_list->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

bool CChannelListPage::isReturn(const QEvent *event) const
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent *>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool CChannelListPage::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    // The drop-down of the bandwidth editor is a window of its own and handles its keys.
    if (widget && widget->window() == window() && isReturn(event)) {
        commitEditor(false);
        event->accept();
        return true;
    }
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<const QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton)
            onListClicked(mouse->position().toPoint());
    } else if (watched == m_openEditor && event->type() == QEvent::KeyPress &&
               static_cast<const QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        // Esc belongs to the edit, not to the main window, which would end the program.
        cancelEditor();
        event->accept();
        return true;
    } else if ((watched == m_textEditor || watched == m_bandwidthEditor) &&
               event->type() == QEvent::FocusOut) {
        // Opening the drop-down moves the focus into it without leaving the editor.
        if (static_cast<const QFocusEvent *>(event)->reason() != Qt::PopupFocusReason &&
            watched == m_openEditor)
            commitEditor(true);
    }
    return CPage::eventFilter(watched, event);
}

void CChannelListPage::keyPressEvent(QKeyEvent *event)
{
    if (isReturn(event)) {
        commitEditor(false);
        event->accept();
        return;
    }
    CPage::keyPressEvent(event);
}

void CChannelListPage::onListClicked(const QPoint &viewportPos)
{
    const QModelIndex index = m_list->indexAt(viewportPos);
    if (index.isValid() && index.column() != ChannelColumn)
        openEditor(index.row(), index.column());

    const int row = selectedRow();
    if (row >= 0 && cell(row, FrequencyColumn).isEmpty() && cell(row, BandwidthColumn).isEmpty() &&
        cell(row, DirectionColumn).isEmpty())
        setCell(row, DirectionColumn, QStringLiteral("Rx&Tx"));
    m_deleteButton->setEnabled(true);
}

void CChannelListPage::openEditor(int row, int column)
{
    // An editor left open under the pointer is written before it moves to another cell.
    commitEditor(false);

    const QRect cellRect = m_list->visualRect(m_list->model()->index(row, column));
    const QString text = cell(row, column);
    const QString name = QStringLiteral("%1 %2").arg(QString::fromUtf16(kHeaders[column])).arg(row);
    editRow = row;
    editColumn = column;
    if (column == BandwidthColumn) {
        // The drop-down opens below the cell, with room for the three texts.
        m_bandwidthEditor->setGeometry(cellRect.adjusted(0, -2, 0, 3));
        m_bandwidthEditor->clear();
        for (const char *bandwidth : tables::channelBandwidthTexts)
            m_bandwidthEditor->addItem(QString::fromLatin1(bandwidth));
        m_bandwidthEditor->setEditText(text);
        m_bandwidthEditor->setAccessibleName(name);
        m_openEditor = m_bandwidthEditor;
    } else {
        m_textEditor->setGeometry(cellRect.adjusted(0, -2, 0, 3));
        m_textEditor->setText(text);
        m_textEditor->setAccessibleName(name);
        m_openEditor = m_textEditor;
    }
    m_openEditor->show();
    m_openEditor->raise();
    m_openEditor->setFocus(Qt::MouseFocusReason);
}

void CChannelListPage::commitEditor(bool keepUnderPointer)
{
    if (!m_openEditor)
        return;
    if (keepUnderPointer) {
        const QRect cellRect = m_list->visualRect(m_list->model()->index(editRow, editColumn));
        if (cellRect.contains(m_list->viewport()->mapFromGlobal(QCursor::pos())))
            return;
    }
    QWidget *editor = m_openEditor;
    // Hiding the editor takes its focus away; that must not commit a second time.
    m_openEditor = nullptr;
    const QString text =
        editor == m_textEditor ? m_textEditor->text() : m_bandwidthEditor->currentText();
    setCell(editRow, editColumn, text);
    // Keys typed after Return go to the list, not to a hidden editor.
    const bool hadFocus = editor->hasFocus();
    editor->hide();
    if (hadFocus)
        m_list->setFocus(Qt::OtherFocusReason);
    if (editor == m_textEditor && editColumn == FrequencyColumn) {
        const QString problem = problemText(CheckFrequency(text));
        if (!problem.isEmpty())
            MessageBox::inform(this, problem);
    }
    if (text != fieldOf(m_readCopy[std::size_t(editRow)], editColumn))
        MarkChanged();
}

void CChannelListPage::cancelEditor()
{
    QWidget *editor = std::exchange(m_openEditor, nullptr);
    if (!editor)
        return;
    const bool hadFocus = editor->hasFocus();
    editor->hide();
    if (hadFocus)
        m_list->setFocus(Qt::OtherFocusReason);
}

void CChannelListPage::OnDelete()
{
    const int row = selectedRow();
    for (int column = FrequencyColumn; column < ColumnCount; ++column)
        setCell(row, column, QString());
    MarkChanged();
}

void CChannelListPage::OnClear()
{
    ClearChannels();
    MarkChanged();
}

void CChannelListPage::ExportList()
{
    const QString proposed = channelfile::proposedFileName(m_config.serialNumber);
    const QString path =
        FileDialog::getSaveFileName(window(), QStringLiteral("输出通道列表"), proposed);
    if (path.isEmpty())
        return;
    QString error;
    if (!channelfile::write(path, rows(), &error))
        MessageBox::warn(window(), error);
}

void CChannelListPage::ImportList()
{
    const QString proposed = channelfile::proposedFileName(m_config.serialNumber);
    const QString path =
        FileDialog::getOpenFileName(window(), QStringLiteral("输入通道列表"), proposed);
    if (path.isEmpty())
        return;
    channelfile::Import import;
    QString error;
    if (!channelfile::read(path, &import, &error)) {
        MessageBox::warn(window(), error);
        return;
    }
    m_importTable = import.importTable;
    for (const auto &[row, entry] : std::as_const(import.rows)) {
        setCell(row, FrequencyColumn, entry.frequency);
        setCell(row, BandwidthColumn, entry.bandwidth);
        setCell(row, DirectionColumn, entry.direction);
    }
}

} // namespace quenda
