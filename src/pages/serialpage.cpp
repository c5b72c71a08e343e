#include "pages/serialpage.h"

#include "pages/wheelguard.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

namespace quenda {
namespace {
constexpr int kCaptionX = 17;
constexpr int kListHeight = 13;
} // namespace

CSerialPage::CSerialPage(const RadioConfig &config, QWidget *parent)
    : CPage(config, 251, 112, parent)
{
    auto *group = new QGroupBox(QStringLiteral("端口"), this);
    group->setObjectName(QStringLiteral("portGroup"));
    place(group, 10, 9, 202, 72);

    m_baudList = new QComboBox(this);
    m_baudList->setObjectName(QStringLiteral("baudList"));
    m_baudList->addItems(tables::T102.listItems());
    m_baudList->setMaxVisibleItems(15);
    place(m_baudList, 60, 29, 48, kListHeight);
    addCaption(QStringLiteral("波特率："), m_baudList, kCaptionX, 31, 60 - kCaptionX - 1, 8);

    m_dataFormatList = new QComboBox(this);
    m_dataFormatList->setObjectName(QStringLiteral("dataFormatList"));
    m_dataFormatList->addItems(tables::T110.listItems());
    m_dataFormatList->setMaxVisibleItems(10);
    place(m_dataFormatList, 61, 58, 47, kListHeight);
    addCaption(QStringLiteral("数据格式："), m_dataFormatList, kCaptionX, 60, 61 - kCaptionX - 1, 8);

    auto *hint = new QLabel(QStringLiteral("（数据_校验_停止位）"), this);
    hint->setObjectName(QStringLiteral("dataFormatHint"));
    place(hint, 119, 60, 85, 8);
    m_dataFormatList->setAccessibleDescription(hint->text());

    connect(m_baudList, &QComboBox::activated, this,
            [this] { onListChosen(baudIndex, readBaudIndex); });
    connect(m_dataFormatList, &QComboBox::activated, this,
            [this] { onListChosen(dataFormatIndex, readDataFormatIndex); });
    guardWheel(this);

    showMembers();
}

void CSerialPage::takeControls()
{
    baudIndex = m_baudList->currentIndex();
    dataFormatIndex = m_dataFormatList->currentIndex();
}

void CSerialPage::showMembers()
{
    m_baudList->setCurrentIndex(baudIndex);
    m_dataFormatList->setCurrentIndex(dataFormatIndex);
}

void CSerialPage::FillFromRecord()
{
    takeControls();
    if (const int position = tables::T102.position(m_config.serialBaud); position >= 0)
        baudIndex = position;
    readBaudIndex = baudIndex;
    if (const int position = tables::T110.position(m_config.dataFormat); position >= 0)
        dataFormatIndex = position;
    readDataFormatIndex = dataFormatIndex;
    showMembers();
}

void CSerialPage::onListChosen(const int &member, const int &read)
{
    takeControls();
    if (member != read)
        MarkChanged();
    showMembers();
}

void CSerialPage::applySelection(const SettingsSelection &s)
{
    baudIndex = s.baudIndex;
    dataFormatIndex = s.dataFormatIndex;
    showMembers();
}

void CSerialPage::fillSelection(SettingsSelection &s) const
{
    s.baudIndex = baudIndex;
    s.dataFormatIndex = dataFormatIndex;
}

} // namespace quenda
