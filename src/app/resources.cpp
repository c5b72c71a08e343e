#include "app/resources.h"

#include <QtGlobal>

static void initQuendaResources()
{
    Q_INIT_RESOURCE(quenda);
}

namespace quenda {
void initResources()
{
    static const bool done = (initQuendaResources(), true);
    Q_UNUSED(done);
}
} // namespace quenda
