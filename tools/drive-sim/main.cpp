// drive-sim: a simulated drive answering Modbus RTU on a pseudo-terminal.

#include "drivefaults.h"
#include "drivesimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_signal_pipe[2] = { -1, -1 };

void on_signal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signal_pipe[1], &c, 1);
}

void print_line(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

[[noreturn]] void fail(const QString &reason)
{
    const QByteArray bytes = QStringLiteral("drive-sim: %1\n").arg(reason).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::exit(2);
}

const char HELP[] =
    "A simulated drive: answers Modbus RTU requests (functions 0x03, 0x06, 0x10)\n"
    "for one or more stations (each with registers of its own) on a\n"
    "pseudo-terminal published at --link (or on a real port, --port), from a\n"
    "machine description. Register 0 holds the software\n"
    "version. Reserved registers inside a group's address range read as 0. A\n"
    "read touching an address outside every range answers exception 2, a write\n"
    "outside exception 3, a write to a read-only or reserved register\n"
    "exception 4; a request it does not know answers exception 1.\n"
    "With --tcp it is a Modbus TCP server instead (unit id = station), with\n"
    "--rtu-tcp a serial device server passing RTU frames over TCP; one client\n"
    "at a time (a second is closed at once, with a line on stderr); hangup\n"
    "resets the client's connection.\n"
    "On a pseudo-terminal it answers only when the master's line settings are\n"
    "its own (--baud or 19200, --parity, --stop): it reads the baud rate and\n"
    "stop bits the master set from the pseudo-terminal, which cannot report\n"
    "parity; the command \"line\" says what the master uses instead.\n"
    "\n"
    "Control channel on stdin, one command per line, replies on stdout ending\n"
    "with a line \"ok ...\" or \"error <reason>\":\n"
    "  get <addr> [count]     values of registers (decimal, or 0x hex address)\n"
    "  set <addr> <value>     change any served register\n"
    "  dump                   every served register as addr=value\n"
    "  fault <name> <value>   change a fault option (names as the options below,\n"
    "                         without --, and \"turnaround\"); \"fault next <kind>\"\n"
    "                         applies one fault to the next answer: drop, corrupt,\n"
    "                         late, garbage, truncate, split, wrong-station,\n"
    "                         wrong-function, wrong-count, none\n"
    "  stats                  requests received and answers sent\n"
    "  hold 1|0               keep every answer back until \"hold 0\" sends them\n"
    "  run                    start the motor: the frequency ramps to the set\n"
    "                         frequency (键盘设定频率) in the acceleration time\n"
    "  stop                   ramp down to 0 Hz in the deceleration time\n"
    "  fault-code <n>         trip with fault n (the motor coasts, state word\n"
    "                         bit 2 set; run is refused); 0 resets the fault\n"
    "  motor                  running or stopped, frequency, fault\n"
    "The motor needs a state word (变频器状态字) among the runtime values; the\n"
    "runtime values of other descriptions swing gently around their defaults.\n"
    "  stats                  requests received, answers sent, frames not heard at\n"
    "                         another line setting, faults applied by kind\n"
    "  station <n>            the station get, set, dump and the motor commands\n"
    "                         address (default the first)\n"
    "  line <baud> <8N1>      the master uses this line setting (8N1, 8E1, 8O1, 8N2):\n"
    "                         answers only when it is the drive's own\n"
    "  line auto              the master's baud rate and stop bits from the\n"
    "                         pseudo-terminal again, parity taken as matching\n"
    "  hangup                 close the line now (an unplugged adapter)\n"
    "  quit                   exit\n"
    "It prints \"ready <device>\" once the device is published. SIGTERM and\n"
    "SIGINT end it cleanly and remove the link; so does the end of stdin when\n"
    "--quit-on-eof is given (otherwise the end of stdin only stops the channel).";

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("drive-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(HELP) + QStringLiteral("\nWrite faults (control commands):\n") + DriveFaults::help());
    parser.addHelpOption();
    struct Opt
    {
        const char *name;
        const char *value;
        const char *help;
    };
    const Opt options[] = {
        { "link", "path", "publish the pseudo-terminal's device at this path" },
        { "port", "device", "serve a real serial port instead of a pseudo-terminal" },
        { "station", "n[,n...]", "station addresses, 1..247, comma-separated (default 1)" },
        { "machine", "file", "machine description (default <program dir>/machines/default.xml)" },
        { "version", "n", "software version in register 0 (default 100)" },
        { "serial", "text", "serial number in the registers the description's <Protocol serial> names (default SIM-0001, or 1001 for a number)" },
        { "baud", "rate", "line timing: answers take the line time at this rate (default 0: none); with --port, the port speed" },
        { "parity", "n|e|o", "parity for line timing and --port (default n)" },
        { "stop", "1|2", "stop bits for line timing and --port (default 1)" },
        { "turnaround", "ms", "time from the end of a request to the answer (default 0)" },
        { "drop-rate", "p", "share of answers not sent (0..1)" },
        { "corrupt-rate", "p", "share of answers with a bad CRC" },
        { "late-rate", "p", "share of answers sent late" },
        { "late-ms", "ms", "how late a late answer comes (default 1000)" },
        { "garbage-rate", "p", "share of answers with noise before them" },
        { "truncate-rate", "p", "share of answers cut short" },
        { "split-rate", "p", "share of answers sent in three pieces" },
        { "split-ms", "ms", "pause between the pieces (default 20)" },
        { "wrong-station-rate", "p", "share of answers from the wrong station" },
        { "wrong-function-rate", "p", "share of answers with the wrong function" },
        { "wrong-count-rate", "p", "share of read answers with a wrong byte count" },
        { "hangup-after", "n", "answer n requests, then hang up at the next" },
        { "seed", "n", "seed of the random faults (default 1)" },
        { "tcp", "port", "serve Modbus TCP on this port instead (0: any free port; \"ready\" names it)" },
        { "rtu-tcp", "port", "serve RTU frames over TCP on this port, as a serial device server passes them" },
        { "listen", "addr", "address the TCP side listens on (default 127.0.0.1)" },
    };
    for (const Opt &o : options)
        parser.addOption(QCommandLineOption(QString::fromLatin1(o.name), QString::fromLatin1(o.help), QString::fromLatin1(o.value)));
    parser.addOption(QCommandLineOption(QStringLiteral("quit-on-eof"), QStringLiteral("exit when stdin ends")));
    parser.addOption(QCommandLineOption(QStringLiteral("run"), QStringLiteral("start with the motor running")));
    parser.addOption(QCommandLineOption(QStringLiteral("any-line"),
                                        QStringLiteral("answer at any line setting of the master (unless \"line\" says otherwise)")));
    parser.addOption(QCommandLineOption(QStringLiteral("clamp"), QStringLiteral("addr=limit: writes above limit store the limit (repeatable)"), QStringLiteral("addr=limit")));
    parser.addOption(QCommandLineOption(QStringLiteral("ignore"), QStringLiteral("writes to addr are answered but change nothing (repeatable)"), QStringLiteral("addr")));
    parser.addOption(QCommandLineOption(QStringLiteral("changing"),
                                        QStringLiteral("every read of a runtime register answers the number of requests heard so far")));
    parser.addOption(QCommandLineOption(QStringLiteral("echo"),
                                        QStringLiteral("return every byte the master sends, as a two-wire RS-485 adapter does")));
    parser.addOption(QCommandLineOption(QStringLiteral("running"), QStringLiteral("start with the motor running: stop-only parameters refuse writes")));

    if (!parser.parse(app.arguments()))
        fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        print_line(parser.helpText());
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        fail(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));

    DriveOptions o;
    auto number = [&](const char *name, double low, double high, double fallback) {
        const QString key = QString::fromLatin1(name);
        if (!parser.isSet(key))
            return fallback;
        bool ok = false;
        const double v = parser.value(key).toDouble(&ok);
        if (!ok || v < low || v > high)
            fail(QStringLiteral("--%1 must be a number from %2 to %3").arg(key).arg(low).arg(high));
        return v;
    };
    auto integer = [&](const char *name, qint64 low, qint64 high, qint64 fallback) {
        const QString key = QString::fromLatin1(name);
        if (!parser.isSet(key))
            return fallback;
        bool ok = false;
        const qint64 v = parser.value(key).toLongLong(&ok);
        if (!ok || v < low || v > high)
            fail(QStringLiteral("--%1 must be an integer from %2 to %3").arg(key).arg(low).arg(high));
        return v;
    };

    o.link = parser.value(QStringLiteral("link"));
    o.port = parser.value(QStringLiteral("port"));
    const bool tcp = parser.isSet(QStringLiteral("tcp"));
    const bool rtu_tcp = parser.isSet(QStringLiteral("rtu-tcp"));
    if (int(!o.link.isEmpty()) + int(!o.port.isEmpty()) + int(tcp) + int(rtu_tcp) != 1)
        fail(QStringLiteral("give exactly one of --link, --port, --tcp and --rtu-tcp"));
    if (tcp || rtu_tcp) {
        o.tcp_port = int(integer(tcp ? "tcp" : "rtu-tcp", 0, 65535, 0));
        o.rtu_over_tcp = rtu_tcp;
        if (parser.isSet(QStringLiteral("listen")))
            o.listen = parser.value(QStringLiteral("listen"));
    }
    o.machine = parser.isSet(QStringLiteral("machine"))
        ? parser.value(QStringLiteral("machine"))
        : QCoreApplication::applicationDirPath() + QStringLiteral("/machines/default.xml");
    if (parser.isSet(QStringLiteral("station"))) {
        o.stations.clear();
        for (const QString &part : parser.value(QStringLiteral("station")).split(QLatin1Char(','))) {
            bool ok = false;
            const int s = part.trimmed().toInt(&ok);
            if (!ok || s < 1 || s > 247)
                fail(QStringLiteral("--station must be station addresses from 1 to 247, comma-separated"));
            if (o.stations.contains(s))
                fail(QStringLiteral("--station names %1 twice").arg(s));
            o.stations.append(s);
        }
    }
    o.version = int(integer("version", 0, 65535, 100));
    o.serial = parser.value(QStringLiteral("serial"));
    const int baud = int(integer("baud", 0, 10000000, 0));
    o.baud = baud;
    o.port_baud = baud > 0 ? baud : 19200;
    const QString parity = parser.isSet(QStringLiteral("parity")) ? parser.value(QStringLiteral("parity")) : QStringLiteral("n");
    if (parity != QLatin1String("n") && parity != QLatin1String("e") && parity != QLatin1String("o"))
        fail(QStringLiteral("--parity must be n, e or o"));
    const int stop = int(integer("stop", 1, 2, 1));
    o.bits_per_char = 1 + 8 + (parity == QLatin1String("n") ? 0 : 1) + stop;
    o.parity = char(parity.at(0).toLatin1());
    o.stop = stop;
    o.turnaround_ms = number("turnaround", 0, 10000, 0);
    o.drop_rate = number("drop-rate", 0, 1, 0);
    o.corrupt_rate = number("corrupt-rate", 0, 1, 0);
    o.late_rate = number("late-rate", 0, 1, 0);
    o.late_ms = int(integer("late-ms", 0, 600000, 1000));
    o.garbage_rate = number("garbage-rate", 0, 1, 0);
    o.truncate_rate = number("truncate-rate", 0, 1, 0);
    o.split_rate = number("split-rate", 0, 1, 0);
    o.split_ms = int(integer("split-ms", 0, 60000, 20));
    o.wrong_station_rate = number("wrong-station-rate", 0, 1, 0);
    o.wrong_function_rate = number("wrong-function-rate", 0, 1, 0);
    o.wrong_count_rate = number("wrong-count-rate", 0, 1, 0);
    o.hangup_after = int(integer("hangup-after", 0, INT_MAX, -1));
    o.seed = quint32(integer("seed", 0, 0xFFFFFFFFLL, 1));
    const bool quit_on_eof = parser.isSet(QStringLiteral("quit-on-eof"));
    o.run = parser.isSet(QStringLiteral("run"));
    o.any_line = parser.isSet(QStringLiteral("any-line"));
    o.changing = parser.isSet(QStringLiteral("changing"));
    o.echo = parser.isSet(QStringLiteral("echo"));
    for (const QString &clamp : parser.values(QStringLiteral("clamp")))
        o.fault_commands.append(QStringLiteral("clamp ") + QString(clamp).replace(QLatin1Char('='), QLatin1Char(' ')));
    for (const QString &ignore : parser.values(QStringLiteral("ignore")))
        o.fault_commands.append(QStringLiteral("ignore ") + ignore);
    if (parser.isSet(QStringLiteral("running")))
        o.fault_commands.append(QStringLiteral("running 1"));

    if (::pipe(g_signal_pipe) != 0)
        fail(QStringLiteral("cannot create a pipe"));
    struct sigaction sa = {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    DriveSimulator sim(o);
    QString error;
    if (!sim.start(&error)) {
        sim.stop();
        fail(error);
    }

    QSocketNotifier signal_notifier(g_signal_pipe[0], QSocketNotifier::Read);
    QObject::connect(&signal_notifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });

    QByteArray pending;
    ::fcntl(STDIN_FILENO, F_SETFL, ::fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (n <= 0) {
            input.setEnabled(false);
            if (quit_on_eof)
                QCoreApplication::quit();
            return;
        }
        pending.append(buffer, int(n));
        int end;
        while ((end = int(pending.indexOf('\n'))) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            if (line.isEmpty())
                continue;
            if (line == QLatin1String("quit")) {
                print_line(QStringLiteral("ok"));
                QCoreApplication::quit();
                return;
            }
            for (const QString &reply : sim.command(line))
                print_line(reply);
        }
    });

    print_line(QStringLiteral("ready ") + (o.port.isEmpty() && o.tcp_port < 0 ? o.link : sim.device()));
    const int rc = app.exec();
    sim.stop();
    return rc;
}
