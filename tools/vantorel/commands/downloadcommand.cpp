#include "downloadcommand.h"

#include "vantorelexit.h"
#include "vantorellink.h"
#include "vantoreloptions.h"
#include "vantoreloutput.h"
#include "vantorelsession.h"
#include "vantoreltext.h"
#include "vantorelvalues.h"

#include <paramset/parammissions.h>
#include <paramset/paramsetfile.h>
#include <paramset/paramverify.h>
#include <paramset/qparamexchange.h>

#include <coredata/qcsvfile.h>

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>
#include <communicate/qmission.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QSet>

using namespace VantorelValues;

VantorelCommandSpec DownloadCommand::spec()
{
    VantorelCommandSpec spec;
    spec.name = QStringLiteral("download");
    spec.synopsis = QStringLiteral("download FILE");
    spec.summary = QStringLiteral("write a parameter file into the drive");
    spec.help = QStringLiteral("Usage: vantorel download FILE [--no-backup] [--no-verify] [link options] [--json]\n"
                               "Writes a parameter file into the drive. The file is checked as the\n"
                               "workbench checks it (header, known codes, integer raw values within\n"
                               "width, minimum and maximum); when a row fails, nothing is written.\n"
                               "Read-only parameters in the file are skipped. Before writing, the\n"
                               "drive's set is kept as a snapshot (--no-backup: not); afterwards the\n"
                               "written values are read back and compared (--no-verify: not).\n"
                               "With --stations the same FILE goes into every station, unless it\n"
                               "holds {station}, which is replaced by the station.\n"
                               "Example: vantorel download line3.csv --stations 1-4\n");
    spec.several_stations = true;
    spec.make = make_vantorel_command<DownloadCommand>;
    return spec;
}

int DownloadCommand::check_arguments()
{
    return want_arguments(1, 1);
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
        if (!ParamSetFile::read_file(path, &table, &reason))
            return s.fail(VantorelExit::FileError, VantorelText::tr("无法读取参数文件 %1：%2").arg(path, reason));
        const QString header_error = ParamSetFile::check_header(table);
        if (!header_error.isEmpty())
            return s.fail(VantorelExit::FileError, VantorelText::tr("参数文件 %1 无法加载：%2").arg(path, header_error));
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
    QString reason;
    if (!ParamSetFile::read_file(path, &table, &reason)) {
        result.exit = VantorelExit::FileError;
        result.error = VantorelText::tr("无法读取参数文件 %1：%2").arg(path, reason);
        return result;
    }
    const ParamSetFile::DownloadPlan plan = ParamSetFile::plan_download(table, s.machine());
    if (!plan.refused.isEmpty() || plan.writes.isEmpty() || !ParamSetFile::check_header(table).isEmpty()) {
        // The file changed since it was checked.
        result.exit = VantorelExit::FileError;
        result.error = VantorelText::tr("参数文件 %1 已改变，没有写入").arg(path);
        return result;
    }

    result.json.insert(QStringLiteral("station"), station);
    result.json.insert(QStringLiteral("file"), QFileInfo(path).absoluteFilePath());
    result.json.insert(QStringLiteral("parameters"), int(plan.writes.size()));

    // First the drive's values as they are, so the download can be undone
    // from the history.
    if (!options.no_backup) {
        QList<tagParamRaw> before;
        if (!read_all(link, VantorelText::tr("备份"), &before, &result)) {
            result.error = VantorelText::tr("读取设备当前参数失败，没有写入任何参数：%1").arg(result.error);
            return result;
        }
        s.record(link, ParamSnapshot::backup(), before);
    }

    const QString label = VantorelText::tr("下载");
    const auto progress = [&out, &label](int done, int total) { out.progress(label, done, total); };
    QList<ParamVerify::Write> writes;
    for (const ParamSetFile::DownloadPlan::Write &write : plan.writes)
        writes.append({write.value, write.raw});
    bool ok = false;
    tagVerifyReport report;
    if (options.no_verify) {
        QList<QMission *> missions;
        for (const ParamVerify::Write &write : std::as_const(writes))
            missions.append(ParamMissions::write_missions(write.value, write.raw, station));
        ok = link.run(missions, {}, progress);
        qDeleteAll(missions);
        // Unverified, the model (and so the download's snapshot) takes only
        // what the drive acknowledged.
        QSet<int> failed;
        for (const VantorelLink::Failure &f : link.failures())
            failed.insert(f.address);
        for (const ParamVerify::Write &write : std::as_const(writes)) {
            const int address = write.value->get_value_property(VALUE_ADDRESS).toInt();
            if (!failed.contains(address) && !failed.contains(address + write.value->words() - 1))
                write.value->set_base_value(write.raw);
        }
    } else {
        QParamExchange exchange(link.manager(), station);
        ok = link.watch([&] { exchange.write_and_verify(writes); }, {}, progress);
        settle(exchange);
        report = exchange.report();
        const QHash<QMachineValue *, int> read_back = exchange.values();
        for (auto it = read_back.constBegin(); it != read_back.constEnd(); ++it)
            it.key()->set_base_value(it.value());
    }
    out.end_progress();
    s.record(link, ParamSnapshot::download(), ParamSnapshot::values_of(s.machine()));

    result.json.insert(QStringLiteral("failed_writes"), int(link.failures().size()));
    if (!ok) {
        result.exit = link.exit_code();
        result.error = VantorelText::tr("下载参数失败：%1").arg(link.error());
        return result;
    }
    if (options.no_verify) {
        result.lines.append(VantorelText::tr("已下载 %1 个参数到站号 %2（没有核对）").arg(writes.size()).arg(station));
        return result;
    }
    result.json.insert(QStringLiteral("verified"), report.verified);
    QJsonArray differences;
    for (const tagVerifyReport::Row &row : std::as_const(report.different)) {
        QJsonObject o;
        o.insert(QStringLiteral("code"), code_of(row.value));
        o.insert(QStringLiteral("name"), name_of(row.value));
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
    result.lines.append(VantorelText::tr("已下载 %1 个参数到站号 %2，读回核对一致").arg(writes.size()).arg(station));
    return result;
}
