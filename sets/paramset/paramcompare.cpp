#include "paramcompare.h"

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>
#include <machine/tagvaluegroup.h>

#include <QHash>
#include <QSet>

namespace ParamCompare {

namespace {

// The last value of each code, and the codes in order of first appearance.
struct Side
{
    QList<QString> order;
    QHash<QString, int> raw;

    explicit Side(const QList<tagParamRaw> &values)
    {
        order.reserve(values.size());
        raw.reserve(values.size());
        for (const tagParamRaw &entry : values) {
            auto it = raw.find(entry.code);
            if (it == raw.end()) {
                order.append(entry.code);
                raw.insert(entry.code, entry.raw);
            } else {
                it.value() = entry.raw;
            }
        }
    }
};

bool same(QMachineValue *value, int a, int b)
{
    if (a == b)
        return true;
    return value && value->number_of_raw(a) == value->number_of_raw(b);
}

} // namespace

QList<tagParamDifference> compare(const QList<tagParamRaw> &left, const QList<tagParamRaw> &right,
                                  QMachine *machine)
{
    const Side l(left);
    const Side r(right);
    QList<tagParamDifference> differences;
    for (const QString &code : l.order) {
        QMachineValue *value = machine ? machine->get_value(code) : nullptr;
        const int a = l.raw.value(code);
        const auto other = r.raw.constFind(code);
        if (other == r.raw.constEnd()) {
            differences.append({tagParamDifference::OnlyLeft, code, value, a, 0});
        } else if (!same(value, a, other.value())) {
            differences.append({tagParamDifference::Different, code, value, a, other.value()});
        }
    }
    for (const QString &code : r.order) {
        if (l.raw.contains(code))
            continue;
        QMachineValue *value = machine ? machine->get_value(code) : nullptr;
        differences.append({tagParamDifference::OnlyRight, code, value, 0, r.raw.value(code)});
    }
    return differences;
}

QList<tagParamRaw> defaults_of(QMachine *machine, QStringList *problems)
{
    QList<tagParamRaw> values;
    if (!machine)
        return values;
    const QList<QMachineValue *> parameters = machine->get_parameters();
    for (QMachineValue *value : parameters) {
        const QString code = value->get_value_property(VALUE_CODE).toString();
        int raw = 0;
        if (!default_raw(value, &raw)) {
            if (problems) {
                problems->append(QStringLiteral("%1：%2").arg(
                    code, value->get_value_property(VALUE_DEFAULT).toString()));
            }
            continue;
        }
        values.append({code, raw});
    }
    return values;
}

bool default_raw(QMachineValue *value, int *raw)
{
    if (!value)
        return false;
    const QString text = value->get_value_property(VALUE_DEFAULT).toString().trimmed();
    if (text.isEmpty())
        return false;
    // A choice's default names its value, not its text.
    bool ok = false;
    const qint64 number = text.toLongLong(&ok, 10);
    if (ok && value->get_value_property(VALUE_EDITOR).toString() == QStringLiteral("选择")
        && value->raw_of_integer(number, raw))
        return true;
    return value->convert_text(text, raw);
}

QString text_of(const tagParamDifference &difference, bool left)
{
    if ((left && difference.kind == tagParamDifference::OnlyRight)
        || (!left && difference.kind == tagParamDifference::OnlyLeft))
        return QString();
    const int raw = left ? difference.left : difference.right;
    if (!difference.value)
        return QString::number(raw);
    return difference.value->text_of_raw(raw);
}

} // namespace ParamCompare
