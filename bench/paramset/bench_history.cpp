// The history database with 1,000 snapshots of 400 parameters: the time to
// list them (target at most 100 ms), to open one with its values (at most
// 50 ms) and the size of the file. The time to record them is printed as the
// baseline the reads are measured against.
//
// Then the archive on both engines, SQLite and a PostgreSQL server this
// program starts on this machine: recording one snapshot of 400 values
// (target at most 50 ms), listing 10,000 snapshots (at most 100 ms) and the
// write records of one parameter among 100,000 (at most 50 ms).

#include <paramset/qparamhistory.h>

#include <pgserver.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kSnapshots = 1000;
constexpr int kParameters = 400;
constexpr int kListed = 10000;
constexpr int kWrites = 100000;

// Fills a fresh archive straight through SQL (recording 10,000 snapshots
// and 100,000 write records one by one would take the run's minutes): the
// snapshots' headers with one value each, and write records spread over 400
// parameters and 8 stations.
bool fill(const QString &location, bool server, QString *error)
{
    const QString name = QStringLiteral("bench-fill");
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(server ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), name);
        if (server) {
            const QUrl url(location);
            db.setHostName(url.host());
            db.setPort(url.port());
            db.setUserName(url.userName());
            db.setDatabaseName(url.path().mid(1));
        } else {
            db.setDatabaseName(location);
        }
        ok = db.open();
        QSqlQuery q(db);
        const QString series = server
            ? QStringLiteral("SELECT n FROM generate_series(0, %1) AS n")
            : QStringLiteral("WITH RECURSIVE s(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM s WHERE n < %1) SELECT n FROM s");
        const QStringList statements = {
            QStringLiteral("INSERT INTO snapshot (time_ms, port, station, drive_version, machine_name, machine_type,"
                           " machine_version, operation, value_count, complete, uid, user_name, workstation,"
                           " program_version, note, drive_serial)"
                           " SELECT 1700000000000 + n * 60000, 'COM1', 1 + n % 8, 100, 'm', '', '', 'upload', 1, 1,"
                           " 'fill-' || n, 'op', 'pc', '1.0', '', '' FROM (%1) AS t")
                .arg(series.arg(kListed - 1)),
            QStringLiteral("INSERT INTO write_record (uid, time_ms, user_name, workstation, program_version, port,"
                           " station, drive_version, drive_serial, machine_name, machine_type, machine_version,"
                           " operation, code, before_raw, asked_raw, read_back_raw, result, exception_code, note)"
                           " SELECT 'w-' || n, 1700000000000 + n * 1000, 'op', 'pc', '1.0', 'COM1', 1 + n % 8, 100, '',"
                           " 'm', '', '', 'edit', 'F' || (n % 400), n, n + 1, n + 1, 'written', 0, '' FROM (%1) AS t")
                .arg(series.arg(kWrites - 1)),
            QStringLiteral("ANALYZE"),
        };
        for (int i = 0; ok && i < statements.size(); ++i) {
            ok = q.exec(statements.at(i));
            if (!ok)
                *error = q.lastError().text();
        }
        if (!ok && error->isEmpty())
            *error = db.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

struct Figures
{
    double record_ms = 1e9;
    double list_ms = 1e9;
    double audit_ms = 1e9;
    int listed = 0;
    int found = 0;
};

bool measure(const QString &location, bool server, const tagParamSnapshot &snapshot, Figures *f, QString *error)
{
    {
        QParamHistory history(location);
        if (!history.open()) {
            *error = history.error_string();
            return false;
        }
    }
    if (!fill(location, server, error))
        return false;
    QParamHistory history(location);
    QElapsedTimer clock;
    for (int run = 0; run < 10; ++run) {
        clock.start();
        if (history.record(snapshot) <= 0) {
            *error = history.error_string();
            return false;
        }
        f->record_ms = std::min(f->record_ms, clock.nsecsElapsed() / 1e6);
    }
    tagAuditFilter one;
    one.code = QStringLiteral("F17");
    for (int run = 0; run < 5; ++run) {
        clock.start();
        f->listed = int(history.list().size());
        f->list_ms = std::min(f->list_ms, clock.nsecsElapsed() / 1e6);
        clock.start();
        f->found = int(history.audit(one).size());
        f->audit_ms = std::min(f->audit_ms, clock.nsecsElapsed() / 1e6);
    }
    return true;
}

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

    PgServer server;
    if (!server.start()) {
        std::fprintf(stderr, "bench_history: %s\n", qPrintable(server.error()));
        return 1;
    }
    std::printf("archive: one snapshot of %d values (best of 10), %d snapshots listed, the write records of one"
                " parameter among %d (best of 5)\n", kParameters, kListed + 10, kWrites);
    snapshot.time = QDateTime();
    const struct
    {
        const char *name;
        bool server;
        QString location;
    } engines[] = {
        {"sqlite", false, dir.filePath(QStringLiteral("archive.sqlite"))},
        {"postgresql", true, server.create_database(QStringLiteral("archive"))},
    };
    Figures sqlite;
    for (const auto &engine : engines) {
        Figures f;
        QString error;
        if (engine.location.isEmpty() || !measure(engine.location, engine.server, snapshot, &f, &error)) {
            std::fprintf(stderr, "bench_history: %s: %s\n", engine.name, qPrintable(engine.location.isEmpty() ? server.error() : error));
            return 1;
        }
        if (!engine.server)
            sqlite = f;
        std::printf("  %-10s record %7.2f ms (target <= 50)  list %7.2f ms (%d rows; target <= 100)"
                    "  audit %6.2f ms (%d rows; target <= 50)", engine.name, f.record_ms, f.list_ms, f.listed,
                    f.audit_ms, f.found);
        if (engine.server)
            std::printf("  [%.2f, %.2f, %.2f x sqlite]", f.record_ms / sqlite.record_ms, f.list_ms / sqlite.list_ms,
                        f.audit_ms / sqlite.audit_ms);
        std::printf("\n");
    }
    return 0;
}
