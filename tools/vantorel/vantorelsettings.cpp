#include "vantorelsettings.h"

#include "vantoreloptions.h"
#include "vantoreltr.h"

#include <paramset/linksettings.h>
#include <coredata/qsettingmanager.h>


VantorelSettings VantorelSettings::read(const VantorelOptions &options, bool writes)
{
    VantorelSettings out;
    QSettingManager settings = options.config.isEmpty() ? QSettingManager() : QSettingManager(options.config);
    settings.load();
    const LinkSettings::Getter get = [&settings](const QString &key) { return settings.get_value(key); };
    out.config = LinkSettings::read(get);

    const bool given_port = !options.port.isEmpty();
    const bool given_station = !options.stations.isEmpty();
    const QString file_problem = settings.load_error();
    if (!file_problem.isEmpty()) {
        if (writes && !(given_port && given_station)) {
            out.refusal = VantorelText::tr("设置文件无法使用（%1），不能确定写到哪台设备；用 --port 和 --station 指定")
                              .arg(file_problem);
            return out;
        }
        out.warnings.append(VantorelText::tr("设置文件无法使用（%1），按默认设置读取").arg(file_problem));
    }

    bool port_named = false;
    const QList<LinkSettings::Problem> problems = LinkSettings::problems(get, &port_named);
    for (const LinkSettings::Problem &problem : problems) {
        const QString &key = problem.key;
        const bool overridden = (key == QLatin1String("Communicate.Station") && given_station)
            || ((key == QLatin1String("Communicate.PortName") || key == QLatin1String("Communicate.SerialNumber"))
                && given_port)
            || (key == QLatin1String("Communicate.BaudRate") && options.baud > 0)
            || (key == QLatin1String("Communicate.Parity") && options.parity != 0)
            || (key == QLatin1String("Communicate.Stop") && options.stop > 0);
        if (overridden)
            continue;
        if (problem.kind == LinkSettings::Problem::How) {
            out.refusal = VantorelText::tr("设置 %1").arg(problem.text());
            return out;
        }
        if (writes) {
            out.refusal = VantorelText::tr("设置 %1，不能确定写到哪台设备；用 %2 指定")
                              .arg(problem.text(),
                                   key == QLatin1String("Communicate.Station") ? QStringLiteral("--station")
                                                                               : QStringLiteral("--port"));
            return out;
        }
        out.warnings.append(VantorelText::tr("设置 %1，按默认值读取").arg(problem.text()));
    }
    if (writes && !given_port && !port_named && file_problem.isEmpty()) {
        out.refusal = VantorelText::tr("没有设置端口（Communicate.PortName 为空，也没有 Communicate.SerialNumber），"
                                  "不能确定写到哪台设备；用 --port 指定");
        return out;
    }

    if (given_port)
        out.config.port_name = options.port;
    if (options.baud > 0)
        out.config.baud_rate = options.baud;
    if (options.parity != 0)
        out.config.parity = options.parity;
    if (options.stop > 0)
        out.config.stop = options.stop;
    if (options.echo)
        out.config.local_echo = true;
    return out;
}
