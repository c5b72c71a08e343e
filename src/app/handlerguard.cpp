#include "app/handlerguard.h"

namespace quenda {

bool runGuarded(QWidget *owner, const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (const CommError &error) {
        // A handler interrupted by the loss of the port stops quietly: the loss was shown once.
        if (!error.alreadyReported())
            MessageBox::warn(owner, error.description());
        return false;
    }
}

} // namespace quenda
