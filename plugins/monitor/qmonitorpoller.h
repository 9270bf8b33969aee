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
// so every operator action overtakes it. A new cycle is queued only when the
// last one has ended, so never more than one waits in the queue (behind an
// upload it simply waits). The period is one of periods(); 0 starts the next
// cycle as soon as the last one ends.
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

    // Polling starts with start() (the drive is online) and stops with stop()
    // (offline); restart() also forgets the values refused on the last connection.
    void start();
    void restart();
    void stop();
    bool is_active() const { return m_active; }
    // A cycle is queued or on the line.
    bool cycle_running() const { return m_outstanding > 0; }
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
    void tick();
    void start_cycle();
    void finish_cycle();
    void mission_success(QMission *mission);
    void mission_failed(QMission *mission, int code);
    // The cycle's span of a mission, or -1 when the mission is not one of ours.
    int span_of(const QMission *mission) const;

    struct Span
    {
        int address;
        int length;
    };

    QList<QMachineValue *> m_values;
    QSet<QMachineValue *> m_single; // read alone: their group was refused
    QSet<QMachineValue *> m_refused;
    int m_period = 500;
    bool m_active = false;
    bool m_due = false;
    QTimer m_timer;
    QElapsedTimer m_clock;

    qint64 m_cycle = 0;
    qint64 m_cycles = 0;
    int m_outstanding = 0;
    QList<Span> m_spans;
    tagMonitorSample m_sample;
};
