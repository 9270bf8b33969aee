#pragma once

#include <QJsonObject>
#include <QString>

class QMachineValue;

// How the tool names and shows one value of the model.
namespace VantorelValues {

QString code_of(const QMachineValue *value);
// The name in the run's language (the description's English name when the
// run speaks English and it has one), for tables and messages.
QString name_of(const QMachineValue *value);
// The description's own name, the same in every language: the JSON's "name".
QString json_name_of(const QMachineValue *value);
QString unit_of(const QMachineValue *value);
// A value for scripts: a number in display units (a choice: its number, with
// its text beside it), and the raw register value.
QJsonObject json_of(const QMachineValue *value);

} // namespace VantorelValues
