// The history database with 1,000 snapshots of 400 parameters: the time to
// list them (target at most 100 ms), to open one with its values (at most
// 50 ms) and the size of the file. The time to record them is printed as the
// baseline the reads are measured against.

#include <paramset/qparamhistory.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kSnapshots = 1000;
constexpr int kParameters = 400;

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));

    tagParamSnapshot snapshot;
    snapshot.port = QStringLiteral("/dev/ttyUSB0");
    snapshot.machine_name = QStringLiteral("通用变频器");
    for (int i = 0; i < kParameters; ++i)
        snapshot.values.append({QStringLiteral("F%1-%2").arg(i / 50).arg(i % 50, 2, 10, QLatin1Char('0')), i * 7});

    double record_ms = 0;
    {
        QParamHistory history(path);
        if (!history.open()) {
            std::fprintf(stderr, "bench_history: %s\n", qPrintable(history.error_string()));
            return 1;
        }
        const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-30);
        QElapsedTimer clock;
        clock.start();
        for (int n = 0; n < kSnapshots; ++n) {
            snapshot.time = start.addSecs(n * 600);
            snapshot.station = 1 + n % 3;
            snapshot.drive_version = 100 + n % 2;
            snapshot.operation = n % 2 ? ParamSnapshot::upload() : ParamSnapshot::backup();
            snapshot.values[n % kParameters].raw = n;
            if (history.record(snapshot) == 0) {
                std::fprintf(stderr, "bench_history: %s\n", qPrintable(history.error_string()));
                return 1;
            }
        }
        record_ms = clock.nsecsElapsed() / 1e6;
    }

    // A fresh start, as the program's first listing after a restart.
    QParamHistory history(path);
    QElapsedTimer clock;
    clock.start();
    if (!history.open())
        return 1;
    const QList<tagParamSnapshot> all = history.list();
    const double first_list_ms = clock.nsecsElapsed() / 1e6;

    double list_ms = 1e9;
    double filtered_ms = 1e9;
    double open_ms = 1e9;
    int listed = 0;
    int opened = 0;
    for (int run = 0; run < 5; ++run) {
        clock.restart();
        listed = int(history.list().size());
        list_ms = std::min(list_ms, clock.nsecsElapsed() / 1e6);
        clock.restart();
        history.list({2, 101});
        filtered_ms = std::min(filtered_ms, clock.nsecsElapsed() / 1e6);
        tagParamSnapshot one;
        clock.restart();
        if (!history.load(all.at(run * 97).id, &one))
            return 1;
        open_ms = std::min(open_ms, clock.nsecsElapsed() / 1e6);
        opened = int(one.values.size());
    }
    const double size_mb = QFileInfo(path).size() / (1024.0 * 1024.0);
    std::printf("history of %d snapshots x %d parameters\n", kSnapshots, kParameters);
    std::printf("  record all        %8.1f ms  (%.2f ms per snapshot, the baseline)\n", record_ms,
                record_ms / kSnapshots);
    std::printf("  list after open   %8.2f ms  (open + first listing)\n", first_list_ms);
    std::printf("  list              %8.2f ms  (%d rows; target <= 100 ms; %.3f x one record)\n", list_ms, listed,
                list_ms / (record_ms / kSnapshots));
    std::printf("  list one station  %8.2f ms\n", filtered_ms);
    std::printf("  open one          %8.2f ms  (%d values; target <= 50 ms; %.3f x one record)\n", open_ms, opened,
                open_ms / (record_ms / kSnapshots));
    std::printf("  database size     %8.2f MB  (%.0f bytes per value)\n", size_mb,
                QFileInfo(path).size() / double(kSnapshots * kParameters));
    return 0;
}
