#include "historycommand.h"

#include "vantorelexit.h"
#include "vantoreloptions.h"
#include "vantoreloutput.h"
#include "vantorelsession.h"
#include "vantoreltr.h"
#include "vantorelvalues.h"

#include <paramset/paramsnapshot.h>
#include <paramset/qparamhistory.h>

#include <coredata/qcsvfile.h>
#include <coredata/qlocalcodec.h>
#include <coredata/qsafefile.h>

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace VantorelValues;

VantorelCommandSpec HistoryCommand::spec()
{
    VantorelCommandSpec spec;
    spec.name = QStringLiteral("history");
    spec.synopsis = QStringLiteral("history [list|show ID|export ID FILE|audit]");
    spec.summary = QT_TRANSLATE_NOOP("VantorelTool", "参数集的快照");
    spec.help = QT_TRANSLATE_NOOP("VantorelTool",
        "用法: vantorel history [list | show ID | export ID FILE] [--json]\n"
        "       vantorel history audit [--station N] [--code C] [--since DATE] [--json]\n"
        "参数集的快照（上传、下载前的备份）：列出快照、显示一个快照，或把一个\n"
        "快照导出为参数文件。audit 列出对设备的写入，最新的在前（DATE：\n"
        "2026-03-01 或 2026-03-01T08:00）。\n"
        "示例: vantorel history export 12 before-repair.csv\n");
    spec.make = make_vantorel_command<HistoryCommand>;
    return spec;
}

int HistoryCommand::audit(QParamHistory *database)
{
    VantorelSession &s = session();
    VantorelOutput &out = s.out();
    const VantorelOptions &options = s.options();
    tagAuditFilter filter;
    if (!options.stations.isEmpty())
        filter.station = options.stations.first();
    filter.code = options.code.trimmed();
    if (!options.since.isEmpty()) {
        QDateTime since = QDateTime::fromString(options.since, Qt::ISODate);
        if (!since.isValid())
            since = QDate::fromString(options.since, Qt::ISODate).startOfDay();
        if (!since.isValid())
            return s.fail(VantorelExit::Usage, VantorelText::tr("--since 的日期不对：%1").arg(options.since));
        filter.since = since.toUTC();
    }
    bool read = false;
    const QList<tagWriteRecord> writes = database->audit(filter, &read);
    if (!read)
        return s.fail(VantorelExit::FileError, VantorelText::tr("历史记录无法读取：%1").arg(database->error_string()));
    QJsonArray array;
    QList<QStringList> rows;
    const auto number = [](bool has, int value) { return has ? QJsonValue(value) : QJsonValue(); };
    const auto text = [](bool has, int value) { return has ? QString::number(value) : QStringLiteral("-"); };
    for (const tagWriteRecord &w : writes) {
        QJsonObject o;
        o.insert(QStringLiteral("id"), double(w.id));
        o.insert(QStringLiteral("time"), w.time.toString(Qt::ISODate));
        o.insert(QStringLiteral("user"), w.user_name);
        o.insert(QStringLiteral("workstation"), w.workstation);
        o.insert(QStringLiteral("port"), w.port);
        o.insert(QStringLiteral("station"), w.station);
        o.insert(QStringLiteral("drive_version"), w.drive_version);
        o.insert(QStringLiteral("drive_serial"), w.drive_serial);
        o.insert(QStringLiteral("machine"), w.machine_name);
        o.insert(QStringLiteral("operation"), w.operation);
        o.insert(QStringLiteral("code"), w.code);
        o.insert(QStringLiteral("before"), number(w.has_before, w.before));
        o.insert(QStringLiteral("asked"), w.asked);
        o.insert(QStringLiteral("read_back"), number(w.has_read_back, w.read_back));
        o.insert(QStringLiteral("result"), w.result);
        o.insert(QStringLiteral("exception"), w.exception_code);
        o.insert(QStringLiteral("note"), w.note);
        array.append(o);
        rows.append({w.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), w.user_name, w.workstation,
                     w.port, QString::number(w.station), w.code, text(w.has_before, w.before),
                     QString::number(w.asked), text(w.has_read_back, w.read_back), ParamAudit::result_text(w)});
    }
    if (out.json()) {
        QJsonObject o;
        o.insert(QStringLiteral("command"), QStringLiteral("history"));
        o.insert(QStringLiteral("ok"), true);
        o.insert(QStringLiteral("exit"), 0);
        o.insert(QStringLiteral("writes"), array);
        out.document(QJsonDocument(o));
    } else {
        out.table({VantorelText::tr("时间"), VantorelText::tr("用户"), VantorelText::tr("工作站"), VantorelText::tr("端口"), VantorelText::tr("站号"), VantorelText::tr("代码"),
                   VantorelText::tr("之前"), VantorelText::tr("要求"), VantorelText::tr("读回"), VantorelText::tr("结果")},
                  rows);
    }
    return VantorelExit::Done;
}

