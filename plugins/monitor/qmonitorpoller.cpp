#include "qmonitorpoller.h"

#include "qsoftcore.h"

#include "qcommunicate.h"
#include "qmachinevalue.h"
#include "qmission.h"
#include "qmissionmanager.h"
#include "qrtuframe.h"

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
        if (!cycle_running())
            start_cycle();
    }
    return true;
}

void QMonitorPoller::set_values(const QList<QMachineValue *> &values)
{
    // Answers still under way belong to the old list: give that cycle up.
    ++m_cycle;
    m_outstanding = 0;
    m_spans.clear();
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
    ++m_cycle; // the missions still queued fail on their own (offline) or are ignored
    m_outstanding = 0;
    m_spans.clear();
}

void QMonitorPoller::tick()
{
    if (cycle_running())
        m_due = true; // the next starts when this one ends: one cycle waits at most
    else
        start_cycle();
}

void QMonitorPoller::start_cycle()
{
    m_due = false;
    if (!m_active || cycle_running())
        return;

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

    m_sample = tagMonitorSample();
    m_sample.raws.fill(0, m_values.size());
    m_sample.states.fill(tagMonitorSample::Failed, m_values.size());
    if (missions.isEmpty()) {
        // Nothing left to read (every value refused): the rows show it, once
        // per period; as fast as possible there is nothing to repeat.
        if (!m_values.isEmpty()) {
            m_sample.time = QDateTime::currentDateTime();
            m_sample.elapsed_ms = m_clock.elapsed();
            emit sample_ready(m_sample);
        }
        return;
    }

    ++m_cycle;
    ++m_cycles;
    m_spans.clear();
    QMissionManager *manager = core->get_communicate()->mission_manager();
    for (QMission *mission : std::as_const(missions)) {
        m_spans.append({mission->get_attribute(MissionKey::address()).toInt(),
                        mission->get_attribute(MissionKey::length()).toInt()});
        mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::Monitoring));
        mission->set_attribute(MissionKey::type(), QVariant(int(MISSION_READ)));
        mission->set_attribute(kCycleKey, QVariant(m_cycle));
        mission->set_attribute(kSpanKey, QVariant(int(m_spans.size()) - 1));
        mission->ready();
    }
    m_outstanding = int(missions.size());
    emit cycle_started(m_cycle);
    for (QMission *mission : std::as_const(missions))
        manager->add_mission(mission);
    qDeleteAll(missions);
}

int QMonitorPoller::span_of(const QMission *mission) const
{
    if (!mission || m_outstanding == 0)
        return -1;
    const QVariant cycle = mission->get_attribute(kCycleKey);
    if (!cycle.isValid() || cycle.toLongLong() != m_cycle)
        return -1;
    const int span = mission->get_attribute(kSpanKey).toInt();
    return span >= 0 && span < m_spans.size() ? span : -1;
}

void QMonitorPoller::mission_success(QMission *mission)
{
    const int span = span_of(mission);
    if (span < 0)
        return;
    const Span s = m_spans.at(span);
    const QList<quint16> registers = QRtuFrame::answer_registers(mission->get_recv_buffer(), s.length);
    for (int i = 0; i < m_values.size(); ++i) {
        QMachineValue *value = m_values.at(i);
        const int k = address_of(value) - s.address;
        if (k < 0 || k >= registers.size() || m_refused.contains(value))
            continue;
        int raw = 0;
        if (value->raw_of_registers(registers.mid(k), &raw)) {
            m_sample.raws[i] = raw;
            m_sample.states[i] = tagMonitorSample::Read;
        }
    }
    if (--m_outstanding == 0)
        finish_cycle();
}

void QMonitorPoller::mission_failed(QMission *mission, int code)
{
    const int span = span_of(mission);
    if (span < 0)
        return;
    const Span s = m_spans.at(span);
    if (code == QMissionManager::ERR_LINK_CLOSED) {
        stop(); // offline: the owner starts again after reconnecting
        return;
    }
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
    }
    if (--m_outstanding == 0)
        finish_cycle();
}

void QMonitorPoller::finish_cycle()
{
    m_sample.time = QDateTime::currentDateTime();
    m_sample.elapsed_ms = m_clock.elapsed();
    const tagMonitorSample sample = m_sample;
    emit sample_ready(sample);
    if (m_active && (m_period == 0 || m_due))
        start_cycle();
}
