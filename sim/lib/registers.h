#pragma once

#include "protocol/radioconfig.h"

#include <QMap>

#include <optional>
#include <span>

namespace k7v4 {

// One S register the radio holds and the values it accepts.
struct RegisterRule {
    int number;
    const quenda::CodeTable *table; // coded register: the value must be listed in it
    int min;                        // raw register: accepted range
    int max;
    int factoryValue;

    bool accepts(int value) const;
};

// Every register of the radio, ascending; the program reads fourteen of them.
std::span<const RegisterRule> registerRules();
const RegisterRule *findRegister(int number);
QMap<int, int> factoryRegisters();

inline constexpr int kBaudRegister = 102;
inline constexpr int kFallbackBaud = 9600;
// Rate of an S102 value, none when the table does not list it.
std::optional<int> baudOfCode(int code);
std::optional<int> codeOfBaud(int baud);

inline constexpr int kMinFrequencyHz = 410000000;
inline constexpr int kMaxFrequencyHz = 480000000;
inline constexpr int kMaxBandwidthCode = 2;
inline constexpr int kMaxDirectionCode = 2;
inline constexpr int kChannelCount = 64;

// Register values a factory preset loads; none for a preset number the radio does not have.
std::optional<QMap<int, int>> presetRegisters(int preset);

} // namespace k7v4
