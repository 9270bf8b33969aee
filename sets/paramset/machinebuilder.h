#pragma once

#include <paramset/paramset_export.h>

#include <QList>
#include <QString>
#include <QStringList>

class QMachine;
class QMachineConfig;

// Turns a loaded machine description into a parameter model: one group per
// page, one value per row (a row whose code or address is taken is left
// out), and every runtime value, monitored when runtime_selection names its
// code (an empty selection monitors the default set). The program's core and the command-line tool build their
// models here, so both see the same parameters.
namespace MachineBuilder {

// A new model the caller owns.
PARAMSET_EXPORT QMachine *build(QMachineConfig &config, const QString &type, const QString &version,
                                const QStringList &runtime_selection);

// The codes monitored when the operator chose none: the runtime values the
// description marks with monitor="1"; without marks, the first value in Hz,
// in A and in V, and the state word (role="state") when there is one.
PARAMSET_EXPORT QStringList default_runtime_codes(const QList<QStringList> &rows);
// The same in two steps, for a caller that announces the groups before the
// runtime values exist (the core's parvex_changed()): a new model with its
// groups only, which the caller owns, and then its runtime values.
PARAMSET_EXPORT QMachine *build_groups(QMachineConfig &config, const QString &type, const QString &version);
PARAMSET_EXPORT void add_runtimes(QMachine *machine, QMachineConfig &config, const QStringList &runtime_selection);

} // namespace MachineBuilder
