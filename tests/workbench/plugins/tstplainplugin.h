#pragma once

#include <core/plugin/qabstractplugin.h>

// A plug-in that is not a page; its type and name come from the build.
class TstPlainPlugin : public QAbstractPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "QPluginInterfaceIID")
    Q_INTERFACES(QPluginInterface)
public:
    TstPlainPlugin() = default;
    ~TstPlainPlugin() override;

    void init_plugin() override;
    QString get_plugin_name() override;
    QString get_plugin_type() override;
};
