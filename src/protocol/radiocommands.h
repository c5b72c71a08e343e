#pragma once

#include <QByteArray>

// Every text the program sends to the K7V4 and every answer it recognises.
namespace quenda::radio {

// Every command ends with one carriage return, no line feed.
inline constexpr char kCR[] = "\r";

// Announces configuration mode, after power-on with CONFIG held or after "+++".
inline constexpr char kBanner[] = "\r\nNO CARRIER\r\nOK\r\n";
inline constexpr char kSoftEscape[] = "+++";

inline constexpr char kReadSettings[] = "AT&V";
inline constexpr char kReadSettingsAfterSave[] = "at&v";
inline constexpr char kReadChannels[] = "ATP0?";
inline constexpr char kEnterChannels[] = "ATP0=";
inline constexpr char kAccessCode[] = "pmiv%ok";
inline constexpr char kEndChannelEntry[] = "\x1b";
inline constexpr char kStore[] = "AT&W";
inline constexpr char kStoreInSave[] = "at&w";
inline constexpr char kLeaveConfig[] = "ATA";
// Register assignment: prefix, three digits, '=', decimal value, CR in one write.
inline constexpr char kRegisterPrefix[] = "ats";
// Factory preset: prefix and the preset number 51, 53 to 59.
inline constexpr char kFactoryPresetPrefix[] = "AT&F";

// The four channel entry prompts, 58 characters each.
inline constexpr char kPromptChannel[] =
    "Enter Channel Number (0 to 63)                          : ";
inline constexpr char kPromptFrequency[] =
    "Enter Frequency?(410000000 to 480000000Hz, 0 to delete) : ";
inline constexpr char kPromptBandwidth[] =
    "Enter Bandwidth (0-6.25kHz, 1-12.5kHz, 2-25kHz)         : ";
inline constexpr char kPromptDirection[] =
    "Enter Channel Direction (0-Rx, 1-Tx, 2-Rx&Tx)           : ";
inline constexpr int kPromptLength = 58;

inline constexpr char kOk[] = "OK\r\n";
inline constexpr char kEntryClosed[] = ": \r\nOK\r\n";
inline constexpr char kError[] = "ERROR\r\n";
inline constexpr char kStoredAck[] = "at&w\r\nOK\r\n";

// Report framing the parser relies on.
inline constexpr char kSerialTag[] = "S/N";
inline constexpr char kListingStart[] = "--\r\n\r\n";
inline constexpr char kListingEnd[] = "\r\nOK\r\n";

inline QByteArray registerCommand(int reg, int value)
{
    return kRegisterPrefix + QByteArray::number(reg) + '=' + QByteArray::number(value) + kCR;
}

// The three digits of a register as they stand in the radio's echo of its assignment.
inline QByteArray registerDigits(int reg)
{
    return QByteArray::number(reg).rightJustified(3, '0');
}

inline QByteArray factoryPresetCommand(int preset)
{
    return kFactoryPresetPrefix + QByteArray::number(preset);
}

} // namespace quenda::radio

namespace quenda::radio {
static_assert(sizeof(kPromptChannel) - 1 == kPromptLength);
static_assert(sizeof(kPromptFrequency) - 1 == kPromptLength);
static_assert(sizeof(kPromptBandwidth) - 1 == kPromptLength);
static_assert(sizeof(kPromptDirection) - 1 == kPromptLength);
static_assert(sizeof(kBanner) - 1 == 18);
} // namespace quenda::radio
