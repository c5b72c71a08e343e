#pragma once

#include "pages/page.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace quenda {

struct SaveState;

// The channel table as 64 fixed rows (row n is channel n), edited in place. The cells are the
// working copy; readCopy() holds them as they stood after the last fill from the radio.
class CChannelListPage : public CPage {
    Q_OBJECT
public:
    enum Column { ChannelColumn, FrequencyColumn, BandwidthColumn, DirectionColumn, ColumnCount };

    explicit CChannelListPage(const RadioConfig &config, QWidget *parent = nullptr);

    void FillFromRecord();
    // Empties columns 1 to 3; readCopy stays, nothing counts as changed.
    void ClearChannels();

    // Empty outside the table. setCell writes columns 1 to 3 only: row n is always channel n.
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString &text);

    // All 64 rows in display form, `channel` being column 0.
    ChannelTable rows() const;
    const ChannelTable &readCopy() const { return m_readCopy; }
    // Fields of each line of the last imported file, by line.
    const ChannelTable &importTable() const { return m_importTable; }

    // Fills state.pendingChannels and state.pendingChannelCount with the rows that differ from
    // readCopy; true when any row differs. The changed rows it leaves out show what the radio
    // holds again at the next fill.
    bool BuildPendingChannels(SaveState &state);
    // Before a save: names the changed rows that cannot be written as they stand. False when the
    // save must not go on: a frequency that does not read as one, or the user chose to go back.
    bool ConfirmRowsBeforeSave();
    // Frequency, BW and DIR all filled; false for a row outside the table.
    bool rowComplete(int row) const;
    void setDeleteEnabled(bool enabled);

    void ExportList();
    void ImportList();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void onListClicked(const QPoint &viewportPos);
    void openEditor(int row, int column);
    // With `keepUnderPointer`, an editor whose cell lies under the mouse pointer stays open.
    void commitEditor(bool keepUnderPointer);
    // Esc: the editor goes away and the cell keeps its text.
    void cancelEditor();
    bool isReturn(const QEvent *event) const;
    int selectedRow() const;
    void OnDelete();
    void OnClear();

    QTableWidget *m_list = nullptr;
    QLineEdit *m_textEditor = nullptr;
    QComboBox *m_bandwidthEditor = nullptr;
    QPushButton *m_importButton = nullptr;
    QPushButton *m_exportButton = nullptr;
    QPushButton *m_deleteButton = nullptr;
    QPushButton *m_clearButton = nullptr;

    ChannelTable m_readCopy{};
    ChannelTable m_importTable{};
    // Changed rows the last save did not write: they must not pass for what the radio holds.
    QList<int> m_leftOut;
    int editRow = -1;
    int editColumn = -1;
    // The editor shown for (editRow, editColumn), none once committed.
    QWidget *m_openEditor = nullptr;
};

} // namespace quenda
