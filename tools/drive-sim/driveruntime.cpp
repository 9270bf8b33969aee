#include "driveruntime.h"

#include "driveregisters.h"
#include <database/qdatabaseloader.h>

#include <QtMath>

namespace {

enum Column { NAME = 1, ADDRESS = 2, LENGTH = 3, SCALE = 4, ROLE = 20, BITS = 21 };

// What the model assumes when the description lacks a parameter.
constexpr double DEFAULT_FREQUENCY = 50.0;
constexpr double DEFAULT_RAMP_S = 10.0;
constexpr double DEFAULT_VOLTAGE = 380.0;
constexpr double DEFAULT_CURRENT = 15.0;
constexpr double DEFAULT_SPEED = 1460.0;
constexpr double BUS_VOLTAGE = 537.0;
constexpr double POWER_FACTOR = 0.85;
// Share of rated torque the load takes at standstill and at rated speed, and
// the extra while the motor accelerates or brakes.
constexpr double LOAD_AT_ZERO = 0.30;
constexpr double LOAD_AT_RATED = 0.70;
constexpr double ACCELERATING_TORQUE = 0.40;
constexpr double BRAKING_TORQUE = -0.25;

QString cell(const QStringList &row, int column)
{
    return column < row.size() ? row.at(column).trimmed() : QString();
}

} // namespace

DriveRuntime::Slot DriveRuntime::slot_of(const QStringList &row)
{
    Slot slot;
    bool ok = false;
    const int address = cell(row, ADDRESS).toInt(&ok);
    if (!ok)
        return slot;
    slot.address = address;
    slot.length = cell(row, LENGTH).toInt() == 2 ? 2 : 1;
    slot.scale = qMax(1.0, qAbs(cell(row, SCALE).toDouble()));
    return slot;
}

bool DriveRuntime::configure(const QList<tagDataPage> &parameter_pages, const tagDataPage &runtime_page)
{
    *this = DriveRuntime();
    const struct
    {
        const char16_t *name;
        Slot *slot;
    } runtime[] = {
        { u"运行频率", &m_out_frequency }, { u"设定频率", &m_set_frequency },
        { u"母线电压", &m_bus_voltage },   { u"输出电压", &m_out_voltage },
        { u"输出电流", &m_current },       { u"输出功率", &m_power },
        { u"输出转矩", &m_torque },        { u"电机转速", &m_speed },
        { u"当前故障代码", &m_fault },     { u"变频器状态字", &m_state },
    };
    for (const QStringList &row : runtime_page.rows) {
        for (const auto &r : runtime) {
            if (cell(row, NAME) == QString::fromUtf16(r.name))
                *r.slot = slot_of(row);
        }
    }
    // A description that names the state word and the fault code says so
    // itself, whatever their names; the bits of running and of a fault are
    // then the ones it gives.
    for (const QStringList &row : runtime_page.rows) {
        if (cell(row, ROLE) == QLatin1String("fault"))
            m_fault = slot_of(row);
        if (cell(row, ROLE) != QLatin1String("state"))
            continue;
        m_state = slot_of(row);
        for (const QString &bit : cell(row, BITS).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QStringList parts = bit.split(QLatin1Char(':'));
            bool ok = false;
            const int number = parts.value(0).toInt(&ok);
            if (!ok || number < 0 || number > 31)
                continue;
            if (parts.value(1) == QLatin1String("run"))
                m_run_bit = number;
            else if (parts.value(1) == QLatin1String("fault"))
                m_fault_bit = number;
        }
    }
    if (m_state.address < 0) {
        *this = DriveRuntime();
        return false;
    }

    const struct
    {
        const char16_t *name;
        Slot *slot;
    } parameters[] = {
        { u"键盘设定频率", &m_p_set_frequency }, { u"加速时间 1", &m_p_accel },
        { u"减速时间 1", &m_p_decel },           { u"最大频率", &m_p_max_frequency },
        { u"电机额定电压", &m_p_rated_voltage }, { u"电机额定电流", &m_p_rated_current },
        { u"电机额定频率", &m_p_rated_frequency }, { u"电机额定转速", &m_p_rated_speed },
    };
    for (const tagDataPage &page : parameter_pages) {
        for (const QStringList &row : page.rows) {
            for (const auto &p : parameters) {
                if (cell(row, NAME) == QString::fromUtf16(p.name))
                    *p.slot = slot_of(row);
            }
        }
    }
    return true;
}

bool DriveRuntime::owns(int address) const
{
    if (!active())
        return false;
    for (const Slot *s : { &m_out_frequency, &m_set_frequency, &m_bus_voltage, &m_out_voltage, &m_current,
                           &m_power, &m_torque, &m_speed, &m_fault, &m_state }) {
        if (s->address >= 0 && address >= s->address && address < s->address + s->length)
            return true;
    }
    return false;
}

double DriveRuntime::read(const Slot &slot, double fallback, const DriveRegisters &registers) const
{
    if (slot.address < 0)
        return fallback;
    quint32 bits = registers.value(slot.address);
    if (slot.length == 2)
        bits |= quint32(registers.value(slot.address + 1)) << 16;
    return bits / slot.scale;
}

void DriveRuntime::write(const Slot &slot, double display, DriveRegisters *registers) const
{
    if (slot.address < 0)
        return;
    qint64 raw = qRound64(display * slot.scale);
    if (slot.length == 1)
        raw = qBound(qint64(-32768), raw, qint64(65535));
    const quint32 bits = quint32(raw);
    registers->set_value(slot.address, quint16(bits & 0xFFFF));
    if (slot.length == 2)
        registers->set_value(slot.address + 1, quint16(bits >> 16));
}

