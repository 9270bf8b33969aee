#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class DriveRegisters;
struct tagDataPage;

// The motor behind the simulated drive: start and stop, a frequency that
// ramps to the set frequency, current, voltage, power, torque and speed that
// follow it, a state word and a fault code. It takes over the runtime values
// it recognises by name when the description has a state word ("变频器状态字");
// other descriptions keep the plain swing of DriveRegisters.
//
// It reads the set frequency, ramp times and motor ratings from the drive's
// own parameters on every step, so a value the master writes takes effect.
class DriveRuntime
{
public:
    // False (and nothing taken over) when the description has no state word.
    bool configure(const QList<tagDataPage> &parameter_pages, const tagDataPage &runtime_page);
    bool active() const { return m_state.address >= 0; }
    // The runtime registers this model writes.
    bool owns(int address) const;

    void advance(double seconds, DriveRegisters *registers);

    // Control commands "run", "stop", "fault-code <n>" (0 resets) and
    // "motor" (the state). False when the words are none of them; *reply is
    // then untouched, otherwise the "ok ..." or "error ..." line.
    bool command(const QStringList &words, QString *reply);
    void set_running(bool running) { m_run = running; }

    double frequency() const { return m_frequency; }
    bool running() const { return m_run && m_fault_code == 0; }

private:
    struct Slot
    {
        int address = -1;
        int length = 1;
        double scale = 1; // magnitude
    };

    static Slot slot_of(const QStringList &row);
    double read(const Slot &slot, double fallback, const DriveRegisters &registers) const;
    void write(const Slot &slot, double display, DriveRegisters *registers) const;

    // Runtime values.
    Slot m_out_frequency, m_set_frequency, m_bus_voltage, m_out_voltage, m_current, m_power,
        m_torque, m_speed, m_fault, m_state;
    int m_run_bit = 0;
    int m_fault_bit = 2;
    // Parameters the motor follows.
    Slot m_p_set_frequency, m_p_accel, m_p_decel, m_p_max_frequency, m_p_rated_voltage,
        m_p_rated_current, m_p_rated_frequency, m_p_rated_speed;

    bool m_run = false;
    int m_fault_code = 0;
    double m_frequency = 0;
    double m_time = 0;
};
