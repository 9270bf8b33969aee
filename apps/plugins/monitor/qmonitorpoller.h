#pragma once

#include "tagmonitorsample.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>

class QMachineValue;
class QMission;

// Reads the monitored runtime values over and over: one poll cycle is the
// core's grouped reads (make_mission) of all of them at the monitoring level,
// so every operator action overtakes it. Never more than one cycle waits in
// the queue: with a period, a cycle is queued when the last one has ended;
// as fast as possible (period 0), the next one is queued as soon as nothing
// else waits in the queue, so it follows the last read of the running one
// without a pause on the line (once a cycle has passed without a refusal).
// Behind an upload it simply waits.
//
// A read the drive refuses (a Modbus exception) is split into reads of single
// values; a single value the drive refuses is marked failed and not asked for
// again until restart(), so the error log holds it once per connection.
//
// The values belong to the core's machine model: set_values({}) before the
// model goes (clear_machine_signal).
class QMonitorPoller : public QObject
{
    Q_OBJECT
public:
    explicit QMonitorPoller(QObject *parent = nullptr);

    // The periods an operator can choose, in milliseconds; 0 is "as fast as
    // the line allows".
    static QList<int> periods();
    // False, the period unchanged, for one not in periods().
    bool set_period(int ms);
    int period() const { return m_period; }

    void set_values(const QList<QMachineValue *> &values);
    QList<QMachineValue *> values() const { return m_values; }

public slots:
    // Polling starts with start() (the drive is online) and stops with stop()
    // (offline); restart() also forgets the values refused on the last connection.
    void start();
    void restart();
    void stop();

public:
    bool is_active() const { return m_active; }
    // A cycle is queued or on the line.
    bool cycle_running() const { return !m_running.isEmpty(); }
    qint64 cycles() const { return m_cycles; }
    // The steady clock of tagMonitorSample::elapsed_ms.
    qint64 clock_ms() const { return m_clock.elapsed(); }

    // The values the drive refused on this connection.
    QSet<QMachineValue *> refused() const { return m_refused; }

signals:
    void sample_ready(const tagMonitorSample &sample);
    // The first cycle after start() is queued.
    void cycle_started(qint64 cycle);

private:
    struct Span
    {
        int address;
        int length;
    };
    struct Cycle
    {
        qint64 id;
        int outstanding;
        QList<Span> spans;
        tagMonitorSample sample;
        bool refused = false; // the drive refused one of its reads
    };

    void tick();
    // Queues the next cycle when the rules above allow it.
    void maybe_start_cycle();
    void start_cycle();
    void finish_cycle(int index);
    void mission_success(QMission *mission);
    void mission_failed(QMission *mission, int code);
    // The running cycle (index into m_running) and span of a mission; false
    // when the mission is not one of ours.
    bool find(const QMission *mission, int *cycle, int *span) const;
    void give_up_cycles();

    QList<QMachineValue *> m_values;
    QSet<QMachineValue *> m_single; // read alone: their group was refused
    QSet<QMachineValue *> m_refused;
    int m_period = 500;
    bool m_active = false;
    bool m_due = false;
    // The last cycle ended without a refusal. Only then may the next cycle
    // be queued before the running one ends: a cycle queued early would ask
    // again for what the drive has just refused (and log it again).
    bool m_clean = false;
    QTimer m_timer;
    QElapsedTimer m_clock;

    qint64 m_cycle = 0;
    qint64 m_cycles = 0;
    QList<Cycle> m_running; // at most two: one on the line, one waiting
};
