#pragma once

// The reads both overhead benchmarks time through the mission manager.

#include <communicate/qcommunicate.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace BenchReads {

// CPU time of the whole process (every thread) in seconds: what an exchange
// costs in software, whatever the neighbours' load does to the wall clock.
inline double cpu_seconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// CPU seconds the last run_ours() spent between its first request and its
// last answer.
inline double &last_cpu_seconds()
{
    static double seconds = 0;
    return seconds;
}

constexpr int COUNT = 8;
constexpr int ADDRESS = 0xF000;

// Seconds for `reads` reads through QMissionManager; negative on failure.
inline double run_ours(const QString &device, int silence_us, int reads)
{
    QCommunicate link;
    link.set_silent_interval(silence_us);
    QMissionManager *manager = link.mission_manager();
    tagSerialConfig config;
    config.port_name = device;
    if (!link.open(config)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(device));
        return -1;
    }
    QEventLoop loop;
    QObject::connect(&link, &QCommunicate::online, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    if (link.commu_status() != 0) {
        std::fprintf(stderr, "the drive did not answer\n");
        return -1;
    }
    int done = 0;
    int failed = 0;
    QObject::connect(manager, &QMissionManager::mission_success, &loop, [&] {
        if (++done + failed == reads)
            loop.quit();
    });
    QObject::connect(manager, &QMissionManager::mission_failed, &loop, [&] {
        if (done + ++failed == reads)
            loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    const double cpu_start = cpu_seconds();
    for (int i = 0; i < reads; ++i) {
        QMission m(MISSION_READ);
        m.set_attribute(MissionKey::station(), 1);
        m.set_attribute(MissionKey::address(), ADDRESS);
        m.set_attribute(MissionKey::length(), COUNT);
        m.set_attribute(MissionKey::level(), MissionLevel::Refresh);
        m.update_send_buffer();
        manager->add_mission(&m);
    }
    loop.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    last_cpu_seconds() = cpu_seconds() - cpu_start;
    if (failed > 0)
        std::fprintf(stderr, "communicate: %d of %d reads failed\n", failed, reads);
    return failed ? -1 : seconds;
}

} // namespace BenchReads
