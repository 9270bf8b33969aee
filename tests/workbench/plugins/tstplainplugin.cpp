#include "tstplainplugin.h"
#include "tstrecorder.h"

TstPlainPlugin::~TstPlainPlugin()
{
    tst_record(QStringLiteral("destroyed:") + get_plugin_name());
}

void TstPlainPlugin::init_plugin()
{
    tst_record(QStringLiteral("init:") + get_plugin_name());
}

QString TstPlainPlugin::get_plugin_name()
{
    return QStringLiteral(TST_NAME);
}

QString TstPlainPlugin::get_plugin_type()
{
    return QStringLiteral(TST_TYPE);
}
