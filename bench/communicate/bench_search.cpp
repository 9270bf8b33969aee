// Device search: every station 1..247 at 19200 baud 8N1 against drive-sim
// serving a few stations with line timing, against the limit of the same
// probes (for an absent station the probe's line time and its wait, for a
// present one the line time); and the time from the start to the first
// drive found, when it is at station 1.

#include "drivesim.h"

#include <communicate/services/qdevicesearch.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int BAUD = 19200;
const QList<int> PRESENT{ 1, 3, 17, 100, 247 };

struct Run
{
    bool ok = false;
    qint64 total_ns = 0;
    qint64 first_ns = -1;
    int found = 0;
};

Run search(const tagSearchPlan &plan, bool stop_at_first)
{
    QDeviceSearch s;
    QEventLoop loop;
    QElapsedTimer clock;
    Run run;
    QObject::connect(&s, &QDeviceSearch::found, &loop, [&] {
        ++run.found;
        if (run.first_ns < 0)
            run.first_ns = clock.nsecsElapsed();
        if (stop_at_first)
            s.stop();
    });
    QObject::connect(&s, &QDeviceSearch::finished, &loop, [&] {
        run.total_ns = clock.nsecsElapsed();
        loop.quit();
    });
    QObject::connect(&s, &QDeviceSearch::setting_failed, &loop, [&](const tagSerialConfig &, const QString &why) {
        std::fprintf(stderr, "bench_search: %s\n", qPrintable(why));
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    clock.start();
    if (!s.start(plan)) {
        std::fprintf(stderr, "bench_search: %s\n", qPrintable(s.error()));
        return run;
    }
    loop.exec();
    run.ok = run.total_ns > 0;
    return run;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QString machine = QStringLiteral(APP_DIR "/machines/default.xml");
    if (!QFileInfo::exists(machine))
        machine = QStringLiteral(SOURCE_DIR "/tests/data/frames-drive.xml");

    QStringList stations;
    for (int s : PRESENT)
        stations.append(QString::number(s));
    DriveSim sim;
    if (!sim.start({ QStringLiteral("--machine"), machine, QStringLiteral("--baud"), QString::number(BAUD),
                     QStringLiteral("--station"), stations.join(QLatin1Char(',')) })) {
        std::fprintf(stderr, "bench_search: %s\n", qPrintable(sim.error_string()));
        return 1;
    }

    tagSearchPlan plan;
    plan.ports = { sim.device() };
    plan.baud_rates = { BAUD };
    plan.framings = { { 'n', 1 } };
    const tagFraming framing{ 'n', 1 };
    const qint64 line_ns = QDeviceSearch::probe_line_ns(BAUD, framing);
    const qint64 wait_ns = qint64(QDeviceSearch::default_wait_ms(BAUD, framing)) * 1000000;
    const int present = int(PRESENT.size());
    const int absent = plan.station_count() - present;
    const qint64 limit_ns = absent * (line_ns + wait_ns) + present * line_ns;

    const Run full = search(plan, false);
    if (!full.ok || full.found != present) {
        std::fprintf(stderr, "bench_search: the full search found %d of %d drives\n", full.found, present);
        return 1;
    }
    const Run first = search(plan, true);
    if (!first.ok || first.first_ns < 0) {
        std::fprintf(stderr, "bench_search: the drive at station 1 was not found\n");
        return 1;
    }

    std::printf("search of stations 1..247 at %d 8N1, drives at %d stations, wait %lld ms per probe\n", BAUD, present,
                static_cast<long long>(wait_ns / 1000000));
    std::printf("  measured      %9.1f ms\n", double(full.total_ns) / 1e6);
    std::printf("  limit         %9.1f ms  (%d x (%.2f + %.0f) ms + %d x %.2f ms)\n", double(limit_ns) / 1e6, absent,
                double(line_ns) / 1e6, double(wait_ns) / 1e6, present, double(line_ns) / 1e6);
    std::printf("  ratio         %9.3f  (target at most 1.05)\n", double(full.total_ns) / double(limit_ns));
    std::printf("start to the first drive (station 1): %.1f ms  (target under 300 ms)\n", double(first.first_ns) / 1e6);
    return 0;
}
