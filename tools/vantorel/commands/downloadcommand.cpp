#include "downloadcommand.h"

#include "vantorelexit.h"
#include "vantorellink.h"
#include "vantoreloptions.h"
#include "vantoreloutput.h"
#include "vantorelsession.h"
#include "vantoreltr.h"
#include "vantorelvalues.h"

#include <paramset/paramcompare.h>
#include <paramset/parammissions.h>
#include <paramset/paramsetfile.h>
#include <paramset/paramverify.h>
#include <paramset/qparamexchange.h>

#include <coredata/qcsvfile.h>

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmission.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QHash>

using namespace VantorelValues;

VantorelCommandSpec DownloadCommand::spec()
{
    VantorelCommandSpec spec;
    spec.name = QStringLiteral("download");
    spec.synopsis = QStringLiteral("download FILE");
    spec.summary = QT_TRANSLATE_NOOP("VantorelTool", "把参数文件写入设备");
    spec.help = QT_TRANSLATE_NOOP("VantorelTool",
        "用法: vantorel download FILE [--changed-only] [--dry-run] [--no-backup] [--no-verify]\n"
        "       [连接选项] [--json]\n"
        "把参数文件写入设备。文件按工作台的方式检查（标题、已知代码、在宽度、\n"
        "最小值和最大值之内的整数原始值）；只要有一行不通过，就什么也不写。\n"
        "文件中的只读参数跳过。写入前，设备的参数作为快照保存（--no-backup：\n"
        "不保存）；写入后读回写入的值并核对（--no-verify：不核对）。\n"
        "--changed-only 先读取设备，只写入值与文件不同的参数；汇总说明有多少个\n"
        "相同。--dry-run 读取设备并列出不同之处，什么也不写，有不同时退出码为 4。\n"
        "使用 --stations 时，同一个 FILE 写入每个站号，除非其中有 {station}，\n"
        "它会被换成站号。\n"
        "示例: vantorel download line3.csv --stations 1-4\n");
    spec.several_stations = true;
    spec.fewest_arguments = 1;
    spec.most_arguments = 1;
    spec.make = make_vantorel_command<DownloadCommand>;
    return spec;
}

int DownloadCommand::prepare()
{
    VantorelSession &s = session();
    // Every station's file is checked before the first one is written.
    const QList<int> all = stations();
    for (int station : all) {
        const QString path = s.station_file(s.options().arguments.first(), station);
        QCSVFile table;
        QString reason;
        if (!s.load_param_file(path, &table, &reason))
            return s.fail(VantorelExit::FileError, reason);
        const ParamSetFile::DownloadPlan plan = ParamSetFile::plan_download(table, s.machine());
        if (!plan.refused.isEmpty()) {
            return s.fail_listing(VantorelExit::FileError,
                                  VantorelText::tr("参数文件 %1 有 %2 行有误，没有写入任何参数")
                                      .arg(path)
                                      .arg(plan.refused.size()),
                                  plan.refused);
        }
        if (plan.writes.isEmpty())
            return s.fail(VantorelExit::FileError, VantorelText::tr("参数文件 %1 中没有可以下载的参数").arg(path));
    }
    return VantorelExit::Done;
}

