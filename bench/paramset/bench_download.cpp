// The verified download of every writable parameter of machines/default.xml:
// the backup read of every parameter, the writes and the read-back of what
// was written, through the exchange the page uses, against drive-sim timing
// the line at 19200 baud 8N1 with a 2 ms turnaround. Printed against the
// protocol's limit for the same missions: per mission the 3.5-character
// silence, the request, the turnaround and the answer (5 + 2N bytes for a
// read of N registers, 8 for a write). Target: at most 1.05.
// Then the same file into a drive that differs from it in 10 parameters,
// written as the preview (or vantorel download --changed-only) writes it: the
// read of every parameter, which is the backup and the comparison at once,
// and the writes and read-back of the 10 only; against its own limit and the
// whole-file download of the same run.

#include "benchmachine.h"
#include "drivesim.h"

#include <paramset/parammissions.h>
#include <paramset/paramcompare.h>
#include <paramset/qparamexchange.h>
#include <machine/registerruns.h>

#include <communicate/qcommunicate.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>
#include <communicate/frames/qrtuframe.h>
#include <machine/tagvaluegroup.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kBaud = 19200;
constexpr int kBits = 10; // 8N1
constexpr double kTurnaroundMs = 2;
constexpr int kRounds = 3;

double mission_ns(int request, int answer)
{
    return QRtuFrame::silence_nanoseconds(kBaud, kBits) + QRtuFrame::frame_nanoseconds(request, kBaud, kBits)
        + kTurnaroundMs * 1e6 + QRtuFrame::frame_nanoseconds(answer, kBaud, kBits);
}

