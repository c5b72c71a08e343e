#include "pages/wheelguard.h"

#include <QComboBox>
#include <QEvent>

namespace quenda {
namespace {
class WheelGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Wheel && !static_cast<QWidget *>(watched)->hasFocus()) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

void guardWheel(QWidget *page)
{
    auto *guard = new WheelGuard(page);
    for (QComboBox *list : page->findChildren<QComboBox *>()) {
        list->setFocusPolicy(Qt::StrongFocus);
        list->installEventFilter(guard);
    }
}

} // namespace quenda
