#include "registers.h"

#include <array>

namespace k7v4 {

using namespace quenda::tables;

namespace {

constexpr int kAnyChannelMax = kChannelCount - 1;

// Registers 104, 106, 109 and 120 are held and reported but not read by the program.
const std::array<RegisterRule, 18> kRules{{
    {101, &T101, 0, 0, 2},
    {102, &T102, 0, 0, 7},
    {103, &T103, 0, 0, 5},
    {104, nullptr, 0, 255, 0},
    {105, nullptr, 0, 65535, 1},
    {106, nullptr, 0, 1, 0},
    {108, &T108, 0, 0, 30},
    {109, nullptr, 0, 255, 3},
    {110, &T110, 0, 0, 1},
    {120, nullptr, 0, 255, 10},
    {125, &T125, 0, 0, 2},
    {127, &T127, 0, 0, 0},
    {131, nullptr, 0, kAnyChannelMax, 0},
    {132, nullptr, 0, kAnyChannelMax, 0},
    {158, &T158, 0, 0, 0},
    {186, &T186, 0, 0, 0},
    {191, nullptr, 0, kAnyChannelMax, 0},
    {192, nullptr, 0, kAnyChannelMax, 0},
}};

struct Preset {
    int number;
    int protocol;  // S186
    int workMode;  // S101
    int baud;      // S102
    int airRate;   // S103
    int bandwidth; // S125
    int modulation; // S127
};

// Chosen to agree with what the program expects of each preset: protocol, and for the
// Trimtalk presets the work mode, for the Satel presets bandwidth and baud rate.
constexpr std::array<Preset, 8> kPresets{{
    {51, 0, 2, 7, 5, 2, 1},
    {53, 1, 2, 7, 5, 1, 1},
    {54, 2, 2, 7, 3, 1, 0},
    {55, 2, 1, 7, 3, 1, 0},
    {56, 2, 3, 7, 3, 1, 0},
    {57, 2, 0, 7, 3, 1, 0},
    {58, 3, 2, 7, 5, 1, 1},
    {59, 3, 2, 5, 7, 2, 1},
}};
constexpr int kPresetPower = 30;  // S108, dBm
constexpr int kPresetFormat = 1;  // S110, 8N1
constexpr int kPresetFec = 0;     // S158

} // namespace

bool RegisterRule::accepts(int value) const
{
    if (table)
        return table->lists(value);
    return value >= min && value <= max;
}

std::span<const RegisterRule> registerRules()
{
    return kRules;
}

const RegisterRule *findRegister(int number)
{
    for (const RegisterRule &rule : registerRules()) {
        if (rule.number == number)
            return &rule;
    }
    return nullptr;
}

QMap<int, int> factoryRegisters()
{
    QMap<int, int> registers;
    for (const RegisterRule &rule : registerRules())
        registers.insert(rule.number, rule.factoryValue);
    return registers;
}

std::optional<int> baudOfCode(int code)
{
    const QString text = T102.text(code);
    if (text.isEmpty())
        return std::nullopt;
    return text.toInt();
}

std::optional<int> codeOfBaud(int baud)
{
    const int position = T102.position(QString::number(baud));
    if (position < 0)
        return std::nullopt;
    return T102.first + position;
}

std::optional<QMap<int, int>> presetRegisters(int preset)
{
    for (const Preset &p : kPresets) {
        if (p.number != preset)
            continue;
        return QMap<int, int>{{101, p.workMode},   {102, p.baud},          {103, p.airRate},
                              {108, kPresetPower}, {110, kPresetFormat},   {125, p.bandwidth},
                              {127, p.modulation}, {158, kPresetFec},      {186, p.protocol}};
    }
    return std::nullopt;
}

} // namespace k7v4
