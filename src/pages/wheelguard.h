#pragma once

class QWidget;

namespace quenda {

// Drop-down lists of a page take the mouse wheel only once they have the focus, and the wheel
// does not give it to them: scrolling over a page never changes a setting by accident.
void guardWheel(QWidget *page);

} // namespace quenda
