#include "parvexmissions.h"

#include "qmachine.h"
#include "qmachinevalue.h"
#include "qmission.h"
#include "qrtuframe.h"

#include <algorithm>

namespace ParvexMissions {

namespace {

// A read mission never asks for more registers than this.
constexpr int kMaxRegistersPerRead = 8;

int value_address(QMachineValue *value)
{
    return value->get_value_property(VALUE_ADDRESS).toInt();
}

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

// Decodes the value whose first register is register k of the answer, when
// every register it needs is part of the answer; otherwise it keeps its value.
void decode_into(QMachineValue *value, const QList<quint16> &registers, int k)
{
    int raw = 0;
    if (value->raw_of_registers(registers.mid(k), &raw))
        value->set_base_value(raw);
}

} // namespace

QList<QMission *> write_missions(QMachineValue *value, int raw, int station)
{
    QList<QMission *> missions;
    if (!value)
        return missions;
    const int address = value_address(value);
    const QList<quint16> registers = value->registers_of(raw);
    for (int i = 0; i < registers.size(); ++i)
        missions.append(write_word(station, address + i, registers.at(i)));
    return missions;
}

QMission *read_back_mission(QMachineValue *value, int station)
{
    auto *mission = new QMission(MISSION_READ_BACK);
    mission->set_attribute(MissionKey::station(), QVariant(station));
    mission->set_attribute(MissionKey::address(), QVariant(value_address(value)));
    // The registers the write put there, however the description spells the
    // length: a read-back of length 0 could not even be sent.
    mission->set_attribute(MissionKey::length(), QVariant(value->words()));
    mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::PageWork));
    mission->update_send_buffer();
    return mission;
}

QList<QMission *> read_missions(const QList<QMachineValue *> &values, int station)
{
    // Every register of every value is read by exactly one run; a run holds at
    // most eight registers, never splits a two-word value and never reaches
    // below its lowest or above its highest wanted register. Packing the
    // values greedily in address order gives the fewest runs.
    struct Span {
        int first;
        int last;
    };
    QList<Span> spans;
    spans.reserve(values.size());
    for (QMachineValue *value : values) {
        if (!value)
            continue;
        const int address = value_address(value);
        const int last = address + value->words() - 1;
        if (address < 0 || last > 0xFFFF)
            continue; // not a register of the drive: nothing can read it
        spans.append({address, last});
    }
    std::stable_sort(spans.begin(), spans.end(),
                     [](const Span &a, const Span &b) { return a.first < b.first; });

    QList<QMission *> missions;
    const auto emit_run = [&](int first, int last) {
        auto *mission = new QMission(MISSION_READ);
        mission->set_attribute(MissionKey::station(), QVariant(station));
        mission->set_attribute(MissionKey::address(), QVariant(first));
        mission->set_attribute(MissionKey::length(), QVariant(last - first + 1));
        mission->update_send_buffer();
        missions.append(mission);
    };

    int run_first = -1;
    int run_last = -1;
    for (const Span &span : spans) {
        if (run_first < 0) {
            run_first = span.first;
            run_last = span.last;
            continue;
        }
        const int last = std::max(run_last, span.last);
        if (last - run_first + 1 <= kMaxRegistersPerRead) {
            run_last = last;
        } else {
            emit_run(run_first, run_last);
            run_first = span.first;
            run_last = span.last;
        }
    }
    if (run_first >= 0)
        emit_run(run_first, run_last);
    return missions;
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

} // namespace ParvexMissions
