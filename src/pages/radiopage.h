#pragma once

#include "pages/page.h"
#include "protocol/settingsselection.h"

#include <optional>
#include <vector>

class QComboBox;
class QLineEdit;

namespace quenda {

// Over-the-air settings: eleven selection lists and the unit address. The members below always
// equal what the controls show; a list position is the register value less its table's first.
class CRadioPage : public CPage {
    Q_OBJECT
public:
    explicit CRadioPage(const RadioConfig &config, QWidget *parent = nullptr);

    void FillFromRecord();
    // Copies this page's members into their fields of `s`; the serial fields stay as they are.
    void fillSelection(SettingsSelection &s) const;
    // Shows the radio fields of `s`, as a loaded profile sets them.
    void applySelection(const SettingsSelection &s);

    // The unit address field accepts a signed decimal integer with optional blanks around it.
    static std::optional<int> parseUnitAddress(const QString &text);

    int protocolIndex = -1;
    int workModeIndex = -1;
    int modulationIndex = -1;
    int airRateIndex = -1;
    int bandwidthIndex = -1;
    int mainTxIndex = -1;
    int repeaterTxIndex = -1;
    int mainRxIndex = -1;
    int repeaterRxIndex = -1;
    int unitAddressValue = 0;
    int powerIndex = -1;
    int fecIndex = -1;

    // What each member received at the last FillFromRecord(); only this page's fields are used.
    SettingsSelection readSelection;

private:
    QComboBox *addList(const char *objectName, const char16_t *caption, const QStringList &items,
                       int x, int y, int w, int dropHeight, int captionX);
    // Lists first, so that a refused unit address never loses a list change.
    void takeControls();
    void showMembers();
    void updateWorkModeEnabled();
    void onListChosen(int CRadioPage::*member, int SettingsSelection::*read);
    void onUnitAddressEdited();

    // By setting, in the order of the settings table; none for the unit address.
    std::vector<QComboBox *> m_lists;
    QComboBox *m_workModeList = nullptr;
    QLineEdit *m_unitAddressEdit = nullptr;
};

} // namespace quenda
