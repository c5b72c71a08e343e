#pragma once

class QWidget;

namespace quenda {

// Leaving the program with unsaved changes ("保存" enabled) asks first; true when it may end.
bool confirmLeave(QWidget *window, bool unsavedChanges);

} // namespace quenda
