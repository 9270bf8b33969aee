#pragma once

#include "envaluepropertyindex.h"

// The slots that follow the description's first columns, numbered on from
// them: the English help text, and what the monitoring page makes of a
// runtime value. A value holds them as it holds the others (QMachineValue
// takes every slot below VALUE_EXTRA_END); they are the description row's
// columns of the same numbers.
enum enValuePropertyExtra {
    VALUE_MONITOR = VALUE_PROPERTY_COUNT, // "1" when it belongs to the default monitoring set
    VALUE_ROLE,      // "state" (the state word), "fault" (the fault code) or empty
    VALUE_BITS,      // state word bits, "bit:meaning:text" joined by ";" (meaning "run", "fault" or empty)
    VALUE_BITS_EN,   // the same with the English texts (the Chinese where none is given)
    VALUE_FAULTS,    // fault names, "code:text" pairs joined by ";"
    VALUE_FAULTS_EN, // the same in English (the Chinese where none is given)
    VALUE_HELP_EN,   // help text in English, empty where the description gives none
    VALUE_EXTRA_END
};

// An extra slot as the value's property index.
constexpr enValuePropertyIndex extra_property(enValuePropertyExtra index)
{
    return static_cast<enValuePropertyIndex>(index);
}
