#include "getcommand.h"

#include "vantorelexit.h"
#include "vantorellink.h"
#include "vantoreloptions.h"
#include "vantorelsession.h"
#include "vantoreltr.h"
#include "vantorelvalues.h"

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmission.h>

#include <QCoreApplication>
#include <QJsonArray>

using namespace VantorelValues;

VantorelCommandSpec GetCommand::spec()
{
    VantorelCommandSpec spec;
    spec.name = QStringLiteral("get");
    spec.synopsis = QStringLiteral("get CODE...");
    spec.summary = QT_TRANSLATE_NOOP("VantorelTool", "读取数值（显示单位；--raw：原始值）");
    spec.help = QT_TRANSLATE_NOOP("VantorelTool",
        "用法: vantorel get CODE... [--raw] [连接选项] [--json]\n"
        "读取参数或运行值，输出代码、名称、数值和单位；--raw 改为输出寄存器的\n"
        "原始值。\n"
        "示例: vantorel get F0-07 U0-00\n");
    spec.several_stations = true;
    spec.fewest_arguments = 1;
    spec.most_arguments = -1;
    spec.make = make_vantorel_command<GetCommand>;
    return spec;
}

int GetCommand::prepare()
{
    return known_codes(session().options().arguments);
}

VantorelResult GetCommand::serve(VantorelLink &link)
{
    VantorelResult result;
    const bool raw = session().options().raw;
    const QList<QMachineValue *> values = session().values_of(session().options().arguments);
    if (!read_values(link, values, MissionLevel::PageWork, MISSION_READ, VantorelText::tr("读取"), &result))
        return result;

    QJsonArray array;
    for (QMachineValue *value : values) {
        array.append(json_of(value));
        if (raw) {
            result.rows.append({code_of(value), name_of(value), QString::number(value->get_base_value())});
        } else {
            result.rows.append({code_of(value), name_of(value), value->get_true_value_string(), unit_of(value)});
        }
    }
    result.json.insert(QStringLiteral("station"), link.station());
    result.json.insert(QStringLiteral("values"), array);
    result.header = raw ? QStringList{VantorelText::tr("代码"), VantorelText::tr("名称"), VantorelText::tr("原始值")}
                        : QStringList{VantorelText::tr("代码"), VantorelText::tr("名称"), VantorelText::tr("值"), VantorelText::tr("单位")};
    return result;
}
