#include "vantorelvalues.h"

#include <machine/qmachinevalue.h>

namespace VantorelValues {

QString code_of(const QMachineValue *value)
{
    return value->get_value_property(VALUE_CODE).toString();
}

QString name_of(const QMachineValue *value)
{
    return value->display_name();
}

QString json_name_of(const QMachineValue *value)
{
    return value->get_value_property(VALUE_NAME).toString();
}

QString unit_of(const QMachineValue *value)
{
    return value->get_value_property(VALUE_UNIT).toString();
}

namespace {

bool is_choice(const QMachineValue *value)
{
    return value->get_value_property(VALUE_EDITOR).toString() == QStringLiteral("选择");
}

} // namespace

QJsonObject json_of(const QMachineValue *value)
{
    QJsonObject o;
    o.insert(QStringLiteral("code"), code_of(value));
    o.insert(QStringLiteral("name"), json_name_of(value));
    o.insert(QStringLiteral("unit"), unit_of(value));
    if (!value->has_value())
        return o;
    const qint64 number = value->number_of_raw(value->get_base_value());
    if (is_choice(value)) {
        o.insert(QStringLiteral("value"), double(number));
        o.insert(QStringLiteral("text"), value->get_true_value_string());
    } else {
        o.insert(QStringLiteral("value"), value->display_number(value->get_base_value()));
    }
    o.insert(QStringLiteral("raw"), double(value->get_base_value()));
    return o;
}

} // namespace VantorelValues
