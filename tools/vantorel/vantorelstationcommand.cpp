#include "vantorelstationcommand.h"

#include "vantorelcommands.h"
#include "vantorelexit.h"
#include "vantorellink.h"
#include "vantorellinksetup.h"
#include "vantoreloptions.h"
#include "vantoreloutput.h"
#include "vantorelsession.h"
#include "vantoreltr.h"

#include <paramset/parammissions.h>
#include <paramset/qparamexchange.h>

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmission.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>

VantorelStationCommand::~VantorelStationCommand() = default;

int VantorelStationCommand::run()
{
    VantorelSession &s = session();
    const VantorelOptions &options = s.options();
    VantorelOutput &out = s.out();
    const VantorelCommandSpec *spec = VantorelCommands::find(options.command);
    if (options.several_stations && !(spec && spec->several_stations))
        return s.fail(VantorelExit::Usage, VantorelText::tr("%1 不能用于多个站号").arg(options.command));

    // The probe of the first station reads the version only; it goes out
    // while the description is loaded and the input checked, so a script
    // waits for the line, not for both. A check that fails closes the port
    // before anything is written.
    // A write never goes where a fallback points; a read may, with a warning.
    const VantorelSettings settings = VantorelLinkSetup::config(options, writes());
    if (!settings.refusal.isEmpty())
        return s.fail(VantorelExit::Usage, settings.refusal);
    for (const QString &warning : settings.warnings)
        out.error(warning);
    m_config = settings.config;
    const QList<int> all = stations();
    m_early_link = VantorelLinkSetup::make(s);
    m_early_link->start(m_config, all.first());
    QCoreApplication::processEvents();

    int checked = check_arguments();
    if (checked != VantorelExit::Done)
        return checked;
    QString error;
    if (!s.load_description(&error))
        return s.fail(VantorelExit::FileError, VantorelText::tr("机器描述无法加载：%1").arg(error));
    if (m_early_link && s.machine())
        m_early_link->set_profile(s.machine()->profile());
    checked = prepare();
    if (checked != VantorelExit::Done)
        return checked;

    if (!options.several_stations) {
        VantorelResult result = serve_station(all.first());
        // A snapshot that could not be stored is not dropped quietly: the
        // run that made it fails (exit 5), or says so in its one line.
        const QString lost = s.finish_history();
        if (!lost.isEmpty()) {
            if (result.exit == VantorelExit::Done) {
                result.exit = VantorelExit::FileError;
                result.error = lost;
            } else {
                result.error += VantorelText::tr("；") + lost;
            }
        }
        if (result.exit != VantorelExit::Done) {
            // A set, a download or a compare that found something still
            // says what it did and found.
            if (!out.json() && (!result.rows.isEmpty() || !result.lines.isEmpty()))
                print(result);
            return s.fail(result.exit, result.error, result.json);
        }
        print(result);
        return VantorelExit::Done;
    }

    // Several stations: each one in turn, a failure does not stop the others.
    int exit = VantorelExit::Done;
    QJsonArray json_stations;
    QList<QStringList> summary;
    QStringList failed;
    for (int station : all) {
        VantorelResult result = serve_station(station);
        if (result.exit != VantorelExit::Done) {
            failed.append(QString::number(station));
            if (exit == VantorelExit::Done)
                exit = result.exit;
        }
        if (out.json()) {
            QJsonObject o = result.json;
            o.insert(QStringLiteral("station"), station);
            o.insert(QStringLiteral("ok"), result.exit == VantorelExit::Done);
            o.insert(QStringLiteral("exit"), result.exit);
            if (result.exit != VantorelExit::Done)
                o.insert(QStringLiteral("error"), result.error);
            json_stations.append(o);
        } else if (result.exit == VantorelExit::Done || !result.rows.isEmpty() || !result.lines.isEmpty()) {
            out.line(VantorelText::tr("== 站号 %1").arg(station));
            print(result);
        }
        summary.append({QString::number(station),
                        result.exit == VantorelExit::Done ? VantorelText::tr("成功") : VantorelText::tr("失败"),
                        QString::number(result.exit), result.error});
    }
    const QString lost = s.finish_history();
    if (!lost.isEmpty() && exit == VantorelExit::Done)
        exit = VantorelExit::FileError;
    // One line on standard error; the summary says why for each station.
    if (!failed.isEmpty()) {
        out.error(VantorelText::tr("%1 个站号中 %2 个失败：%3")
                      .arg(all.size())
                      .arg(failed.size())
                      .arg(failed.join(QStringLiteral(", ")))
                  + (lost.isEmpty() ? QString() : VantorelText::tr("；") + lost));
    } else if (!lost.isEmpty()) {
        out.error(lost);
    }
    if (out.json()) {
        QJsonObject o;
        o.insert(QStringLiteral("command"), options.command);
        o.insert(QStringLiteral("ok"), exit == VantorelExit::Done);
        o.insert(QStringLiteral("exit"), exit);
        o.insert(QStringLiteral("stations"), json_stations);
        out.document(QJsonDocument(o));
    } else {
        out.line(QString());
        out.table({VantorelText::tr("站号"), VantorelText::tr("结果"), VantorelText::tr("退出码"), VantorelText::tr("原因")}, summary);
    }
    return exit;
}

