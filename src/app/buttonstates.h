#pragma once

#include <optional>

namespace quenda {

// The main window's command buttons whose enabled state follows the window's events.
enum class CommandButton { Open, Save, Close, Defaults, RadioInfo, SerialInfo, Undo, Print };
inline constexpr CommandButton kCommandButtons[] = {
    CommandButton::Open,      CommandButton::Save,       CommandButton::Close,
    CommandButton::Defaults,  CommandButton::RadioInfo,  CommandButton::SerialInfo,
    CommandButton::Undo,      CommandButton::Print};

enum class WindowEvent {
    Start,        // window opened
    ReportShown,  // a report was parsed and shown
    Edited,       // a page edit or factory defaults
    UndoAll,      // the undo-all-changes command
    Closed,       // "关闭"
    PortLost,     // the device went away: connect again, keep what the pages show
    ReadFailed,   // a banner came but no report: the radio can only be left ("关闭")
};

// The enabled state a button takes after an event; nothing when the event leaves it alone.
std::optional<bool> buttonStateAfter(WindowEvent event, CommandButton button);

} // namespace quenda
