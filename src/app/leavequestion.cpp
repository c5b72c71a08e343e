#include "app/leavequestion.h"

#include "app/messagebox.h"
#include "app/messages.h"

namespace quenda {

bool confirmLeave(QWidget *window, bool unsavedChanges)
{
    if (!unsavedChanges)
        return true;
    return MessageBox::ask(window, messages::confirmLeave(), messages::confirmLeaveCaption()) ==
           MessageBox::Ok;
}

} // namespace quenda
