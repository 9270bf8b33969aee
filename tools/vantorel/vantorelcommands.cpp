#include "vantorelcommands.h"

#include "commands/checkcommand.h"
#include "commands/comparecommand.h"
#include "commands/describecommand.h"
#include "commands/downloadcommand.h"
#include "commands/getcommand.h"
#include "commands/historycommand.h"
#include "commands/infocommand.h"
#include "commands/monitorcommand.h"
#include "commands/portscommand.h"
#include "commands/scancommand.h"
#include "commands/setcommand.h"
#include "commands/uploadcommand.h"

namespace VantorelCommands {

const QList<VantorelCommandSpec> &all()
{
    static const QList<VantorelCommandSpec> table{
        PortsCommand::spec(),    ScanCommand::spec(),     InfoCommand::spec(),    GetCommand::spec(),
        SetCommand::spec(),      UploadCommand::spec(),   DownloadCommand::spec(), CompareCommand::spec(),
        MonitorCommand::spec(),  HistoryCommand::spec(),  DescribeCommand::spec(), CheckCommand::spec(),
    };
    return table;
}

const VantorelCommandSpec *find(const QString &name)
{
    for (const VantorelCommandSpec &spec : all()) {
        if (spec.name == name)
            return &spec;
    }
    return nullptr;
}

} // namespace VantorelCommands

namespace VantorelHelp {

namespace {

// The command's synopsis, and its summary in a column of its own; a
// synopsis too long for the column puts the summary on the next line.
QString command_line(const VantorelCommandSpec &spec)
{
    constexpr int indent = 2;
    constexpr int column = 30;
    const QString synopsis = QString(indent, QLatin1Char(' ')) + spec.synopsis;
    if (synopsis.size() < column - 1)
        return synopsis.leftJustified(column) + spec.summary + QLatin1Char('\n');
    return synopsis + QLatin1Char('\n') + QString(column, QLatin1Char(' ')) + spec.summary + QLatin1Char('\n');
}

} // namespace

bool is_command(const QString &name)
{
    return VantorelCommands::find(name) != nullptr;
}

QString general()
{
    QString commands;
    for (const VantorelCommandSpec &spec : VantorelCommands::all())
        commands += command_line(spec);
    return QStringLiteral("vantorel: commission a drive without a screen.\n"
                          "\n"
                          "Usage: vantorel COMMAND [ARGUMENTS] [OPTIONS]\n"
                          "\n"
                          "Commands:\n")
        + commands
        + QStringLiteral(
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
               "  --history URL|FILE   history database instead of the settings' History.Database\n"
               "                       (postgresql://user@host:port/dbname, or an SQLite file)\n"
               "  --note TEXT          a note kept with the snapshots and write records of this run\n"
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
    const VantorelCommandSpec *spec = VantorelCommands::find(name);
    return spec ? spec->help : QString();
}

} // namespace VantorelHelp
