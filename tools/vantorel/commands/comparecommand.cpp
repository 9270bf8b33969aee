#include "comparecommand.h"

#include "vantorelexit.h"
#include "vantorellink.h"
#include "vantoreloptions.h"
#include "vantorelsession.h"
#include "vantoreltr.h"
#include "vantorelvalues.h"

#include <paramset/paramcompare.h>
#include <paramset/paramsetfile.h>
#include <paramset/qparamhistory.h>

#include <coredata/qcsvfile.h>

#include <QCoreApplication>
#include <QJsonArray>

using namespace VantorelValues;

VantorelCommandSpec CompareCommand::spec()
{
    VantorelCommandSpec spec;
    spec.name = QStringLiteral("compare");
    spec.synopsis = QStringLiteral("compare FILE | --defaults | --snapshot ID");
    spec.summary = QT_TRANSLATE_NOOP("VantorelTool", "将设备与文件、默认值或快照比较");
    spec.help = QT_TRANSLATE_NOOP("VantorelTool",
        "用法: vantorel compare FILE | --defaults | --snapshot ID [--record] [连接选项] [--json]\n"
        "读取设备的参数，列出与参数文件、描述中的默认值或快照不同的参数。\n"
        "--record 同时把读到的值存入历史记录（比较快照）。\n"
        "有不同时退出码为 4。JSON 中 \"against\" 为 \"file\"、\"defaults\" 或\n"
        "\"snapshot\"（带 \"snapshot_id\"）。\n"
        "示例: vantorel compare --defaults\n");
    spec.several_stations = true;
    spec.make = make_vantorel_command<CompareCommand>;
    return spec;
}

int CompareCommand::check_arguments()
{
    const VantorelOptions &options = session().options();
    const QStringList &args = options.arguments;
    const int sources = int(!args.isEmpty()) + int(options.defaults) + int(!options.snapshot.isEmpty());
    if (sources != 1 || args.size() > 1)
        return session().fail(VantorelExit::Usage, VantorelText::tr("compare 要一个比较对象：文件、--defaults 或 --snapshot ID"));
    return VantorelExit::Done;
}

int CompareCommand::prepare()
{
    VantorelSession &s = session();
    const VantorelOptions &options = s.options();
    QStringList problems;
    if (options.defaults) {
        m_other = ParamCompare::defaults_of(s.machine(), &problems);
        m_other_title = VantorelText::tr("默认值");
        m_against = QStringLiteral("defaults");
    } else if (!options.snapshot.isEmpty()) {
        bool ok = false;
        const qint64 id = options.snapshot.toLongLong(&ok);
        QParamHistory *database = s.history_database(false);
        if (!database)
            return s.fail(VantorelExit::FileError, VantorelText::tr("历史记录无法打开：%1").arg(s.history_error()));
        tagParamSnapshot snapshot;
        if (!ok || !database->load(id, &snapshot))
            return s.fail(VantorelExit::Usage, VantorelText::tr("历史记录中没有 %1").arg(options.snapshot));
        m_other = snapshot.values;
        m_other_title = VantorelText::tr("记录 %1").arg(id);
        m_against = QStringLiteral("snapshot");
        m_snapshot_id = id;
    } else {
        const QString &path = options.arguments.first();
        QCSVFile table;
        QString reason;
        if (!s.load_param_file(path, &table, &reason))
            return s.fail(VantorelExit::FileError, reason);
        m_other = ParamSetFile::raw_values(table, s.machine(), &problems);
        m_other_title = VantorelText::tr("文件");
        m_against = QStringLiteral("file");
    }
    if (!problems.isEmpty()) {
        return s.fail_listing(VantorelExit::FileError,
                              VantorelText::tr("%1有 %2 处有误").arg(m_other_title).arg(problems.size()), problems);
    }
    return VantorelExit::Done;
}

VantorelResult CompareCommand::serve(VantorelLink &link)
{
    VantorelResult result;
    VantorelSession &s = session();
    QList<tagParamRaw> drive;
    if (!read_all(link, VantorelText::tr("读取"), &drive, &result))
        return result;
    // A comparison only looks; the history grows only when asked to.
    if (s.options().record)
        s.record(link, ParamSnapshot::compare(), drive);

    const QList<tagParamDifference> differences = ParamCompare::compare(drive, m_other, s.machine());
    QJsonArray array;
    for (const tagParamDifference &d : differences) {
        const QString name = d.value ? name_of(d.value) : QString();
        const QString unit = d.value ? unit_of(d.value) : QString();
        result.rows.append({d.code, name, ParamCompare::text_of(d, true), ParamCompare::text_of(d, false), unit});
        QJsonObject o;
        o.insert(QStringLiteral("code"), d.code);
        o.insert(QStringLiteral("name"), d.value ? json_name_of(d.value) : QString());
        if (d.kind != tagParamDifference::OnlyRight) {
            o.insert(QStringLiteral("drive"), double(d.left));
            o.insert(QStringLiteral("drive_text"), ParamCompare::text_of(d, true));
        }
        if (d.kind != tagParamDifference::OnlyLeft) {
            o.insert(QStringLiteral("other"), double(d.right));
            o.insert(QStringLiteral("other_text"), ParamCompare::text_of(d, false));
        }
        array.append(o);
    }
    result.json.insert(QStringLiteral("station"), link.station());
    result.json.insert(QStringLiteral("against"), m_against);
    if (m_against == QLatin1String("snapshot"))
        result.json.insert(QStringLiteral("snapshot_id"), double(m_snapshot_id));
    result.json.insert(QStringLiteral("compared"), int(drive.size()));
    result.json.insert(QStringLiteral("differences"), array);
    if (differences.isEmpty()) {
        result.lines.append(VantorelText::tr("%1 个参数与%2一致").arg(drive.size()).arg(m_other_title));
        return result;
    }
    result.header = {VantorelText::tr("代码"), VantorelText::tr("名称"), VantorelText::tr("设备"), m_other_title, VantorelText::tr("单位")};
    result.exit = VantorelExit::Differences;
    result.error = VantorelText::tr("%1 个参数与%2不同").arg(differences.size()).arg(m_other_title);
    return result;
}
