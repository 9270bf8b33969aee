#include "parammissions.h"

#include "qmachinevalue.h"
#include "qmission.h"
#include "registerruns.h"

namespace ParamMissions {

namespace {

QMission *write_word(int station, int address, quint16 word)
{
    auto *mission = new QMission(MISSION_WRITE);
    mission->set_attribute(MissionKey::station(), QVariant(station));
    mission->set_attribute(MissionKey::address(), QVariant(address));
    mission->set_attribute(MissionKey::length(), QVariant(1));
    mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::PageWork));
    mission->set_attribute(MissionKey::write_data(), QVariant(int(word)));
    mission->update_send_buffer();
    return mission;
}

} // namespace

QList<QMission *> write_missions(QMachineValue *value, int raw, int station)
{
    QList<QMission *> missions;
    if (!value)
        return missions;
    const int address = value->get_value_property(VALUE_ADDRESS).toInt();
    const QList<quint16> registers = value->registers_of(raw);
    for (int i = 0; i < registers.size(); ++i)
        missions.append(write_word(station, address + i, registers.at(i)));
    return missions;
}

QMission *read_back_mission(QMachineValue *value, int station)
{
    auto *mission = new QMission(MISSION_READ_BACK);
    mission->set_attribute(MissionKey::station(), QVariant(station));
    mission->set_attribute(MissionKey::address(),
                           QVariant(value->get_value_property(VALUE_ADDRESS).toInt()));
    // The registers the write put there, however the description spells the
    // length: a read-back of length 0 could not even be sent.
    mission->set_attribute(MissionKey::length(), QVariant(value->words()));
    mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::PageWork));
    mission->update_send_buffer();
    return mission;
}

QList<QMission *> read_missions(const QList<QMachineValue *> &values, int station)
{
    QList<QMission *> missions;
    const QList<RegisterRuns::Run> runs = RegisterRuns::of(values, kMaxRegistersPerRead);
    for (const RegisterRuns::Run &run : runs) {
        auto *mission = new QMission(MISSION_READ_BACK);
        mission->set_attribute(MissionKey::station(), QVariant(station));
        mission->set_attribute(MissionKey::address(), QVariant(run.first));
        mission->set_attribute(MissionKey::length(), QVariant(run.count));
        mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::PageWork));
        mission->set_attribute(MissionKey::type(), QVariant(int(MISSION_READ_BACK)));
        mission->update_send_buffer();
        missions.append(mission);
    }
    return missions;
}

} // namespace ParamMissions
