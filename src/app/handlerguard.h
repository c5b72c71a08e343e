#pragma once

#include "app/messagebox.h"
#include "link/commerror.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <utility>

namespace quenda {

// Runs one handler. A serial port failure ends the handler at that call and the user sees the
// port's description in a message box, the only place such failures are caught.
// Returns false when the handler was stopped that way.
bool runGuarded(QWidget *owner, const std::function<void()> &handler);

// Wraps a member handler for connect(): connect(button, &QPushButton::clicked, guarded(this, &X::OnSave)).
template <typename Owner>
auto guarded(Owner *owner, void (Owner::*handler)())
{
    return [owner, handler] { runGuarded(owner, [owner, handler] { (owner->*handler)(); }); };
}

} // namespace quenda
