#pragma once

#include "tagactioninfo.h"

#include <QList>
#include <QString>

// One menu of QMenuActionMap; created and owned by the map.
struct tagGroupInfo
{
    QString key;                       // e.g. "Menu.Setting"
    QString text;                      // the menu title
    int position = 0;                  // ordering key among the menus
    QList<tagActionInfo *> actions;    // in menu order
};