int HistoryCommand::run()
{
    VantorelSession &s = session();
    VantorelOutput &out = s.out();
    const QStringList &args = s.options().arguments;
    const QString verb = args.value(0, QStringLiteral("list"));
    const bool well_formed = (verb == QLatin1String("list") && args.size() <= 1)
        || (verb == QLatin1String("show") && args.size() == 2)
        || (verb == QLatin1String("export") && args.size() == 3)
        || (verb == QLatin1String("audit") && args.size() == 1);
    if (!well_formed)
        return s.fail(VantorelExit::Usage, VantorelText::tr("history 的参数不对；vantorel history --help 说明用法"));
    QParamHistory *database = s.history_database(false);
    if (!database)
        return s.fail(VantorelExit::FileError, VantorelText::tr("历史记录无法打开：%1").arg(s.history_error()));

    if (verb == QLatin1String("audit"))
        return audit(database);

    if (verb == QLatin1String("list")) {
        bool read = false;
        const QList<tagParamSnapshot> list = database->list(tagHistoryFilter(), &read);
        if (!read)
            return s.fail(VantorelExit::FileError, VantorelText::tr("历史记录无法读取：%1").arg(database->error_string()));
        QJsonArray array;
        QList<QStringList> rows;
        for (const tagParamSnapshot &snapshot : list) {
            const QString time = snapshot.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            QJsonObject o;
            o.insert(QStringLiteral("id"), double(snapshot.id));
            o.insert(QStringLiteral("time"), snapshot.time.toString(Qt::ISODate));
            o.insert(QStringLiteral("operation"), snapshot.operation);
            o.insert(QStringLiteral("port"), snapshot.port);
            o.insert(QStringLiteral("station"), snapshot.station);
            o.insert(QStringLiteral("drive_version"), snapshot.drive_version);
            o.insert(QStringLiteral("drive_serial"), snapshot.drive_serial);
            o.insert(QStringLiteral("values"), snapshot.value_count);
            o.insert(QStringLiteral("complete"), snapshot.complete);
            array.append(o);
            rows.append({QString::number(snapshot.id), time, ParamSnapshot::title_of(snapshot),
                         snapshot.port, QString::number(snapshot.station), QString::number(snapshot.drive_version),
                         QString::number(snapshot.value_count)});
        }
        if (out.json()) {
            QJsonObject o;
            o.insert(QStringLiteral("command"), QStringLiteral("history"));
            o.insert(QStringLiteral("ok"), true);
            o.insert(QStringLiteral("exit"), 0);
            o.insert(QStringLiteral("snapshots"), array);
            out.document(QJsonDocument(o));
        } else {
            out.table({VantorelText::tr("编号"), VantorelText::tr("时间"), VantorelText::tr("操作"), VantorelText::tr("端口"), VantorelText::tr("站号"),
                       VantorelText::tr("软件版本"), VantorelText::tr("参数")},
                      rows);
        }
        return VantorelExit::Done;
    }

    bool ok = false;
    const qint64 id = args.at(1).toLongLong(&ok);
    tagParamSnapshot snapshot;
    if (!ok || !database->load(id, &snapshot))
        return s.fail(VantorelExit::Usage, VantorelText::tr("历史记录中没有 %1").arg(args.at(1)));
    QString error;
    if (!s.load_description(&error))
        return s.fail(VantorelExit::FileError, VantorelText::tr("机器描述无法加载：%1").arg(error));
    const QCSVFile table = ParamSnapshot::to_table(snapshot, s.machine());

    if (verb == QLatin1String("export")) {
        const QString &path = args.at(2);
        QString reason;
        if (!QSafeFile::write(path, QLocalCodec::encode(table.save()), &reason))
            return s.fail(VantorelExit::FileError, VantorelText::tr("参数文件 %1 保存失败：%2").arg(path, reason));
        if (out.json()) {
            QJsonObject o;
            o.insert(QStringLiteral("command"), QStringLiteral("history"));
            o.insert(QStringLiteral("ok"), true);
            o.insert(QStringLiteral("exit"), 0);
            o.insert(QStringLiteral("file"), QFileInfo(path).absoluteFilePath());
            o.insert(QStringLiteral("parameters"), int(snapshot.values.size()));
            out.document(QJsonDocument(o));
        } else {
            out.line(VantorelText::tr("记录 %1 的 %2 个参数已写入 %3").arg(id).arg(snapshot.values.size()).arg(path));
        }
        return VantorelExit::Done;
    }

    // show: the rows of the parameter file it stands for.
    QJsonArray values;
    QList<QStringList> rows;
    for (int row = 1; row < table.size(); ++row) {
        if (table.size(row) < 5)
            continue;
        // The stored name is the description's own; the table speaks the run's language.
        const QMachineValue *known = s.machine() ? s.machine()->get_value(table.get_text(0, row)) : nullptr;
        rows.append({table.get_text(0, row), known ? name_of(known) : table.get_text(1, row), table.get_text(2, row),
                     table.get_text(3, row), table.get_text(4, row)});
        QJsonObject o;
        o.insert(QStringLiteral("code"), table.get_text(0, row));
        o.insert(QStringLiteral("name"), table.get_text(1, row));
        o.insert(QStringLiteral("unit"), table.get_text(3, row));
        o.insert(QStringLiteral("raw"), table.get_text(4, row).toDouble());
        values.append(o);
    }
    // Written but never read back: not known.
    for (const QString &code : std::as_const(snapshot.unknown)) {
        QMachineValue *value = s.machine()->get_value(code);
        rows.append({code, value ? name_of(value) : QString(), VantorelText::tr("未知"), value ? unit_of(value) : QString(),
                     QString()});
    }
    if (out.json()) {
        QJsonObject o;
        o.insert(QStringLiteral("command"), QStringLiteral("history"));
        o.insert(QStringLiteral("ok"), true);
        o.insert(QStringLiteral("exit"), 0);
        o.insert(QStringLiteral("id"), double(snapshot.id));
        o.insert(QStringLiteral("complete"), snapshot.complete);
        o.insert(QStringLiteral("unknown"), QJsonArray::fromStringList(snapshot.unknown));
        o.insert(QStringLiteral("time"), snapshot.time.toString(Qt::ISODate));
        o.insert(QStringLiteral("operation"), snapshot.operation);
        o.insert(QStringLiteral("station"), snapshot.station);
        o.insert(QStringLiteral("drive_version"), snapshot.drive_version);
        o.insert(QStringLiteral("drive_serial"), snapshot.drive_serial);
        o.insert(QStringLiteral("values"), values);
        out.document(QJsonDocument(o));
    } else {
        out.line(VantorelText::tr("记录 %1：%2 %3，站号 %4")
                     .arg(id)
                     .arg(snapshot.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                          ParamSnapshot::title_of(snapshot))
                     .arg(snapshot.station));
        out.table({VantorelText::tr("代码"), VantorelText::tr("名称"), VantorelText::tr("值"), VantorelText::tr("单位"), VantorelText::tr("原始值")}, rows);
    }
    return VantorelExit::Done;
}
