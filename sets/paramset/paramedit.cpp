#include "paramedit.h"

#include <machine/qmachinevalue.h>

#include <QCoreApplication>

namespace ParamEdit {

qint64 lowest_edit(const QMachineValue *value)
{
    return value->words() == 1 ? value->lowest_number() : -kTwoWordLimit;
}

qint64 highest_edit(const QMachineValue *value)
{
    return value->words() == 1 ? value->highest_number() : kTwoWordLimit;
}

Check check_text(const QMachineValue *value, const QString &text)
{
    Check check;
    int raw = 0;
    if (!value->convert_text(text, &raw)) {
        // A number the register cannot hold says so; anything else is no value.
        bool number = false;
        text.trimmed().toDouble(&number);
        check.reason = number && value->get_combo_list().isEmpty()
            ? QCoreApplication::translate("ParamEdit", "“%1”超出参数的数据宽度").arg(text.trimmed())
            : QCoreApplication::translate("ParamEdit", "“%1”不是有效的数值").arg(text.trimmed());
        return check;
    }
    // A float's bits are no number of the width; its text was checked as a float.
    const qint64 number = value->number_of_raw(raw);
    if (!value->is_float() && (number < lowest_edit(value) || number > highest_edit(value))) {
        check.reason = QCoreApplication::translate("ParamEdit", "“%1”超出参数的数据宽度").arg(text.trimmed());
        return check;
    }
    const QString out_of_range = value->range_error(raw);
    if (!out_of_range.isEmpty()) {
        check.kind = Check::OutOfRange;
        check.reason = out_of_range;
        return check;
    }
    check.kind = Check::Ok;
    check.raw = raw;
    return check;
}

} // namespace ParamEdit
