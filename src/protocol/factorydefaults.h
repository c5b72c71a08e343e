#pragma once

#include "protocol/settingsselection.h"
#include "protocol/writedialogue.h"

#include <QByteArray>

#include <optional>
#include <span>

namespace quenda {

// The preset the radio loads for the selection: "AT&F5x", an empty text when the protocol has no
// preset for the other choices (only the carriage return goes out), none when no protocol is
// selected (not even the carriage return).
std::optional<QByteArray> presetCommand(const SettingsSelection &selection);

// The selection that makes factory defaults load preset `preset` ("AT&F<preset>"), the other
// choices as in `base`; none for a preset that is never loaded.
std::optional<SettingsSelection> selectionForPreset(int preset, SettingsSelection base);
// The presets factory defaults can load, ascending.
std::span<const int> loadablePresets();

// The registers put back after the preset, in the order they are written.
inline constexpr int kKeptRegisters[] = {105, 131, 132, 191, 192};

// Loads the preset, puts back the kept values, stores, and asks for a fresh report.
// Waits for no answer: the report arrives after the last pause.
void RestoreDefaults(const SettingsSelection &selection, RadioOutput &out);

} // namespace quenda
