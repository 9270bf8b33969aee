#include "qparvexplugin.h"

#include "qparvexwidget.h"

#include <core/plugin/qmenuactionmap.h>
#include <core/qsoftcore.h>

#include <QAction>

QParvexPlugin::QParvexPlugin(QObject *parent)
    : QAbstractPage(parent)
{
}

void QParvexPlugin::init_plugin()
{
    QAbstractPage::init_plugin();
    auto *page = qobject_cast<QParvexWidget *>(m_widget);
    if (!page)
        return;
    QMenuActionMap *map = QSoftCore::get_core()->get_menu_action_map();
    // After the main window's 通信 (0) and 设置 (1).
    map->insert_group(QStringLiteral("Menu.Parameter"), tr("参数"), 2);
    auto *history = new QAction(tr("历史记录"), page);
    history->setObjectName(QStringLiteral("actionHistory"));
    connect(history, &QAction::triggered, page, &QParvexWidget::show_history);
    auto *info = new tagActionInfo;
    info->key = QStringLiteral("Menu.Parameter.History");
    info->action = history;
    if (!map->insert_action(QStringLiteral("Menu.Parameter"), info, -1))
        delete info;
    // Offline files, undo and redo, and how edits reach the drive.
    const QList<QAction *> edits = page->edit_actions();
    for (QAction *action : edits) {
        auto *entry = new tagActionInfo;
        entry->key = QStringLiteral("Menu.Parameter.") + (action->objectName().isEmpty()
                                                             ? QStringLiteral("Separator_%1").arg(edits.indexOf(action))
                                                             : action->objectName());
        entry->action = action;
        if (!map->insert_action(QStringLiteral("Menu.Parameter"), entry, -1))
            delete entry;
    }
}

QString QParvexPlugin::get_plugin_name()
{
    return QStringLiteral("Plugin.Page.Parvex");
}

QIcon QParvexPlugin::get_page_icon()
{
    return QIcon(QStringLiteral(":/images/preferences.png"));
}

QString QParvexPlugin::get_page_title()
{
    return tr("功能参数");
}

int QParvexPlugin::get_page_order()
{
    return 1;
}

void QParvexPlugin::create_page_widget()
{
    m_widget = new QParvexWidget;
}
