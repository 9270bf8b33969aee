#pragma once

#include <QList>
#include <QMap>
#include <QString>

class QMachineValue;

// One parameter group of a machine. Owned by QMachine, with its values.
struct tagValueGroup
{
    QList<QMachineValue *> m_values;            // display order
    QString m_name;
    QMap<QString, QMachineValue *> m_code_map;  // code -> value
    QString m_name_en;                          // English name; empty when none
};
