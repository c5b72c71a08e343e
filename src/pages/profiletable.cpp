#include "pages/profiletable.h"

#include "ui/dialogunits.h"

#include <QHeaderView>
#include <QScrollBar>

namespace quenda {
namespace {

enum Column { MarkColumn, LabelColumn, FirstValueColumn };

QString markText()
{
    return QStringLiteral("≠");
}

QTableWidgetItem *cell(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

} // namespace

CProfileTable::CProfileTable(QWidget *parent)
    : QTableWidget(kRowCount, FirstValueColumn + 1, parent)
{
    setFont(DialogUnits::dialogFont());
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(false); // Tab leaves the table for the buttons
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(true);
    m_marked = QList<bool>(kRowCount, false);
    clearProfiles();
}

int CProfileTable::rowOfRegister(int reg)
{
    return registerSlot(reg);
}

int CProfileTable::rowOfChannel(int number)
{
    return number < kFirstChannel || number > kLastChannel ? -1 : kProfileRegisterCount + number;
}

void CProfileTable::fillLabels()
{
    for (const RegisterInfo &info : profileRegisters())
        setItem(rowOfRegister(info.number), LabelColumn, cell(QString::fromUtf16(info.caption)));
    for (int n = 0; n < kChannelSlots; ++n)
        setItem(rowOfChannel(n), LabelColumn, cell(profile::channelLabel(n)));
}

QString CProfileTable::header(const QString &title, const RadioProfile &profile)
{
    return profile.serialNumber.isEmpty()
               ? title
               : QStringLiteral("%1（序列号 %2）").arg(title, profile.serialNumber);
}

void CProfileTable::setValueColumn(int column, const RadioProfile &profile)
{
    for (const RegisterInfo &info : profileRegisters())
        setItem(rowOfRegister(info.number), column,
                cell(profile::describeRegister(info, profile.value(info.number))));
    for (int n = 0; n < kChannelSlots; ++n)
        setItem(rowOfChannel(n), column,
                cell(profile::describeChannel(profile.channels[std::size_t(n)])));
}

void CProfileTable::clearProfiles()
{
    m_differences.clear();
    m_marked.fill(false);
    setColumnCount(FirstValueColumn + 1);
    setHorizontalHeaderLabels({QString(), QStringLiteral("设置"), QString()});
    setColumnHidden(MarkColumn, true);
    fillLabels(); // anew: a comparison marked some of them
    for (int row = 0; row < kRowCount; ++row) {
        setItem(row, FirstValueColumn, cell(QString()));
        setRowHidden(row, false);
    }
}

void CProfileTable::showProfile(const RadioProfile &profile, const QString &title)
{
    clearProfiles();
    setHorizontalHeaderLabels({QString(), QStringLiteral("设置"), header(title, profile)});
    setValueColumn(FirstValueColumn, profile);
    resizeColumnToContents(LabelColumn);
    resizeColumnToContents(FirstValueColumn);
}

void CProfileTable::showProfiles(const RadioProfile &left, const QString &leftTitle,
                                 const RadioProfile &right, const QString &rightTitle)
{
    clearProfiles();
    setColumnCount(FirstValueColumn + 2);
    setHorizontalHeaderLabels({QStringLiteral("差异"), QStringLiteral("设置"),
                               header(leftTitle, left), header(rightTitle, right)});
    setColumnHidden(MarkColumn, false);
    setValueColumn(FirstValueColumn, left);
    setValueColumn(FirstValueColumn + 1, right);

    m_differences = diffProfiles(left, right);
    for (const ProfileDifference &d : m_differences) {
        const int row = d.kind == ProfileDifference::Kind::Register ? rowOfRegister(d.number)
                                                                    : rowOfChannel(d.number);
        m_marked[row] = true;
    }
    const QBrush ground(QColor(255, 236, 179));
    for (int row = 0; row < kRowCount; ++row) {
        QTableWidgetItem *mark = cell(m_marked[row] ? markText() : QString());
        mark->setTextAlignment(Qt::AlignCenter);
        setItem(row, MarkColumn, mark);
        if (!m_marked[row])
            continue;
        for (int column = MarkColumn; column < columnCount(); ++column) {
            QTableWidgetItem *it = item(row, column);
            QFont bold = font();
            bold.setBold(true);
            it->setFont(bold);
            it->setBackground(ground);
            it->setToolTip(QStringLiteral("不同"));
        }
    }
    for (int column = MarkColumn; column < columnCount(); ++column)
        resizeColumnToContents(column);
    setOnlyDifferences(m_onlyDifferences);
}

void CProfileTable::setOnlyDifferences(bool on)
{
    m_onlyDifferences = on;
    for (int row = 0; row < kRowCount; ++row)
        setRowHidden(row, on && !m_marked[row]);
}

int CProfileTable::contentsWidth() const
{
    return horizontalHeader()->length() + verticalScrollBar()->sizeHint().width() +
           2 * frameWidth();
}

bool CProfileTable::goToNextDifference()
{
    return goToDifferenceAfter(currentRow());
}

bool CProfileTable::goToFirstDifference()
{
    return goToDifferenceAfter(-1);
}

bool CProfileTable::goToDifferenceAfter(int current)
{
    const QList<int> rows = markedRows();
    if (rows.isEmpty())
        return false;
    int next = rows.first();
    for (int row : rows) {
        if (row > current) {
            next = row;
            break;
        }
    }
    // The first column: moving the current cell must not scroll the marks out of view.
    setCurrentCell(next, MarkColumn);
    scrollToItem(item(next, MarkColumn));
    return true;
}

QList<int> CProfileTable::markedRows() const
{
    QList<int> rows;
    for (int row = 0; row < kRowCount; ++row) {
        if (m_marked[row])
            rows << row;
    }
    return rows;
}

} // namespace quenda
