#pragma once

#include "protocol/radioconfig.h"
#include "protocol/settingsselection.h"

#include <QObject>
#include <QRect>

class QWidget;

namespace quenda {

class CBasicInfoPage;
class CChannelListPage;
class CRadioPage;
class CSerialPage;

// The four configuration pages in the main window's page area: one shown at a time, filled from
// the record and cleared together, and read for what a save or factory defaults writes.
class CPageSet : public QObject {
    Q_OBJECT
public:
    // The pages become children of `window`, placed at `area` (pixels); the basic information
    // page is shown.
    CPageSet(RadioConfig &config, QWidget *window, const QRect &area);

    CBasicInfoPage *basicInfo() const { return m_basic; }
    CRadioPage *radio() const { return m_radio; }
    CSerialPage *serial() const { return m_serial; }
    CChannelListPage *channels() const { return m_channels; }

    // Hides the other three, then shows `page`.
    void show(QWidget *page);
    // After a report: basic information, serial interface, radio settings, channel list.
    void fillFromRecord();
    // Undoes the user's edits: serial interface, radio settings, channel list.
    void refillEditable();
    // Back to the start: the basic fields and the channel cells emptied, the basic page shown.
    void clear();
    // The selection positions and unit address of the radio settings and serial pages.
    SettingsSelection selection() const;
    // A loaded profile: list positions, unit address and channel cells; nothing is written.
    void setSelection(const SettingsSelection &selection);
    void setChannelRows(const ChannelTable &rows);
    // The channel rows chosen as main and repeater channels are complete.
    bool CheckSelectedChannels() const;

signals:
    // An edit on any page.
    void changed();

private:
    CBasicInfoPage *m_basic;
    CRadioPage *m_radio;
    CSerialPage *m_serial;
    CChannelListPage *m_channels;
};

} // namespace quenda
