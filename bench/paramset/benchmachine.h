#pragma once

// A parameter model built from a description file the way the core builds
// it, for the parameter-set benchmarks.

#include <database/qdatabaseloader.h>
#include <machine/qmachine.h>
#include <database/qmachineconfig.h>
#include <machine/qmachinevalue.h>

#include <memory>

namespace BenchMachine {

inline std::unique_ptr<QMachine> load(const QString &path, QString *error)
{
    QMachineConfig config;
    if (!config.load_file(path)) {
        *error = config.error_string();
        return nullptr;
    }
    auto machine = std::make_unique<QMachine>();
    machine->set_name(config.machine_name());
    for (const tagDataPage &page : config.get_parvex_config()->get_pages()) {
        machine->add_group(page.name);
        for (const QStringList &row : page.rows) {
            auto *value = new QMachineValue;
            for (int i = 0; i < row.size(); ++i)
                value->set_value_property(static_cast<enValuePropertyIndex>(i), QVariant(row.at(i)));
            if (!machine->add_value(page.name, value))
                delete value;
        }
    }
    return machine;
}

} // namespace BenchMachine
