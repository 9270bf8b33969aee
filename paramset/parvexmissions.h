#pragma once

#include "paramset_export.h"

#include <QList>

class QMachine;
class QMachineValue;
class QMission;

// The missions that read and write parameter values, shared by the core (the
// reads at connection time, refreshes), the parameter page (one edit, upload,
// download) and the command-line tool, so all of them put a value's registers
// on the line the same way and take answers back into the model the same way.
namespace ParvexMissions {

// Write missions of type 0, one register each, send buffers built, in the
// order the value gives its registers. The caller owns them.
PARAMSET_EXPORT QList<QMission *> write_missions(QMachineValue *value, int raw, int station);
// The read-back of the value's registers (type 1), send buffer built.
PARAMSET_EXPORT QMission *read_back_mission(QMachineValue *value, int station);

// Read missions (type 3, send buffers built, no level set) that read every
// register of the given values: runs of at most eight registers that never
// split a two-word value nor reach beyond the values asked for. The caller
// owns them.
PARAMSET_EXPORT QList<QMission *> read_missions(const QList<QMachineValue *> &values, int station);

// Takes the registers of an answered read into the model: every parameter
// whose registers all lie in the answer, and every value of runtimes whose
// first register does.
PARAMSET_EXPORT void take_answer(QMachine *machine, const QMission &mission,
                                 const QList<QMachineValue *> &runtimes);

} // namespace ParvexMissions
