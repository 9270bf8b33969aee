#pragma once

#include <core/plugin/qabstractpage.h>

// Root object of the parameter page plug-in. The page widget it creates is
// kept in m_widget and handed to the main window, which owns it as a tab.
class QParvexPlugin : public QAbstractPage
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "QPluginInterfaceIID")
    Q_INTERFACES(QPluginInterface)
public:
    explicit QParvexPlugin(QObject *parent = nullptr);

    // Builds the page and puts its menu entry (参数 > 历史记录) into the
    // core's menu map, which the main window builds its menu bar from.
    void init_plugin() override;
    QString get_plugin_name() override;
    QIcon get_page_icon() override;
    QString get_page_title() override;
    int get_page_order() override;
    void create_page_widget() override;
};
