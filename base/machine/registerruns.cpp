#include "registerruns.h"

#include "qmachinevalue.h"

#include <algorithm>

namespace RegisterRuns {

QList<Run> of(const QList<QMachineValue *> &values, int max_registers, int max_gap)
{
    // Packing the values greedily in address order gives the fewest runs.
    struct Span
    {
        int first;
        int last;
    };
    QList<Span> spans;
    spans.reserve(values.size());
    for (QMachineValue *value : values) {
        if (!value)
            continue;
        const int address = value->get_value_property(VALUE_ADDRESS).toInt();
        const int last = address + value->words() - 1;
        if (address < 0 || last > 0xFFFF)
            continue;
        spans.append({address, last});
    }
    std::stable_sort(spans.begin(), spans.end(),
                     [](const Span &a, const Span &b) { return a.first < b.first; });

    QList<Run> runs;
    int run_first = -1;
    int run_last = -1;
    for (const Span &span : std::as_const(spans)) {
        if (run_first < 0) {
            run_first = span.first;
            run_last = span.last;
            continue;
        }
        const int last = std::max(run_last, span.last);
        const bool gap_ok = max_gap < 0 || span.first - run_last - 1 <= max_gap;
        if (gap_ok && last - run_first + 1 <= max_registers) {
            run_last = last;
        } else {
            runs.append({run_first, run_last - run_first + 1});
            run_first = span.first;
            run_last = span.last;
        }
    }
    if (run_first >= 0)
        runs.append({run_first, run_last - run_first + 1});
    return runs;
}

} // namespace RegisterRuns
