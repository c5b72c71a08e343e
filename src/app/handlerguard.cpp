#include "app/handlerguard.h"

namespace quenda {

bool runGuarded(QWidget *owner, const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (const CommError &error) {
        MessageBox::warn(owner, error.description());
        return false;
    }
}

} // namespace quenda
