#pragma once

#include <QDialog>

namespace quenda {

// Shown from the banner until the report has been parsed.
class CReadingDlg : public QDialog {
    Q_OBJECT
public:
    explicit CReadingDlg(QWidget *parent = nullptr);
};

// Shown while a save runs.
class CSavingDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSavingDlg(QWidget *parent = nullptr);
};

// Centres a window over `reference`'s window (on the screen without one) and shows it at once,
// so it is drawn even though pauses follow.
void showCentredNow(QWidget *window, QWidget *reference = nullptr);

} // namespace quenda
