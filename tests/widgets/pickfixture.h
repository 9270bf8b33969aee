#pragma once

// Builds the soft core's machine model from tests/widgets/data for the pick
// view and dialog tests; settings go to a throw-away directory.

#include <coredata/qlocalcodec.h>
#include <machine/qmachine.h>
#include <database/qmachineconfig.h>
#include <machine/qmachinevalue.h>
#include <coredata/qsettingmanager.h>
#include <core/qsoftcore.h>
#include <machine/tagvaluegroup.h>

#include <QTemporaryDir>
#include <QTest>

struct PickFixture
{
    QTemporaryDir dir;

    bool setUp()
    {
        if (!QLocalCodec::install() || !dir.isValid())
            return false;
        QSettingManager::set_default_file(dir.filePath(QStringLiteral("config.xml")));
        QMachineConfig::set_machines_directory(QStringLiteral(TEST_SOURCE_DIR "/tests/widgets/data/machines"));
        return build();
    }

    static bool build()
    {
        QSoftCore::get_core()->new_machine();
        return QSoftCore::get_core()->get_machine() != nullptr;
    }

    static QMachineValue *value(const char *code)
    {
        return QSoftCore::get_core()->get_machine()->get_value(QString::fromLatin1(code));
    }
};
