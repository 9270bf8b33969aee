#pragma once

#include <paramset/paramset_export.h>
#include "paramsnapshot.h"

#include <QList>
#include <QString>
#include <QStringList>

class QMachine;
class QMachineValue;

// One parameter in which two parameter sets differ.
struct tagParamDifference
{
    enum Kind {
        Different, // both sides hold it, with other values
        OnlyLeft,  // the other side does not name it
        OnlyRight  // only the other side names it
    };
    Kind kind = Different;
    QString code;
    // The description's parameter; null for a code it does not know (a file
    // or snapshot of another drive model).
    QMachineValue *value = nullptr;
    int left = 0;  // valid unless kind is OnlyRight
    int right = 0; // valid unless kind is OnlyLeft
};

// Comparing parameter sets by code. The left side is usually the drive (what
// was just read), the right one a file, the defaults or a snapshot. Values of
// a parameter the description knows are compared as the numbers they stand
// for, so a file's -1 and a drive's 65535 of a signed one-word parameter are
// equal.
namespace ParamCompare {

// Differences in left order, then the codes only the right side names in
// right order. A code listed twice on one side counts with its last value.
PARAMSET_EXPORT QList<tagParamDifference> compare(const QList<tagParamRaw> &left,
                                                  const QList<tagParamRaw> &right,
                                                  QMachine *machine);

// The description's default of every parameter as a raw value, in group
// order. A default that does not convert (it cannot, for a description the
// loader took) goes to `problems`.
PARAMSET_EXPORT QList<tagParamRaw> defaults_of(QMachine *machine, QStringList *problems = nullptr);

// The raw value of the parameter's default; false when it has none (or it
// does not convert).
PARAMSET_EXPORT bool default_raw(QMachineValue *value, int *raw);

// Display text of one side: the value in display units or its choice text;
// the raw number for a code the description does not know; empty for the
// side that does not hold the parameter.
PARAMSET_EXPORT QString text_of(const tagParamDifference &difference, bool left);

} // namespace ParamCompare
