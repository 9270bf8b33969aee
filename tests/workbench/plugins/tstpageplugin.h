#pragma once

#include <core/plugin/qabstractpage.h>

// A page plug-in whose name, title and order come from the build, so one
// source gives several distinct libraries.
class TstPagePlugin : public QAbstractPage
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "QPluginInterfaceIID")
    Q_INTERFACES(QPluginInterface)
public:
    TstPagePlugin();
    ~TstPagePlugin() override;

    void init_plugin() override;
    QString get_plugin_name() override;
    QIcon get_page_icon() override;
    QString get_page_title() override;
    int get_page_order() override;
    void create_page_widget() override;
};
