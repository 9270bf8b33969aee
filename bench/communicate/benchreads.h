#pragma once

// The reads both overhead benchmarks time through the mission manager.

#include <communicate/qcommunicate.h>
#include <communicate/qmission.h>
#include <communicate/qmissionmanager.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

namespace BenchReads {

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
    if (failed > 0)
        std::fprintf(stderr, "communicate: %d of %d reads failed\n", failed, reads);
    return failed ? -1 : seconds;
}

} // namespace BenchReads
