#include "qmonitorplugin.h"

#include "qmonitorwidget.h"

QMonitorPlugin::QMonitorPlugin(QObject *parent)
    : QAbstractPage(parent)
{
}

QString QMonitorPlugin::get_plugin_name()
{
    return QStringLiteral("Plugin.Page.Monitor");
}

QIcon QMonitorPlugin::get_page_icon()
{
    return QIcon(QStringLiteral(":/monitor/images/monitor.png"));
}

QString QMonitorPlugin::get_page_title()
{
    return tr("运行监视");
}

int QMonitorPlugin::get_page_order()
{
    return 2; // after the parameter page
}

void QMonitorPlugin::create_page_widget()
{
    m_widget = new QMonitorWidget;
}