void DriveRuntime::advance(double seconds, DriveRegisters *registers)
{
    if (!active())
        return;
    m_time += seconds;
    const DriveRegisters &r = *registers;
    const double max_frequency = qMax(1.0, read(m_p_max_frequency, DEFAULT_FREQUENCY, r));
    const double set_frequency = qBound(0.0, read(m_p_set_frequency, DEFAULT_FREQUENCY, r), max_frequency);
    const double accel_s = read(m_p_accel, DEFAULT_RAMP_S, r);
    const double decel_s = read(m_p_decel, DEFAULT_RAMP_S, r);
    const double rated_voltage = read(m_p_rated_voltage, DEFAULT_VOLTAGE, r);
    const double rated_current = read(m_p_rated_current, DEFAULT_CURRENT, r);
    const double rated_frequency = qMax(1.0, read(m_p_rated_frequency, DEFAULT_FREQUENCY, r));
    const double rated_speed = qMax(1.0, read(m_p_rated_speed, DEFAULT_SPEED, r));

    // Ramps are given from 0 Hz to the maximum frequency; a time of 0 jumps.
    const double target = running() ? set_frequency : 0.0;
    const double before = m_frequency;
    if (m_fault_code != 0) {
        m_frequency = 0; // a trip switches the output off: the motor coasts
    } else if (m_frequency < target) {
        m_frequency = accel_s > 0 ? qMin(target, m_frequency + max_frequency / accel_s * seconds) : target;
    } else if (m_frequency > target) {
        m_frequency = decel_s > 0 ? qMax(target, m_frequency - max_frequency / decel_s * seconds) : target;
    }
    const bool turning = m_frequency > 0;
    const double ratio = m_frequency / rated_frequency;

    double torque = 0;
    if (turning) {
        torque = LOAD_AT_ZERO + (LOAD_AT_RATED - LOAD_AT_ZERO) * qMin(1.0, ratio);
        if (m_frequency > before)
            torque += ACCELERATING_TORQUE;
        else if (m_frequency < before)
            torque += BRAKING_TORQUE;
        torque += 0.01 * qSin(m_time * 3.1); // the load is never quite steady
    }
    const double current = turning ? rated_current * (0.35 + 0.65 * qAbs(torque)) : 0.0;
    const double voltage = qMin(rated_voltage, rated_voltage * ratio);
    const double power = qSqrt(3.0) * voltage * current * POWER_FACTOR / 1000.0;
    const double pole_pairs = qMax(1.0, double(qRound(60.0 * rated_frequency / rated_speed)));
    const double synchronous = 60.0 * rated_frequency / pole_pairs;
    const double slip = (synchronous - rated_speed) / synchronous * qMax(0.0, torque) / LOAD_AT_RATED;
    const double speed = 60.0 * m_frequency / pole_pairs * (1.0 - slip);
    const double bus = BUS_VOLTAGE + 1.5 * qSin(m_time * 0.7) - 0.4 * current;

    write(m_out_frequency, m_frequency, registers);
    write(m_set_frequency, set_frequency, registers);
    write(m_bus_voltage, bus, registers);
    write(m_out_voltage, voltage, registers);
    write(m_current, current, registers);
    write(m_power, power, registers);
    write(m_torque, torque * 100.0, registers);
    write(m_speed, qMax(0.0, speed), registers);
    write(m_fault, m_fault_code, registers);
    // Running and fault bits (bit 0 and bit 2 unless the description says
    // otherwise); reverse and alarm stay clear.
    write(m_state, (running() ? double(1u << m_run_bit) : 0.0) + (m_fault_code != 0 ? double(1u << m_fault_bit) : 0.0),
          registers);
}

bool DriveRuntime::command(const QStringList &words, QString *reply)
{
    const QString verb = words.value(0);
    const bool known = (verb == QLatin1String("run") || verb == QLatin1String("stop")
                        || verb == QLatin1String("motor"))
                           ? words.size() == 1
                           : (verb == QLatin1String("fault-code") && words.size() == 2);
    if (!known)
        return false;
    if (!active()) {
        *reply = QStringLiteral("error the description has no state word (变频器状态字): no motor to control");
        return true;
    }
    if (verb == QLatin1String("run")) {
        if (m_fault_code != 0) {
            *reply = QStringLiteral("error fault %1 is active; fault-code 0 resets it").arg(m_fault_code);
            return true;
        }
        m_run = true;
    } else if (verb == QLatin1String("stop")) {
        m_run = false;
    } else if (verb == QLatin1String("fault-code")) {
        bool ok = false;
        const int code = words.at(1).toInt(&ok);
        if (!ok || code < 0 || code > 0xFFFF) {
            *reply = QStringLiteral("error fault-code needs a number from 0 to 65535");
            return true;
        }
        m_fault_code = code;
        if (code != 0) {
            m_run = false; // a reset does not start the motor again
            m_frequency = 0; // the output is off: the motor coasts
        }
    }
    *reply = QStringLiteral("ok %1 frequency=%2 fault=%3")
                 .arg(running() ? QStringLiteral("running") : QStringLiteral("stopped"))
                 .arg(m_frequency, 0, 'f', 2)
                 .arg(m_fault_code);
    return true;
}
