#include "paramaudit.h"

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
