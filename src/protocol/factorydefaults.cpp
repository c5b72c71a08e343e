#include "protocol/factorydefaults.h"

#include "protocol/radiocommands.h"
#include "protocol/timing.h"

#include <utility>

namespace quenda {

namespace {

// Positions of the protocol list.
enum Protocol { TransparentZV = 0, PacificCrest = 1, Trimtalk = 2, Satel = 3 };

std::optional<int> trimtalkPreset(int workModeIndex)
{
    switch (workModeIndex) {
    case 0: return 57; // Master(Base)
    case 1: return 55; // Repeater
    case 2: return 54; // Slave(Remote)
    case 3: return 56; // Repeater 2
    default: return std::nullopt;
    }
}

// Bandwidth and baud positions of the Satel presets.
constexpr int k12_5kHz = 1, k25kHz = 2;
constexpr int k9600 = 7, k19200 = 5;

std::optional<int> satelPreset(int bandwidthIndex, int baudIndex)
{
    if (bandwidthIndex == k12_5kHz && baudIndex == k9600)
        return 58;
    if (bandwidthIndex == k25kHz && baudIndex == k19200)
        return 59;
    return std::nullopt;
}

enum WorkMode { Master = 0, Repeater = 1, Slave = 2, Repeater2 = 3 };

// Preset, protocol, work mode, bandwidth and baud positions that select it (-1: any).
struct PresetChoice {
    int preset;
    int protocol;
    int workMode;
    int bandwidth;
    int baud;
};
constexpr PresetChoice kPresetChoices[] = {
    {51, TransparentZV, -1, -1, -1}, {53, PacificCrest, -1, -1, -1},
    {54, Trimtalk, Slave, -1, -1},   {55, Trimtalk, Repeater, -1, -1},
    {56, Trimtalk, Repeater2, -1, -1}, {57, Trimtalk, Master, -1, -1},
    {58, Satel, -1, k12_5kHz, k9600}, {59, Satel, -1, k25kHz, k19200},
};
constexpr int kLoadablePresets[] = {51, 53, 54, 55, 56, 57, 58, 59};

void writeCommand(const QByteArray &text, RadioOutput &out)
{
    out.output(text);
    out.output(radio::kCR);
}

} // namespace

// The radio has no use for preset 52.
std::optional<QByteArray> presetCommand(const SettingsSelection &selection)
{
    std::optional<int> preset;
    switch (selection.protocolIndex) {
    case TransparentZV: preset = 51; break;
    case PacificCrest: preset = 53; break;
    case Trimtalk: preset = trimtalkPreset(selection.workModeIndex); break;
    case Satel: preset = satelPreset(selection.bandwidthIndex, selection.baudIndex); break;
    default: return std::nullopt;
    }
    return preset ? radio::factoryPresetCommand(*preset) : QByteArray();
}

std::optional<SettingsSelection> selectionForPreset(int preset, SettingsSelection base)
{
    for (const PresetChoice &choice : kPresetChoices) {
        if (choice.preset != preset)
            continue;
        base.protocolIndex = choice.protocol;
        for (const auto &[member, value] : {std::pair{&SettingsSelection::workModeIndex, choice.workMode},
                                            std::pair{&SettingsSelection::bandwidthIndex, choice.bandwidth},
                                            std::pair{&SettingsSelection::baudIndex, choice.baud}}) {
            if (value >= 0)
                base.*member = value;
        }
        return base;
    }
    return std::nullopt;
}

std::span<const int> loadablePresets()
{
    return kLoadablePresets;
}

void RestoreDefaults(const SettingsSelection &selection, RadioOutput &out)
{
    if (const std::optional<QByteArray> preset = presetCommand(selection)) {
        if (!preset->isEmpty())
            out.output(*preset);
        out.output(radio::kCR);
    }
    for (int reg : kKeptRegisters)
        out.output(radio::registerCommand(reg, registerValue(reg, selection).value_or(-1)));
    writeCommand(radio::kStore, out);
    out.pause(pauses::kAfterStore);
    writeCommand(radio::kReadSettings, out);
    out.pause(pauses::kAfterSaveReport);
}

} // namespace quenda
