#pragma once

#include "k7v4simulator.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace k7v4 {

// The state file: one setting per line, '#' starts a comment.
//   serial=21040517
//   S102=7
//   channel 5 433125000 1 2      (number, frequency in Hz, bandwidth code, direction code)
// Registers not named keep their factory values; channels not named are free.
std::optional<RadioState> parseState(const QByteArray &text, QString *error);
QByteArray formatState(const RadioState &state);

// A serial number the settings report can carry whole: printable, no blanks, no '#'.
bool isValidSerial(const QString &serial);

} // namespace k7v4
