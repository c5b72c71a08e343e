#pragma once

#include <QDialog>

namespace quenda {

// The About box: the About picture and one full-width button.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget *parent = nullptr);
};

} // namespace quenda
