#include "qparamexchange.h"

#include "parammissions.h"

#include <machine/qmachinevalue.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>
#include <communicate/frames/qrtuframe.h>

#include <QSet>

namespace {

// Run numbers are unique in the process, so two exchanges on one link never
// take each other's answers.
int next_run()
{
    static int run = 0;
    return ++run;
}

int int_attribute(const QMission *mission, const QString &key)
{
    return mission->get_attribute(key, QVariant()).toInt();
}

} // namespace

QParamExchange::QParamExchange(QMissionManager *manager, int station, QObject *parent)
    : QObject(parent)
    , m_manager(manager)
    , m_station(station)
{
}

QParamExchange::~QParamExchange() = default;

bool QParamExchange::read(const QList<QMachineValue *> &values, const QString &group)
{
    if (m_running)
        return false;
    m_writes.clear();
    m_asked.clear();
    for (QMachineValue *value : values) {
        if (value)
            m_asked.append(value);
    }
    start(ParamMissions::read_missions(m_asked, m_station), group);
    return true;
}

bool QParamExchange::write_and_verify(const QList<ParamVerify::Write> &writes, const QString &group)
{
    if (m_running)
        return false;
    m_writes = writes;
    m_asked.clear();
    QSet<QMachineValue *> seen;
    QList<QMission *> missions;
    for (const ParamVerify::Write &write : writes) {
        if (!write.value)
            continue;
        missions.append(ParamMissions::write_missions(write.value, write.raw, m_station, m_two_words));
        if (!seen.contains(write.value)) {
            seen.insert(write.value);
            m_asked.append(write.value);
        }
    }
    missions.append(ParamMissions::read_missions(m_asked, m_station));
    start(missions, group);
    return true;
}

void QParamExchange::start(QList<QMission *> missions, const QString &group)
{
    m_run = next_run();
    m_running = true;
    m_complete = true;
    m_link_lost = false;
    m_values.clear();
    m_write_errors.clear();
    m_write_taken.clear();
    m_by_register.clear();
    for (QMachineValue *value : std::as_const(m_asked)) {
        const int address = value->get_value_property(VALUE_ADDRESS).toInt();
        for (int i = 0; i < value->words(); ++i)
            m_by_register.insert(address + i, value);
    }
    for (QMission *mission : std::as_const(missions))
        mission->set_attribute(MissionKey::run(), QVariant(m_run));
    m_outstanding = int(missions.size());

    connect(m_manager, &QMissionManager::mission_success, this, &QParamExchange::on_success);
    connect(m_manager, &QMissionManager::mission_failed, this, &QParamExchange::on_failed);
    if (!m_grouped) {
        for (QMission *mission : std::as_const(missions))
            m_manager->add_mission(mission);
        qDeleteAll(missions);
        return;
    }
    // Queued: a progress dialog that follows the same group has closed
    // before the owner of this run hears of its end.
    connect(m_manager, &QMissionManager::mission_group_end, this, &QParamExchange::on_group_end,
            Qt::QueuedConnection);
    m_manager->add_mission_group(missions, group);
    qDeleteAll(missions);
}

bool QParamExchange::is_mine(QMission *mission) const
{
    return m_running && mission && int_attribute(mission, MissionKey::run()) == m_run;
}

void QParamExchange::on_success(QMission *mission)
{
    if (!is_mine(mission))
        return;
    if (mission->mission_type() == MISSION_WRITE || mission->mission_type() == MISSION_WRITE_MULTI) {
        if (QMachineValue *value = m_by_register.value(int_attribute(mission, MissionKey::address()), nullptr))
            m_write_taken.insert(value);
    }
    if (mission->mission_type() == MISSION_READ_BACK || mission->mission_type() == MISSION_READ) {
        const int address = int_attribute(mission, MissionKey::address());
        const int length = int_attribute(mission, MissionKey::length());
        const QList<quint16> registers = QRtuFrame::answer_registers(mission->get_recv_buffer(), length);
        for (int k = 0; k < registers.size(); ++k) {
            QMachineValue *value = m_by_register.value(address + k, nullptr);
            if (!value || value->get_value_property(VALUE_ADDRESS).toInt() != address + k)
                continue;
            int raw = 0;
            if (value->raw_of_registers(registers.mid(k), &raw))
                m_values.insert(value, raw);
        }
    }
    count_done();
}

void QParamExchange::on_failed(QMission *mission, int code)
{
    if (!is_mine(mission))
        return;
    m_complete = false;
    if (code == QMissionManager::ERR_LINK_CLOSED)
        m_link_lost = true;
    if (mission->mission_type() == MISSION_WRITE || mission->mission_type() == MISSION_WRITE_MULTI) {
        QMachineValue *value = m_by_register.value(int_attribute(mission, MissionKey::address()), nullptr);
        if (value && !m_write_errors.contains(value))
            m_write_errors.insert(value, code);
    }
    count_done();
}

void QParamExchange::count_done()
{
    --m_outstanding;
    // Without a group, the last answer ends the run; from the event loop,
    // as a group's end would.
    if (!m_grouped && m_outstanding == 0) {
        const int run = m_run;
        QMetaObject::invokeMethod(this, [this, run] {
            if (m_running && m_run == run)
                end_run();
        }, Qt::QueuedConnection);
    }
}

void QParamExchange::end_run()
{
    m_running = false;
    disconnect(m_manager, nullptr, this, nullptr);
    emit finished(m_complete);
}

void QParamExchange::on_group_end()
{
    // Another group's end (a refresh that ran before this one), or this
    // group's while some of its results are still to come.
    if (!m_running || m_outstanding > 0)
        return;
    end_run();
}

void QParamExchange::abandon()
{
    disconnect(m_manager, nullptr, this, nullptr);
    m_running = false;
    m_asked.clear();
    m_by_register.clear();
    m_values.clear();
    m_write_errors.clear();
    m_write_taken.clear();
    m_writes.clear();
}

QSet<QMachineValue *> QParamExchange::partly_written() const
{
    QSet<QMachineValue *> partly;
    for (auto it = m_write_errors.cbegin(); it != m_write_errors.cend(); ++it) {
        if (m_write_taken.contains(it.key()))
            partly.insert(it.key());
    }
    return partly;
}

QList<tagParamRaw> QParamExchange::values_in(const QList<QMachineValue *> &order) const
{
    QList<tagParamRaw> values;
    QSet<QMachineValue *> seen;
    for (QMachineValue *value : order) {
        const auto found = m_values.constFind(value);
        if (found == m_values.constEnd() || seen.contains(value))
            continue;
        seen.insert(value);
        values.append({value->get_value_property(VALUE_CODE).toString(), found.value()});
    }
    return values;
}

QList<QMachineValue *> QParamExchange::unread() const
{
    QList<QMachineValue *> missing;
    for (QMachineValue *value : m_asked) {
        if (!m_values.contains(value))
            missing.append(value);
    }
    return missing;
}

tagVerifyReport QParamExchange::report() const
{
    return ParamVerify::verify(m_writes, m_values, m_write_errors, partly_written());
}
