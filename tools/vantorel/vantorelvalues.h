#pragma once

#include <QJsonObject>
#include <QString>

class QMachineValue;

// How the tool names and shows one value of the model.
namespace VantorelValues {

QString code_of(const QMachineValue *value);
QString name_of(const QMachineValue *value);
QString unit_of(const QMachineValue *value);
// A value for scripts: a number in display units (a choice: its number, with
// its text beside it), and the raw register value.
QJsonObject json_of(const QMachineValue *value);

} // namespace VantorelValues
