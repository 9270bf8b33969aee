#pragma once

#include <core/plugin/qabstractpage.h>

// Root object of the monitoring page plug-in. The page widget it creates is
// kept in m_widget and handed to the main window, which owns it as a tab.
class QMonitorPlugin : public QAbstractPage
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "QPluginInterfaceIID")
    Q_INTERFACES(QPluginInterface)
public:
    explicit QMonitorPlugin(QObject *parent = nullptr);

    QString get_plugin_name() override;
    QIcon get_page_icon() override;
    QString get_page_title() override;
    int get_page_order() override;
    void create_page_widget() override;
};
