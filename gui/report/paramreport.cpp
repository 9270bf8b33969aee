#include "paramreport.h"

#include <paramset/paramcompare.h>
#include <paramset/qparamhistory.h>

#include <coredata/qsafefile.h>

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QHash>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

#include <algorithm>

namespace ParamReport {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ParamReport", text);
}

QString local_time(const QDateTime &time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString cell(const QString &text)
{
    return QStringLiteral("<td>%1</td>").arg(text.toHtmlEscaped());
}

QString header_row(const QStringList &titles)
{
    QString row = QStringLiteral("<tr>");
    for (const QString &title : titles)
        row += QStringLiteral("<th>%1</th>").arg(title.toHtmlEscaped());
    return row + QStringLiteral("</tr>");
}

QString row_of(const QStringList &cells)
{
    QString row = QStringLiteral("<tr>");
    for (const QString &text : cells)
        row += cell(text);
    return row + QStringLiteral("</tr>");
}

QString table(const QStringList &titles, const QList<QStringList> &rows)
{
    QString html = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">");
    html += header_row(titles);
    for (const QStringList &row : rows)
        html += row_of(row);
    return html + QStringLiteral("</table>");
}

QString text_of(QMachineValue *value, int raw)
{
    return value ? value->text_of_raw(raw) : QString::number(raw);
}

} // namespace

bool gather(QParamHistory *history, qint64 id, const QDateTime &since, tagReportData *data, QString *error)
{
    *data = tagReportData();
    if (!history->load(id, &data->snapshot)) {
        *error = history->error_string();
        return false;
    }
    const tagParamSnapshot &s = data->snapshot;
    data->writes_since = since;
    if (!since.isValid()) {
        tagHistoryFilter filter;
        filter.station = s.station;
        bool ok = false;
        const QList<tagParamSnapshot> earlier = history->list(filter, &ok);
        if (!ok) {
            *error = history->error_string();
            return false;
        }
        // Newest first: the first taken-down set before this one.
        for (const tagParamSnapshot &other : earlier) {
            if (other.time < s.time
                && (other.operation == ParamSnapshot::upload() || other.operation == ParamSnapshot::download())) {
                data->writes_since = other.time;
                break;
            }
        }
    }
    tagAuditFilter filter;
    filter.station = s.station;
    if (data->writes_since.isValid())
        filter.since = data->writes_since.addMSecs(1);
    filter.until = s.time;
    bool ok = false;
    QList<tagWriteRecord> writes = history->audit(filter, &ok);
    if (!ok) {
        *error = history->error_string();
        return false;
    }
    std::reverse(writes.begin(), writes.end());
    data->writes = writes;
    return true;
}

