#include "setcommand.h"

#include "vantorelexit.h"
#include "vantorellink.h"
#include "vantoreloptions.h"
#include "vantorelsession.h"
#include "vantoreltr.h"
#include "vantorelvalues.h"

#include <paramset/paramedit.h>
#include <paramset/parammissions.h>

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmission.h>

#include <QCoreApplication>
#include <QJsonArray>

using namespace VantorelValues;

VantorelCommandSpec SetCommand::spec()
{
    VantorelCommandSpec spec;
    spec.name = QStringLiteral("set");
    spec.synopsis = QStringLiteral("set CODE=VALUE...");
    spec.summary = QT_TRANSLATE_NOOP("VantorelTool", "写入数值并读回");
    spec.help = QT_TRANSLATE_NOOP("VantorelTool",
        "用法: vantorel set CODE=VALUE... [连接选项] [--json]\n"
        "写入数值并读回。VALUE 用显示单位（45.50 Hz 写 45.5），选项参数写它的\n"
        "文字或数字。每个值先按工作台编辑器检查修改的方式检查（数字或选项、\n"
        "寄存器宽度、最小值和最大值）；只要有一个不通过，就什么也不写。读回的\n"
        "值与写入的不同时，退出码为 4。\n"
        "示例: vantorel set F0-07=45.5 F0-01=端子\n");
    spec.several_stations = true;
    spec.fewest_arguments = 1;
    spec.most_arguments = -1;
    spec.make = make_vantorel_command<SetCommand>;
    return spec;
}

int SetCommand::prepare()
{
    VantorelSession &s = session();
    QMachine *machine = s.machine();
    // Every value is checked, so that one run names every fault.
    QStringList problems;
    for (const QString &arg : s.options().arguments) {
        const int eq = int(arg.indexOf(QLatin1Char('=')));
        if (eq <= 0) {
            problems.append(VantorelText::tr("“%1”应写成 代码=数值").arg(arg));
            continue;
        }
        const QString code = arg.left(eq).trimmed();
        const QString text = arg.mid(eq + 1);
        QMachineValue *value = machine->get_value(code);
        if (!value) {
            problems.append(VantorelText::tr("未知的参数代码 %1").arg(code));
            continue;
        }
        // Each value is written and then read back as one: a second write
        // of the same code would make the first read-back a lie.
        bool twice = false;
        for (const auto &earlier : std::as_const(m_writes))
            twice = twice || earlier.first == code;
        if (twice) {
            problems.append(VantorelText::tr("%1 给出了两次").arg(code));
            continue;
        }
        if (!machine->check_value_right(value)) {
            problems.append(VantorelText::tr("%1 是只读参数，不能写入").arg(code));
            continue;
        }
        const ParamEdit::Check check = ParamEdit::check_text(value, text);
        if (check.kind != ParamEdit::Check::Ok) {
            problems.append(VantorelText::tr("%1 %2：%3").arg(code, name_of(value), check.reason));
            // Still counted as given, so that a second mention is named too.
            m_writes.append({code, 0});
            continue;
        }
        m_writes.append({code, check.raw});
    }
    if (problems.size() == 1)
        return s.fail(VantorelExit::Usage, VantorelText::tr("%1，没有写入任何参数").arg(problems.first()));
    if (!problems.isEmpty()) {
        return s.fail_listing(VantorelExit::Usage,
                              VantorelText::tr("%1 处有误，没有写入任何参数").arg(problems.size()), problems);
    }
    return VantorelExit::Done;
}

VantorelResult SetCommand::serve(VantorelLink &link)
{
    VantorelResult result;
    const int station = link.station();
    QMachine *machine = session().machine();
    session().announce_writes(link, int(m_writes.size()));
    QList<QMission *> missions;
    QList<QMachineValue *> values;
    for (const auto &write : std::as_const(m_writes)) {
        QMachineValue *value = machine->get_value(write.first);
        values.append(value);
        missions.append(ParamMissions::write_missions(value, write.second, station));
        missions.append(ParamMissions::read_back_mission(value, station));
    }
    const bool ok = link.run(missions, [machine, &values](const QMission &m) {
        if (m.mission_type() == MISSION_READ_BACK)
            ParamMissions::take_answer(machine, m, values);
    });
    qDeleteAll(missions);

    {
        QList<QPair<QMachineValue *, int>> asked;
        QHash<QMachineValue *, int> read_back;
        for (int i = 0; i < values.size(); ++i) {
            asked.append({values.at(i), m_writes.at(i).second});
            if (values.at(i)->has_value())
                read_back.insert(values.at(i), values.at(i)->get_base_value());
        }
        session().record_writes(link, ParamAudit::tool_set(), asked, {}, read_back, {});
    }

    QJsonArray array;
    QStringList differing;
    for (int i = 0; i < values.size(); ++i) {
        QMachineValue *value = values.at(i);
        const int wanted = m_writes.at(i).second;
        const bool same = value->has_value() && value->get_base_value() == wanted;
        if (value->has_value() && !same)
            differing.append(code_of(value));
        QJsonObject o = json_of(value);
        o.insert(QStringLiteral("written"), double(wanted));
        o.insert(QStringLiteral("same"), same);
        array.append(o);
        result.rows.append({code_of(value), name_of(value), value->text_of_raw(wanted),
                            value->get_true_value_string(), unit_of(value)});
    }
    result.header = {VantorelText::tr("代码"), VantorelText::tr("名称"), VantorelText::tr("写入"), VantorelText::tr("读回"), VantorelText::tr("单位")};
    result.json.insert(QStringLiteral("station"), station);
    result.json.insert(QStringLiteral("target"), session().target_of(link));
    result.json.insert(QStringLiteral("values"), array);
    if (!ok) {
        result.exit = link.exit_code();
        result.error = link.error();
    } else if (!differing.isEmpty()) {
        result.exit = VantorelExit::Differences;
        result.error = VantorelText::tr("读回的值与写入的不同：%1").arg(differing.join(QStringLiteral(", ")));
    }
    return result;
}
