#pragma once

#include <core/core_export.h>
#include "tagactioninfo.h"
#include "taggroupinfo.h"

#include <QList>
#include <QMap>
#include <QString>

// The menus of the main window as data: groups in position order, each with
// its actions in menu order, all reachable by dotted key. The map owns the
// group records and every action record that sits in a group, and deletes
// them when it is destroyed; it never touches the QAction objects.
class CORE_EXPORT QMenuActionMap
{
public:
    QMenuActionMap() = default;
    ~QMenuActionMap();
    QMenuActionMap(const QMenuActionMap &) = delete;
    QMenuActionMap &operator=(const QMenuActionMap &) = delete;

    // An existing key keeps its text and position. Equal positions keep the
    // order of insertion.
    void insert_group(const QString &key, const QString &text, int position);
    // Puts `info` before index `position` of the group (appends when the
    // position is negative or past the end) and registers it under its own
    // key, replacing an earlier record of that key in the lookup only.
    // Returns false when no group has the key: `info` then stays the
    // caller's.
    bool insert_action(const QString &key, tagActionInfo *info, int position);

    tagGroupInfo *get_group(int index) const;
    int group_count() const;
    tagActionInfo *get_action(const QString &key) const;

private:
    QList<tagGroupInfo *> m_groups;
    QMap<QString, tagGroupInfo *> m_group_map;
    QMap<QString, tagActionInfo *> m_action_map;
};
