#pragma once

#include "protocol/radioconfig.h"

#include <QString>

#include <optional>
#include <span>

namespace quenda {

// What kind of value a register holds, which decides how it is checked and shown.
enum class RegisterKind {
    Coded,   // a value of its code table
    Channel, // a channel number 0 to 63
    Address, // the unit address, any integer
};

// One of the fourteen registers a profile holds: its number, the name a profile file puts
// beside it, and the caption of the page control that edits it.
struct RegisterInfo {
    int number;
    const char *name;
    const char16_t *caption;
    RegisterKind kind;
    const CodeTable *table; // Coded only
    QString RadioConfig::*field;

    QString key() const; // "S101"
};

inline constexpr int kProfileRegisterCount = 14;
inline constexpr int kFirstChannel = 0;
inline constexpr int kLastChannel = kChannelSlots - 1;

// The fourteen registers in the radio's own order (by number).
std::span<const RegisterInfo> profileRegisters();
// Null for a register that is not one of the fourteen.
const RegisterInfo *registerInfo(int number);
// Position of a register in profileRegisters(), -1 when it is not one of them.
int registerSlot(int number);

// Whether a register may hold the value: listed in its code table, a channel number 0 to 63,
// any unit address.
bool registerAccepts(const RegisterInfo &info, int value);
// The value as the pages show it: the code table's text, or the number itself.
QString registerValueText(const RegisterInfo &info, int value);
// The value a RadioConfig text stands for, as the pages would select it; none when the pages
// would select nothing for it.
std::optional<int> registerValueOf(const RegisterInfo &info, const QString &text);

} // namespace quenda
