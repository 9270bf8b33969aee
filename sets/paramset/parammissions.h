#pragma once

#include <paramset/paramset_export.h>

#include <QList>

class QMachine;
class QMachineValue;
class QMission;

// The missions that move parameter values over the link. Shared by the table
// (one edit), the page (upload, download, compare) and the command-line
// tool, so all of them write a value's registers the same way, in the order
// the value gives them, and read values in the same runs.
namespace ParamMissions {

// Registers a read asks for at most.
inline constexpr int kMaxRegistersPerRead = 8;

// How a value of two words goes out. In one request (0x10, type 2) the drive
// takes both words or neither; a drive that takes only 0x06 gets two
// requests (type 0), and a failure between them can leave half a value.
enum class TwoWords { OneRequest, SingleWrites };

// The write missions of a value, send buffers built: one 0x06 (type 0) for a
// one-word value; a two-word value as `two_words` says. The caller owns them.
PARAMSET_EXPORT QList<QMission *> write_missions(QMachineValue *value, int raw, int station,
                                                 TwoWords two_words = TwoWords::OneRequest);

// The parameter one of whose registers is at `address` (the high word of a
// two-word value too); null when none is.
PARAMSET_EXPORT QMachineValue *value_at(QMachine *machine, int address);
// The read-back of the value's registers (type 1), send buffer built.
PARAMSET_EXPORT QMission *read_back_mission(QMachineValue *value, int station);
// Reads of every register of the values, in runs of consecutive registers
// (RegisterRuns): missions of type 3 that carry the station, the first
// register and the length, send buffers built, and nothing else; the caller
// sets level and type. The caller owns them. The core's make_mission.
PARAMSET_EXPORT QList<QMission *> read_runs(const QList<QMachineValue *> &values, int station);
// The same runs as read-backs (type 1) at the page's level. The caller owns them.
PARAMSET_EXPORT QList<QMission *> read_missions(const QList<QMachineValue *> &values, int station);

// Takes the registers of an answered read into the model: every parameter
// whose registers all lie in the answer, and every value of runtimes whose
// registers do.
PARAMSET_EXPORT void take_answer(QMachine *machine, const QMission &mission,
                                 const QList<QMachineValue *> &runtimes);

} // namespace ParamMissions
