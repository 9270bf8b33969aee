#include "drivefaults.h"

#include "driveregisters.h"

#include <database/qmachineconfig.h>

namespace {

enum Column { ADDRESS = 2, LENGTH = 3, ACCESS = 9 };

bool parse_number(const QString &text, qint64 *value)
{
    bool ok = false;
    *value = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2).toLongLong(&ok, 16)
                                                                         : text.toLongLong(&ok, 10);
    return ok;
}

} // namespace

bool DriveFaults::load(const QString &machine_path, QString *error)
{
    QMachineConfig config;
    if (!config.load_file(machine_path)) {
        *error = config.error_string();
        return false;
    }
    m_stop_only.clear();
    for (const tagDataPage &page : config.get_parvex_config()->get_pages()) {
        for (const QStringList &row : page.rows) {
            if (row.value(ACCESS).trimmed() != QLatin1String("stop"))
                continue;
            const int address = row.value(ADDRESS).toInt();
            const int length = row.value(LENGTH).toInt() == 2 ? 2 : 1;
            for (int i = 0; i < length; ++i)
                m_stop_only.insert(address + i);
        }
    }
    return true;
}

int DriveFaults::write(DriveRegisters &registers, int address, QList<quint16> values) const
{
    // Running: said so through "running 1", or the station's motor turns.
    const bool running = m_running || registers.runtime().running();
    QList<int> ignored;
    for (int i = 0; i < values.size(); ++i) {
        const int a = address + i;
        if (running && m_stop_only.contains(a))
            return DriveRegisters::REFUSED;
        const auto limit = m_clamp.constFind(a);
        if (limit != m_clamp.constEnd() && values.at(i) > limit.value())
            values[i] = limit.value();
        if (m_ignore.contains(a))
            ignored.append(a);
    }
    // Checked and answered as any write; the ignored registers then keep
    // what they held.
    QHash<int, quint16> kept;
    for (int a : std::as_const(ignored))
        kept.insert(a, registers.value(a));
    const int code = registers.write(address, values);
    for (auto it = kept.cbegin(); it != kept.cend(); ++it)
        registers.set_value(it.key(), it.value());
    return code;
}

bool DriveFaults::command(const QStringList &words, QStringList *reply)
{
    const QString verb = words.value(0);
    qint64 address = 0;
    qint64 number = 0;
    if (verb == QLatin1String("running")) {
        if (words.size() != 2 || (words.at(1) != QLatin1String("0") && words.at(1) != QLatin1String("1"))) {
            *reply = {QStringLiteral("error running needs 0 or 1")};
        } else {
            m_running = words.at(1) == QLatin1String("1");
            *reply = {QStringLiteral("ok")};
        }
        return true;
    }
    if (verb == QLatin1String("clamp")) {
        if (words.size() != 3 || !parse_number(words.at(1), &address) || address < 0 || address > 0xFFFF) {
            *reply = {QStringLiteral("error clamp needs an address and a limit (0..65535) or off")};
        } else if (words.at(2) == QLatin1String("off")) {
            m_clamp.remove(int(address));
            *reply = {QStringLiteral("ok")};
        } else if (!parse_number(words.at(2), &number) || number < 0 || number > 0xFFFF) {
            *reply = {QStringLiteral("error clamp needs an address and a limit (0..65535) or off")};
        } else {
            m_clamp.insert(int(address), quint16(number));
            *reply = {QStringLiteral("ok")};
        }
        return true;
    }
    if (verb == QLatin1String("ignore")) {
        const bool off = words.size() == 3 && words.at(2) == QLatin1String("off");
        if ((words.size() != 2 && !off) || !parse_number(words.at(1), &address) || address < 0 || address > 0xFFFF) {
            *reply = {QStringLiteral("error ignore needs an address (and off to stop)")};
        } else {
            if (off)
                m_ignore.remove(int(address));
            else
                m_ignore.insert(int(address));
            *reply = {QStringLiteral("ok")};
        }
        return true;
    }
    return false;
}

QString DriveFaults::help()
{
    return QStringLiteral(
        "  clamp <addr> <limit>   a write above limit stores the limit and is answered\n"
        "                         as taken (\"clamp <addr> off\" ends it)\n"
        "  ignore <addr> [off]    writes are answered but change nothing\n"
        "  running 0|1            while running (or while the motor runs), writes to\n"
        "                         stop-only parameters (access=\"stop\") answer\n"
        "                         exception 4\n");
}
