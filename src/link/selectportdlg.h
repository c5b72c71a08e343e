#pragma once

#include "link/portnaming.h"
#include "link/settingsfile.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;

namespace quenda {

// Lists the ports that can be opened now. A click in the list chooses a port and saves it at
// once; the buttons only close the dialog.
class CSelectPortDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPortColumnWidth = 60;
    static constexpr int kStatusColumnWidth = 130;

    CSelectPortDlg(PortChoice &choice, const PortNaming &naming, const SettingsFile &settings,
                   QWidget *parent = nullptr);

    QTreeWidget *portList() const { return m_list; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillList();
    void onListClick(const QPoint &viewportPos);

    PortChoice &m_choice;
    PortNaming m_naming;
    SettingsFile m_settings;
    QTreeWidget *m_list;
    QPushButton *m_ok;
    QPushButton *m_cancel;
};

} // namespace quenda
