#include "pages/radiopage.h"

#include "pages/wheelguard.h"
#include "protocol/messages.h"
#include "ui/messagebox.h"

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

// How a setting is shown and how the record's text selects it.
enum class Kind {
    Coded,   // a list of its code table's texts, matched whole
    Channel, // a list of the channel numbers 0 to 63, position = number
    Address, // the unit address field, an integer read as atoi does
};

struct Setting {
    const char *objectName;
    const char16_t *caption;
    Kind kind;
    const CodeTable *table;
    QString RadioConfig::*source;
    int CRadioPage::*member;
    int SettingsSelection::*read;
    int x, y, w;
    int dropHeight; // of a list, in dialog units
    int captionX;
};

#define MEMBER(name) &CRadioPage::name, &SettingsSelection::name
// In the order the controls are made, which is also the order of the keyboard focus.
const Setting kSettings[] = {
    {"protocolList", u"协议：", Kind::Coded, &tables::T186, &RadioConfig::protocol,
     MEMBER(protocolIndex), 66, 6, 93, 124, kLeftCaption},
    {"workModeList", u"工作模式：", Kind::Coded, &tables::T101, &RadioConfig::workMode,
     MEMBER(workModeIndex), 66, 22, 95, 117, kLeftCaption},
    {"modulationList", u"调制类型：", Kind::Coded, &tables::T127, &RadioConfig::modulation,
     MEMBER(modulationIndex), 66, 38, 48, 95, kLeftCaption},
    {"airRateList", u"空中速率：", Kind::Coded, &tables::T103, &RadioConfig::airRate,
     MEMBER(airRateIndex), 66, 54, 48, 118, kLeftCaption},
    {"bandwidthList", u"带宽：", Kind::Coded, &tables::T125, &RadioConfig::bandwidth,
     MEMBER(bandwidthIndex), 161, 53, 54, 92, kRightCaption},
    {"mainTxList", u"主通道_TX：", Kind::Channel, nullptr, &RadioConfig::mainTxChannel,
     MEMBER(mainTxIndex), 66, 69, 48, 137, kLeftCaption},
    {"repeaterTxList", u"中继器_TX：", Kind::Channel, nullptr, &RadioConfig::repeaterTxChannel,
     MEMBER(repeaterTxIndex), 161, 69, 48, 149, kRightCaption},
    {"mainRxList", u"主通道_RX：", Kind::Channel, nullptr, &RadioConfig::mainRxChannel,
     MEMBER(mainRxIndex), 66, 85, 48, 137, kLeftCaption},
    {"repeaterRxList", u"中继器_RX：", Kind::Channel, nullptr, &RadioConfig::repeaterRxChannel,
     MEMBER(repeaterRxIndex), 162, 85, 48, 149, kRightCaption},
    {"unitAddressEdit", u"单元地址：", Kind::Address, nullptr, &RadioConfig::unitAddress,
     MEMBER(unitAddressValue), 65, 101, 48, 0, kLeftCaption},
    {"powerList", u"输出功率：", Kind::Coded, &tables::T108, &RadioConfig::outputPower,
     MEMBER(powerIndex), 161, 101, 48, 120, kRightCaption},
    {"fecList", u"FEC模式：", Kind::Coded, &tables::T158, &RadioConfig::fecMode,
     MEMBER(fecIndex), 65, 117, 90, 137, kLeftCaption},
};
#undef MEMBER

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

QStringList listItems(const Setting &setting)
{
    if (setting.kind == Kind::Channel)
        return channelNumbers();
    // The page shows the bandwidth with other blanks than the register texts it is matched by.
    if (setting.table == &tables::T125)
        return textsOf(tables::bandwidthListItems);
    return setting.table->listItems();
}
} // namespace

CRadioPage::CRadioPage(const RadioConfig &config, QWidget *parent) : CPage(config, 230, 135, parent)
{
    m_lists.assign(std::size(kSettings), nullptr);
    for (std::size_t i = 0; i < std::size(kSettings); ++i) {
        const Setting &s = kSettings[i];
        readSelection.*s.read = 0;
        if (s.kind == Kind::Address) {
            m_unitAddressEdit = new QLineEdit(QString::number(unitAddressValue), this);
            m_unitAddressEdit->setObjectName(QLatin1String(s.objectName));
            place(m_unitAddressEdit, s.x, s.y, s.w, kListHeight);
            addCaption(QString::fromUtf16(s.caption), m_unitAddressEdit, s.captionX, s.y + 2,
                       s.x - s.captionX - 1, 8);
            connect(m_unitAddressEdit, &QLineEdit::textEdited, this,
                    &CRadioPage::onUnitAddressEdited);
            continue;
        }
        QComboBox *list = addList(s.objectName, s.caption, listItems(s), s.x, s.y, s.w,
                                  s.dropHeight, s.captionX);
        m_lists[i] = list;
        if (s.member == &CRadioPage::workModeIndex)
            m_workModeList = list;
        // Only the user's choices run the handlers (activated), never a selection set from here.
        connect(list, &QComboBox::activated, this,
                [this, member = s.member, read = s.read] { onListChosen(member, read); });
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
    for (std::size_t i = 0; i < std::size(kSettings); ++i) {
        if (m_lists[i])
            this->*kSettings[i].member = m_lists[i]->currentIndex();
    }
    if (const std::optional<int> value = parseUnitAddress(m_unitAddressEdit->text())) {
        unitAddressValue = *value;
    } else {
        MessageBox::inform(this, messages::enterInteger());
        m_unitAddressEdit->setFocus();
    }
}

void CRadioPage::showMembers()
{
    for (std::size_t i = 0; i < std::size(kSettings); ++i) {
        if (m_lists[i])
            m_lists[i]->setCurrentIndex(this->*kSettings[i].member);
    }
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
    for (const Setting &s : kSettings) {
        const QString &text = m_config.*s.source;
        int &member = this->*s.member;
        int &read = readSelection.*s.read;
        switch (s.kind) {
        case Kind::Coded:
            // A text no entry matches leaves the previous selection, and that is recorded.
            if (const int position = s.table->position(text); position >= 0)
                member = position;
            read = member;
            break;
        case Kind::Channel:
            // Only a whole channel number counts; anything else changes nothing.
            for (int n = 0; n < kChannelSlots; ++n) {
                if (text == QString::number(n))
                    member = read = n;
            }
            break;
        case Kind::Address:
            member = read = atoiValue(text);
            break;
        }
    }
    updateWorkModeEnabled();
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

void CRadioPage::applySelection(const SettingsSelection &selection)
{
    for (const Setting &s : kSettings)
        this->*s.member = selection.*s.read;
    showMembers();
    updateWorkModeEnabled();
}

void CRadioPage::fillSelection(SettingsSelection &selection) const
{
    for (const Setting &s : kSettings)
        selection.*s.read = this->*s.member;
}

} // namespace quenda
