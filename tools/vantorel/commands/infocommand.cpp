#include "infocommand.h"

#include "vantorellink.h"
#include "vantorelsession.h"
#include "vantoreltr.h"

#include <communicate/qcommunicate.h>
#include <machine/qmachine.h>
#include <machine/tagvaluegroup.h>

#include <QCoreApplication>
#include <QDir>

VantorelCommandSpec InfoCommand::spec()
{
    VantorelCommandSpec spec;
    spec.name = QStringLiteral("info");
    spec.synopsis = QStringLiteral("info");
    spec.summary = QT_TRANSLATE_NOOP("VantorelTool", "设备的软件版本和所用的描述");
    spec.help = QT_TRANSLATE_NOOP("VantorelTool",
        "用法: vantorel info [连接选项] [--json]\n"
        "连接设备，输出设备的软件版本、端口和站号，以及所用的描述及其参数组\n"
        "和参数的个数。\n"
        "示例: vantorel info --port /dev/ttyUSB0 --station 3\n");
    spec.fewest_arguments = 0;
    spec.most_arguments = 0;
    spec.make = make_vantorel_command<InfoCommand>;
    return spec;
}

VantorelResult InfoCommand::serve(VantorelLink &link)
{
    VantorelResult result;
    QMachine *machine = session().machine();
    const QString port = QCommunicate::port_for(link_config());
    int parameters = 0;
    const QList<tagValueGroup *> groups = machine->get_groups();
    for (tagValueGroup *group : groups)
        parameters += int(group->m_values.size());
    const int runtimes = int(machine->get_all_runtimes().size());

    result.json.insert(QStringLiteral("port"), port);
    result.json.insert(QStringLiteral("station"), link.station());
    result.json.insert(QStringLiteral("version"), link.version());
    result.json.insert(QStringLiteral("serial"), link.serial());
    result.json.insert(QStringLiteral("description"), session().description());
    result.json.insert(QStringLiteral("machine_name"), machine->get_name());
    result.json.insert(QStringLiteral("groups"), int(groups.size()));
    result.json.insert(QStringLiteral("parameters"), parameters);
    result.json.insert(QStringLiteral("runtime_values"), runtimes);
    result.header = {VantorelText::tr("项目"), VantorelText::tr("内容")};
    result.rows = {
        {VantorelText::tr("端口"), port},
        {VantorelText::tr("站号"), QString::number(link.station())},
        {VantorelText::tr("软件版本"), QString::number(link.version())},
        {VantorelText::tr("机器描述"), QDir::toNativeSeparators(session().description())},
        {VantorelText::tr("机型"), machine->get_name()},
        {VantorelText::tr("参数组"), QString::number(groups.size())},
        {VantorelText::tr("参数"), QString::number(parameters)},
        {VantorelText::tr("运行值"), QString::number(runtimes)},
    };
    if (machine->profile().has_serial())
        result.rows.insert(3, {VantorelText::tr("设备序列号"), link.serial().isEmpty() ? QStringLiteral("-") : link.serial()});
    return result;
}
