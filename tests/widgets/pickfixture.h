#pragma once

// Builds the soft core's machine model from tests/widgets/data for the pick
// view and dialog tests; settings go to a throw-away directory.

#include "qlocalcodec.h"
#include "qmachine.h"
#include "qmachineconfig.h"
#include "qmachinevalue.h"
#include "qsettingmanager.h"
#include "qsoftcore.h"
#include "tagvaluegroup.h"

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
