// `vantorel upload` of every parameter of machines/default.xml as a script
// runs it: the program started as a process against drive-sim timing the
// line at 19200 baud 8N1 with a 2 ms turnaround. Figures:
//   - the time from the start of the process to the first request on the
//     line (drive-sim's request count, polled on its control channel);
//   - the time from that request to the end of the process against the
//     protocol's limit for the same missions (the probe and the upload's
//     reads: per mission the 3.5-character silence, the 8-byte request, the
//     turnaround and the 5 + 2N byte answer);
//   - the reads alone (the tool's own "read_ms", from handing the upload's
//     missions to the link to the end of their group) against the limit of
//     those missions: the link's share, without the file and the history.

#include "drivesim.h"

#include <paramset/machinebuilder.h>
#include <paramset/parammissions.h>

#include <machine/qmachine.h>
#include <database/qmachineconfig.h>
#include <communicate/missions/qmission.h>
#include <machine/tagvaluegroup.h>

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

constexpr int kBaud = 19200;
constexpr double kBitsPerChar = 10; // 8N1
constexpr double kTurnaroundMs = 2;
constexpr int kRounds = 5;

int fail(const QString &reason)
{
    std::fprintf(stderr, "bench_vantorel: %s\n", qPrintable(reason));
    return 1;
}

double char_ms(double chars)
{
    return chars * kBitsPerChar * 1000.0 / kBaud;
}

int requests(DriveSim &sim)
{
    QStringList reply;
    if (!sim.command(QStringLiteral("stats"), &reply) || reply.isEmpty())
        return -1;
    const QString line = reply.last();
    const int at = int(line.indexOf(QStringLiteral("requests=")));
    return at < 0 ? -1 : line.mid(at + 9).section(QLatin1Char(' '), 0, 0).toInt();
}

double median_of(QList<double> list)
{
    std::sort(list.begin(), list.end());
    return list.at(list.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString machine_file = QStringLiteral(SOURCE_DIR "/machines/default.xml");

    // The limit: the probe, then the upload's reads, group by group.
    QMachineConfig config;
    if (!config.load_file(machine_file))
        return fail(config.error_string());
    std::unique_ptr<QMachine> machine(MachineBuilder::build(config, QString(), QString(), QStringList()));
    int missions = 1;
    double limit_ms = char_ms(3.5) + char_ms(8) + kTurnaroundMs + char_ms(5 + 2);
    const double probe_ms = limit_ms;
    for (tagValueGroup *group : machine->get_groups()) {
        const QList<QMission *> list = ParamMissions::read_missions(group->m_values, 1);
        for (QMission *mission : list) {
            const int count = mission->get_attribute(MissionKey::length()).toInt();
            ++missions;
            limit_ms += char_ms(3.5) + char_ms(8) + kTurnaroundMs + char_ms(5 + 2 * count);
        }
        qDeleteAll(list);
    }

    QTemporaryDir dir;
    DriveSim sim;
    if (!dir.isValid() || !sim.start({QStringLiteral("--machine"), machine_file, QStringLiteral("--baud"),
                                      QString::number(kBaud), QStringLiteral("--turnaround"),
                                      QString::number(kTurnaroundMs)}))
        return fail(sim.error_string());

    QList<double> first_request;
    QList<double> line_time;
    QList<double> reads;
    QList<double> whole;
    for (int round = 0; round < kRounds; ++round) {
        const int before = requests(sim);
        QProcess tool;
        QElapsedTimer clock;
        clock.start();
        tool.start(QStringLiteral(APP_DIR "/vantorel"),
                   {QStringLiteral("upload"), dir.filePath(QStringLiteral("upload.csv")), QStringLiteral("--port"),
                    sim.device(), QStringLiteral("--machine"), machine_file, QStringLiteral("--config"),
                    dir.filePath(QStringLiteral("config.xml")), QStringLiteral("--json")});
        qint64 first_ns = -1;
        while (first_ns < 0 && tool.state() != QProcess::NotRunning) {
            if (requests(sim) > before)
                first_ns = clock.nsecsElapsed();
            tool.waitForFinished(0);
        }
        if (!tool.waitForFinished(120000))
            return fail(QStringLiteral("vantorel did not finish"));
        const qint64 end_ns = clock.nsecsElapsed();
        if (tool.exitCode() != 0 || first_ns < 0)
            return fail(QStringLiteral("vantorel failed: %1").arg(QString::fromLocal8Bit(tool.readAllStandardError())));
        const int asked = requests(sim) - before;
        if (asked != missions)
            return fail(QStringLiteral("%1 requests on the line, %2 expected").arg(asked).arg(missions));
        reads << QJsonDocument::fromJson(tool.readAllStandardOutput()).object().value(QStringLiteral("read_ms")).toDouble();
        first_request << first_ns / 1e6;
        line_time << (end_ns - first_ns) / 1e6;
        whole << end_ns / 1e6;
        std::printf("  round %d: first request after %.1f ms, exit %.1f ms after it\n", round + 1, first_ns / 1e6,
                    (end_ns - first_ns) / 1e6);
    }

    const double best = *std::min_element(line_time.cbegin(), line_time.cend());
    std::printf("vantorel upload: %lld groups, %d missions (probe included), %d baud 8N1, turnaround %.0f ms\n",
                static_cast<long long>(machine->get_groups().size()), missions, kBaud, kTurnaroundMs);
    std::printf("  start to first request  %.1f ms median, %.1f ms best (target <= 100)\n",
                median_of(first_request), *std::min_element(first_request.cbegin(), first_request.cend()));
    std::printf("  first request to exit   %.1f ms median, %.1f ms best (the file written and synced)\n",
                median_of(line_time), best);
    std::printf("  protocol limit          %.1f ms\n", limit_ms);
    std::printf("  measured/limit          %.3f best, %.3f median (target <= 1.03)\n", best / limit_ms,
                median_of(line_time) / limit_ms);
    const double reads_limit = limit_ms - probe_ms;
    std::printf("  reads alone             %.1f ms median against %.1f ms: %.3f best, %.3f median\n",
                median_of(reads), reads_limit, *std::min_element(reads.cbegin(), reads.cend()) / reads_limit,
                median_of(reads) / reads_limit);
    std::printf("  whole process           %.1f ms median\n", median_of(whole));
    return 0;
}
