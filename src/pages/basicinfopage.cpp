#include "pages/basicinfopage.h"

#include <QGroupBox>
#include <QLineEdit>

namespace quenda {
namespace {
struct FieldSpec {
    const char *objectName;
    const char16_t *caption;
    QString RadioConfig::*source;
    int x, y, w;
    // The channel captions and "带宽：" hug their fields.
    bool captionRight;
};

// Captions in the left half start at kLeftCaption, those in the right half at kRightCaption.
constexpr int kLeftCaption = 10;
constexpr int kRightCaption = 121;
constexpr int kFieldHeight = 12;

const FieldSpec kSpecs[] = {
    {"serialNumberEdit", u"序列号：", &RadioConfig::serialNumber, 54, 28, 62, false},
    {"protocolEdit", u"协议：", &RadioConfig::protocol, 153, 28, 78, false},
    {"mainTxEdit", u"主通道_TX：", &RadioConfig::mainTxChannel, 54, 48, 60, true},
    {"repeaterTxEdit", u"中继器_TX：", &RadioConfig::repeaterTxChannel, 169, 48, 63, true},
    {"mainRxEdit", u"主通道_RX：", &RadioConfig::mainRxChannel, 53, 67, 60, true},
    {"repeaterRxEdit", u"中继器_RX：", &RadioConfig::repeaterRxChannel, 169, 67, 63, true},
    {"workModeEdit", u"工作模式：", &RadioConfig::workMode, 55, 89, 64, false},
    {"serialBaudEdit", u"接口速率：", &RadioConfig::serialBaud, 171, 89, 60, false},
    {"dataFormatEdit", u"数据格式：", &RadioConfig::dataFormat, 55, 106, 64, false},
    {"airRateEdit", u"空中速率：", &RadioConfig::airRate, 171, 106, 60, false},
    {"modulationEdit", u"调制类型：", &RadioConfig::modulation, 56, 126, 63, false},
    {"bandwidthEdit", u"带宽：", &RadioConfig::bandwidth, 171, 126, 60, true},
};
static_assert(std::size(kSpecs) == 12);
} // namespace

CBasicInfoPage::CBasicInfoPage(const RadioConfig &config, QWidget *parent)
    : CPage(config, 252, 146, parent)
{
    auto *group = new QGroupBox(QStringLiteral("基本信息"), this);
    group->setObjectName(QStringLiteral("basicInfoGroup"));
    place(group, 7, 10, 231, 134);

    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const FieldSpec &spec = kSpecs[i];
        auto *field = new QLineEdit(this);
        field->setObjectName(QLatin1String(spec.objectName));
        field->setReadOnly(true);
        field->setFocusPolicy(Qt::StrongFocus);
        place(field, spec.x, spec.y, spec.w, kFieldHeight);
        m_fields[i] = field;

        const int captionX = spec.x < kRightCaption ? kLeftCaption : kRightCaption;
        addCaption(QString::fromUtf16(spec.caption), field, captionX, spec.y + 2,
                   spec.x - captionX - 1, 8, spec.captionRight ? Qt::AlignRight : Qt::AlignLeft);
    }
}

void CBasicInfoPage::FillFromRecord()
{
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        m_fields[i]->setText(m_config.*kSpecs[i].source);
        // Long texts show their beginning, as a freshly filled field does.
        m_fields[i]->setCursorPosition(0);
    }
}

void CBasicInfoPage::ClearFields()
{
    for (QLineEdit *field : m_fields)
        field->clear();
}

} // namespace quenda
