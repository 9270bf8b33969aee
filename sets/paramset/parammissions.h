#pragma once

#include <paramset/paramset_export.h>

#include <machine/registerruns.h>

#include <QList>

class QMachine;
struct DriveProfile;
class QMachineValue;
class QMission;

// The missions that move parameter values over the link. Shared by the table
// (one edit), the page (upload, download, compare) and the command-line
// tool, so all of them write a value's registers the same way, in the order
// the value gives them, and read values in the same runs.
namespace ParamMissions {

// Registers a read asks for at most where the description sets no other
// largest read (DriveProfile::max_read).
inline constexpr int kMaxRegistersPerRead = 8;

// Every mission for a drive carries its profile's pause, time-out and
// retries, so the link treats the request as that drive needs.
PARAMSET_EXPORT void apply_timing(QMission *mission, const DriveProfile &profile);
// The profile of the drive the values belong to (the first one's).
PARAMSET_EXPORT const DriveProfile &profile_of(const QList<QMachineValue *> &values);
// The runs of the values' registers under their drive's largest read and gap.
PARAMSET_EXPORT QList<RegisterRuns::Run> runs_under_profile(const QList<QMachineValue *> &values);

// How a value of two words goes out where its drive's profile leaves it
// open. In one request (0x10, type 2) the drive takes both words or neither;
// two requests (type 0, one per word) can leave half a value when the line
// fails between them.
enum class TwoWords { OneRequest, SingleWrites };

// The write missions of a value, send buffers built, as its drive's profile
// writes: one register with 0x06 (type 0) or, for a drive that takes only
// 0x10, with 0x10 (type 2); two registers in one 0x10 request or one 0x06
// per register (the profile's rule, else `two_words`). Each carries the
// profile's timing. The caller owns them.
PARAMSET_EXPORT QList<QMission *> write_missions(QMachineValue *value, int raw, int station,
                                                 TwoWords two_words = TwoWords::OneRequest);

// The parameter one of whose registers is at `address` (the other word of a
// two-word value too); null when none is.
PARAMSET_EXPORT QMachineValue *value_at(QMachine *machine, int address);
// The read-back of the value's registers (type 1), send buffer built.
PARAMSET_EXPORT QMission *read_back_mission(QMachineValue *value, int station);
// Reads of every register of the values, in runs of consecutive registers
// under their drive's largest read and gap (RegisterRuns): missions of type 3 that carry the station, the first
// register and the length, send buffers built, and nothing else; the caller
// sets level and type. The caller owns them. The core's make_mission.
PARAMSET_EXPORT QList<QMission *> read_runs(const QList<QMachineValue *> &values, int station);
// The same runs as read-backs (type 1) at the page's level. The caller owns them.
PARAMSET_EXPORT QList<QMission *> read_missions(const QList<QMachineValue *> &values, int station);

// The read of the serial-number registers the drive's profile names (type
// 3, send buffer built, the profile's timing); null when it names none. The
// caller owns it and sets its level.
PARAMSET_EXPORT QMission *serial_mission(const DriveProfile &profile, int station);
// The serial number in the answer to that read; empty when the answer holds
// none (or fewer registers than asked).
PARAMSET_EXPORT QString serial_of(const DriveProfile &profile, const QMission &answer);

// Takes the registers of an answered read into the model: every parameter
// whose registers all lie in the answer, and every value of runtimes whose
// registers do.
PARAMSET_EXPORT void take_answer(QMachine *machine, const QMission &mission,
                                 const QList<QMachineValue *> &runtimes);

} // namespace ParamMissions
