#include "pages/pageset.h"

#include "pages/basicinfopage.h"
#include "pages/channellistpage.h"
#include "pages/radiopage.h"
#include "pages/serialpage.h"

namespace quenda {

CPageSet::CPageSet(RadioConfig &config, QWidget *window, const QRect &area)
    : QObject(window), m_basic(new CBasicInfoPage(config, window)),
      m_radio(new CRadioPage(config, window)), m_serial(new CSerialPage(config, window)),
      m_channels(new CChannelListPage(config, window))
{
    for (CPage *page : std::initializer_list<CPage *>{m_basic, m_radio, m_serial, m_channels}) {
        page->move(area.topLeft());
        page->resize(area.size());
        page->hide();
        connect(page, &CPage::changed, this, &CPageSet::changed);
    }
    m_basic->show();
}

void CPageSet::show(QWidget *page)
{
    for (QWidget *each : std::initializer_list<QWidget *>{m_basic, m_radio, m_serial, m_channels}) {
        if (each != page)
            each->hide();
    }
    page->show();
}

void CPageSet::fillFromRecord()
{
    m_basic->FillFromRecord();
    m_serial->FillFromRecord();
    m_radio->FillFromRecord();
    m_channels->FillFromRecord();
}

void CPageSet::refillEditable()
{
    m_serial->FillFromRecord();
    m_radio->FillFromRecord();
    m_channels->FillFromRecord();
}

void CPageSet::clear()
{
    m_basic->ClearFields();
    m_channels->ClearChannels();
    show(m_basic);
}

SettingsSelection CPageSet::selection() const
{
    SettingsSelection selection;
    m_serial->fillSelection(selection);
    m_radio->fillSelection(selection);
    return selection;
}

void CPageSet::setSelection(const SettingsSelection &selection)
{
    m_serial->applySelection(selection);
    m_radio->applySelection(selection);
}

void CPageSet::setChannelRows(const ChannelTable &rows)
{
    for (int row = 0; row < kChannelSlots; ++row) {
        const ChannelEntry &entry = rows[std::size_t(row)];
        m_channels->setCell(row, CChannelListPage::FrequencyColumn, entry.frequency);
        m_channels->setCell(row, CChannelListPage::BandwidthColumn, entry.bandwidth);
        m_channels->setCell(row, CChannelListPage::DirectionColumn, entry.direction);
    }
}

bool CPageSet::CheckSelectedChannels() const
{
    for (int row : {m_radio->mainTxIndex, m_radio->mainRxIndex, m_radio->repeaterTxIndex,
                    m_radio->repeaterRxIndex}) {
        if (!m_channels->rowComplete(row))
            return false;
    }
    return true;
}

} // namespace quenda