VantorelResult DownloadCommand::serve(VantorelLink &link)
{
    VantorelResult result;
    VantorelSession &s = session();
    const VantorelOptions &options = s.options();
    VantorelOutput &out = s.out();
    const int station = link.station();
    const QString path = s.station_file(options.arguments.first(), station);
    QCSVFile table;
    const ParamSetFile::FileLoad load = ParamSetFile::load_file(path, &table, ParamSetFile::row_limit(s.machine()));
    if (load.kind == ParamSetFile::FileLoad::Unreadable) {
        result.exit = VantorelExit::FileError;
        result.error = VantorelText::tr("无法读取参数文件 %1：%2").arg(path, load.reason);
        return result;
    }
    const ParamSetFile::DownloadPlan plan = ParamSetFile::plan_download(table, s.machine());
    if (!load.ok() || !plan.refused.isEmpty() || plan.writes.isEmpty()) {
        // The file changed since it was checked.
        result.exit = VantorelExit::FileError;
        result.error = VantorelText::tr("参数文件 %1 已改变，没有写入").arg(path);
        return result;
    }

    result.json.insert(QStringLiteral("station"), station);
    result.json.insert(QStringLiteral("file"), QFileInfo(path).absoluteFilePath());
    result.json.insert(QStringLiteral("parameters"), int(plan.writes.size()));

    // First the drive's values as they are, so the download can be undone
    // from the history; the same read tells what differs from the file.
    const bool compare_first = options.dry_run || options.changed_only;
    QList<tagParamRaw> before;
    if (!options.no_backup || compare_first) {
        if (!read_all(link, compare_first ? VantorelText::tr("读取") : VantorelText::tr("备份"), &before, &result)) {
            result.error = VantorelText::tr("读取设备当前参数失败，没有写入任何参数：%1").arg(result.error);
            return result;
        }
    }
    QList<ParamSetFile::DownloadPlan::Write> planned = plan.writes;
    if (compare_first) {
        planned = differing_writes(plan, before, &result);
        const int equal = int(plan.writes.size() - planned.size());
        result.json.insert(QStringLiteral("equal"), equal);
        if (options.dry_run) {
            if (planned.isEmpty()) {
                result.lines.append(VantorelText::tr("文件中的 %1 个参数与站号 %2 一致，无需写入").arg(plan.writes.size()).arg(station));
            } else {
                result.exit = VantorelExit::Differences;
                result.error = VantorelText::tr("%1 个参数与设备不同（%2 个相同），没有写入").arg(planned.size()).arg(equal);
            }
            return result;
        }
        result.rows.clear();
        result.header.clear();
        if (planned.isEmpty()) {
            result.lines.append(VantorelText::tr("文件中的 %1 个参数与站号 %2 一致，没有写入").arg(plan.writes.size()).arg(station));
            return result;
        }
    }
    if (!options.no_backup) {
        // The undo point the download promises: without it nothing is
        // written, unless the operator said --no-backup.
        if (!s.record(link, ParamSnapshot::backup(), before)) {
            result.exit = VantorelExit::FileError;
            result.error = VantorelText::tr("下载前备份无法存入历史记录（%1），没有写入任何参数；不要备份时用 --no-backup")
                               .arg(s.history_error());
            return result;
        }
    }
    const int skipped = int(plan.writes.size() - planned.size());

    result.json.insert(QStringLiteral("target"), s.target_of(link));
    s.announce_writes(link, int(planned.size()));
    const QString label = VantorelText::tr("下载");
    const auto progress = [&out, &label](int done, int total) { out.progress(label, done, total); };
    QList<ParamVerify::Write> writes;
    for (const ParamSetFile::DownloadPlan::Write &write : std::as_const(planned))
        writes.append({write.value, write.raw});
    bool ok = false;
    tagVerifyReport report;
    QHash<QMachineValue *, int> read_back;
    QHash<QMachineValue *, int> exchange_errors;
    if (options.no_verify) {
        QList<QMission *> missions;
        for (const ParamVerify::Write &write : std::as_const(writes))
            missions.append(ParamMissions::write_missions(write.value, write.raw, station));
        ok = link.run(missions, {}, progress);
        qDeleteAll(missions);
    } else {
        QParamExchange exchange(link.manager(), station);
        ok = link.watch([&] { exchange.write_and_verify(writes); }, {}, progress);
        settle(exchange);
        report = exchange.report();
        read_back = exchange.values();
        exchange_errors = exchange.write_errors();
    }
    out.end_progress();
    // Only what is known: what the drive held before where nothing was
    // written, what was read back where something was. A written value that
    // was never read back (unverified, or the line went) is unknown, and
    // the snapshot says it is incomplete.
    QList<QMachineValue *> written;
    for (const ParamVerify::Write &write : std::as_const(writes))
        written.append(write.value);
    tagParamSnapshot after;
    ParamSnapshot::set_download_values(&after, s.machine(), before, written, read_back);
    s.record(link, ParamSnapshot::download(), after.values, after.unknown);
    {
        QList<QPair<QMachineValue *, int>> asked;
        for (const ParamVerify::Write &write : std::as_const(writes))
            asked.append({write.value, write.raw});
        QHash<QString, int> held;
        for (const tagParamRaw &raw : std::as_const(before))
            held.insert(raw.code, raw.raw);
        s.record_writes(link, ParamAudit::tool_download(), asked, held, read_back,
                        exchange_errors);
    }

    result.json.insert(QStringLiteral("failed_writes"), int(link.failures().size()));
    if (!ok) {
        result.exit = link.exit_code();
        result.error = VantorelText::tr("下载参数失败：%1").arg(link.error());
        // What is known of each parameter (a value cut between its words
        // says so, with what the drive holds).
        if (!options.no_verify)
            result.lines = ParamVerify::lines(report);
        return result;
    }
    const QString equal_note = options.changed_only ? VantorelText::tr("（%1 个与设备相同，跳过）").arg(skipped) : QString();
    if (options.no_verify) {
        result.lines.append(VantorelText::tr("已下载 %1 个参数到站号 %2（没有核对）").arg(writes.size()).arg(station) + equal_note);
        return result;
    }
    result.json.insert(QStringLiteral("verified"), report.verified);
    QJsonArray differences;
    for (const tagVerifyReport::Row &row : std::as_const(report.different)) {
        QJsonObject o;
        o.insert(QStringLiteral("code"), code_of(row.value));
        o.insert(QStringLiteral("name"), json_name_of(row.value));
        o.insert(QStringLiteral("wanted"), double(row.wanted));
        o.insert(QStringLiteral("drive"), double(row.drive));
        differences.append(o);
    }
    result.json.insert(QStringLiteral("differences"), differences);
    const QStringList lines = ParamVerify::lines(report);
    if (!report.all_verified()) {
        result.lines = lines;
        result.exit = VantorelExit::Differences;
        result.error = VantorelText::tr("核对发现 %1 处不同：%2").arg(lines.size()).arg(lines.value(0));
        return result;
    }
    result.lines.append(VantorelText::tr("已下载 %1 个参数到站号 %2，读回核对一致").arg(writes.size()).arg(station) + equal_note);
    return result;
}

