#pragma once

namespace quenda {

// The fixed pauses the radio protocol imposes, in milliseconds. Widget-free, so that the
// protocol logic can name them without the serial link.
namespace pauses {
inline constexpr int kReceiveSettle = 200;      // start of every receive event
inline constexpr int kAfterSettingsRequest = 3000; // after "AT&V"
inline constexpr int kAfterChannelRequest = 2000;  // after "ATP0?"
inline constexpr int kAfterAccessCode = 100;    // after "ATP0=" and the access code
inline constexpr int kAfterStore = 100;         // after "at&w" / "AT&W"
inline constexpr int kAfterSaveReport = 3000;   // after "at&v" / "AT&V" that ends a save or preset
inline constexpr int kPowerOnTick = 800;        // in each power-on countdown tick
inline constexpr int kSoftDiagnosticTry = 2000; // in each soft-diagnostic try

// After the read sequence, how long a report may take to begin: a full listing at 4800 baud
// takes about 8 s on the line, and every receive event settles first.
inline constexpr int kReadAnswerBound = 15000;
} // namespace pauses

} // namespace quenda
