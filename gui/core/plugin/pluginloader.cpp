#include "pluginloader.h"

#include "qabstractplugin.h"
#include <coredata/qlocalcodec.h>
#include <coredata/xmlobject.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QPluginLoader>

QMap<QString, QMap<QString, QAbstractPlugin *>> PluginLoader::m_plugins;

void PluginLoader::load_plugin(const QString &path)
{
    release_plugin();

    // Failures are skipped so the rest of the list still loads, but each one
    // is logged: a page that does not appear should leave a trace why.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("plug-in list %s: %s", qPrintable(path), qPrintable(file.errorString()));
        return;
    }
    QString text;
    QString decode_error;
    const bool decoded = QLocalCodec::decode(file.readAll(), &text, &decode_error);
    file.close();
    if (!decoded) {
        qWarning("plug-in list %s: %s", qPrintable(path), qPrintable(decode_error));
        return;
    }

    XMLObject root(nullptr);
    QString error;
    if (!root.load(text, &error) || root.get_title() != QLatin1String("Plugin")) {
        qWarning("plug-in list %s: %s", qPrintable(path),
                 error.isEmpty() ? "not a plug-in list" : qPrintable(error));
        return;
    }

    const QString base = QCoreApplication::applicationDirPath();
    const QList<XMLObject *> entries = root.get_children();
    for (XMLObject *entry : entries) {
        const QDir dir(base + QLatin1Char('/') + entry->get_property(QStringLiteral("path")));
        if (!dir.exists()) {
            qWarning("plug-in directory %s does not exist", qPrintable(dir.path()));
            continue;
        }
        const QFileInfoList files =
            dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
        for (const QFileInfo &info : files) {
            QPluginLoader loader(info.absoluteFilePath());
            if (!loader.load()) {
                // Other files may lie beside the plug-ins (the program itself
                // when the list names its directory); only libraries count.
                if (QLibrary::isLibrary(info.fileName()))
                    qWarning("plug-in %s not loaded: %s", qPrintable(info.absoluteFilePath()),
                             qPrintable(loader.errorString()));
                continue;
            }
            auto *plugin = qobject_cast<QAbstractPlugin *>(loader.instance());
            if (!plugin) {
                qWarning("plug-in %s is not one of ours", qPrintable(info.absoluteFilePath()));
                continue;
            }
            register_plugin(plugin);
        }
    }
}

void PluginLoader::register_plugin(QAbstractPlugin *plugin)
{
    const QString type = plugin->get_plugin_type();
    const QString name = plugin->get_plugin_name();
    if (type.isEmpty() || name.isEmpty()) {
        qWarning("plug-in %s refused: it has no type or no name", plugin->metaObject()->className());
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