QList<ParamSetFile::DownloadPlan::Write> DownloadCommand::differing_writes(const ParamSetFile::DownloadPlan &plan,
                                                                          const QList<tagParamRaw> &drive,
                                                                          VantorelResult *result) const
{
    QList<tagParamRaw> file;
    QHash<QString, ParamSetFile::DownloadPlan::Write> by_code;
    for (const ParamSetFile::DownloadPlan::Write &write : plan.writes) {
        file.append({code_of(write.value), write.raw});
        by_code.insert(code_of(write.value), write);
    }
    // Listed in the drive's order, as compare lists them.
    QList<ParamSetFile::DownloadPlan::Write> differing;
    QJsonArray array;
    for (const tagParamDifference &d : ParamCompare::compare(drive, file, session().machine())) {
        if (d.kind == tagParamDifference::OnlyLeft || !by_code.contains(d.code))
            continue;
        differing.append(by_code.value(d.code));
        const QString name = d.value ? name_of(d.value) : QString();
        const QString unit = d.value ? unit_of(d.value) : QString();
        const QString drive_text = d.kind == tagParamDifference::OnlyRight ? QString() : ParamCompare::text_of(d, true);
        result->rows.append({d.code, name, drive_text, ParamCompare::text_of(d, false), unit});
        QJsonObject o;
        o.insert(QStringLiteral("code"), d.code);
        o.insert(QStringLiteral("name"), d.value ? json_name_of(d.value) : QString());
        o.insert(QStringLiteral("drive_text"), drive_text);
        o.insert(QStringLiteral("file_text"), ParamCompare::text_of(d, false));
        array.append(o);
    }
    result->header = {VantorelText::tr("代码"), VantorelText::tr("名称"), VantorelText::tr("设备"), VantorelText::tr("文件"), VantorelText::tr("单位")};
    result->json.insert(QStringLiteral("to_write"), array);
    return differing;
}
