#pragma once

#include "profile/profile.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace quenda {

class CProfileTable;

// Two profiles side by side, the differing registers and channel rows marked; for checking a
// rover against its base before going into the field.
class CCompareDlg : public QDialog {
    Q_OBJECT
public:
    CCompareDlg(const RadioProfile &left, const QString &leftTitle, const RadioProfile &right,
                const QString &rightTitle, QWidget *parent = nullptr);

    CProfileTable *table() const { return m_table; }
    QLabel *summary() const { return m_summary; }
    QCheckBox *onlyDifferencesBox() const { return m_onlyDifferences; }
    QPushButton *nextButton() const { return m_next; }
    QPushButton *closeButton() const { return m_close; }

private:
    CProfileTable *m_table;
    QLabel *m_summary;
    QCheckBox *m_onlyDifferences;
    QPushButton *m_next;
    QPushButton *m_close;
};

} // namespace quenda
