#include "driveregisters.h"

#include <database/qdatabaseloader.h>
#include <database/qmachineconfig.h>

#include <machine/qmachinevalue.h>

#include <QtMath>

namespace {

enum Column { CODE = 0, ADDRESS = 2, LENGTH = 3, SCALE = 4, DEFAULT = 5, MINIMUM = 6, MAXIMUM = 7, ACCESS = 9, TYPE = 18 };

QString cell(const QStringList &row, int column)
{
    return column < row.size() ? row.at(column).trimmed() : QString();
}

} // namespace

bool DriveRegisters::load(const QString &path, int version, const QString &serial, QString *error)
{
    QMachineConfig config;
    if (!config.load_file(path)) {
        *error = config.error_string();
        return false;
    }
    m_ranges.clear();
    m_access.clear();
    m_values.clear();
    m_moving.clear();
    m_profile = config.profile();
    m_max_read = config.has_protocol() ? m_profile.max_read : 125;
    m_runtime_addresses.clear();

    auto add_page = [&](const tagDataPage &page, bool runtime) -> bool {
        int first = -1;
        int last = -1;
        for (const QStringList &row : page.rows) {
            bool ok_address = false;
            bool ok_length = false;
            const int address = cell(row, ADDRESS).toInt(&ok_address);
            const int length = cell(row, LENGTH).toInt(&ok_length);
            if (!ok_address || !ok_length || length < 1 || length > 2 || address < 0 || address + length - 1 > 0xFFFF) {
                *error = QStringLiteral("%1: parameter %2 has no usable address or length").arg(path, cell(row, CODE));
                return false;
            }
            const QString access = cell(row, ACCESS);
            const bool writable = !runtime && (access == QLatin1String("rw") || access == QLatin1String("stop"));
            const double scale = qMax(1.0, qAbs(cell(row, SCALE).toDouble()));
            const double def = cell(row, DEFAULT).toDouble();
            const bool is_float = cell(row, TYPE) == QLatin1String("float");
            for (int i = 0; i < length; ++i)
                m_access.insert(address + i, writable ? READ_WRITE : READ_ONLY);
            store_number(address, length, is_float, def, scale);
            if (runtime) {
                for (int i = 0; i < length; ++i)
                    m_runtime_addresses.insert(address + i);
                Moving m;
                m.address = address;
                m.length = length;
                m.scale = scale;
                const double max = cell(row, MAXIMUM).toDouble();
                m.centre = def != 0 ? def : (max > 0 ? max / 2 : 50);
                m.swing = m.centre * 0.05;
                m.period = 7 + (address % 7);
                m.phase = address * 0.7;
                m.is_float = is_float;
                m_moving.append(m);
            }
            first = first < 0 ? address : qMin(first, address);
            last = qMax(last, address + length - 1);
        }
        if (first >= 0)
            m_ranges.append(qMakePair(first, last));
        return true;
    };

    for (const tagDataPage &page : config.get_parvex_config()->get_pages()) {
        if (!add_page(page, false))
            return false;
    }
    for (const tagDataPage &page : config.get_runtime_config()->get_pages()) {
        if (!add_page(page, true))
            return false;
    }
    // Register 0: the software version, read-only.
    m_ranges.append(qMakePair(0, 0));
    m_access.insert(0, READ_ONLY);
    m_values.insert(0, quint16(version));
    if (!m_profile.has_serial() && !serial.isEmpty()) {
        *error = QStringLiteral("%1 names no serial-number registers (<Protocol serial=...>) for the serial number %2")
                     .arg(path, serial);
        return false;
    }
    if (m_profile.has_serial()) {
        const bool number = m_profile.serial_form == DriveProfile::SerialForm::Number;
        const QString text = !serial.isEmpty() ? serial : number ? QStringLiteral("1001") : QStringLiteral("SIM-0001");
        const QList<quint16> words = m_profile.serial_registers(text);
        if (words.isEmpty()) {
            *error = QStringLiteral("%1: the serial number \"%2\" does not fit its %3 registers")
                         .arg(path, text)
                         .arg(m_profile.serial_length);
            return false;
        }
        const int first = m_profile.serial_address;
        m_ranges.append(qMakePair(first, first + int(words.size()) - 1));
        for (int i = 0; i < words.size(); ++i) {
            m_access.insert(first + i, READ_ONLY);
            m_values.insert(first + i, words.at(i));
        }
    }
    m_runtime.configure(config.get_parvex_config()->get_pages(), config.get_runtime_config()->get_page(0));
    advance(0);
    return true;
}

bool DriveRegisters::in_range(int address) const
{
    for (const auto &range : m_ranges) {
        if (address >= range.first && address <= range.second)
            return true;
    }
    return false;
}

int DriveRegisters::read(int address, int count, QList<quint16> *values) const
{
    if (count < 1 || count > 125 || count > m_max_read)
        return ILLEGAL_VALUE;
    for (int a = address; a < address + count; ++a) {
        if (!in_range(a))
            return ILLEGAL_ADDRESS;
    }
    for (int a = address; a < address + count; ++a)
        values->append(m_values.value(a, 0));
    return OK;
}

int DriveRegisters::write(int address, const QList<quint16> &values)
{
    const int count = int(values.size());
    for (int a = address; a < address + count; ++a) {
        if (!in_range(a))
            return ILLEGAL_VALUE;
    }
    for (int a = address; a < address + count; ++a) {
        if (m_access.value(a, RESERVED) != READ_WRITE)
            return REFUSED;
    }
    for (int i = 0; i < count; ++i)
        m_values.insert(address + i, values.at(i));
    return OK;
}

bool DriveRegisters::takes_function(int function) const
{
    return m_profile.takes_function(function);
}

void DriveRegisters::store(int address, int length, qint64 raw)
{
    const quint32 bits = quint32(raw);
    const quint16 low = quint16(bits & 0xFFFF);
    const quint16 high = quint16(bits >> 16);
    if (length != 2) {
        m_values.insert(address, low);
        return;
    }
    m_values.insert(address, m_profile.high_word_first ? high : low);
    m_values.insert(address + 1, m_profile.high_word_first ? low : high);
}

void DriveRegisters::store_number(int address, int length, bool is_float, double display,
                                  double scale)
{
    if (is_float)
        store(address, length, QMachineValue::raw_of_float(float(display)));
    else
        store(address, length, qRound64(display * scale));
}

void DriveRegisters::advance(double seconds)
{
    m_time += seconds;
    for (const Moving &m : std::as_const(m_moving)) {
        if (m_runtime.owns(m.address))
            continue;
        const double display = m.centre + m.swing * qSin(2 * M_PI * m_time / m.period + m.phase);
        if (m.is_float) {
            store_number(m.address, m.length, true, display, 1);
            continue;
        }
        qint64 raw = qRound64(display * m.scale);
        if (m.length == 1)
            raw = qBound(qint64(-32768), raw, qint64(65535));
        store(m.address, m.length, raw);
    }
    m_runtime.advance(seconds, this);
}

bool DriveRegisters::runtime_command(const QStringList &words, QString *reply)
{
    if (!m_runtime.command(words, reply))
        return false;
    m_runtime.advance(0, this); // the state word shows the command at once
    return true;
}
