#pragma once

#include <QString>
#include <QtPlugin>

// What every plug-in library's root object offers the loader.
class QPluginInterface
{
public:
    virtual void init_plugin() = 0;
    virtual QString get_plugin_name() = 0;
    virtual QString get_plugin_type() = 0;
};

#define QPluginInterface_iid "QPluginInterfaceIID"
Q_DECLARE_INTERFACE(QPluginInterface, QPluginInterface_iid)
