#include "paramedit.h"

#include <machine/qmachinevalue.h>

#include <QCoreApplication>

#include <cmath>

namespace ParamEdit {

namespace {

// The operator's text as a reason echoes it: trimmed, and cut when long.
QString shown(const QString &text)
{
    constexpr qsizetype kLongest = 40;
    const QString t = text.trimmed();
    return t.size() > kLongest ? t.left(kLongest) + QStringLiteral("…") : t;
}

} // namespace

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
    // A number beyond the parameter's limits names them, in display units,
    // even where the register could not hold it either (700 for 0.00..600.00
    // at two decimals): the limits are what the operator can act on.
    bool is_number = false;
    const double wanted = text.trimmed().toDouble(&is_number);
    if (is_number && std::isfinite(wanted) && value->get_combo_list().isEmpty()) {
        const double half_step = 0.5 / double(QMachineValue::scale_magnitude(
                                           value->get_value_property(VALUE_SCALE).toInt()));
        bool min_ok = false;
        bool max_ok = false;
        const QString min_text = value->get_value_property(VALUE_MIN).toString();
        const QString max_text = value->get_value_property(VALUE_MAX).toString();
        const double min = min_text.toDouble(&min_ok);
        const double max = max_text.toDouble(&max_ok);
        if ((min_ok && wanted < min - half_step) || (max_ok && wanted > max + half_step)) {
            check.kind = Check::OutOfRange;
            check.reason = QCoreApplication::translate("ParamEdit", "“%1”超出范围 %2～%3")
                               .arg(text.trimmed(), min_text, max_text);
            return check;
        }
    }
    int raw = 0;
    if (!value->convert_text(text, &raw)) {
        // A number the register cannot hold says so; anything else (nan and
        // inf too) is no value.
        bool number = false;
        const double x = text.trimmed().toDouble(&number);
        check.reason = number && std::isfinite(x) && value->get_combo_list().isEmpty()
            ? QCoreApplication::translate("ParamEdit", "“%1”超出参数的数据宽度").arg(shown(text))
            : QCoreApplication::translate("ParamEdit", "“%1”不是有效的数值").arg(shown(text));
        return check;
    }
    // A float's bits are no number of the width; its text was checked as a float.
    const qint64 number = value->number_of_raw(raw);
    if (!value->is_float() && (number < lowest_edit(value) || number > highest_edit(value))) {
        check.reason = QCoreApplication::translate("ParamEdit", "“%1”超出参数的数据宽度").arg(shown(text));
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