QString html(const tagReportData &data, QMachine *machine)
{
    const tagParamSnapshot &s = data.snapshot;
    const auto value_of = [machine](const QString &code) { return machine ? machine->get_value(code) : nullptr; };
    QString html = QStringLiteral("<html><head><meta charset=\"utf-8\"><title>%1</title></head><body>")
                       .arg(tr("调试报告").toHtmlEscaped());
    html += QStringLiteral("<h1>%1</h1>").arg(tr("调试报告").toHtmlEscaped());

    // Who, where, which drive.
    QStringList machine_name = {s.machine_name, s.machine_type, s.machine_version};
    machine_name.removeAll(QString());
    QList<QStringList> identity = {
        {tr("记录"), QStringLiteral("%1 %2").arg(s.id).arg(ParamSnapshot::title_of(s))},
        {tr("时间"), local_time(s.time)},
        {tr("用户"), s.user_name},
        {tr("工作站"), s.workstation},
        {tr("程序版本"), s.program_version},
        {tr("端口"), s.port},
        {tr("站号"), QString::number(s.station)},
        {tr("设备版本"), s.drive_version < 0 ? QStringLiteral("-") : QString::number(s.drive_version)},
        {tr("机型描述"), machine_name.join(QLatin1Char(' '))},
    };
    if (!s.drive_serial.isEmpty())
        identity.append({tr("设备序列号"), s.drive_serial});
    identity.append({tr("备注"), s.note});
    html += QStringLiteral("<table cellpadding=\"2\">");
    for (const QStringList &row : identity)
        html += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(row.at(0).toHtmlEscaped(), row.at(1).toHtmlEscaped());
    html += QStringLiteral("</table>");
    if (!s.complete) {
        html += QStringLiteral("<p><b>%1</b> %2</p>")
                    .arg(tr("记录不完整：").toHtmlEscaped(), s.unknown.join(QStringLiteral(", ")).toHtmlEscaped());
    }

    // What differs from the description's defaults.
    QHash<QString, int> defaults;
    if (machine) {
        for (const tagParamRaw &d : ParamCompare::defaults_of(machine))
            defaults.insert(d.code, d.raw);
    }
    QList<QStringList> changed;
    for (const tagParamRaw &v : s.values) {
        const auto found = defaults.constFind(v.code);
        if (found == defaults.constEnd() || found.value() == v.raw)
            continue;
        QMachineValue *value = value_of(v.code);
        changed.append({v.code, value ? value->display_name() : QString(), text_of(value, v.raw),
                        value ? value->display_unit() : QString(), text_of(value, found.value())});
    }
    html += QStringLiteral("<h2>%1</h2>").arg(tr("与默认值不同的参数").toHtmlEscaped());
    if (changed.isEmpty())
        html += QStringLiteral("<p>%1</p>").arg(tr("没有").toHtmlEscaped());
    else
        html += table({tr("代码"), tr("名称"), tr("值"), tr("单位"), tr("默认值")}, changed);

    // The writes that led here.
    html += QStringLiteral("<h2>%1</h2>").arg(tr("修改记录").toHtmlEscaped());
    html += QStringLiteral("<p>%1</p>")
                .arg((data.writes_since.isValid() ? tr("%1 之后至本记录").arg(local_time(data.writes_since))
                                                  : tr("本记录之前的全部"))
                         .toHtmlEscaped());
    QList<QStringList> writes;
    for (const tagWriteRecord &w : data.writes) {
        QMachineValue *value = value_of(w.code);
        writes.append({local_time(w.time), w.user_name, w.workstation, ParamAudit::operation_text(w.operation), w.code,
                       w.has_before ? text_of(value, w.before) : QStringLiteral("-"), text_of(value, w.asked),
                       w.has_read_back ? text_of(value, w.read_back) : QStringLiteral("-"),
                       ParamAudit::result_text(w)});
    }
    if (writes.isEmpty())
        html += QStringLiteral("<p>%1</p>").arg(tr("没有").toHtmlEscaped());
    else
        html += table({tr("时间"), tr("用户"), tr("工作站"), tr("操作"), tr("代码"), tr("之前"), tr("要求"), tr("读回"),
                       tr("结果")},
                      writes);

    // Signatures.
    html += QStringLiteral("<h2>%1</h2>").arg(tr("签字").toHtmlEscaped());
    html += QStringLiteral("<table cellpadding=\"8\" width=\"100%\">");
    for (const QString &role : {tr("调试人员"), tr("验收人员")}) {
        html += QStringLiteral("<tr><td width=\"20%\">%1</td><td>%2 ______________________</td><td>%3 ____________</td></tr>")
                    .arg(role.toHtmlEscaped(), tr("签字：").toHtmlEscaped(), tr("日期：").toHtmlEscaped());
    }
    html += QStringLiteral("</table>");

    // Appendix: the whole set.
    html += QStringLiteral("<h2 style=\"page-break-before: always\">%1</h2>").arg(tr("附录：全部参数").toHtmlEscaped());
    QList<QStringList> all;
    for (const tagParamRaw &v : s.values) {
        QMachineValue *value = value_of(v.code);
        all.append({v.code, value ? value->display_name() : QString(), text_of(value, v.raw),
                    value ? value->display_unit() : QString(), QString::number(v.raw)});
    }
    for (const QString &code : s.unknown) {
        QMachineValue *value = value_of(code);
        all.append({code, value ? value->display_name() : QString(), tr("未知"),
                    value ? value->display_unit() : QString(), QString()});
    }
    html += table({tr("代码"), tr("名称"), tr("值"), tr("单位"), tr("原始值")}, all);
    return html + QStringLiteral("</body></html>");
}

bool write(const QString &path, const tagReportData &data, QMachine *machine, QString *error)
{
    const QString text = html(data, machine);
    if (QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0)
        return QSafeFile::write(path, text.toUtf8(), error);

    // Written beside and moved into place, so a failed report never leaves
    // half a file where an old one was.
    const QString partial = path + QStringLiteral(".part");
    {
        QPdfWriter writer(partial);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(tr("调试报告"));
        writer.setCreator(QCoreApplication::applicationName());
        QTextDocument document;
        // A CJK face that Debian's fonts-wqy-microhei provides; other faces
        // fall back through the font database.
        QFont font(QStringLiteral("WenQuanYi Micro Hei"));
        font.setPointSizeF(9);
        document.setDefaultFont(font);
        document.setHtml(text);
        document.print(&writer);
    }
    QFile file(partial);
    if (!file.exists() || file.size() == 0) {
        *error = tr("无法写入 %1").arg(path);
        QFile::remove(partial);
        return false;
    }
    QFile::remove(path);
    if (!QFile::rename(partial, path)) {
        *error = tr("无法写入 %1").arg(path);
        QFile::remove(partial);
        return false;
    }
    return true;
}

} // namespace ParamReport
