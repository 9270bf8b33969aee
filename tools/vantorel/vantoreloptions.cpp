#include "vantoreloptions.h"

#include <QCoreApplication>
#include <QHash>

#include <functional>

namespace {

QString tr_opt(const char *text)
{
    return QCoreApplication::translate("VantorelOptions", text);
}

bool to_int(const QString &text, int lowest, int highest, int *out)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok, 10);
    if (!ok || n < lowest || n > highest)
        return false;
    *out = n;
    return true;
}

const QStringList &commands()
{
    static const QStringList list{
        QStringLiteral("ports"),   QStringLiteral("scan"),    QStringLiteral("info"),
        QStringLiteral("get"),     QStringLiteral("set"),     QStringLiteral("upload"),
        QStringLiteral("download"), QStringLiteral("compare"), QStringLiteral("monitor"),
        QStringLiteral("history"),
    };
    return list;
}

} // namespace

bool VantorelOptions::parse_list(const QString &text, int lowest, int highest, QList<int> *list)
{
    list->clear();
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return false;
    for (const QString &part : parts) {
        const int dash = int(part.indexOf(QLatin1Char('-')));
        int first = 0;
        int last = 0;
        if (dash < 0) {
            if (!to_int(part, lowest, highest, &first))
                return false;
            last = first;
        } else if (!to_int(part.left(dash), lowest, highest, &first)
                   || !to_int(part.mid(dash + 1), lowest, highest, &last) || last < first) {
            return false;
        }
        for (int n = first; n <= last; ++n) {
            if (!list->contains(n))
                list->append(n);
        }
    }
    return true;
}

bool VantorelOptions::parse(const QStringList &arguments, VantorelOptions *o, QString *error)
{
    using Take = std::function<bool(const QString &)>;
    const auto number = [](int *field, int lowest, int highest) -> Take {
        return [=](const QString &v) { return to_int(v, lowest, highest, field); };
    };
    const auto text = [](QString *field) -> Take {
        return [=](const QString &v) {
            *field = v;
            return !v.isEmpty();
        };
    };
    const QHash<QString, Take> valued{
        {QStringLiteral("port"), text(&o->port)},
        {QStringLiteral("baud"), number(&o->baud, 1, 4000000)},
        {QStringLiteral("parity"),
         [o](const QString &v) {
             const QString p = v.trimmed().toLower();
             if (p != QLatin1String("n") && p != QLatin1String("e") && p != QLatin1String("o"))
                 return false;
             o->parity = p.at(0).toLatin1();
             return true;
         }},
        {QStringLiteral("stop"), number(&o->stop, 1, 2)},
        {QStringLiteral("station"),
         [o](const QString &v) {
             int n = 0;
             if (!to_int(v, 1, 247, &n))
                 return false;
             o->stations = {n};
             o->several_stations = false;
             return true;
         }},
        {QStringLiteral("stations"),
         [o](const QString &v) {
             o->several_stations = true;
             return parse_list(v, 1, 247, &o->stations);
         }},
        {QStringLiteral("config"), text(&o->config)},
        {QStringLiteral("machine"), text(&o->machine)},
        {QStringLiteral("timeout"), number(&o->timeout, 1, 60000)},
        {QStringLiteral("retries"), number(&o->retries, 0, 10)},
        {QStringLiteral("period"), number(&o->period, 10, 3600000)},
        {QStringLiteral("count"), number(&o->count, 1, 100000000)},
        {QStringLiteral("csv"), text(&o->csv)},
        {QStringLiteral("snapshot"), text(&o->snapshot)},
        {QStringLiteral("ports"),
         [o](const QString &v) {
             o->scan_ports = v.split(QLatin1Char(','), Qt::SkipEmptyParts);
             return !o->scan_ports.isEmpty();
         }},
        {QStringLiteral("bauds"),
         [o](const QString &v) {
             o->scan_bauds.clear();
             for (const QString &b : v.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                 int n = 0;
                 if (!to_int(b, 1, 4000000, &n))
                     return false;
                 o->scan_bauds.append(n);
             }
             return !o->scan_bauds.isEmpty();
         }},
        {QStringLiteral("parities"),
         [o](const QString &v) {
             o->scan_parities = v.toLower().remove(QLatin1Char(','));
             for (const QChar c : std::as_const(o->scan_parities)) {
                 if (c != QLatin1Char('n') && c != QLatin1Char('e') && c != QLatin1Char('o'))
                     return false;
             }
             return !o->scan_parities.isEmpty();
         }},
        {QStringLiteral("wait"), number(&o->wait, 1, 60000)},
    };
    const QHash<QString, bool *> flags{
        {QStringLiteral("help"), &o->help},       {QStringLiteral("json"), &o->json},
        {QStringLiteral("verbose"), &o->verbose}, {QStringLiteral("raw"), &o->raw},
        {QStringLiteral("no-backup"), &o->no_backup}, {QStringLiteral("no-verify"), &o->no_verify},
        {QStringLiteral("defaults"), &o->defaults}, {QStringLiteral("echo"), &o->echo},
    };

    for (int i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (arg == QLatin1String("-h")) {
            o->help = true;
            continue;
        }
        if (!arg.startsWith(QLatin1String("--")) || arg == QLatin1String("--")) {
            if (o->command.isEmpty())
                o->command = arg;
            else
                o->arguments.append(arg);
            continue;
        }
        QString name = arg.mid(2);
        QString value;
        const int eq = int(name.indexOf(QLatin1Char('=')));
        const bool inline_value = eq >= 0;
        if (inline_value) {
            value = name.mid(eq + 1);
            name = name.left(eq);
        }
        if (bool *flag = flags.value(name, nullptr)) {
            if (inline_value) {
                *error = tr_opt("选项 --%1 不带参数").arg(name);
                return false;
            }
            *flag = true;
            continue;
        }
        const auto take = valued.constFind(name);
        if (take == valued.constEnd()) {
            *error = tr_opt("未知选项 --%1").arg(name);
            return false;
        }
        if (!inline_value) {
            if (i + 1 >= arguments.size()) {
                *error = tr_opt("选项 --%1 缺少参数").arg(name);
                return false;
            }
            value = arguments.at(++i);
        }
        if (!(*take)(value)) {
            *error = tr_opt("选项 --%1 的参数“%2”无效").arg(name, value);
            return false;
        }
    }
    if (!o->command.isEmpty() && !VantorelHelp::is_command(o->command)) {
        *error = tr_opt("未知命令 %1").arg(o->command);
        return false;
    }
    return true;
}

