#include "pages/radiopage.h"

#include "app/messagebox.h"
#include "app/messages.h"
#include "pages/wheelguard.h"

#include <QComboBox>
#include <QAbstractItemView>
#include <QLineEdit>
#include <QStyle>
#include <QRegularExpression>

namespace quenda {
namespace {
constexpr int kLeftCaption = 8;
constexpr int kRightCaption = 117;
constexpr int kListHeight = 13;

QStringList textsOf(const std::array<const char *, 3> &texts)
{
    QStringList items;
    for (const char *t : texts)
        items << QString::fromLatin1(t);
    return items;
}

QStringList channelNumbers()
{
    QStringList items;
    for (int n = 0; n < kChannelSlots; ++n)
        items << QString::number(n);
    return items;
}

// Position of `text` among the record texts of `table`, or `current` when none matches.
int matched(const CodeTable &table, const QString &text, int current)
{
    const int position = table.position(text);
    return position >= 0 ? position : current;
}
} // namespace

CRadioPage::CRadioPage(const RadioConfig &config, QWidget *parent) : CPage(config, 230, 135, parent)
{
    readSelection.protocolIndex = readSelection.workModeIndex = readSelection.modulationIndex = 0;
    readSelection.airRateIndex = readSelection.bandwidthIndex = readSelection.mainTxIndex = 0;
    readSelection.repeaterTxIndex = readSelection.mainRxIndex = readSelection.repeaterRxIndex = 0;
    readSelection.unitAddressValue = readSelection.powerIndex = readSelection.fecIndex = 0;

    const QStringList channels = channelNumbers();
    m_protocolList = addList("protocolList", u"协议：", tables::T186.listItems(), 66, 6, 93, 124,
                             kLeftCaption);
    m_workModeList = addList("workModeList", u"工作模式：", tables::T101.listItems(), 66, 22, 95,
                             117, kLeftCaption);
    m_modulationList = addList("modulationList", u"调制类型：", tables::T127.listItems(), 66, 38,
                               48, 95, kLeftCaption);
    m_airRateList = addList("airRateList", u"空中速率：", tables::T103.listItems(), 66, 54, 48,
                            118, kLeftCaption);
    m_bandwidthList = addList("bandwidthList", u"带宽：", textsOf(tables::bandwidthListItems), 161,
                              53, 54, 92, kRightCaption);
    m_mainTxList = addList("mainTxList", u"主通道_TX：", channels, 66, 69, 48, 137, kLeftCaption);
    m_repeaterTxList =
        addList("repeaterTxList", u"中继器_TX：", channels, 161, 69, 48, 149, kRightCaption);
    m_mainRxList = addList("mainRxList", u"主通道_RX：", channels, 66, 85, 48, 137, kLeftCaption);
    m_repeaterRxList =
        addList("repeaterRxList", u"中继器_RX：", channels, 162, 85, 48, 149, kRightCaption);

    m_unitAddressEdit = new QLineEdit(QString::number(unitAddressValue), this);
    m_unitAddressEdit->setObjectName(QStringLiteral("unitAddressEdit"));
    place(m_unitAddressEdit, 65, 101, 48, kListHeight);
    addCaption(QStringLiteral("单元地址："), m_unitAddressEdit, kLeftCaption, 103,
               65 - kLeftCaption - 1, 8);
    connect(m_unitAddressEdit, &QLineEdit::textEdited, this, &CRadioPage::onUnitAddressEdited);

    m_powerList = addList("powerList", u"输出功率：", tables::T108.listItems(), 161, 101, 48, 120,
                          kRightCaption);
    m_fecList = addList("fecList", u"FEC模式：", tables::T158.listItems(), 65, 117, 90, 137,
                        kLeftCaption);

    // Only the user's choices run the handlers (activated), never a selection set from here.
    const struct {
        QComboBox *list;
        int CRadioPage::*member;
        int SettingsSelection::*read;
    } handlers[] = {
        {m_protocolList, &CRadioPage::protocolIndex, &SettingsSelection::protocolIndex},
        {m_workModeList, &CRadioPage::workModeIndex, &SettingsSelection::workModeIndex},
        {m_modulationList, &CRadioPage::modulationIndex, &SettingsSelection::modulationIndex},
        {m_airRateList, &CRadioPage::airRateIndex, &SettingsSelection::airRateIndex},
        {m_bandwidthList, &CRadioPage::bandwidthIndex, &SettingsSelection::bandwidthIndex},
        {m_mainTxList, &CRadioPage::mainTxIndex, &SettingsSelection::mainTxIndex},
        {m_repeaterTxList, &CRadioPage::repeaterTxIndex, &SettingsSelection::repeaterTxIndex},
        {m_mainRxList, &CRadioPage::mainRxIndex, &SettingsSelection::mainRxIndex},
        {m_repeaterRxList, &CRadioPage::repeaterRxIndex, &SettingsSelection::repeaterRxIndex},
        {m_powerList, &CRadioPage::powerIndex, &SettingsSelection::powerIndex},
        {m_fecList, &CRadioPage::fecIndex, &SettingsSelection::fecIndex},
    };
    for (const auto &h : handlers) {
        connect(h.list, &QComboBox::activated, this,
                [this, member = h.member, read = h.read] { onListChosen(member, read); });
    }
    guardWheel(this);

    showMembers();
}

QComboBox *CRadioPage::addList(const char *objectName, const char16_t *caption,
                               const QStringList &items, int x, int y, int w, int dropHeight,
                               int captionX)
{
    auto *list = new QComboBox(this);
    list->setObjectName(QLatin1String(objectName));
    list->addItems(items);
    // The drop-down height in dialog units holds about one item per eight units.
    list->setMaxVisibleItems(qMax(1, (dropHeight - kListHeight) / 8));
    place(list, x, y, w, kListHeight);
    // A text wider than the list is shown whole in the drop-down.
    list->view()->setMinimumWidth(list->view()->sizeHintForColumn(0) +
                                  list->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    addCaption(QString::fromUtf16(caption), list, captionX, y + 2, x - captionX - 1, 8);
    return list;
}

std::optional<int> CRadioPage::parseUnitAddress(const QString &text)
{
    static const QRegularExpression integer(QStringLiteral("^[ \\t]*([+-]?[0-9]+)[ \\t]*$"));
    const QRegularExpressionMatch match = integer.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const int value = match.captured(1).toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

void CRadioPage::takeControls()
{
    protocolIndex = m_protocolList->currentIndex();
    workModeIndex = m_workModeList->currentIndex();
    modulationIndex = m_modulationList->currentIndex();
    airRateIndex = m_airRateList->currentIndex();
    bandwidthIndex = m_bandwidthList->currentIndex();
    mainTxIndex = m_mainTxList->currentIndex();
    repeaterTxIndex = m_repeaterTxList->currentIndex();
    mainRxIndex = m_mainRxList->currentIndex();
    repeaterRxIndex = m_repeaterRxList->currentIndex();
    powerIndex = m_powerList->currentIndex();
    fecIndex = m_fecList->currentIndex();

    if (const std::optional<int> value = parseUnitAddress(m_unitAddressEdit->text())) {
        unitAddressValue = *value;
    } else {
        MessageBox::inform(this, messages::enterInteger());
        m_unitAddressEdit->setFocus();
    }
}

void CRadioPage::showMembers()
{
    m_protocolList->setCurrentIndex(protocolIndex);
    m_workModeList->setCurrentIndex(workModeIndex);
    m_modulationList->setCurrentIndex(modulationIndex);
    m_airRateList->setCurrentIndex(airRateIndex);
    m_bandwidthList->setCurrentIndex(bandwidthIndex);
    m_mainTxList->setCurrentIndex(mainTxIndex);
    m_repeaterTxList->setCurrentIndex(repeaterTxIndex);
    m_mainRxList->setCurrentIndex(mainRxIndex);
    m_repeaterRxList->setCurrentIndex(repeaterRxIndex);
    m_powerList->setCurrentIndex(powerIndex);
    m_fecList->setCurrentIndex(fecIndex);
    // Rewriting an unchanged text would throw the cursor to the end while the user types.
    const QString address = QString::number(unitAddressValue);
    if (m_unitAddressEdit->text() != address)
        m_unitAddressEdit->setText(address);
}

void CRadioPage::updateWorkModeEnabled()
{
    // The work mode means nothing to the transparent protocol.
    m_workModeList->setEnabled(protocolIndex != 0);
}

void CRadioPage::FillFromRecord()
{
    takeControls();

    protocolIndex = matched(tables::T186, m_config.protocol, protocolIndex);
    readSelection.protocolIndex = protocolIndex;
    updateWorkModeEnabled();

    workModeIndex = matched(tables::T101, m_config.workMode, workModeIndex);
    readSelection.workModeIndex = workModeIndex;
    airRateIndex = matched(tables::T103, m_config.airRate, airRateIndex);
    readSelection.airRateIndex = airRateIndex;
    modulationIndex = matched(tables::T127, m_config.modulation, modulationIndex);
    readSelection.modulationIndex = modulationIndex;
    bandwidthIndex = matched(tables::T125, m_config.bandwidth, bandwidthIndex);
    readSelection.bandwidthIndex = bandwidthIndex;

    const struct {
        const QString &text;
        int &member;
        int &read;
    } channels[] = {
        {m_config.mainRxChannel, mainRxIndex, readSelection.mainRxIndex},
        {m_config.mainTxChannel, mainTxIndex, readSelection.mainTxIndex},
        {m_config.repeaterRxChannel, repeaterRxIndex, readSelection.repeaterRxIndex},
        {m_config.repeaterTxChannel, repeaterTxIndex, readSelection.repeaterTxIndex},
    };
    for (int n = 0; n < kChannelSlots; ++n) {
        const QString number = QString::number(n);
        for (const auto &c : channels) {
            if (c.text == number)
                c.member = c.read = n;
        }
    }

    unitAddressValue = atoiValue(m_config.unitAddress);
    readSelection.unitAddressValue = unitAddressValue;

    powerIndex = matched(tables::T108, m_config.outputPower, powerIndex);
    readSelection.powerIndex = powerIndex;
    fecIndex = matched(tables::T158, m_config.fecMode, fecIndex);
    readSelection.fecIndex = fecIndex;

    showMembers();
}

void CRadioPage::onListChosen(int CRadioPage::*member, int SettingsSelection::*read)
{
    takeControls();
    if (this->*member != readSelection.*read)
        MarkChanged();
    if (member == &CRadioPage::protocolIndex)
        updateWorkModeEnabled();
    showMembers();
}

void CRadioPage::onUnitAddressEdited()
{
    takeControls();
    if (unitAddressValue != readSelection.unitAddressValue)
        MarkChanged();
    showMembers();
}

void CRadioPage::fillSelection(SettingsSelection &s) const
{
    s.protocolIndex = protocolIndex;
    s.workModeIndex = workModeIndex;
    s.modulationIndex = modulationIndex;
    s.airRateIndex = airRateIndex;
    s.bandwidthIndex = bandwidthIndex;
    s.mainTxIndex = mainTxIndex;
    s.repeaterTxIndex = repeaterTxIndex;
    s.mainRxIndex = mainRxIndex;
    s.repeaterRxIndex = repeaterRxIndex;
    s.unitAddressValue = unitAddressValue;
    s.powerIndex = powerIndex;
    s.fecIndex = fecIndex;
}

} // namespace quenda
