#pragma once

// The baseline master: the same reads through libmodbus on a context the
// caller opened (serial or TCP).

#include "benchreads.h"

#include <QElapsedTimer>

#include <modbus.h>

#include <cstdio>

namespace BenchReads {

// Times `reads` reads of COUNT registers at ADDRESS on `ctx` (may be null:
// then it was not created) and closes it. `what` names the line in the
// messages. Seconds, or -1 when the line could not be opened or a read
// failed; the CPU time spent is added to *cpu_s.
inline double run_libmodbus(modbus_t *ctx, const char *what, int reads, double *cpu_s)
{
    if (!ctx || modbus_set_slave(ctx, 1) != 0 || modbus_connect(ctx) != 0) {
        std::fprintf(stderr, "libmodbus: cannot open %s\n", what);
        if (ctx)
            modbus_free(ctx);
        return -1;
    }
    modbus_set_response_timeout(ctx, 0, 500000);
    uint16_t values[COUNT];
    int failed = 0;
    QElapsedTimer clock;
    clock.start();
    const double cpu_start = cpu_seconds();
    for (int i = 0; i < reads; ++i) {
        if (modbus_read_registers(ctx, ADDRESS, COUNT, values) != COUNT)
            ++failed;
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    *cpu_s += cpu_seconds() - cpu_start;
    modbus_close(ctx);
    modbus_free(ctx);
    if (failed > 0)
        std::fprintf(stderr, "libmodbus: %d of %d reads failed\n", failed, reads);
    return failed ? -1 : seconds;
}

} // namespace BenchReads
