#include "qmonitorpoller.h"

#include <core/qsoftcore.h>

#include <communicate/qcommunicate.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>
#include <communicate/frames/qrtuframe.h>

namespace {

// Which cycle and which of its reads a poll mission is, so that answers of
// another page, or of a cycle given up (offline), are told apart.
const QString kCycleKey = QStringLiteral("Monitor.Cycle");
const QString kSpanKey = QStringLiteral("Monitor.Span");

int address_of(const QMachineValue *value)
{
    return value->get_value_property(VALUE_ADDRESS).toInt();
}

} // namespace

QMonitorPoller::QMonitorPoller(QObject *parent)
    : QObject(parent)
{
    m_clock.start();
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &QMonitorPoller::tick);
    QMissionManager *manager = QSoftCore::get_core()->get_communicate()->mission_manager();
    connect(manager, &QMissionManager::mission_success, this, &QMonitorPoller::mission_success);
    connect(manager, &QMissionManager::mission_failed, this, &QMonitorPoller::mission_failed);
}

QList<int> QMonitorPoller::periods()
{
    return {0, 50, 100, 200, 500, 1000, 2000, 5000};
}

bool QMonitorPoller::set_period(int ms)
{
    if (!periods().contains(ms))
        return false;
    m_period = ms;
    if (m_active) {
        if (ms > 0)
            m_timer.start(ms);
        else
            m_timer.stop();
        maybe_start_cycle();
    }
    return true;
}

void QMonitorPoller::set_values(const QList<QMachineValue *> &values)
{
    // Answers still under way belong to the old list: give them up.
    give_up_cycles();
    m_values = values;
    m_single.clear();
    m_refused.clear();
    if (m_active)
        start_cycle();
}

void QMonitorPoller::start()
{
    if (m_active)
        return;
    m_active = true;
    m_due = false;
    if (m_period > 0)
        m_timer.start(m_period);
    start_cycle();
}

void QMonitorPoller::restart()
{
    stop();
    m_single.clear();
    m_refused.clear();
    start();
}

void QMonitorPoller::stop()
{
    m_active = false;
    m_timer.stop();
    m_due = false;
    // The missions still queued fail on their own (offline) or are ignored.
    give_up_cycles();
}

void QMonitorPoller::give_up_cycles()
{
    ++m_cycle;
    m_running.clear();
    m_clean = false;
}

void QMonitorPoller::tick()
{
    if (cycle_running())
        m_due = true; // the next starts when this one ends: one cycle waits at most
    else
        start_cycle();
}

void QMonitorPoller::maybe_start_cycle()
{
    if (!m_active)
        return;
    if (m_running.isEmpty()) {
        if (m_period == 0 || m_due)
            start_cycle();
        return;
    }
    // As fast as possible: the next cycle may wait behind the running one
    // once all of that one's reads have left the queue (handed to the line),
    // and only when nothing else waits there.
    if (m_period == 0 && m_running.size() == 1 && m_clean
        && QSoftCore::get_core()->get_communicate()->mission_manager()->pending_count() == 0)
        start_cycle();
}

