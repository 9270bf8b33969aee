#include "vantorelcommands.h"

#include "commands/checkcommand.h"
#include "commands/comparecommand.h"
#include "commands/describecommand.h"
#include "commands/downloadcommand.h"
#include "commands/getcommand.h"
#include "commands/historycommand.h"
#include "commands/infocommand.h"
#include "commands/monitorcommand.h"
#include "commands/portscommand.h"
#include "commands/reportcommand.h"
#include "commands/scancommand.h"
#include "commands/setcommand.h"
#include "commands/uploadcommand.h"
#include "vantoreltr.h"

namespace VantorelCommands {

const QList<VantorelCommandSpec> &all()
{
    static const QList<VantorelCommandSpec> table{
        PortsCommand::spec(),    ScanCommand::spec(),     InfoCommand::spec(),    GetCommand::spec(),
        SetCommand::spec(),      UploadCommand::spec(),   DownloadCommand::spec(), CompareCommand::spec(),
        MonitorCommand::spec(),  HistoryCommand::spec(),  DescribeCommand::spec(), CheckCommand::spec(),
        ReportCommand::spec(),
    };
    return table;
}

const VantorelCommandSpec *find(const QString &name)
{
    for (const VantorelCommandSpec &spec : all()) {
        if (spec.name == name)
            return &spec;
    }
    return nullptr;
}

} // namespace VantorelCommands

namespace VantorelHelp {

namespace {

// The command's synopsis, and its summary in a column of its own; a
// synopsis too long for the column puts the summary on the next line.
QString command_line(const VantorelCommandSpec &spec)
{
    constexpr int indent = 2;
    constexpr int column = 30;
    const QString synopsis = QString(indent, QLatin1Char(' ')) + spec.synopsis;
    if (synopsis.size() < column - 1)
        return synopsis.leftJustified(column) + VantorelText::tr(spec.summary) + QLatin1Char('\n');
    return synopsis + QLatin1Char('\n') + QString(column, QLatin1Char(' ')) + VantorelText::tr(spec.summary) + QLatin1Char('\n');
}

} // namespace

bool is_command(const QString &name)
{
    return VantorelCommands::find(name) != nullptr;
}

QString general()
{
    QString commands;
    for (const VantorelCommandSpec &spec : VantorelCommands::all())
        commands += command_line(spec);
    return VantorelText::tr("vantorel：不用屏幕调试变频器。\n"
                            "\n"
                            "用法: vantorel COMMAND [ARGUMENTS] [OPTIONS]\n"
                            "\n"
                            "命令：\n")
        + commands
        + VantorelText::tr(
               "\n"
               "连接选项（不给出时：config.xml 中的设置，与工作台所用的相同）：\n"
               "  --port NAME          设备（/dev/ttyUSB0、COM3）、tcp://host[:port] 或 rtutcp://host:port\n"
               "  --baud RATE          波特率\n"
               "  --parity n|e|o       校验位\n"
               "  --stop 1|2           停止位\n"
               "  --station N          站号 1..247（默认：设置中的站号，1）\n"
               "  --stations LIST      依次访问多个站号，例如 1-10,12（get、set、upload、\n"
               "                       download、compare）；最后按站号汇总\n"
               "  --timeout MS         应答超时（默认 500）\n"
               "  --retries N          第一次之后的重试次数（默认 2）\n"
               "  --echo               适配器回送发出的每个字节（两线 RS-485）：等待并去掉\n"
               "                       每个请求的回送（默认：Communicate.LocalEcho）\n"
               "  --config FILE        用该设置文件代替程序的 config.xml（在程序旁，安装的\n"
               "                       程序在 ~/.config/vantorel/）\n"
               "  --machine FILE       用该机器描述代替 machines/default.xml\n"
               "  --history URL|FILE   用该历史数据库代替设置中的 History.Database\n"
               "                       （postgresql://user@host:port/dbname，或 SQLite 文件）\n"
               "  --note TEXT          本次运行的快照和写入记录所附的备注\n"
               "\n"
               "输出选项：\n"
               "  --json               在标准输出上写一个 JSON 文档（数值写成数字）\n"
               "  --verbose            同时输出通信链路自己的警告\n"
               "  --help               本说明；COMMAND --help：该命令的说明\n"
               "\n"
               "退出码：\n"
               "  0  完成\n"
               "  1  用法错误：选项不对、代码未知、数值未通过检查\n"
               "  2  没有连接或没有应答（端口无法打开、站号不应答）\n"
               "  3  设备拒绝（Modbus 异常）\n"
               "  4  核对发现不同\n"
               "  5  文件无法读取或写入，或无法使用\n"
               "使用 --stations 时，退出码是第一个出错站号的退出码。\n"
               "\n"
               "示例：\n"
               "  vantorel info --port /dev/ttyUSB0\n"
               "  vantorel get F0-07 F0-01 --json\n"
               "  vantorel set F0-07=45.5 F0-01=端子\n"
               "  vantorel upload backup.csv --stations 1-10,12\n"
               "  vantorel download line3.csv --port tcp://192.168.1.20\n");
}

QString command(const QString &name)
{
    const VantorelCommandSpec *spec = VantorelCommands::find(name);
    return spec ? VantorelText::tr(spec->help) : QString();
}

} // namespace VantorelHelp
