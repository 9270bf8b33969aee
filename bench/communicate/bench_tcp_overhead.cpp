// The link to a drive behind Ethernet against libmodbus's Modbus TCP client:
// 2,000 reads of 8 registers through the mission manager over tcp:// to
// drive-sim on loopback, and the same reads by libmodbus, taking turns.

#include "benchlibmodbus.h"
#include "drivesim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>

#include <modbus.h>

#include <algorithm>
#include <cstdio>

namespace {

double g_libmodbus_cpu_s = 0;

constexpr int READS = 2000;
constexpr int BLOCKS = 20;
using BenchReads::ADDRESS;
using BenchReads::COUNT;
using BenchReads::run_ours;

double run_libmodbus(const QString &host, int port, int reads)
{
    const QByteArray ip = host.toLatin1();
    const QByteArray what = ip + ':' + QByteArray::number(port);
    return BenchReads::run_libmodbus(modbus_new_tcp(ip.constData(), port), what.constData(), reads,
                                     &g_libmodbus_cpu_s);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bool verbose = app.arguments().contains(QStringLiteral("--verbose"));
    QString machine = QStringLiteral(APP_DIR "/machines/default.xml");
    if (!QFileInfo::exists(machine))
        machine = QStringLiteral(SOURCE_DIR "/tests/data/frames-drive.xml");
    DriveSim sim;
    if (!sim.start({ QStringLiteral("--machine"), machine, QStringLiteral("--tcp"), QStringLiteral("0") })) {
        std::fprintf(stderr, "bench_tcp_overhead: %s\n", qPrintable(sim.error_string()));
        return 1;
    }
    const QUrl url(sim.device());
    // One drive-sim, one client at a time: the two masters take turns in
    // blocks, so that a neighbour's load falls on both alike; each side's
    // figure is its total time over its reads.
    double ours_s = 0, baseline_s = 0, ours_cpu_s = 0;
    // A neighbour's burst of load hits one block of one side; the ratio of
    // each pair of neighbouring blocks, in the middle, does not feel it.
    QList<double> pair_ratios;
    for (int block = 0; block < BLOCKS; ++block) {
        const double o = run_ours(sim.device(), -1, READS / BLOCKS);
        const double b = run_libmodbus(url.host(), url.port(), READS / BLOCKS);
        if (o < 0 || b < 0)
            return 1;
        ours_s += o;
        ours_cpu_s += BenchReads::last_cpu_seconds();
        baseline_s += b;
        pair_ratios << b / o;
        if (verbose)
            std::printf("  block %2d: communicate %8.0f/s  libmodbus %8.0f/s\n", block, READS / BLOCKS / o,
                        READS / BLOCKS / b);
        std::fflush(stdout);
    }
    const double ours = READS / ours_s, baseline = READS / baseline_s;
    std::printf("Modbus TCP link overhead: %d reads of %d registers, drive-sim on loopback (%s), in turns of %d\n",
                READS, COUNT, qPrintable(sim.device()), READS / BLOCKS);
    std::printf("  communicate                       %8.0f exchanges/s  %6.3f ms each\n", ours, 1000 / ours);
    std::printf("  libmodbus %-23s %8.0f exchanges/s  %6.3f ms each\n", LIBMODBUS_VERSION_STRING, baseline, 1000 / baseline);
    std::sort(pair_ratios.begin(), pair_ratios.end());
    std::printf("  ratio communicate / libmodbus     %8.2f  (target >= 1.00)\n", ours / baseline);
    std::printf("  median ratio of the block pairs   %8.2f\n", pair_ratios.at(pair_ratios.size() / 2));
    // CPU time of the process (both ends of the master: GUI and worker
    // threads, or libmodbus's one), which a neighbour's load hardly moves.
    std::printf("  CPU per exchange: communicate %6.1f us, libmodbus %6.1f us, ratio %.2f\n",
                ours_cpu_s / READS * 1e6, g_libmodbus_cpu_s / READS * 1e6, g_libmodbus_cpu_s / ours_cpu_s);
    return 0;
}
