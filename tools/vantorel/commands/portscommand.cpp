#include "portscommand.h"

#include "vantorelexit.h"
#include "vantoreloptions.h"
#include "vantoreloutput.h"
#include "vantorelsession.h"
#include "vantoreltr.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPortInfo>

#include <algorithm>

VantorelCommandSpec PortsCommand::spec()
{
    VantorelCommandSpec spec;
    spec.name = QStringLiteral("ports");
    spec.synopsis = QStringLiteral("ports");
    spec.summary = QT_TRANSLATE_NOOP("VantorelTool", "系统列出的串口");
    spec.help = QT_TRANSLATE_NOOP("VantorelTool",
        "用法: vantorel ports [--json]\n"
        "列出系统知道的串口（名称、说明、厂家）。伪终端和 TCP 地址不列出；\n"
        "用 --port 给出它们。\n"
        "示例: vantorel ports\n");
    spec.make = make_vantorel_command<PortsCommand>;
    return spec;
}

int PortsCommand::run()
{
    VantorelSession &s = session();
    VantorelOutput &out = s.out();
    if (!s.options().arguments.isEmpty())
        return s.fail(VantorelExit::Usage, VantorelText::tr("ports 不带参数"));
    QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    std::sort(ports.begin(), ports.end(), [](const QSerialPortInfo &a, const QSerialPortInfo &b) {
        return a.portName() < b.portName();
    });
    QJsonArray array;
    QList<QStringList> rows;
    for (const QSerialPortInfo &port : std::as_const(ports)) {
        QJsonObject o;
        o.insert(QStringLiteral("name"), port.portName());
        o.insert(QStringLiteral("device"), port.systemLocation());
        o.insert(QStringLiteral("description"), port.description());
        o.insert(QStringLiteral("manufacturer"), port.manufacturer());
        array.append(o);
        rows.append({port.systemLocation(), port.description(), port.manufacturer()});
    }
    if (out.json()) {
        QJsonObject o;
        o.insert(QStringLiteral("command"), QStringLiteral("ports"));
        o.insert(QStringLiteral("ok"), true);
        o.insert(QStringLiteral("exit"), 0);
        o.insert(QStringLiteral("ports"), array);
        out.document(QJsonDocument(o));
    } else if (rows.isEmpty()) {
        out.line(VantorelText::tr("系统没有列出串口"));
    } else {
        out.table({VantorelText::tr("端口"), VantorelText::tr("说明"), VantorelText::tr("厂家")}, rows);
    }
    return VantorelExit::Done;
}
