#include "qparvexplugin.h"

#include "qparvexwidget.h"

QParvexPlugin::QParvexPlugin(QObject *parent)
    : QAbstractPage(parent)
{
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
