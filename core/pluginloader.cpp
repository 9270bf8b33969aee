#include "pluginloader.h"

#include "qabstractplugin.h"
#include "qlocalcodec.h"
#include "xmlobject.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPluginLoader>

QMap<QString, QMap<QString, QAbstractPlugin *>> PluginLoader::m_plugins;

void PluginLoader::load_plugin(const QString &path)
{
    release_plugin();

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QString text = QLocalCodec::decode(file.readAll());
    file.close();

    XMLObject root(nullptr);
    if (!root.load(text, nullptr) || root.get_title() != QLatin1String("Plugin"))
        return;

    const QString base = QCoreApplication::applicationDirPath();
    const QList<XMLObject *> entries = root.get_children();
    for (XMLObject *entry : entries) {
        const QDir dir(base + QLatin1Char('/') + entry->get_property(QStringLiteral("path")));
        const QFileInfoList files =
            dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
        for (const QFileInfo &info : files) {
            QPluginLoader loader(info.absoluteFilePath());
            if (!loader.load())
                continue;
            auto *plugin = qobject_cast<QAbstractPlugin *>(loader.instance());
            if (!plugin)
                continue;
            register_plugin(plugin);
        }
    }
}

void PluginLoader::register_plugin(QAbstractPlugin *plugin)
{
    const QString type = plugin->get_plugin_type();
    const QString name = plugin->get_plugin_name();
    if (type.isEmpty() || name.isEmpty()) {
        delete plugin;
        return;
    }

    QMap<QString, QAbstractPlugin *> named = m_plugins.value(type);
    QAbstractPlugin *earlier = named.value(name, nullptr);
    if (earlier == plugin)
        return; // the same library met twice: already registered and initialised
    delete earlier;
    named.insert(name, plugin);
    m_plugins.insert(type, named);
    plugin->init_plugin();
}

QMap<QString, QAbstractPlugin *> PluginLoader::get_plugin_by_type(const QString &type)
{
    return m_plugins.value(type);
}

QAbstractPlugin *PluginLoader::get_plugin(const QString &type, const QString &name)
{
    return m_plugins.value(type).value(name, nullptr);
}

void PluginLoader::release_plugin()
{
    for (auto type = m_plugins.begin(); type != m_plugins.end(); ++type)
        qDeleteAll(type.value());
    m_plugins.clear();
}
