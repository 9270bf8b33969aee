#include "machinebuilder.h"

#include <database/qdatabaseloader.h>
#include <machine/qmachine.h>
#include <database/qmachineconfig.h>
#include <machine/qmachinevalue.h>

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
    for (const QStringList &row : runtime.rows) {
        QMachineValue *value = build_value(row);
        machine->add_all_runtime_value(value);
        if (runtime_selection.isEmpty() || runtime_selection.contains(row.value(0)))
            machine->add_runtime_value(value);
    }
}

} // namespace MachineBuilder
