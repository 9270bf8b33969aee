#include "workbenchresources.h"

#include <QtGlobal>

void init_workbench_resources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(workbench);
        return true;
    }();
    Q_UNUSED(registered)
}
