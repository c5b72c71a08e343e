#pragma once

#include "profile/profilediff.h"

#include <QTableWidget>

namespace quenda {

// One or two profiles as a read-only table: the fourteen registers by caption, then the 64
// channel rows. With two, the rows that differ are marked in a column of their own and drawn
// in bold on a coloured ground, so the mark does not rest on colour alone.
class CProfileTable : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int kRowCount = kProfileRegisterCount + kChannelSlots;

    explicit CProfileTable(QWidget *parent = nullptr);

    void showProfile(const RadioProfile &profile, const QString &title);
    void showProfiles(const RadioProfile &left, const QString &leftTitle, const RadioProfile &right,
                      const QString &rightTitle);
    void clearProfiles();

    // Hides the rows that do not differ.
    void setOnlyDifferences(bool on);
    // Moves the current row to the next marked row after it, from the top after the last;
    // false when no row is marked.
    bool goToNextDifference();
    bool goToFirstDifference();

    // Width that shows every column without a horizontal scroll bar.
    int contentsWidth() const;

    const QList<ProfileDifference> &differences() const { return m_differences; }
    QList<int> markedRows() const;
    static int rowOfRegister(int reg);
    static int rowOfChannel(int number);

private:
    bool goToDifferenceAfter(int current);
    void fillLabels();
    void setValueColumn(int column, const RadioProfile &profile);
    static QString header(const QString &title, const RadioProfile &profile);

    QList<ProfileDifference> m_differences;
    QList<bool> m_marked;
    bool m_onlyDifferences = false;
};

} // namespace quenda