namespace VantorelHelp {

bool is_command(const QString &name)
{
    return commands().contains(name);
}

QString general()
{
    return QStringLiteral(
        "vantorel: commission a drive without a screen.\n"
        "\n"
        "Usage: vantorel COMMAND [ARGUMENTS] [OPTIONS]\n"
        "\n"
        "Commands:\n"
        "  ports                       serial ports the system lists\n"
        "  scan                        search for drives (ports, bauds, parities, stations)\n"
        "  info                        the drive's version and the description used\n"
        "  get CODE...                 read values (display units; --raw: raw values)\n"
        "  set CODE=VALUE...           write values and read them back\n"
        "  upload FILE                 read every parameter into a parameter file (CSV, GBK)\n"
        "  download FILE               write a parameter file into the drive\n"
        "  compare FILE | --defaults | --snapshot ID\n"
        "                              compare the drive with a file, the defaults or a snapshot\n"
        "  monitor CODE...             runtime values as lines or CSV\n"
        "  history [list|show ID|export ID FILE]\n"
        "                              the snapshots of parameter sets\n"
        "\n"
        "Link options (left out: the settings of config.xml, as the workbench uses them):\n"
        "  --port NAME          device (/dev/ttyUSB0, COM3), tcp://host[:port] or rtutcp://host:port\n"
        "  --baud RATE          baud rate\n"
        "  --parity n|e|o       parity\n"
        "  --stop 1|2           stop bits\n"
        "  --station N          station address 1..247 (default: the settings' station, 1)\n"
        "  --stations LIST      several stations in turn, e.g. 1-10,12 (get, set, upload,\n"
        "                       download, compare); ends with a summary per station\n"
        "  --timeout MS         answer time-out (default 500)\n"
        "  --retries N          retries after the first try (default 2)\n"
        "  --echo               the adapter returns every byte sent (two-wire RS-485): expect and\n"
        "                       remove the echo of each request (default: Communicate.LocalEcho)\n"
        "  --config FILE        settings file instead of the program's config.xml (beside it, or\n"
        "                       ~/.config/vantorel/ for an installed copy)\n"
        "  --machine FILE       machine description instead of machines/default.xml\n"
        "\n"
        "Output options:\n"
        "  --json               one JSON document on standard output (numbers as numbers)\n"
        "  --verbose            also print the link's own warnings\n"
        "  --help               this text; COMMAND --help: the command's text\n"
        "\n"
        "Exit codes:\n"
        "  0  done\n"
        "  1  usage: bad options, unknown codes, values that fail the checks\n"
        "  2  no link or no answer (port cannot be opened, station does not answer)\n"
        "  3  the drive refused something (a Modbus exception)\n"
        "  4  verification found differences\n"
        "  5  a file could not be read or written, or cannot be used\n"
        "With --stations the exit code is that of the first station that failed.\n"
        "\n"
        "Examples:\n"
        "  vantorel info --port /dev/ttyUSB0\n"
        "  vantorel get F0-07 F0-01 --json\n"
        "  vantorel set F0-07=45.5 F0-01=端子\n"
        "  vantorel upload backup.csv --stations 1-10,12\n"
        "  vantorel download line3.csv --port tcp://192.168.1.20\n");
}

QString command(const QString &name)
{
    static const QHash<QString, QString> texts{
        {QStringLiteral("ports"),
         QStringLiteral("Usage: vantorel ports [--json]\n"
                        "Lists the serial ports the system knows (name, description, maker).\n"
                        "Pseudo-terminals and TCP addresses are not listed; give them with --port.\n"
                        "Example: vantorel ports\n")},
        {QStringLiteral("scan"),
         QStringLiteral("Usage: vantorel scan [--ports LIST] [--bauds LIST] [--parities LIST] [--stop 1|2]\n"
                        "                     [--stations FIRST-LAST] [--wait MS] [--json]\n"
                        "Searches for drives as the workbench's device search does: on every\n"
                        "port (default: --port, or every port the system lists), at every baud\n"
                        "rate (default 19200,9600,38400,57600,115200) and framing (default\n"
                        "8N1, 8E1, 8O1, 8N2; --parities n,e with --stop: those), every station\n"
                        "from FIRST to LAST (default 1-247) is asked once for register 0;\n"
                        "WAIT is how long a probe waits (default: its line time + 50 ms).\n"
                        "Exit code 2 when no drive answered.\n"
                        "Example: vantorel scan --ports /dev/ttyUSB0 --bauds 9600,19200 --stations 1-5\n")},
        {QStringLiteral("info"),
         QStringLiteral("Usage: vantorel info [link options] [--json]\n"
                        "Connects, prints the drive's software version, the port and station,\n"
                        "and the description used with its number of groups and parameters.\n"
                        "Example: vantorel info --port /dev/ttyUSB0 --station 3\n")},
        {QStringLiteral("get"),
         QStringLiteral("Usage: vantorel get CODE... [--raw] [link options] [--json]\n"
                        "Reads parameters or runtime values and prints code, name, value and\n"
                        "unit; --raw prints the raw register values instead.\n"
                        "Example: vantorel get F0-07 U0-00\n")},
        {QStringLiteral("set"),
         QStringLiteral("Usage: vantorel set CODE=VALUE... [link options] [--json]\n"
                        "Writes values and reads them back. VALUE is in display units\n"
                        "(45.5 for 45.50 Hz) or, for a choice, its text or its number. Every\n"
                        "value is checked first as the workbench's editor checks an edit\n"
                        "(number or choice, the register's width, minimum and maximum);\n"
                        "when one fails, nothing is written. A read-back that differs from\n"
                        "what was written ends with exit code 4.\n"
                        "Example: vantorel set F0-07=45.5 F0-01=端子\n")},
        {QStringLiteral("upload"),
         QStringLiteral("Usage: vantorel upload FILE [link options] [--json]\n"
                        "Reads every parameter and writes the parameter file the workbench's\n"
                        "upload writes (CSV in GBK: 代码, 名称, 值, 单位, 原始值). The file is\n"
                        "replaced only when complete. With --stations each station gets its\n"
                        "own file: {station} in FILE is replaced by the station, otherwise\n"
                        "\"-N\" is put before the extension (backup-3.csv).\n"
                        "Example: vantorel upload backup.csv\n")},
        {QStringLiteral("download"),
         QStringLiteral("Usage: vantorel download FILE [--no-backup] [--no-verify] [link options] [--json]\n"
                        "Writes a parameter file into the drive. The file is checked as the\n"
                        "workbench checks it (header, known codes, integer raw values within\n"
                        "width, minimum and maximum); when a row fails, nothing is written.\n"
                        "Read-only parameters in the file are skipped. Before writing, the\n"
                        "drive's set is kept as a snapshot (--no-backup: not); afterwards the\n"
                        "written values are read back and compared (--no-verify: not).\n"
                        "With --stations the same FILE goes into every station, unless it\n"
                        "holds {station}, which is replaced by the station.\n"
                        "Example: vantorel download line3.csv --stations 1-4\n")},
        {QStringLiteral("compare"),
         QStringLiteral("Usage: vantorel compare FILE | --defaults | --snapshot ID [link options] [--json]\n"
                        "Reads the drive's parameters and lists those that differ from a\n"
                        "parameter file, from the description's defaults or from a snapshot.\n"
                        "Exit code 4 when something differs.\n"
                        "Example: vantorel compare --defaults\n")},
        {QStringLiteral("monitor"),
         QStringLiteral("Usage: vantorel monitor CODE... [--period MS] [--count N] [--csv FILE] [link options] [--json]\n"
                        "Reads the values every MS milliseconds (default 1000), N times (default:\n"
                        "until interrupted), and prints one line per reading; --csv also writes\n"
                        "them to FILE (GBK, one column per code).\n"
                        "Example: vantorel monitor U0-00 U0-02 --period 200 --count 50 --csv run.csv\n")},
        {QStringLiteral("history"),
         QStringLiteral("Usage: vantorel history [list | show ID | export ID FILE] [--json]\n"
                        "The snapshots of parameter sets (uploads, backups before downloads):\n"
                        "list them, show one, or export one as a parameter file.\n"
                        "Example: vantorel history export 12 before-repair.csv\n")},
    };
    return texts.value(name);
}

} // namespace VantorelHelp
