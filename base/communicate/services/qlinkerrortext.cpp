#include <communicate/services/qlinkerrortext.h>

#include <QCoreApplication>

namespace {

// Empty for a code without a name of its own.
QString name_of(int code)
{
    switch (code) {
    case 1: return QCoreApplication::translate("QLinkErrorText", "非法功能码");
    case 2: return QCoreApplication::translate("QLinkErrorText", "非法数据地址");
    case 3: return QCoreApplication::translate("QLinkErrorText", "非法数据值");
    case 4: return QCoreApplication::translate("QLinkErrorText", "从站设备故障");
    case 5: return QCoreApplication::translate("QLinkErrorText", "已确认，处理中");
    case 6: return QCoreApplication::translate("QLinkErrorText", "从站设备忙");
    case 7: return QCoreApplication::translate("QLinkErrorText", "否定确认");
    case 8: return QCoreApplication::translate("QLinkErrorText", "存储奇偶校验错误");
    case 10: return QCoreApplication::translate("QLinkErrorText", "网关路径不可用");
    case 11: return QCoreApplication::translate("QLinkErrorText", "网关目标设备无响应");
    case 256: return QCoreApplication::translate("QLinkErrorText", "无应答");
    case 257: return QCoreApplication::translate("QLinkErrorText", "应答错误");
    case 258: return QCoreApplication::translate("QLinkErrorText", "通信中断");
    case 259: return QCoreApplication::translate("QLinkErrorText", "收到本机发送的请求（回显）：适配器回送发出的字节，请在通信设置中勾选“本地回显”");
    default: return QString();
    }
}

bool is_exception(int code)
{
    return code > 0 && code < 256;
}

} // namespace

QString QLinkErrorText::meaning(int code)
{
    const QString name = name_of(code);
    if (!name.isEmpty())
        return name;
    if (is_exception(code))
        return QCoreApplication::translate("QLinkErrorText", "异常码 %1").arg(code);
    return QCoreApplication::translate("QLinkErrorText", "未知错误");
}

QString QLinkErrorText::reason(int code)
{
    if (!is_exception(code))
        return meaning(code);
    const QString name = name_of(code);
    if (name.isEmpty())
        return QCoreApplication::translate("QLinkErrorText", "设备拒绝（异常码 %1）").arg(code);
    return QCoreApplication::translate("QLinkErrorText", "设备拒绝（异常码 %1：%2）").arg(code).arg(name);
}
