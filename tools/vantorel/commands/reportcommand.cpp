#include "reportcommand.h"

#include "vantorelexit.h"
#include "vantoreloptions.h"
#include "vantoreloutput.h"
#include "vantorelsession.h"
#include "vantoreltr.h"

#include <paramset/qparamhistory.h>
#include <report/paramreport.h>

#include <QDateTime>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

VantorelCommandSpec ReportCommand::spec()
{
    VantorelCommandSpec spec;
    spec.name = QStringLiteral("report");
    spec.synopsis = QStringLiteral("report ID FILE.pdf|FILE.html");
    spec.summary = QT_TRANSLATE_NOOP("VantorelTool", "快照的调试报告");
    spec.help = QT_TRANSLATE_NOOP("VantorelTool",
        "用法: vantorel report ID FILE.pdf|FILE.html [--since DATE] [--json]\n"
        "快照 ID（见 vantorel history list）的调试报告：设备，由谁在哪里做的，与\n"
        "默认值不同的参数，自上一次上传或下载（或自 DATE）以来对设备的写入，\n"
        "签字栏，以及作为附录的全部参数。\n"
        ".pdf 文件写成 PDF，其他写成 HTML。\n"
        "示例: vantorel report 12 line3-drive17.pdf\n");
    spec.make = make_vantorel_command<ReportCommand>;
    return spec;
}

int ReportCommand::run()
{
    VantorelSession &s = session();
    VantorelOutput &out = s.out();
    const VantorelOptions &options = s.options();
    const QStringList &args = options.arguments;
    bool number = false;
    const qint64 id = args.value(0).toLongLong(&number);
    if (args.size() != 2 || !number)
        return s.fail(VantorelExit::Usage, VantorelText::tr("report 的参数不对；vantorel report --help 说明用法"));
    QDateTime since;
    if (!options.since.isEmpty()) {
        since = QDateTime::fromString(options.since, Qt::ISODate);
        if (!since.isValid())
            since = QDate::fromString(options.since, Qt::ISODate).startOfDay();
        if (!since.isValid())
            return s.fail(VantorelExit::Usage, VantorelText::tr("--since 的日期不对：%1").arg(options.since));
        since = since.toUTC();
    }
    QParamHistory *database = s.history_database(false);
    if (!database)
        return s.fail(VantorelExit::FileError, VantorelText::tr("历史记录无法打开：%1").arg(s.history_error()));
    tagReportData data;
    QString error;
    if (!ParamReport::gather(database, id, since, &data, &error))
        return s.fail(VantorelExit::Usage, VantorelText::tr("历史记录中没有 %1：%2").arg(args.at(0), error));
    if (!s.load_description(&error))
        return s.fail(VantorelExit::FileError, VantorelText::tr("机器描述无法加载：%1").arg(error));
    const QString &path = args.at(1);
    if (!ParamReport::write(path, data, s.machine(), &error))
        return s.fail(VantorelExit::FileError, VantorelText::tr("报告 %1 保存失败：%2").arg(path, error));
    if (out.json()) {
        QJsonObject o;
        o.insert(QStringLiteral("command"), QStringLiteral("report"));
        o.insert(QStringLiteral("ok"), true);
        o.insert(QStringLiteral("exit"), 0);
        o.insert(QStringLiteral("file"), QFileInfo(path).absoluteFilePath());
        o.insert(QStringLiteral("writes"), int(data.writes.size()));
        out.document(QJsonDocument(o));
    } else {
        out.line(VantorelText::tr("记录 %1 的报告已写入 %2").arg(id).arg(path));
    }
    return VantorelExit::Done;
}
