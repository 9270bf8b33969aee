#pragma once

#include <paramset/paramset_export.h>

#include <QString>

class QMachineValue;

// The checks of one edited value, as the parameter table's editor makes them
// and the command-line tool repeats them: the numbers the editor lets through
// (the value's width; eight digits for a two-word value), then the text as a
// number in display units or a choice (by text or by value), then the
// parameter's own minimum and maximum.
namespace ParamEdit {

// A two-word value is edited within eight digits, whatever its sign.
inline constexpr qint64 kTwoWordLimit = 99999999;

// The lowest and highest number (a raw value's integer, before the scale
// divides it) the editor lets through.
PARAMSET_EXPORT qint64 lowest_edit(const QMachineValue *value);
PARAMSET_EXPORT qint64 highest_edit(const QMachineValue *value);

struct Check
{
    enum Kind {
        Ok,        // raw is set
        Invalid,   // not a number, not a choice, or beyond what the editor takes
        OutOfRange // reason names the limit
    };
    Kind kind = Invalid;
    int raw = 0;
    QString reason;
};

// The raw value an edit text stands for, or why it must not reach the drive.
PARAMSET_EXPORT Check check_text(const QMachineValue *value, const QString &text);

} // namespace ParamEdit
