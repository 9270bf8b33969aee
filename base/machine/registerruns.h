#pragma once

#include <machine/machine_export.h>

#include <QList>

class QMachineValue;

// The reads that fetch a set of values: runs of consecutive registers. Every
// register of every value is read by exactly one run; a run holds at most
// `max_registers`, never splits a two-word value and never reaches below its
// lowest or above its highest wanted register; with `max_gap` of 0 or more, it
// spans at most that many unwanted registers between two wanted ones (a
// drive may refuse to read across what it does not hold). Values whose registers lie
// outside 0..65535 (nothing could read them) and null entries are left out.
namespace RegisterRuns {

struct Run
{
    int first = 0;
    int count = 0;
};

MACHINE_EXPORT QList<Run> of(const QList<QMachineValue *> &values, int max_registers,
                             int max_gap = -1);

} // namespace RegisterRuns
