#include "app/leavequestion.h"

#include "protocol/messages.h"
#include "ui/messagebox.h"

namespace quenda {

bool confirmLeave(QWidget *window, bool unsavedChanges)
{
    if (!unsavedChanges)
        return true;
    return MessageBox::ask(window, messages::confirmLeave(), messages::confirmLeaveCaption()) ==
           MessageBox::Ok;
}

} // namespace quenda
