#include "machinebuilder.h"

#include <database/qdatabaseloader.h>
#include <machine/qmachine.h>
#include <database/qmachineconfig.h>
#include <machine/qmachinevalue.h>
#include <machine/valuepropertyextra.h>

namespace MachineBuilder {

namespace {

QMachineValue *build_value(const QStringList &row)
{
    auto *value = new QMachineValue(nullptr);
    for (int i = 0; i < row.size(); ++i)
        value->set_value_property(static_cast<enValuePropertyIndex>(i), QVariant(row.at(i)));
    return value;
}

} // namespace

QMachine *build(QMachineConfig &config, const QString &type, const QString &version,
                const QStringList &runtime_selection)
{
    QMachine *machine = build_groups(config, type, version);
    add_runtimes(machine, config, runtime_selection);
    return machine;
}

QMachine *build_groups(QMachineConfig &config, const QString &type, const QString &version)
{
    auto *machine = new QMachine(nullptr);
    machine->set_type(type);
    machine->set_version(version);
    machine->set_name(config.machine_name());
    machine->set_name_en(config.machine_name_en());
    machine->set_profile(config.profile());

    const QList<tagDataPage> pages = config.get_parvex_config()->get_pages();
    for (const tagDataPage &page : pages) {
        machine->add_group(page.name, page.name_en);
        for (const QStringList &row : page.rows) {
            QMachineValue *value = build_value(row);
            if (!machine->add_value(page.name, value))
                delete value;
        }
    }
    return machine;
}

void add_runtimes(QMachine *machine, QMachineConfig &config, const QStringList &runtime_selection)
{
    const tagDataPage runtime = config.get_runtime_config()->get_page(0);
    const QStringList chosen = runtime_selection.isEmpty() ? default_runtime_codes(runtime.rows)
                                                           : runtime_selection;
    for (const QStringList &row : runtime.rows) {
        QMachineValue *value = build_value(row);
        machine->add_all_runtime_value(value);
        if (chosen.contains(row.value(VALUE_CODE)))
            machine->add_runtime_value(value);
    }
}

QStringList default_runtime_codes(const QList<QStringList> &rows)
{
    QStringList marked;
    for (const QStringList &row : rows) {
        if (row.value(VALUE_MONITOR) == QLatin1String("1"))
            marked.append(row.value(VALUE_CODE));
    }
    if (!marked.isEmpty())
        return marked;

    // Unmarked: what an engineer looks at first on any drive, the first
    // value in each of these units (output frequency, output current, bus
    // voltage), and the state word when the description names one.
    QStringList codes;
    for (const char *unit : {"Hz", "A", "V"}) {
        for (const QStringList &row : rows) {
            if (row.value(VALUE_UNIT) == QLatin1String(unit)) {
                codes.append(row.value(VALUE_CODE));
                break;
            }
        }
    }
    for (const QStringList &row : rows) {
        if (row.value(VALUE_ROLE) == QLatin1String("state")) {
            codes.append(row.value(VALUE_CODE));
            break;
        }
    }
    return codes;
}

} // namespace MachineBuilder
