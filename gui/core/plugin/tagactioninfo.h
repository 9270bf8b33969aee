#pragma once

#include <QString>

class QAction;

// One menu entry of QMenuActionMap. The caller creates it with new; once
// stored in a group, the map deletes it. The action belongs to its QObject
// parent (the main window), never to the map.
struct tagActionInfo
{
    QString key;                 // dotted key, e.g. "Menu.Setting.Communicate"
    QAction *action = nullptr;
};
