#pragma once

#include "pages/page.h"
#include "protocol/settingsselection.h"

class QComboBox;

namespace quenda {

// The radio's serial interface: baud rate (S102) and character format (S110).
class CSerialPage : public CPage {
    Q_OBJECT
public:
    explicit CSerialPage(const RadioConfig &config, QWidget *parent = nullptr);

    void FillFromRecord();
    // Copies baudIndex and dataFormatIndex into `s`; the radio fields stay as they are.
    void fillSelection(SettingsSelection &s) const;
    void applySelection(const SettingsSelection &s);

    int baudIndex = -1;
    int dataFormatIndex = -1;
    int readBaudIndex = 0;
    int readDataFormatIndex = 0;

private:
    void takeControls();
    void showMembers();
    void onListChosen(const int &member, const int &read);

    QComboBox *m_baudList = nullptr;
    QComboBox *m_dataFormatList = nullptr;
};

} // namespace quenda
