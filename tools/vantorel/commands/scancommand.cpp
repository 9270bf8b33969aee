#include "scancommand.h"

#include "vantorelexit.h"
#include "vantorelinterrupt.h"
#include "vantorellinksetup.h"
#include "vantoreloptions.h"
#include "vantoreloutput.h"
#include "vantorelsession.h"
#include "vantoreltr.h"

#include <communicate/qcommunicate.h>
#include <communicate/services/qdevicesearch.h>
#include <machine/driveprofile.h>
#include <machine/qmachine.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPortInfo>
#include <QTimer>

#include <algorithm>

VantorelCommandSpec ScanCommand::spec()
{
    VantorelCommandSpec spec;
    spec.name = QStringLiteral("scan");
    spec.synopsis = QStringLiteral("scan");
    spec.summary = QT_TRANSLATE_NOOP("VantorelTool", "搜索设备（端口、波特率、校验、站号）");
    spec.help = QT_TRANSLATE_NOOP("VantorelTool",
        "用法: vantorel scan [--ports LIST] [--bauds LIST] [--parities LIST] [--stop 1|2]\n"
        "                     [--stations FIRST-LAST] [--wait MS] [--json]\n"
        "按工作台搜索设备的方式搜索：在每个端口上（默认：先是设置的端口或\n"
        "--port，然后是系统列出的每个端口；说明搜索了哪些端口），以每种波特率\n"
        "（默认 19200,9600,38400,57600,115200）和格式（默认 8N1、8E1、8O1、8N2；\n"
        "--parities n,e 加 --stop：这些），从 FIRST 到 LAST（默认 1-247）的每个\n"
        "站号各问一次寄存器 0；WAIT 是一次探测等待的时间（默认：其线路时间\n"
        "+ 50 ms）。使用 --machine 时，探测保持该描述的 pause-ms，其 timeout-ms\n"
        "代替 WAIT。\n"
        "没有设备应答时退出码为 2。\n"
        "示例: vantorel scan --ports /dev/ttyUSB0 --bauds 9600,19200 --stations 1-5\n");
    spec.make = make_vantorel_command<ScanCommand>;
    return spec;
}

