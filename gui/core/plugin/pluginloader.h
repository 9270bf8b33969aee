#pragma once

#include <core/core_export.h>

#include <QMap>
#include <QString>

class QAbstractPlugin;

// The registry of loaded plug-ins, by type and name. Owns the plug-in
// objects: release_plugin() deletes them; otherwise they live until the
// process ends.
class CORE_EXPORT PluginLoader
{
public:
    static void load_plugin(const QString &path);
    static QMap<QString, QAbstractPlugin *> get_plugin_by_type(const QString &type);
    static QAbstractPlugin *get_plugin(const QString &type, const QString &name);
    static void release_plugin();

private:
    static void register_plugin(QAbstractPlugin *plugin);

    static QMap<QString, QMap<QString, QAbstractPlugin *>> m_plugins;
};
