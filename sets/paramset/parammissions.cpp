#include "parammissions.h"

#include <machine/driveprofile.h>
#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmission.h>
#include <communicate/frames/qrtuframe.h>
#include <machine/registerruns.h>

#include <QVariantList>

namespace ParamMissions {

void apply_timing(QMission *mission, const DriveProfile &profile)
{
    if (!mission)
        return;
    if (profile.pause_ms > 0)
        mission->set_attribute(MissionKey::pause(), QVariant(profile.pause_ms));
    if (profile.timeout_ms >= 0)
        mission->set_attribute(MissionKey::timeout(), QVariant(profile.timeout_ms));
    if (profile.retries >= 0)
        mission->set_attribute(MissionKey::retries(), QVariant(profile.retries));
}

QList<RegisterRuns::Run> runs_under_profile(const QList<QMachineValue *> &values)
{
    const DriveProfile &profile = profile_of(values);
    return RegisterRuns::of(values, profile.max_read, profile.max_gap);
}

const DriveProfile &profile_of(const QList<QMachineValue *> &values)
{
    static const DriveProfile defaults;
    for (QMachineValue *value : values) {
        if (value)
            return value->profile();
    }
    return defaults;
}

namespace {

QMission *write_word(int station, int address, quint16 word, const DriveProfile &profile)
{
    // A drive that takes only 0x10 gets its one register in a 0x10 request.
    const bool multi = profile.single_write == 0x10;
    auto *mission = new QMission(multi ? MISSION_WRITE_MULTI : MISSION_WRITE);
    mission->set_attribute(MissionKey::station(), QVariant(station));
    mission->set_attribute(MissionKey::address(), QVariant(address));
    mission->set_attribute(MissionKey::length(), QVariant(1));
    mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::PageWork));
    mission->set_attribute(MissionKey::write_data(), QVariant(int(word)));
    apply_timing(mission, profile);
    mission->update_send_buffer();
    return mission;
}

QMission *write_words(int station, int address, const QList<quint16> &registers,
                      const DriveProfile &profile)
{
    QVariantList words;
    for (quint16 word : registers)
        words.append(QVariant(int(word)));
    auto *mission = new QMission(MISSION_WRITE_MULTI);
    mission->set_attribute(MissionKey::station(), QVariant(station));
    mission->set_attribute(MissionKey::address(), QVariant(address));
    mission->set_attribute(MissionKey::length(), QVariant(int(registers.size())));
    mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::PageWork));
    mission->set_attribute(MissionKey::write_data(), QVariant(words));
    apply_timing(mission, profile);
    mission->update_send_buffer();
    return mission;
}

int value_address(QMachineValue *value)
{
    return value->get_value_property(VALUE_ADDRESS).toInt();
}

// Decodes the value whose first register is register k of the answer, when
// every register it needs is part of the answer; otherwise it keeps its value.
void decode_into(QMachineValue *value, const QList<quint16> &registers, int k)
{
    int raw = 0;
    if (value->raw_of_registers(registers.mid(k), &raw))
        value->set_base_value(raw);
}

// One read of each run of the values' registers: station, first register
// and length, in that order, and the request built.
QList<QMission *> runs_of(const QList<QMachineValue *> &values, int station, enMissionType type)
{
    QList<QMission *> missions;
    const QList<RegisterRuns::Run> runs = runs_under_profile(values);
    const DriveProfile &profile = profile_of(values);
    for (const RegisterRuns::Run &run : runs) {
        auto *mission = new QMission(type);
        mission->set_attribute(MissionKey::station(), QVariant(station));
        mission->set_attribute(MissionKey::address(), QVariant(run.first));
        mission->set_attribute(MissionKey::length(), QVariant(run.count));
        apply_timing(mission, profile);
        mission->update_send_buffer();
        missions.append(mission);
    }
    return missions;
}

} // namespace

QList<QMission *> write_missions(QMachineValue *value, int raw, int station, TwoWords two_words)
{
    QList<QMission *> missions;
    if (!value)
        return missions;
    const int address = value->get_value_property(VALUE_ADDRESS).toInt();
    const QList<quint16> registers = value->registers_of(raw);
    const DriveProfile &profile = value->profile();
    // The drive's profile says how two words go out; a description that
    // leaves it open gets the caller's rule.
    const bool one_request = profile.double_write == 0x10
        || (profile.double_write == 0 && two_words == TwoWords::OneRequest);
    if (registers.size() > 1 && one_request) {
        // Both words in one request: a line that goes between them cannot
        // leave the drive holding a value nobody wrote.
        missions.append(write_words(station, address, registers, profile));
        return missions;
    }
    for (int i = 0; i < registers.size(); ++i)
        missions.append(write_word(station, address + i, registers.at(i), profile));
    return missions;
}

QMachineValue *value_at(QMachine *machine, int address)
{
    if (!machine)
        return nullptr;
    if (QMachineValue *value = machine->get_value(address))
        return value;
    QMachineValue *below = machine->get_value(address - 1);
    return below && below->words() == 2 ? below : nullptr;
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
    apply_timing(mission, value->profile());
    mission->update_send_buffer();
    return mission;
}

QList<QMission *> read_runs(const QList<QMachineValue *> &values, int station)
{
    return runs_of(values, station, MISSION_READ);
}

QList<QMission *> read_missions(const QList<QMachineValue *> &values, int station)
{
    QList<QMission *> missions = runs_of(values, station, MISSION_READ_BACK);
    for (QMission *mission : std::as_const(missions)) {
        mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::PageWork));
        mission->set_attribute(MissionKey::type(), QVariant(int(MISSION_READ_BACK)));
    }
    return missions;
}

QMission *serial_mission(const DriveProfile &profile, int station)
{
    if (!profile.has_serial())
        return nullptr;
    auto *mission = new QMission(MISSION_READ);
    mission->set_attribute(MissionKey::station(), QVariant(station));
    mission->set_attribute(MissionKey::address(), QVariant(profile.serial_address));
    mission->set_attribute(MissionKey::length(), QVariant(profile.serial_length));
    mission->set_attribute(MissionKey::type(), QVariant(int(MISSION_READ)));
    apply_timing(mission, profile);
    mission->update_send_buffer();
    return mission;
}

QString serial_of(const DriveProfile &profile, const QMission &answer)
{
    return profile.serial_text(QRtuFrame::answer_registers(answer.get_recv_buffer(), profile.serial_length));
}

void take_answer(QMachine *machine, const QMission &mission, const QList<QMachineValue *> &runtimes)
{
    const int address = mission.get_attribute(MissionKey::address()).toInt();
    const int length = mission.get_attribute(MissionKey::length()).toInt();
    const QList<quint16> registers = QRtuFrame::answer_registers(mission.get_recv_buffer(), length);
    const int available = int(registers.size());

    if (machine) {
        for (int i = 0; i < available;) {
            QMachineValue *value = machine->get_value(address + i);
            if (!value) {
                ++i;
                continue;
            }
            decode_into(value, registers, i);
            i += value->words();
        }
    }

    for (QMachineValue *value : runtimes) {
        const int k = value_address(value) - address;
        if (k >= 0 && k < length)
            decode_into(value, registers, k);
    }
}

} // namespace ParamMissions
