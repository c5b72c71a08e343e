#include "profile/registers.h"

#include <array>

namespace quenda {
namespace {

using enum RegisterKind;

// Captions as the radio settings and serial interface pages show them.
const std::array<RegisterInfo, kProfileRegisterCount> kRegisters{{
    {101, "workMode", u"工作模式：", Coded, &tables::T101, &RadioConfig::workMode},
    {102, "serialBaud", u"波特率：", Coded, &tables::T102, &RadioConfig::serialBaud},
    {103, "airRate", u"空中速率：", Coded, &tables::T103, &RadioConfig::airRate},
    {105, "unitAddress", u"单元地址：", Address, nullptr, &RadioConfig::unitAddress},
    {108, "outputPower", u"输出功率：", Coded, &tables::T108, &RadioConfig::outputPower},
    {110, "dataFormat", u"数据格式：", Coded, &tables::T110, &RadioConfig::dataFormat},
    {125, "bandwidth", u"带宽：", Coded, &tables::T125, &RadioConfig::bandwidth},
    {127, "modulation", u"调制类型：", Coded, &tables::T127, &RadioConfig::modulation},
    {131, "mainTxChannel", u"主通道_TX：", Channel, nullptr, &RadioConfig::mainTxChannel},
    {132, "mainRxChannel", u"主通道_RX：", Channel, nullptr, &RadioConfig::mainRxChannel},
    {158, "fecMode", u"FEC模式：", Coded, &tables::T158, &RadioConfig::fecMode},
    {186, "protocol", u"协议：", Coded, &tables::T186, &RadioConfig::protocol},
    {191, "repeaterTxChannel", u"中继器_TX：", Channel, nullptr, &RadioConfig::repeaterTxChannel},
    {192, "repeaterRxChannel", u"中继器_RX：", Channel, nullptr, &RadioConfig::repeaterRxChannel},
}};

} // namespace

QString RegisterInfo::key() const
{
    return QStringLiteral("S%1").arg(number);
}

std::span<const RegisterInfo> profileRegisters()
{
    return kRegisters;
}

int registerSlot(int number)
{
    for (std::size_t i = 0; i < kRegisters.size(); ++i) {
        if (kRegisters[i].number == number)
            return int(i);
    }
    return -1;
}

const RegisterInfo *registerInfo(int number)
{
    const int slot = registerSlot(number);
    return slot < 0 ? nullptr : &kRegisters[std::size_t(slot)];
}

bool registerAccepts(const RegisterInfo &info, int value)
{
    switch (info.kind) {
    case Coded:
        return info.table->lists(value);
    case Channel:
        return value >= kFirstChannel && value <= kLastChannel;
    case Address:
        return true;
    }
    return false;
}

QString registerValueText(const RegisterInfo &info, int value)
{
    if (info.kind == Coded) {
        const QString text = info.table->text(value);
        if (!text.isEmpty())
            return text;
    }
    return QString::number(value);
}

std::optional<int> registerValueOf(const RegisterInfo &info, const QString &text)
{
    switch (info.kind) {
    case Coded: {
        const int position = info.table->position(text);
        if (position < 0)
            return std::nullopt;
        return info.table->first + position;
    }
    case Channel:
        // The page selects a channel only on the whole decimal text.
        for (int n = kFirstChannel; n <= kLastChannel; ++n) {
            if (text == QString::number(n))
                return n;
        }
        return std::nullopt;
    case Address:
        // An address the report did not carry is not read as 0, which the page would show.
        if (text.isEmpty())
            return std::nullopt;
        return atoiValue(text);
    }
    return std::nullopt;
}

} // namespace quenda
