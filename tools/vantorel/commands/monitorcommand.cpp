#include "monitorcommand.h"

#include "vantorelexit.h"
#include "vantorelinterrupt.h"
#include "vantorellink.h"
#include "vantoreloptions.h"
#include "vantoreloutput.h"
#include "vantorelsession.h"
#include "vantoreltr.h"
#include "vantorelvalues.h"

#include <paramset/qmonitorrecorder.h>

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmission.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>

#include <algorithm>

using namespace VantorelValues;

VantorelCommandSpec MonitorCommand::spec()
{
    VantorelCommandSpec spec;
    spec.name = QStringLiteral("monitor");
    spec.synopsis = QStringLiteral("monitor CODE...");
    spec.summary = QT_TRANSLATE_NOOP("VantorelTool", "以行或 CSV 输出运行值");
    spec.help = QT_TRANSLATE_NOOP("VantorelTool",
        "用法: vantorel monitor CODE... [--period MS] [--count N] [--csv FILE] [连接选项] [--json]\n"
        "每 MS 毫秒（默认 1000）读取一次数值，共 N 次（默认：直到被中断），每次\n"
        "读取输出一行；--csv 同时按监控页记录的格式写入 FILE（GBK；代码、名称和\n"
        "单位各一行，然后是时刻、从开始起的毫秒数和每个代码一列）。使用 --json\n"
        "时，每次读取是单独一行的一个 JSON 对象，随读随出（{\"station\", \"time\",\n"
        "\"elapsed_ms\", \"values\": {CODE: number}}），最后一行是汇总\n"
        "（{\"command\": \"monitor\", \"ok\", \"exit\", \"samples\", ...}）。\n"
        "示例: vantorel monitor U0-00 U0-02 --period 200 --count 50 --csv run.csv\n");
    spec.fewest_arguments = 1;
    spec.most_arguments = -1;
    spec.make = make_vantorel_command<MonitorCommand>;
    return spec;
}

int MonitorCommand::prepare()
{
    return known_codes(session().options().arguments);
}

VantorelResult MonitorCommand::serve(VantorelLink &link)
{
    VantorelResult result;
    const VantorelOptions &options = session().options();
    VantorelOutput &out = session().out();
    const QList<QMachineValue *> values = session().values_of(options.arguments);

    // Declared first: the recorder's end may still report into it.
    QString recorder_error;
    QMonitorRecorder recorder;
    QObject::connect(&recorder, &QMonitorRecorder::failed, &recorder,
                     [&recorder_error](const QString &, const QString &reason) { recorder_error = reason; });
    if (!options.csv.isEmpty()) {
        QList<QMonitorRecorder::Column> columns;
        for (QMachineValue *value : values)
            columns.append({code_of(value), name_of(value), value->display_unit()});
        QString reason;
        if (!recorder.start(options.csv, columns, &reason)) {
            result.exit = VantorelExit::FileError;
            result.error = VantorelText::tr("无法写入 %1：%2").arg(options.csv, reason);
            return result;
        }
    }
    QStringList header{VantorelText::tr("时间")};
    for (QMachineValue *value : values) {
        const QString unit = unit_of(value);
        header.append(unit.isEmpty() ? code_of(value) : QStringLiteral("%1(%2)").arg(code_of(value), unit));
    }
    if (!out.json())
        out.line(header.join(QStringLiteral("  ")));

    int taken = 0;
    {
        const VantorelInterrupt interrupt(true);
        QElapsedTimer clock;
        clock.start();
        qint64 next = 0;
        for (int n = 0; !VantorelInterrupt::interrupted() && (options.count == 0 || n < options.count); ++n) {
            if (n > 0) {
                next += options.period;
                VantorelInterrupt::pause(int(std::max<qint64>(0, next - clock.elapsed())));
                if (VantorelInterrupt::interrupted())
                    break;
            }
            if (!read_values(link, values, MissionLevel::Monitoring, MISSION_READ, QString(), &result))
                break;
            const QDateTime now = QDateTime::currentDateTime();
            ++taken;
            QStringList cells;
            QJsonObject numbers;
            for (QMachineValue *value : values) {
                cells.append(value->get_true_value_string());
                numbers.insert(code_of(value), json_of(value).value(QStringLiteral("value")));
            }
            if (out.json()) {
                // One line per reading, as it comes: a script follows the
                // drive while the command runs.
                QJsonObject sample;
                sample.insert(QStringLiteral("station"), link.station());
                sample.insert(QStringLiteral("time"), now.toString(Qt::ISODateWithMs));
                sample.insert(QStringLiteral("elapsed_ms"), double(clock.elapsed()));
                sample.insert(QStringLiteral("values"), numbers);
                out.json_line(sample);
            } else {
                out.line(now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QStringLiteral("  ")
                         + cells.join(QStringLiteral("  ")));
            }
            if (recorder.is_recording()) {
                recorder.write(now, cells);
                recorder.flush();
            }
            if (!recorder_error.isEmpty()) {
                result.exit = VantorelExit::FileError;
                result.error = VantorelText::tr("无法写入 %1：%2").arg(options.csv, recorder_error);
                break;
            }
        }
    }
    recorder.stop();
    if (!recorder_error.isEmpty() && result.exit == VantorelExit::Done) {
        result.exit = VantorelExit::FileError;
        result.error = VantorelText::tr("无法写入 %1：%2").arg(options.csv, recorder_error);
    }

    QJsonArray codes;
    for (QMachineValue *value : values)
        codes.append(code_of(value));
    result.json.insert(QStringLiteral("station"), link.station());
    result.json.insert(QStringLiteral("codes"), codes);
    result.json.insert(QStringLiteral("samples"), taken);
    return result;
}
