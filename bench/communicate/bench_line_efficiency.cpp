// Line efficiency: every parameter of machines/default.xml read through the
// mission manager (8 registers at most per read) with drive-sim timing the
// line at 19200 baud 8N1 and answering after 2 ms, against the protocol's
// limit: frame times plus the 3.5-character silence plus the turnaround.

#include "drivesim.h"

#include <communicate/qcommunicate.h>
#include <database/qdatabaseloader.h>
#include <database/qmachineconfig.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>
#include <communicate/frames/qrtuframe.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int BAUD = 19200;
constexpr int BITS = 10; // 8N1
constexpr double TURNAROUND_MS = 2;
constexpr int MAX_READ = 8;

struct Read
{
    int address;
    int count;
};

// Runs of at most 8 registers over each group's parameters, in address
// order; a run may cover reserved registers inside its group.
QList<Read> reads_of(QMachineConfig &config)
{
    QList<Read> reads;
    for (const tagDataPage &page : config.get_parvex_config()->get_pages()) {
        QList<QPair<int, int>> params;
        for (const QStringList &row : page.rows)
            params.append({ row.at(2).toInt(), qMax(1, row.at(3).toInt()) });
        std::sort(params.begin(), params.end());
        int start = -1, end = -1;
        for (const auto &p : params) {
            const int last = p.first + p.second - 1;
            if (start >= 0 && last - start + 1 <= MAX_READ) {
                end = qMax(end, last);
                continue;
            }
            if (start >= 0)
                reads.append({ start, end - start + 1 });
            start = p.first;
            end = last;
        }
        if (start >= 0)
            reads.append({ start, end - start + 1 });
    }
    return reads;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QString machine = QStringLiteral(APP_DIR "/machines/default.xml");
    if (!QFileInfo::exists(machine))
        machine = QStringLiteral(SOURCE_DIR "/tests/data/frames-drive.xml");
    QMachineConfig config;
    if (!config.load_file(machine)) {
        std::fprintf(stderr, "bench_line_efficiency: %s\n", qPrintable(config.error_string()));
        return 1;
    }
    const QList<Read> reads = reads_of(config);

    DriveSim sim;
    if (!sim.start({ QStringLiteral("--machine"), machine, QStringLiteral("--baud"), QString::number(BAUD),
                     QStringLiteral("--turnaround"), QString::number(TURNAROUND_MS) })) {
        std::fprintf(stderr, "bench_line_efficiency: %s\n", qPrintable(sim.error_string()));
        return 1;
    }

    double limit_ns = 0;
    int registers = 0;
    for (const Read &r : reads) {
        limit_ns += QRtuFrame::silence_nanoseconds(BAUD, BITS) + QRtuFrame::frame_nanoseconds(8, BAUD, BITS)
            + TURNAROUND_MS * 1e6 + QRtuFrame::frame_nanoseconds(5 + 2 * r.count, BAUD, BITS);
        registers += r.count;
    }

    QCommunicate link;
    tagSerialConfig serial;
    serial.baud_rate = BAUD;
    serial.port_name = sim.device();
    if (!link.open(serial)) {
        std::fprintf(stderr, "bench_line_efficiency: cannot open %s\n", qPrintable(sim.device()));
        return 1;
    }
    QEventLoop loop;
    QObject::connect(&link, &QCommunicate::online, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    if (link.commu_status() != 0) {
        std::fprintf(stderr, "bench_line_efficiency: the drive did not answer\n");
        return 1;
    }
    QMissionManager *manager = link.mission_manager();
    double best = 0;
    for (int round = 0; round < 3; ++round) {
        bool success = false;
        QMetaObject::Connection c = QObject::connect(manager, &QMissionManager::mission_group_end, &loop, [&](bool ok) {
            success = ok;
            loop.quit();
        });
        QList<QMission *> missions;
        for (const Read &r : reads) {
            auto *m = new QMission(MISSION_READ);
            m->set_attribute(QStringLiteral("Machine.Address"), 1);
            m->set_attribute(QStringLiteral("Data.Address"), r.address);
            m->set_attribute(QStringLiteral("Data.Length"), r.count);
            m->update_send_buffer();
            m->set_attribute(QStringLiteral("Mission.Level"), 7);
            m->set_attribute(QStringLiteral("Mission.Type"), 1);
            missions.append(m);
        }
        QElapsedTimer clock;
        clock.start();
        manager->add_mission_group(missions, QString());
        qDeleteAll(missions);
        loop.exec();
        const double measured = double(clock.nsecsElapsed());
        QObject::disconnect(c);
        if (!success) {
            std::fprintf(stderr, "bench_line_efficiency: the reads failed\n");
            return 1;
        }
        const double ratio = measured / limit_ns;
        if (best == 0 || ratio < best)
            best = ratio;
        std::printf("  round %d: %.1f ms measured\n", round + 1, measured / 1e6);
    }
    qlonglong parameters = 0;
    for (const tagDataPage &page : config.get_parvex_config()->get_pages())
        parameters += page.rows.size();
    std::printf("Line efficiency: %s, %lld parameters in %lld reads (%d registers), %d baud 8N1, turnaround %.0f ms\n",
                qPrintable(QFileInfo(machine).fileName()), parameters, qlonglong(reads.size()), registers, BAUD,
                TURNAROUND_MS);
    std::printf("  protocol limit  %.1f ms (frames + 3.5-char silences + turnaround)\n", limit_ns / 1e6);
    std::printf("  measured/limit  %.3f best of 3 (target <= 1.05)\n", best);
    return 0;
}