double reads_ns(const QList<QMachineValue *> &values, int *missions)
{
    double ns = 0;
    const QList<RegisterRuns::Run> runs = RegisterRuns::of(values, ParamMissions::kMaxRegistersPerRead);
    for (const RegisterRuns::Run &run : runs)
        ns += mission_ns(8, 5 + 2 * run.count);
    *missions += int(runs.size());
    return ns;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString path = QStringLiteral(APP_DIR "/machines/default.xml");
    QString error;
    std::unique_ptr<QMachine> machine = BenchMachine::load(path, &error);
    if (!machine) {
        std::fprintf(stderr, "bench_download: %s\n", qPrintable(error));
        return 1;
    }
    QList<QMachineValue *> all;
    QList<ParamVerify::Write> writes;
    QList<QMachineValue *> written;
    QSet<QMachineValue *> seen;
    for (tagValueGroup *group : machine->get_groups()) {
        for (QMachineValue *value : std::as_const(group->m_values)) {
            if (!value || seen.contains(value))
                continue;
            seen.insert(value);
            all.append(value);
            int raw = 0;
            if (machine->check_value_right(value) && ParamCompare::default_raw(value, &raw)) {
                writes.append({value, raw});
                written.append(value);
            }
        }
    }

    int missions = 0;
    double limit_ns = reads_ns(all, &missions) + reads_ns(written, &missions);
    // The writes as they go out: one request per one-word value, one 0x10
    // request (9 + 2N bytes) per two-word value.
    for (QMachineValue *value : std::as_const(written)) {
        const QList<QMission *> requests = ParamMissions::write_missions(value, value->get_base_value(), 1);
        for (QMission *request : requests)
            limit_ns += mission_ns(int(request->get_send_buffer().size()), 8);
        missions += int(requests.size());
        qDeleteAll(requests);
    }

    DriveSim sim;
    if (!sim.start({QStringLiteral("--machine"), path, QStringLiteral("--baud"), QString::number(kBaud),
                    QStringLiteral("--turnaround"), QString::number(kTurnaroundMs)})) {
        std::fprintf(stderr, "bench_download: %s\n", qPrintable(sim.error_string()));
        return 1;
    }
    QCommunicate link;
    tagSerialConfig serial;
    serial.baud_rate = kBaud;
    serial.port_name = sim.device();
    if (!link.open(serial)) {
        std::fprintf(stderr, "bench_download: cannot open %s\n", qPrintable(sim.device()));
        return 1;
    }
    {
        // A loop of its own: its time-out must not end a round later.
        QEventLoop wait;
        QObject::connect(&link, &QCommunicate::online, &wait, &QEventLoop::quit);
        QTimer::singleShot(5000, &wait, &QEventLoop::quit);
        wait.exec();
    }
    if (link.commu_status() != 0) {
        std::fprintf(stderr, "bench_download: the drive did not answer\n");
        return 1;
    }

    QEventLoop loop;
    QParamExchange exchange(link.mission_manager(), 1);
    QList<double> times;
    tagVerifyReport report;
    for (int round = 0; round < kRounds; ++round) {
        bool backup_ok = false;
        bool writes_ok = false;
        int step = 0;
        QMetaObject::Connection c = QObject::connect(&exchange, &QParamExchange::finished, &loop, [&](bool ok) {
            if (step == 0) {
                backup_ok = ok;
                step = 1;
                // What the page does between the two: the backup becomes a
                // snapshot (not timed here), then the writes go.
                exchange.write_and_verify(writes);
            } else {
                writes_ok = ok;
                loop.quit();
            }
        });
        QElapsedTimer clock;
        clock.start();
        exchange.read(all);
        loop.exec();
        times.append(clock.nsecsElapsed() / 1e6);
        QObject::disconnect(c);
        report = exchange.report();
        if (!backup_ok || !writes_ok || !report.all_verified()) {
            std::fprintf(stderr, "bench_download: round %d failed (backup %d, writes %d; %d of %d verified, "
                                 "%d different, %d unread, %d refused)\n",
                         round, int(backup_ok), int(writes_ok), report.verified, int(writes.size()),
                         int(report.different.size()), int(report.unread.size()), int(report.refused.size()));
            for (const QString &line : ParamVerify::lines(report).mid(0, 5))
                std::fprintf(stderr, "  %s\n", qPrintable(line));
            return 1;
        }
    }
    std::sort(times.begin(), times.end());

    // Ten parameters of the drive away from the file; the rest equal.
    constexpr int kChanged = 10;
    QList<ParamVerify::Write> changed;
    for (int i = 0; i < writes.size() && changed.size() < kChanged; i += qMax(qsizetype(1), writes.size() / kChanged)) {
        const ParamVerify::Write &w = writes.at(i);
        if (w.value->words() != 1)
            continue;
        const int other = w.raw == 0 ? 1 : w.raw - 1;
        if (!sim.set(w.value->get_value_property(VALUE_ADDRESS).toInt(), other)) {
            std::fprintf(stderr, "bench_download: cannot change the drive's %s\n",
                         qPrintable(w.value->get_value_property(VALUE_CODE).toString()));
            return 1;
        }
        changed.append(w);
    }
    QList<QMachineValue *> changed_values;
    for (const ParamVerify::Write &w : std::as_const(changed))
        changed_values.append(w.value);
    int changed_missions = 0;
    double changed_limit_ns = reads_ns(all, &changed_missions) + reads_ns(changed_values, &changed_missions);
    changed_limit_ns += double(changed_values.size()) * mission_ns(8, 8); // one 0x06 write each
    changed_missions += int(changed_values.size());

    double changed_ms = 0;
    {
        QList<ParamVerify::Write> differing;
        bool ok = true;
        int step = 0;
        QMetaObject::Connection c = QObject::connect(&exchange, &QParamExchange::finished, &loop, [&](bool done) {
            ok = ok && done;
            if (step++ == 0 && done) {
                // What differs from the drive, as the preview lists it.
                const QHash<QMachineValue *, int> drive = exchange.values();
                for (const ParamVerify::Write &w : std::as_const(writes)) {
                    if (drive.value(w.value, w.raw) != w.raw)
                        differing.append(w);
                }
                exchange.write_and_verify(differing);
            } else {
                loop.quit();
            }
        });
        QElapsedTimer clock;
        clock.start();
        exchange.read(all);
        loop.exec();
        changed_ms = clock.nsecsElapsed() / 1e6;
        QObject::disconnect(c);
        if (!ok || differing.size() != changed.size() || !exchange.report().all_verified()) {
            std::fprintf(stderr, "bench_download: the download of what differs failed (%d of %d found)\n",
                         int(differing.size()), int(changed.size()));
            return 1;
        }
    }

    const double limit_ms = limit_ns / 1e6;
    std::printf("verified download of machines/default.xml at %d baud 8N1, turnaround %.0f ms\n", kBaud,
                kTurnaroundMs);
    std::printf("  %d parameters read (backup), %d written and read back, %d missions\n", int(all.size()),
                int(writes.size()), missions);
    std::printf("  measured        %.1f ms best, %.1f ms median of %d\n", times.first(), times.at(times.size() / 2),
                kRounds);
    std::printf("  protocol limit  %.1f ms (silences + requests + turnarounds + answers)\n", limit_ms);
    std::printf("  measured/limit  %.3f best, %.3f median (target <= 1.05)\n", times.first() / limit_ms,
                times.at(times.size() / 2) / limit_ms);
    std::printf("  verified        %d of %d\n", report.verified, int(writes.size()));
    std::printf("only what differs (%d parameters), after the read that is backup and comparison\n",
                int(changed.size()));
    std::printf("  %d missions, measured %.1f ms, protocol limit %.1f ms, measured/limit %.3f\n", changed_missions,
                changed_ms, changed_limit_ns / 1e6, changed_ms / (changed_limit_ns / 1e6));
    std::printf("  against the whole-file download (median): %.3f of its time\n",
                changed_ms / times.at(times.size() / 2));
    return 0;
}
