#include "qmachine.h"

#include "qmachinevalue.h"
#include "tagvaluegroup.h"

namespace {

bool flag_set(const QMachineValue *value)
{
    const QString start = value->get_value_property(VALUE_START).toString().trimmed();
    return start == QLatin1String("1") || start.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

} // namespace

QMachine::QMachine(QObject *parent)
    : QObject(parent)
{
}

QMachine::~QMachine()
{
    // Groups and runtime values never share an object (add_value and
    // take_runtime refuse that), so each value is deleted exactly once, in
    // the order it was built: that walks memory front to back, which matters
    // for descriptions of many thousands of values.
    for (tagValueGroup *group : std::as_const(m_groups)) {
        qDeleteAll(group->m_values);
        delete group;
    }
    qDeleteAll(m_all_runtimes);
}

void QMachine::set_type(const QString &type)
{
    m_type = type;
}

QString QMachine::get_type() const
{
    return m_type;
}

void QMachine::set_version(const QString &version)
{
    m_version = version;
}

QString QMachine::get_version() const
{
    return m_version;
}

void QMachine::set_name(const QString &name)
{
    m_name = name;
}

QString QMachine::get_name() const
{
    return m_name;
}

void QMachine::set_name_en(const QString &name_en)
{
    m_name_en = name_en;
}

QString QMachine::display_name() const
{
    return QMachineValue::english() && !m_name_en.isEmpty() ? m_name_en : m_name;
}

void QMachine::add_group(const QString &name, const QString &name_en)
{
    auto *group = new tagValueGroup;
    group->m_name = name;
    group->m_name_en = name_en;
    m_groups.append(group);
    // With two groups of one name, values go to the first, as get_group finds it.
    if (!m_group_by_name.contains(name))
        m_group_by_name.insert(name, group);
}

bool QMachine::add_value(const QString &group_name, QMachineValue *value)
{
    if (value == nullptr)
        return false;
    tagValueGroup *group = m_group_by_name.value(group_name, nullptr);
    if (group == nullptr)
        return false;
    const QString code = value->get_value_property(VALUE_CODE).toString();
    bool ok = false;
    const int address = value->get_value_property(VALUE_ADDRESS).toInt(&ok);
    if (code.isEmpty() || !ok || m_by_code.contains(code) || m_runtime_set.contains(value))
        return false;
    const int words = value->words();
    for (int r = address; r < address + words; ++r) {
        if (m_registers.contains(r))
            return false;
    }
    for (int r = address; r < address + words; ++r)
        m_registers.insert(r, value);
    m_by_address.insert(address, value);
    m_by_code.insert(code, value);
    group->m_values.append(value);
    group->m_code_map.insert(code, value);
    value->set_profile(&m_profile);
    return true;
}

bool QMachine::take_runtime(QMachineValue *value)
{
    if (m_runtime_set.contains(value))
        return true;
    // A parameter object is owned through its group already.
    const int address = value->get_value_property(VALUE_ADDRESS).toInt();
    if (m_by_address.value(address, nullptr) == value)
        return false;
    m_runtime_set.insert(value);
    m_all_runtimes.append(value);
    value->set_profile(&m_profile);
    const QString code = value->get_value_property(VALUE_CODE).toString();
    if (!m_runtime_by_code.contains(code))
        m_runtime_by_code.insert(code, value);
    return true;
}

void QMachine::add_all_runtime_value(QMachineValue *value)
{
    if (value == nullptr)
        return;
    take_runtime(value);
}

void QMachine::add_runtime_value(QMachineValue *value)
{
    if (value == nullptr)
        return;
    // A value marked as monitored without having been handed over first is
    // taken too, so that it is owned and deleted with the machine.
    if (!take_runtime(value) || m_monitored_set.contains(value))
        return;
    m_monitored_set.insert(value);
    m_runtimes.append(value);
}

QList<tagValueGroup *> QMachine::get_groups() const
{
    return m_groups;
}

QList<QMachineValue *> QMachine::get_parameters() const
{
    QList<QMachineValue *> values;
    QSet<QMachineValue *> seen;
    for (const tagValueGroup *group : m_groups) {
        for (QMachineValue *value : group->m_values) {
            if (value && !seen.contains(value)) {
                seen.insert(value);
                values.append(value);
            }
        }
    }
    return values;
}

tagValueGroup *QMachine::get_group(const QString &name) const
{
    return m_group_by_name.value(name, nullptr);
}

QMachineValue *QMachine::get_value(int address) const
{
    return m_by_address.value(address, nullptr);
}

QMachineValue *QMachine::get_value(const QString &code) const
{
    if (QMachineValue *value = m_by_code.value(code, nullptr))
        return value;
    return m_runtime_by_code.value(code, nullptr);
}

QList<QMachineValue *> QMachine::get_runtimes() const
{
    return m_runtimes;
}

QList<QMachineValue *> QMachine::get_all_runtimes() const
{
    return m_all_runtimes;
}

QList<QMachineValue *> QMachine::get_start_list() const
{
    QList<QMachineValue *> list;
    for (const tagValueGroup *group : std::as_const(m_groups)) {
        for (QMachineValue *value : group->m_values) {
            if (flag_set(value))
                list.append(value);
        }
    }
    // Only monitored runtime values: answers are decoded into those alone,
    // so reading the others would cost exchanges for nothing.
    for (QMachineValue *value : std::as_const(m_all_runtimes)) {
        if (m_monitored_set.contains(value) && flag_set(value))
            list.append(value);
    }
    return list;
}

bool QMachine::check_value_right(QMachineValue *value) const
{
    if (value == nullptr)
        return false;
    const QString access = value->get_value_property(VALUE_ACCESS).toString().trimmed();
    return access == QLatin1String("rw") || access == QLatin1String("stop");
}

QString QMachine::display_name(const tagValueGroup *group)
{
    if (!group)
        return QString();
    if (QMachineValue::english() && !group->m_name_en.isEmpty())
        return group->m_name_en;
    return group->m_name;
}
