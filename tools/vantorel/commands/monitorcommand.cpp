#include "monitorcommand.h"

#include "vantorelexit.h"
#include "vantorelinterrupt.h"
#include "vantorellink.h"
#include "vantoreloptions.h"
#include "vantoreloutput.h"
#include "vantorelsession.h"
#include "vantoreltr.h"
#include "vantorelvalues.h"

#include <coredata/qlocalcodec.h>

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmission.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>

#include <algorithm>

using namespace VantorelValues;

VantorelCommandSpec MonitorCommand::spec()
{
    VantorelCommandSpec spec;
    spec.name = QStringLiteral("monitor");
    spec.synopsis = QStringLiteral("monitor CODE...");
    spec.summary = QStringLiteral("runtime values as lines or CSV");
    spec.help = QStringLiteral(
        "Usage: vantorel monitor CODE... [--period MS] [--count N] [--csv FILE] [link options] [--json]\n"
        "Reads the values every MS milliseconds (default 1000), N times (default:\n"
        "until interrupted), and prints one line per reading; --csv also writes\n"
        "them to FILE (GBK, one column per code).\n"
        "Example: vantorel monitor U0-00 U0-02 --period 200 --count 50 --csv run.csv\n");
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

    QFile csv;
    const auto csv_line = [&csv](const QStringList &cells) {
        QStringList clean = cells;
        for (QString &cell : clean)
            cell.replace(QLatin1Char(','), QLatin1Char(';'));
        const QByteArray bytes = QLocalCodec::encode(clean.join(QLatin1Char(',')) + QStringLiteral("\r\n"));
        return csv.write(bytes) == bytes.size() && csv.flush();
    };
    QStringList header{tr_tool("时间")};
    for (QMachineValue *value : values) {
        const QString unit = unit_of(value);
        header.append(unit.isEmpty() ? code_of(value) : QStringLiteral("%1(%2)").arg(code_of(value), unit));
    }
    if (!options.csv.isEmpty()) {
        csv.setFileName(options.csv);
        if (!csv.open(QIODevice::WriteOnly | QIODevice::Truncate) || !csv_line(header)) {
            result.exit = VantorelExit::FileError;
            result.error = tr_tool("无法写入 %1：%2").arg(options.csv, csv.errorString());
            return result;
        }
    }
    if (!out.json())
        out.line(header.join(QStringLiteral("  ")));

    QJsonArray samples;
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
            QStringList cells{now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))};
            QJsonObject sample;
            sample.insert(QStringLiteral("time"), now.toString(Qt::ISODateWithMs));
            QJsonObject numbers;
            for (QMachineValue *value : values) {
                cells.append(value->get_true_value_string());
                numbers.insert(code_of(value), json_of(value).value(QStringLiteral("value")));
            }
            sample.insert(QStringLiteral("values"), numbers);
            samples.append(sample);
            if (!out.json())
                out.line(cells.join(QStringLiteral("  ")));
            if (csv.isOpen() && !csv_line(cells)) {
                result.exit = VantorelExit::FileError;
                result.error = tr_tool("无法写入 %1：%2").arg(options.csv, csv.errorString());
                break;
            }
        }
    }

    QJsonArray codes;
    for (QMachineValue *value : values)
        codes.append(code_of(value));
    result.json.insert(QStringLiteral("station"), link.station());
    result.json.insert(QStringLiteral("codes"), codes);
    result.json.insert(QStringLiteral("samples"), samples);
    return result;
}