void QMonitorPoller::start_cycle()
{
    if (!m_active || m_running.size() >= 2)
        return;
    m_due = false;

    QList<QMachineValue *> grouped;
    QList<QMachineValue *> single;
    for (QMachineValue *value : std::as_const(m_values)) {
        if (m_refused.contains(value))
            continue;
        (m_single.contains(value) ? single : grouped).append(value);
    }
    QSoftCore *core = QSoftCore::get_core();
    QList<QMission *> missions = core->make_mission(grouped);
    for (QMachineValue *value : std::as_const(single))
        missions += core->make_mission({value});

    Cycle cycle{++m_cycle, int(missions.size()), {}, {}};
    cycle.sample.raws.fill(0, m_values.size());
    cycle.sample.states.fill(tagMonitorSample::Failed, m_values.size());
    if (missions.isEmpty()) {
        // Nothing left to read (every value refused): the rows show it, once
        // per period; as fast as possible there is nothing to repeat.
        if (!m_values.isEmpty() && m_running.isEmpty()) {
            cycle.sample.time = QDateTime::currentDateTime();
            cycle.sample.elapsed_ms = m_clock.elapsed();
            emit sample_ready(cycle.sample);
        }
        return;
    }

    ++m_cycles;
    for (QMission *mission : std::as_const(missions)) {
        cycle.spans.append({mission->get_attribute(MissionKey::address()).toInt(),
                            mission->get_attribute(MissionKey::length()).toInt()});
        mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::Monitoring));
        mission->set_attribute(MissionKey::type(), QVariant(int(MISSION_READ)));
        mission->set_attribute(kCycleKey, QVariant(cycle.id));
        mission->set_attribute(kSpanKey, QVariant(int(cycle.spans.size()) - 1));
    }
    m_running.append(cycle);
    emit cycle_started(cycle.id);
    QMissionManager *manager = core->get_communicate()->mission_manager();
    for (QMission *mission : std::as_const(missions))
        manager->add_mission(mission);
    qDeleteAll(missions);
    // Once the manager has handed these reads to the line, the next cycle
    // may take its place in the queue.
    if (m_period == 0)
        QTimer::singleShot(0, this, &QMonitorPoller::maybe_start_cycle);
}

bool QMonitorPoller::find(const QMission *mission, int *cycle, int *span) const
{
    if (!mission)
        return false;
    const QVariant id = mission->get_attribute(kCycleKey);
    if (!id.isValid())
        return false;
    for (int i = 0; i < m_running.size(); ++i) {
        if (m_running.at(i).id != id.toLongLong())
            continue;
        const int s = mission->get_attribute(kSpanKey).toInt();
        if (s < 0 || s >= m_running.at(i).spans.size())
            return false;
        *cycle = i;
        *span = s;
        return true;
    }
    return false;
}

void QMonitorPoller::mission_success(QMission *mission)
{
    int index = 0;
    int span = 0;
    if (!find(mission, &index, &span))
        return;
    Cycle &cycle = m_running[index];
    const Span s = cycle.spans.at(span);
    const QList<quint16> registers = QRtuFrame::answer_registers(mission->get_recv_buffer(), s.length);
    for (int i = 0; i < m_values.size(); ++i) {
        QMachineValue *value = m_values.at(i);
        const int k = address_of(value) - s.address;
        if (k < 0 || k >= registers.size() || m_refused.contains(value))
            continue;
        int raw = 0;
        if (value->raw_of_registers(registers.mid(k), &raw)) {
            cycle.sample.raws[i] = raw;
            cycle.sample.states[i] = tagMonitorSample::Read;
        }
    }
    if (--cycle.outstanding == 0)
        finish_cycle(index);
    else
        maybe_start_cycle();
}

void QMonitorPoller::mission_failed(QMission *mission, int code)
{
    int index = 0;
    int span = 0;
    if (!find(mission, &index, &span))
        return;
    if (code == QMissionManager::ERR_LINK_CLOSED) {
        stop(); // offline: the owner starts again after reconnecting
        return;
    }
    const Span s = m_running.at(index).spans.at(span);
    if (code >= 1 && code <= 255) {
        // The drive refused the read. Which of its values it refuses shows
        // only when each is read alone.
        QList<QMachineValue *> inside;
        for (QMachineValue *value : std::as_const(m_values)) {
            const int a = address_of(value);
            if (a >= s.address && a < s.address + s.length)
                inside.append(value);
        }
        for (QMachineValue *value : std::as_const(inside)) {
            if (inside.size() == 1)
                m_refused.insert(value);
            else
                m_single.insert(value);
        }
        m_running[index].refused = true;
        m_clean = false;
    }
    if (--m_running[index].outstanding == 0)
        finish_cycle(index);
    else
        maybe_start_cycle();
}

void QMonitorPoller::finish_cycle(int index)
{
    const Cycle cycle = m_running.takeAt(index);
    m_clean = !cycle.refused;
    tagMonitorSample sample = cycle.sample;
    sample.time = QDateTime::currentDateTime();
    sample.elapsed_ms = m_clock.elapsed();
    emit sample_ready(sample);
    if (m_active && m_running.isEmpty() && (m_period == 0 || m_due))
        start_cycle();
    else
        maybe_start_cycle();
}
