#pragma once

#include <QList>

class QMachineValue;
class QMission;

// The missions that put a raw value into the drive. Shared by the table
// (one edit) and the page (download), so both write a value's registers the
// same way, in the order the value gives them.
namespace ParvexMissions {

// Write missions of type 0, one register each, send buffers built. The
// caller owns them.
QList<QMission *> write_missions(QMachineValue *value, int raw, int station);
// The read-back of the value's registers (type 1), send buffer built.
QMission *read_back_mission(QMachineValue *value, int station);

} // namespace ParvexMissions
