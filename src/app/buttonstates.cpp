#include "app/buttonstates.h"

namespace quenda {

std::optional<bool> buttonStateAfter(WindowEvent event, CommandButton button)
{
    using B = CommandButton;
    switch (event) {
    case WindowEvent::Start:
    case WindowEvent::Closed:
        return button == B::Open;
    case WindowEvent::ReportShown:
        switch (button) {
        case B::Open:
            return false;
        case B::Close:
        case B::Defaults:
        case B::RadioInfo:
        case B::SerialInfo:
            return true;
        default:
            return std::nullopt;
        }
    case WindowEvent::Edited:
        if (button == B::Save || button == B::Undo)
            return true;
        return std::nullopt;
    case WindowEvent::PortLost:
        switch (button) {
        case B::Open:
            return true;
        case B::Save:
        case B::Close:
        case B::Defaults:
        case B::Undo:
            return false;
        default:
            return std::nullopt;
        }
    case WindowEvent::ReadFailed:
        if (button == B::Open || button == B::Close)
            return button == B::Close;
        return std::nullopt;
    case WindowEvent::UndoAll:
        if (button == B::Save || button == B::Undo)
            return false;
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace quenda
