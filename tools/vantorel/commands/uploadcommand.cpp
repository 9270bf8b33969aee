#include "uploadcommand.h"

#include "vantorelexit.h"
#include "vantorellink.h"
#include "vantoreloptions.h"
#include "vantoreloutput.h"
#include "vantorelsession.h"
#include "vantoreltr.h"

#include <paramset/parammissions.h>
#include <paramset/paramsetfile.h>

#include <coredata/qlocalcodec.h>
#include <coredata/qsafefile.h>

#include <machine/qmachine.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>
#include <machine/tagvaluegroup.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

VantorelCommandSpec UploadCommand::spec()
{
    VantorelCommandSpec spec;
    spec.name = QStringLiteral("upload");
    spec.synopsis = QStringLiteral("upload FILE");
    spec.summary = QT_TRANSLATE_NOOP("VantorelTool", "把全部参数读入参数文件（CSV，GBK）");
    spec.help = QT_TRANSLATE_NOOP("VantorelTool",
        "用法: vantorel upload FILE [连接选项] [--json]\n"
        "读取全部参数，写出与工作台上传相同的参数文件（GBK 编码的 CSV：代码、\n"
        "名称、值、单位、原始值）。文件只在完整时才替换。使用 --stations 时，\n"
        "每个站号有自己的文件：FILE 中的 {station} 换成站号，否则在扩展名前\n"
        "加 \"-N\"（backup-3.csv）。\n"
        "示例: vantorel upload backup.csv\n");
    spec.several_stations = true;
    spec.fewest_arguments = 1;
    spec.most_arguments = 1;
    spec.make = make_vantorel_command<UploadCommand>;
    return spec;
}

int UploadCommand::check_arguments()
{
    const int checked = VantorelStationCommand::check_arguments();
    if (checked != VantorelExit::Done)
        return checked;
    const VantorelOptions &options = session().options();
    if (options.several_stations && options.arguments.first().isEmpty())
        return session().fail(VantorelExit::Usage, VantorelText::tr("没有给出文件名"));
    return VantorelExit::Done;
}

VantorelResult UploadCommand::serve(VantorelLink &link)
{
    VantorelResult result;
    VantorelSession &s = session();
    VantorelOutput &out = s.out();
    QMachine *machine = s.machine();
    const QString path = s.station_file(s.options().arguments.first(), link.station());
    // The missions of the workbench's upload: each group's reads, in order.
    QList<QMission *> missions;
    const QList<tagValueGroup *> groups = machine->get_groups();
    for (tagValueGroup *group : groups)
        missions.append(ParamMissions::read_missions(group->m_values, link.station()));
    for (QMission *mission : std::as_const(missions)) {
        mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::PageWork));
        mission->set_attribute(MissionKey::type(), QVariant(int(MISSION_READ_BACK)));
    }
    const QString label = VantorelText::tr("上传");
    QElapsedTimer reading;
    reading.start();
    const bool ok = link.watch(
        [&] {
            link.manager()->add_mission_group(missions, QString());
            // The history is opened once the reads are under way, so that
            // the end waits only for its record.
            QCoreApplication::processEvents();
            s.history_database(true);
        },
        [machine](const QMission &m) { ParamMissions::take_answer(machine, m, {}); },
        [&out, &label](int done, int total) { out.progress(label, done, total); });
    const double read_ms = reading.nsecsElapsed() / 1e6;
    out.end_progress();
    qDeleteAll(missions);
    if (!ok) {
        result.exit = link.exit_code();
        result.error = VantorelText::tr("上传参数失败：%1").arg(link.error());
        return result;
    }

    const QList<QMachineValue *> values = s.all_parameters();
    const QByteArray bytes = QLocalCodec::encode(ParamSetFile::build_table(values).save());
    QString reason;
    if (!QSafeFile::write(path, bytes, &reason)) {
        result.exit = VantorelExit::FileError;
        result.error = VantorelText::tr("参数文件 %1 保存失败：%2").arg(path, reason);
        return result;
    }
    s.record(link, ParamSnapshot::upload(), ParamSnapshot::values_of(machine));
    result.json.insert(QStringLiteral("station"), link.station());
    result.json.insert(QStringLiteral("file"), QFileInfo(path).absoluteFilePath());
    result.json.insert(QStringLiteral("parameters"), int(values.size()));
    // How long the reads took on the line, for a production line's log.
    result.json.insert(QStringLiteral("read_ms"), read_ms);
    result.lines.append(VantorelText::tr("已上传 %1 个参数到 %2").arg(values.size()).arg(QDir::toNativeSeparators(path)));
    return result;
}
