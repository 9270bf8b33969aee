#include "qmenuactionmap.h"

#include <QSet>
#include <QtDebug>

QMenuActionMap::~QMenuActionMap()
{
    // A record inserted twice (into two groups, or twice into one) must
    // still be deleted only once.
    QSet<tagActionInfo *> deleted;
    while (!m_groups.isEmpty()) {
        tagGroupInfo *group = m_groups.takeFirst();
        for (tagActionInfo *info : std::as_const(group->actions)) {
            if (!deleted.contains(info)) {
                deleted.insert(info);
                delete info;
            }
        }
        delete group;
    }
    m_group_map.clear();
    m_action_map.clear();
}

void QMenuActionMap::insert_group(const QString &key, const QString &text, int position)
{
    if (m_group_map.contains(key))
        return;
    auto *group = new tagGroupInfo;
    group->key = key;
    group->text = text;
    group->position = position;
    m_group_map.insert(key, group);

    qsizetype index = 0;
    while (index < m_groups.size() && m_groups.at(index)->position <= position)
        ++index;
    m_groups.insert(index, group);
}

bool QMenuActionMap::insert_action(const QString &key, tagActionInfo *info, int position)
{
    if (!info) {
        qWarning("QMenuActionMap::insert_action: null action record for group %s", qUtf8Printable(key));
        return false;
    }
    tagGroupInfo *group = m_group_map.value(key);
    if (!group)
        return false;
    if (position < 0 || position > group->actions.size())
        group->actions.append(info);
    else
        group->actions.insert(position, info);
    m_action_map.insert(info->key, info);
    return true;
}

tagGroupInfo *QMenuActionMap::get_group(int index) const
{
    if (index < 0 || index >= m_groups.size())
        return nullptr;
    return m_groups.at(index);
}

int QMenuActionMap::group_count() const
{
    return int(m_groups.size());
}

tagActionInfo *QMenuActionMap::get_action(const QString &key) const
{
    return m_action_map.value(key);
}
