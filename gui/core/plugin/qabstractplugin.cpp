#include "qabstractplugin.h"

QAbstractPlugin::QAbstractPlugin(QObject *parent)
    : QObject(parent)
{
}

QAbstractPlugin::~QAbstractPlugin() = default;

void QAbstractPlugin::init_plugin()
{
}

QString QAbstractPlugin::get_plugin_name()
{
    return QString();
}

QString QAbstractPlugin::get_plugin_type()
{
    return QString();
}