int VantorelStationCommand::check_arguments()
{
    const VantorelOptions &options = session().options();
    const VantorelCommandSpec *spec = VantorelCommands::find(options.command);
    const qsizetype given = options.arguments.size();
    if (spec && given >= spec->fewest_arguments && (spec->most_arguments < 0 || given <= spec->most_arguments))
        return VantorelExit::Done;
    return session().fail(VantorelExit::Usage,
                          VantorelText::tr("%1 的参数不对；vantorel %1 --help 说明用法").arg(options.command));
}

int VantorelStationCommand::prepare()
{
    return VantorelExit::Done;
}

int VantorelStationCommand::known_codes(const QStringList &codes) const
{
    for (const QString &code : codes) {
        // Trimmed as set trims its codes: "F0-07 " from a script is F0-07.
        if (!session().machine()->get_value(code.trimmed()))
            return session().fail(VantorelExit::Usage, VantorelText::tr("未知的参数代码 %1").arg(code));
    }
    return VantorelExit::Done;
}

QList<int> VantorelStationCommand::stations() const
{
    const QList<int> &given = session().options().stations;
    return given.isEmpty() ? QList<int>{m_config.station} : given;
}

VantorelResult VantorelStationCommand::serve_station(int station)
{
    VantorelResult result;
    // Each station starts from a model that holds nothing read yet.
    if (m_served_any)
        session().new_model();
    m_served_any = true;

    // The first station's probe has been on its way since the start.
    std::unique_ptr<VantorelLink> owned = std::move(m_early_link);
    if (!owned || owned->station() != station) {
        owned = VantorelLinkSetup::make(session());
        owned->start(m_config, station);
        if (session().machine())
            owned->set_profile(session().machine()->profile());
    }
    VantorelLink &link = *owned;
    if (!link.wait_online()) {
        result.exit = link.exit_code();
        result.error = link.error();
        return result;
    }
    // The serial number names the drive in what is recorded; a drive that
    // does not give it is still served, and what is recorded has none.
    if (session().machine() && !link.read_serial(session().machine()->profile()))
        session().out().error(VantorelText::tr("站号 %1 的设备序列号没有读到：%2").arg(station).arg(link.error()));
    return serve(link);
}

void VantorelStationCommand::print(const VantorelResult &result) const
{
    VantorelOutput &out = session().out();
    if (out.json()) {
        QJsonObject o = result.json;
        o.insert(QStringLiteral("command"), session().options().command);
        o.insert(QStringLiteral("ok"), result.exit == VantorelExit::Done);
        o.insert(QStringLiteral("exit"), result.exit);
        out.document(QJsonDocument(o));
        return;
    }
    if (!result.header.isEmpty())
        out.table(result.header, result.rows);
    for (const QString &line : result.lines)
        out.line(line);
}

bool VantorelStationCommand::read_values(VantorelLink &link, const QList<QMachineValue *> &values, int level,
                                         int type, const QString &label, VantorelResult *result) const
{
    QList<QMission *> missions = ParamMissions::read_missions(values, link.station());
    for (QMission *mission : std::as_const(missions)) {
        mission->set_attribute(MissionKey::level(), QVariant(level));
        mission->set_attribute(MissionKey::type(), QVariant(type));
    }
    QMachine *machine = session().machine();
    VantorelOutput &out = session().out();
    const bool ok = link.run(
        missions, [machine, &values](const QMission &m) { ParamMissions::take_answer(machine, m, values); },
        [&out, &label](int done, int total) { out.progress(label, done, total); });
    out.end_progress();
    qDeleteAll(missions);
    if (!ok) {
        result->exit = link.exit_code();
        result->error = link.error();
    }
    return ok;
}

bool VantorelStationCommand::read_all(VantorelLink &link, const QString &label, QList<tagParamRaw> *values,
                                      VantorelResult *result) const
{
    const QList<QMachineValue *> parameters = session().all_parameters();
    VantorelOutput &out = session().out();
    QParamExchange exchange(link.manager(), link.station());
    const bool ok = link.watch([&] { exchange.read(parameters); }, {},
                               [&out, &label](int done, int total) { out.progress(label, done, total); });
    settle(exchange);
    out.end_progress();
    if (!ok) {
        result->exit = link.exit_code();
        result->error = link.error();
        return false;
    }
    // What the drive answered to these reads, in group order, each code once.
    *values = exchange.values_in(parameters);
    const QHash<QMachineValue *, int> read = exchange.values();
    for (auto it = read.cbegin(); it != read.cend(); ++it)
        it.key()->set_base_value(it.value());
    return true;
}

void VantorelStationCommand::settle(const QParamExchange &exchange)
{
    QElapsedTimer clock;
    clock.start();
    while (exchange.is_running() && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}
