#pragma once

#include <core/core_export.h>
#include "qplugininterface.h"

#include <QObject>

// Base of every plug-in's root object. A plug-in that keeps the empty name or
// type is refused by the loader.
class CORE_EXPORT QAbstractPlugin : public QObject, public QPluginInterface
{
    Q_OBJECT
    Q_INTERFACES(QPluginInterface)
public:
    explicit QAbstractPlugin(QObject *parent = nullptr);
    ~QAbstractPlugin() override;

    void init_plugin() override;
    QString get_plugin_name() override;
    QString get_plugin_type() override;
};