int ScanCommand::run()
{
    VantorelSession &s = session();
    VantorelOutput &out = s.out();
    const VantorelOptions &options = s.options();
    if (!options.arguments.isEmpty())
        return s.fail(VantorelExit::Usage, VantorelText::tr("scan 不带参数；vantorel scan --help 说明用法"));
    tagSearchPlan plan;
    plan.ports = options.scan_ports;
    if (plan.ports.isEmpty()) {
        // The port the workbench would connect to first (--port, else the
        // settings), then the others the system lists. A network address is
        // no serial line to search.
        const QString configured = QCommunicate::port_for(VantorelLinkSetup::config(options, false).config);
        if (!configured.isEmpty() && !configured.contains(QLatin1String("://")))
            plan.ports.append(configured);
        QStringList system;
        const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo &port : ports)
            system.append(port.systemLocation());
        system.sort();
        for (const QString &port : std::as_const(system)) {
            if (!plan.ports.contains(port))
                plan.ports.append(port);
        }
    }
    plan.baud_rates = options.scan_bauds.isEmpty()
        ? (options.baud > 0 ? QList<int>{options.baud} : tagSearchPlan::standard_baud_rates())
        : options.scan_bauds;
    const QString parities = !options.scan_parities.isEmpty() ? options.scan_parities
        : options.parity != 0                                ? QString(QLatin1Char(options.parity))
                                                             : QString();
    if (parities.isEmpty() && options.stop == 0) {
        plan.framings = tagSearchPlan::standard_framings();
    } else {
        for (const QChar parity : parities.isEmpty() ? QStringLiteral("n") : parities)
            plan.framings.append({parity.toLatin1(), options.stop > 0 ? options.stop : 1});
    }
    if (!options.stations.isEmpty()) {
        plan.first_station = *std::min_element(options.stations.cbegin(), options.stations.cend());
        plan.last_station = *std::max_element(options.stations.cbegin(), options.stations.cend());
    }
    plan.wait_ms = options.wait;
    if (!options.machine.isEmpty()) {
        // A drive described with --machine is probed as it needs: its pause
        // before each probe, and its time-out where no --wait is given.
        QString error;
        if (!s.load_description(&error))
            return s.fail(VantorelExit::FileError, VantorelText::tr("机器描述无法加载：%1").arg(error));
        const DriveProfile &profile = s.machine()->profile();
        plan.pause_ms = profile.pause_ms;
        if (plan.wait_ms == 0 && profile.timeout_ms > 0)
            plan.wait_ms = profile.timeout_ms;
    }
    if (plan.ports.isEmpty())
        return s.fail(VantorelExit::NoLink, VantorelText::tr("系统没有列出串口；用 --ports 给出要搜索的端口"));
    const QString problem = plan.check();
    if (!problem.isEmpty())
        return s.fail(VantorelExit::Usage, problem);

    if (!out.json())
        out.line(VantorelText::tr("搜索的端口：%1").arg(plan.ports.join(QStringLiteral(" "))));

    QDeviceSearch search;
    QStringList failed_settings;
    // Per port, the settings that failed and why: a port that cannot be
    // opened at all is one line, not one per baud rate and framing.
    QHash<QString, QStringList> failed_reasons;
    QHash<QString, int> failed_count;
    {
        QEventLoop loop;
        QObject::connect(&search, &QDeviceSearch::progress, &loop, [&out](int done, int total, qint64) {
            out.progress(VantorelText::tr("搜索"), done, total);
        });
        QObject::connect(&search, &QDeviceSearch::setting_failed, &loop,
                         [&](const tagSerialConfig &config, const QString &reason) {
                             const QString port = QCommunicate::port_for(config);
                             failed_settings.append(QStringLiteral("%1 %2：%3").arg(port).arg(config.baud_rate).arg(reason));
                             if (!failed_reasons[port].contains(reason))
                                 failed_reasons[port].append(reason);
                             ++failed_count[port];
                         });
        QObject::connect(&search, &QDeviceSearch::finished, &loop, &QEventLoop::quit);
        const VantorelInterrupt interrupt;
        QTimer watch_interrupt;
        QObject::connect(&watch_interrupt, &QTimer::timeout, &loop, [&search] {
            if (VantorelInterrupt::interrupted())
                search.stop();
        });
        watch_interrupt.start(50);
        if (!search.start(plan))
            return s.fail(VantorelExit::Usage, search.error());
        loop.exec();
    }
    out.end_progress();

    const QList<tagFoundDrive> drives = search.found_drives();
    QJsonArray array;
    QList<QStringList> rows;
    for (const tagFoundDrive &drive : drives) {
        const tagSerialConfig &c = drive.config;
        const QString framing = QStringLiteral("%1%2%3")
                                    .arg(c.data_length)
                                    .arg(QChar::fromLatin1(c.parity).toUpper())
                                    .arg(c.stop);
        QJsonObject o;
        o.insert(QStringLiteral("port"), QCommunicate::port_for(c));
        o.insert(QStringLiteral("baud"), c.baud_rate);
        o.insert(QStringLiteral("parity"), QString(QLatin1Char(c.parity)));
        o.insert(QStringLiteral("stop"), c.stop);
        o.insert(QStringLiteral("station"), drive.station);
        if (drive.value >= 0)
            o.insert(QStringLiteral("version"), drive.value);
        else
            o.insert(QStringLiteral("exception"), drive.exception_code);
        o.insert(QStringLiteral("response_ms"), drive.response_ms);
        array.append(o);
        rows.append({QCommunicate::port_for(c), QString::number(c.baud_rate), framing, QString::number(drive.station),
                     drive.value >= 0 ? QString::number(drive.value)
                                      : VantorelText::tr("异常码 %1").arg(drive.exception_code),
                     QString::number(drive.response_ms, 'f', 1)});
    }
    const bool any = !drives.isEmpty();
    if (out.json()) {
        QJsonObject o;
        o.insert(QStringLiteral("command"), QStringLiteral("scan"));
        o.insert(QStringLiteral("ok"), any);
        o.insert(QStringLiteral("exit"), any ? VantorelExit::Done : VantorelExit::NoLink);
        o.insert(QStringLiteral("ports"), QJsonArray::fromStringList(plan.ports));
        o.insert(QStringLiteral("drives"), array);
        o.insert(QStringLiteral("failed_settings"), QJsonArray::fromStringList(failed_settings));
        out.document(QJsonDocument(o));
    } else if (any) {
        out.table({VantorelText::tr("端口"), VantorelText::tr("波特率"), VantorelText::tr("格式"), VantorelText::tr("站号"), VantorelText::tr("软件版本"),
                   VantorelText::tr("应答(ms)")},
                  rows);
    }
    const int settings_per_port = int(plan.baud_rates.size() * plan.framings.size());
    QStringList reported;
    for (const QString &line : std::as_const(failed_settings)) {
        const QString port = line.section(QLatin1Char(' '), 0, 0);
        if (failed_count.value(port) < settings_per_port) {
            out.error(line);
            continue;
        }
        if (reported.contains(port))
            continue;
        reported.append(port);
        out.error(VantorelText::tr("端口 %1 无法打开：%2").arg(port, failed_reasons.value(port).join(QStringLiteral("；"))));
    }
    if (!any) {
        out.error(VantorelText::tr("没有找到设备"));
        return VantorelExit::NoLink;
    }
    return VantorelExit::Done;
}
