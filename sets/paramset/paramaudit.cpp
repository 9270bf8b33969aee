#include "paramaudit.h"

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>

#include <QCoreApplication>

namespace ParamAudit {

QString result_of(int asked, bool has_read_back, int read_back, int exception_code)
{
    if (exception_code != 0)
        return refused();
    if (!has_read_back)
        return unknown();
    return read_back == asked ? written() : different();
}

QList<tagWriteRecord> records_of(QMachine *machine, const QString &operation,
                                const QList<QPair<QMachineValue *, int>> &asked,
                                const QHash<QString, int> &before,
                                const QHash<QMachineValue *, int> &read_back,
                                const QHash<QMachineValue *, int> &errors)
{
    QList<tagWriteRecord> records;
    for (const auto &write : asked) {
        if (!write.first)
            continue;
        tagWriteRecord w;
        if (machine) {
            w.machine_name = machine->get_name();
            w.machine_type = machine->get_type();
            w.machine_version = machine->get_version();
        }
        w.operation = operation;
        w.code = write.first->get_value_property(VALUE_CODE).toString();
        w.asked = write.second;
        const auto held = before.constFind(w.code);
        w.has_before = held != before.constEnd();
        w.before = w.has_before ? held.value() : 0;
        const auto back = read_back.constFind(write.first);
        w.has_read_back = back != read_back.constEnd();
        w.read_back = w.has_read_back ? back.value() : 0;
        w.exception_code = errors.value(write.first, 0);
        w.result = result_of(w.asked, w.has_read_back, w.read_back, w.exception_code);
        records.append(w);
    }
    return records;
}

QString operation_text(const QString &key)
{
    if (key == edit())
        return QCoreApplication::translate("ParamAudit", "单项修改");
    if (key == download())
        return QCoreApplication::translate("ParamAudit", "下载参数");
    if (key == compare())
        return QCoreApplication::translate("ParamAudit", "比较后下载");
    if (key == history())
        return QCoreApplication::translate("ParamAudit", "历史记录下载");
    if (key == tool_set())
        return QCoreApplication::translate("ParamAudit", "命令行修改");
    if (key == tool_download())
        return QCoreApplication::translate("ParamAudit", "命令行下载");
    return key;
}

QString result_text(const tagWriteRecord &record)
{
    if (record.result == written())
        return QCoreApplication::translate("ParamAudit", "已写入");
    if (record.result == different())
        return QCoreApplication::translate("ParamAudit", "读回不同");
    if (record.result == refused())
        return QCoreApplication::translate("ParamAudit", "被拒绝（代码 %1）").arg(record.exception_code);
    if (record.result == unknown())
        return QCoreApplication::translate("ParamAudit", "未读回");
    return record.result;
}

} // namespace ParamAudit
