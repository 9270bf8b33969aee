#include "vantoreltool.h"

#include "vantorelexit.h"
#include "vantorellink.h"
#include "vantoreloutput.h"

#include <paramset/linksettings.h>
#include <paramset/machinebuilder.h>
#include <paramset/paramcompare.h>
#include <paramset/paramedit.h>
#include <paramset/paramsetfile.h>
#include <paramset/paramverify.h>
#include <paramset/qparamexchange.h>
#include <paramset/qparamhistory.h>
#include <paramset/parammissions.h>

#include <coredata/qcsvfile.h>
#include <coredata/qlocalcodec.h>
#include <coredata/qsafefile.h>
#include <coredata/qsettingmanager.h>

#include <communicate/qcommunicate.h>
#include <communicate/qdevicesearch.h>
#include <machine/qmachine.h>
#include <database/qmachineconfig.h>
#include <machine/qmachinevalue.h>
#include <communicate/qmission.h>
#include <communicate/qmissionmanager.h>
#include <machine/tagvaluegroup.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSerialPortInfo>
#include <QSet>
#include <QTimer>

#include <csignal>

namespace {

QString tr_tool(const char *text)
{
    return QCoreApplication::translate("VantorelTool", text);
}

volatile std::sig_atomic_t g_interrupted = 0;

void on_interrupt(int)
{
    g_interrupted = 1;
}

QString code_of(const QMachineValue *value)
{
    return value->get_value_property(VALUE_CODE).toString();
}

QString name_of(const QMachineValue *value)
{
    return value->get_value_property(VALUE_NAME).toString();
}

QString unit_of(const QMachineValue *value)
{
    return value->get_value_property(VALUE_UNIT).toString();
}

bool is_choice(const QMachineValue *value)
{
    return value->get_value_property(VALUE_EDITOR).toString() == QStringLiteral("选择");
}

// A value for scripts: a number in display units (a choice: its number, with
// its text beside it), and the raw register value.
QJsonObject json_of(const QMachineValue *value)
{
    QJsonObject o;
    o.insert(QStringLiteral("code"), code_of(value));
    o.insert(QStringLiteral("name"), name_of(value));
    o.insert(QStringLiteral("unit"), unit_of(value));
    if (!value->has_value())
        return o;
    const qint64 number = value->number_of_raw(value->get_base_value());
    if (is_choice(value)) {
        o.insert(QStringLiteral("value"), double(number));
        o.insert(QStringLiteral("text"), value->get_true_value_string());
    } else {
        const qint64 scale = QMachineValue::scale_magnitude(value->get_value_property(VALUE_SCALE).toInt());
        o.insert(QStringLiteral("value"), double(number) / double(scale));
    }
    o.insert(QStringLiteral("raw"), double(value->get_base_value()));
    return o;
}

// The exchange reports its end from the event loop after its group ended;
// its results are complete only then.
void settle(const QParamExchange &exchange)
{
    QElapsedTimer clock;
    clock.start();
    while (exchange.is_running() && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Waits in short steps so that an interrupt ends the wait soon.
void pause(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!g_interrupted && clock.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(std::min<qint64>(50, ms - clock.elapsed()), &loop, &QEventLoop::quit);
        loop.exec();
    }
}

} // namespace

VantorelTool::VantorelTool(const VantorelOptions &options, VantorelOutput &output)
    : m_options(options)
    , m_out(output)
{
}

VantorelTool::~VantorelTool() = default;

int VantorelTool::fail(int exit, const QString &reason, const QJsonObject &partial)
{
    m_out.error(reason);
    if (m_out.json()) {
        QJsonObject o = partial;
        o.insert(QStringLiteral("command"), m_options.command);
        o.insert(QStringLiteral("ok"), false);
        o.insert(QStringLiteral("exit"), exit);
        o.insert(QStringLiteral("error"), reason);
        m_out.document(QJsonDocument(o));
    }
    return exit;
}

bool VantorelTool::load_description(QString *error)
{
    m_description_config = std::make_unique<QMachineConfig>();
    bool loaded = false;
    if (!m_options.machine.isEmpty()) {
        m_description = QFileInfo(m_options.machine).absoluteFilePath();
        loaded = m_description_config->load_file(m_options.machine);
    } else {
        m_description = QDir(QMachineConfig::machines_directory()).filePath(QStringLiteral("default.xml"));
        loaded = m_description_config->load();
    }
    if (!loaded) {
        *error = m_description_config->error_string();
        return false;
    }
    new_model();
    return true;
}

void VantorelTool::new_model()
{
    // Every runtime value is taken when asked for; none is polled by itself.
    m_machine.reset(MachineBuilder::build(*m_description_config, QString(), QString(), QStringList()));
}

tagSerialConfig VantorelTool::link_config() const
{
    QSettingManager settings = m_options.config.isEmpty() ? QSettingManager()
                                                          : QSettingManager(m_options.config);
    settings.load();
    tagSerialConfig config =
        LinkSettings::read([&settings](const QString &key) { return settings.get_value(key); });
    if (!m_options.port.isEmpty())
        config.port_name = m_options.port;
    if (m_options.baud > 0)
        config.baud_rate = m_options.baud;
    if (m_options.parity != 0)
        config.parity = m_options.parity;
    if (m_options.stop > 0)
        config.stop = m_options.stop;
    return config;
}

QList<QMachineValue *> VantorelTool::values_of(const QStringList &codes) const
{
    QList<QMachineValue *> values;
    for (const QString &code : codes)
        values.append(m_machine->get_value(code));
    return values;
}

QList<QMachineValue *> VantorelTool::all_parameters() const
{
    QList<QMachineValue *> values;
    const QList<tagValueGroup *> groups = m_machine->get_groups();
    for (tagValueGroup *group : groups)
        values.append(group->m_values);
    return values;
}

QString VantorelTool::station_file(const QString &pattern, int station) const
{
    if (pattern.contains(QLatin1String("{station}")))
        return QString(pattern).replace(QLatin1String("{station}"), QString::number(station));
    if (!m_options.several_stations)
        return pattern;
    const QFileInfo info(pattern);
    const QString suffix = info.suffix();
    const QString base = suffix.isEmpty() ? pattern : pattern.left(pattern.size() - suffix.size() - 1);
    return base + QLatin1Char('-') + QString::number(station) + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
}

// ---------------------------------------------------------------------------

int VantorelTool::run()
{
    const QString &command = m_options.command;
    if (command == QLatin1String("ports"))
        return ports();
    if (command == QLatin1String("scan"))
        return scan();
    if (command == QLatin1String("history"))
        return history();

    const bool several_allowed = command == QLatin1String("get") || command == QLatin1String("set")
        || command == QLatin1String("upload") || command == QLatin1String("download")
        || command == QLatin1String("compare");
    if (m_options.several_stations && !several_allowed)
        return fail(VantorelExit::Usage, tr_tool("%1 不能用于多个站号").arg(command));

    // The probe of the first station reads the version only; it goes out
    // while the description is loaded and the input checked, so a script
    // waits for the line, not for both. A check that fails closes the port
    // before anything is written.
    m_config = link_config();
    const QList<int> stations = m_options.stations.isEmpty() ? QList<int>{m_config.station} : m_options.stations;
    m_early_link = make_link();
    m_early_link->start(m_config, stations.first());
    QCoreApplication::processEvents();

    const int prepared = prepare();
    if (prepared != VantorelExit::Done)
        return prepared;

    if (!m_options.several_stations) {
        const Result result = serve(stations.first());
        if (result.exit != VantorelExit::Done) {
            // A set, a download or a compare that found something still
            // says what it did and found.
            if (!m_out.json() && (!result.rows.isEmpty() || !result.lines.isEmpty()))
                print(result);
            return fail(result.exit, result.error, result.json);
        }
        print(result);
        return VantorelExit::Done;
    }

    // Several stations: each one in turn, a failure does not stop the others.
    int exit = VantorelExit::Done;
    QJsonArray json_stations;
    QList<QStringList> summary;
    QStringList failed;
    for (int station : stations) {
        Result result = serve(station);
        if (result.exit != VantorelExit::Done) {
            failed.append(QString::number(station));
            if (exit == VantorelExit::Done)
                exit = result.exit;
        }
        if (m_out.json()) {
            QJsonObject o = result.json;
            o.insert(QStringLiteral("station"), station);
            o.insert(QStringLiteral("ok"), result.exit == VantorelExit::Done);
            o.insert(QStringLiteral("exit"), result.exit);
            if (result.exit != VantorelExit::Done)
                o.insert(QStringLiteral("error"), result.error);
            json_stations.append(o);
        } else if (result.exit == VantorelExit::Done || !result.rows.isEmpty() || !result.lines.isEmpty()) {
            m_out.line(tr_tool("== 站号 %1").arg(station));
            print(result);
        }
        summary.append({QString::number(station),
                        result.exit == VantorelExit::Done ? tr_tool("成功") : tr_tool("失败"),
                        QString::number(result.exit), result.error});
    }
    // One line on standard error; the summary says why for each station.
    if (!failed.isEmpty()) {
        m_out.error(tr_tool("%1 个站号中 %2 个失败：%3")
                        .arg(stations.size())
                        .arg(failed.size())
                        .arg(failed.join(QStringLiteral(", "))));
    }
    if (m_out.json()) {
        QJsonObject o;
        o.insert(QStringLiteral("command"), m_options.command);
        o.insert(QStringLiteral("ok"), exit == VantorelExit::Done);
        o.insert(QStringLiteral("exit"), exit);
        o.insert(QStringLiteral("stations"), json_stations);
        m_out.document(QJsonDocument(o));
    } else {
        m_out.line(QString());
        m_out.table({tr_tool("站号"), tr_tool("结果"), tr_tool("退出码"), tr_tool("原因")}, summary);
    }
    return exit;
}

void VantorelTool::print(const Result &result)
{
    if (m_out.json()) {
        QJsonObject o = result.json;
        o.insert(QStringLiteral("command"), m_options.command);
        o.insert(QStringLiteral("ok"), result.exit == VantorelExit::Done);
        o.insert(QStringLiteral("exit"), result.exit);
        m_out.document(QJsonDocument(o));
        return;
    }
    if (!result.header.isEmpty())
        m_out.table(result.header, result.rows);
    for (const QString &line : result.lines)
        m_out.line(line);
}

// Everything that can be checked without the drive, before anything is
// asked of it but the first station's version: a set or a download that
// fails here writes nothing anywhere.
int VantorelTool::prepare()
{
    const QString &command = m_options.command;
    const QStringList &args = m_options.arguments;
    const auto want_args = [&](int lowest, int highest) {
        return args.size() >= lowest && (highest < 0 || args.size() <= highest);
    };
    if ((command == QLatin1String("info") && !want_args(0, 0))
        || ((command == QLatin1String("get") || command == QLatin1String("set")
             || command == QLatin1String("monitor"))
            && !want_args(1, -1))
        || ((command == QLatin1String("upload") || command == QLatin1String("download")) && !want_args(1, 1))) {
        return fail(VantorelExit::Usage,
                    tr_tool("%1 的参数不对；vantorel %1 --help 说明用法").arg(command));
    }
    if (command == QLatin1String("upload") && m_options.several_stations && args.first().isEmpty())
        return fail(VantorelExit::Usage, tr_tool("没有给出文件名"));

    if (command == QLatin1String("compare")) {
        const int sources = int(!args.isEmpty()) + int(m_options.defaults) + int(!m_options.snapshot.isEmpty());
        if (sources != 1 || args.size() > 1)
            return fail(VantorelExit::Usage, tr_tool("compare 要一个比较对象：文件、--defaults 或 --snapshot ID"));
    }

    QString error;
    if (!load_description(&error))
        return fail(VantorelExit::FileError, tr_tool("机器描述无法加载：%1").arg(error));

    if (command == QLatin1String("get") || command == QLatin1String("monitor")) {
        for (const QString &code : args) {
            if (!m_machine->get_value(code))
                return fail(VantorelExit::Usage, tr_tool("未知的参数代码 %1").arg(code));
        }
    } else if (command == QLatin1String("set")) {
        for (const QString &arg : args) {
            const int eq = int(arg.indexOf(QLatin1Char('=')));
            if (eq <= 0)
                return fail(VantorelExit::Usage, tr_tool("“%1”应写成 代码=数值").arg(arg));
            const QString code = arg.left(eq).trimmed();
            const QString text = arg.mid(eq + 1);
            QMachineValue *value = m_machine->get_value(code);
            if (!value)
                return fail(VantorelExit::Usage, tr_tool("未知的参数代码 %1").arg(code));
            // Each value is written and then read back as one: a second
            // write of the same code would make the first read-back a lie.
            for (const auto &earlier : std::as_const(m_writes)) {
                if (earlier.first == code)
                    return fail(VantorelExit::Usage, tr_tool("%1 给出了两次").arg(code));
            }
            if (!m_machine->check_value_right(value))
                return fail(VantorelExit::Usage, tr_tool("%1 是只读参数，不能写入").arg(code));
            const ParamEdit::Check check = ParamEdit::check_text(value, text);
            if (check.kind != ParamEdit::Check::Ok) {
                return fail(VantorelExit::Usage,
                            tr_tool("%1 %2：%3，没有写入任何参数").arg(code, name_of(value), check.reason));
            }
            m_writes.append({code, check.raw});
        }
    } else if (command == QLatin1String("compare")) {
        QStringList problems;
        if (m_options.defaults) {
            m_other = ParamCompare::defaults_of(m_machine.get(), &problems);
            m_other_title = tr_tool("默认值");
        } else if (!m_options.snapshot.isEmpty()) {
            bool ok = false;
            const qint64 id = m_options.snapshot.toLongLong(&ok);
            QParamHistory *database = history_database(false);
            if (!database)
                return fail(VantorelExit::FileError, tr_tool("历史记录无法打开：%1").arg(m_history->error_string()));
            tagParamSnapshot snapshot;
            if (!ok || !database->load(id, &snapshot))
                return fail(VantorelExit::Usage, tr_tool("历史记录中没有 %1").arg(m_options.snapshot));
            m_other = snapshot.values;
            m_other_title = tr_tool("记录 %1").arg(id);
        } else {
            const QString &path = args.first();
            QCSVFile table;
            QString reason;
            if (!ParamSetFile::read_file(path, &table, &reason))
                return fail(VantorelExit::FileError, tr_tool("无法读取参数文件 %1：%2").arg(path, reason));
            const QString header_error = ParamSetFile::check_header(table);
            if (!header_error.isEmpty())
                return fail(VantorelExit::FileError, tr_tool("参数文件 %1 无法加载：%2").arg(path, header_error));
            m_other = ParamSetFile::raw_values(table, m_machine.get(), &problems);
            m_other_title = tr_tool("文件");
        }
        if (!problems.isEmpty()) {
            return fail(VantorelExit::FileError, tr_tool("%1 %2（共 %3 处有误）")
                                                     .arg(m_other_title, problems.first())
                                                     .arg(problems.size()));
        }
    } else if (command == QLatin1String("download")) {
        // Every station's file is checked before the first one is written.
        const QList<int> stations = m_options.stations.isEmpty() ? QList<int>{m_config.station} : m_options.stations;
        for (int station : stations) {
            const QString path = station_file(args.first(), station);
            QCSVFile table;
            QString reason;
            if (!ParamSetFile::read_file(path, &table, &reason))
                return fail(VantorelExit::FileError, tr_tool("无法读取参数文件 %1：%2").arg(path, reason));
            const QString header_error = ParamSetFile::check_header(table);
            if (!header_error.isEmpty())
                return fail(VantorelExit::FileError, tr_tool("参数文件 %1 无法加载：%2").arg(path, header_error));
            const ParamSetFile::DownloadPlan plan = ParamSetFile::plan_download(table, m_machine.get());
            if (!plan.refused.isEmpty()) {
                return fail(VantorelExit::FileError,
                            tr_tool("参数文件 %1 %2（共 %3 行有误），没有写入任何参数")
                                .arg(path, plan.refused.first())
                                .arg(plan.refused.size()));
            }
            if (plan.writes.isEmpty())
                return fail(VantorelExit::FileError, tr_tool("参数文件 %1 中没有可以下载的参数").arg(path));
        }
    }
    return VantorelExit::Done;
}

std::unique_ptr<VantorelLink> VantorelTool::make_link()
{
    auto link = std::make_unique<VantorelLink>();
    link->set_namer([this](int address) {
        QMachineValue *value = m_machine ? m_machine->get_value(address) : nullptr;
        return value ? code_of(value) + QLatin1Char(' ') + name_of(value) : QString();
    });
    if (m_options.timeout > 0 || m_options.retries >= 0) {
        const int timeout = m_options.timeout > 0 ? m_options.timeout : 500;
        const int retries = m_options.retries >= 0 ? m_options.retries : 2;
        link->set_timeout(timeout, retries);
        link->set_connect_wait(std::max(1000, 2 * timeout * (retries + 1)));
    }
    return link;
}

VantorelTool::Result VantorelTool::serve(int station)
{
    Result result;
    // Each station starts from a model that holds nothing read yet.
    if (m_served_any)
        new_model();
    m_served_any = true;

    // The first station's probe has been on its way since the start.
    std::unique_ptr<VantorelLink> owned = std::move(m_early_link);
    if (!owned || owned->station() != station) {
        owned = make_link();
        owned->start(m_config, station);
    }
    VantorelLink &link = *owned;
    if (!link.wait_online()) {
        result.exit = link.exit_code();
        result.error = link.error();
        return result;
    }

    const QString &command = m_options.command;
    if (command == QLatin1String("info"))
        return info(link);
    if (command == QLatin1String("get"))
        return get(link);
    if (command == QLatin1String("set"))
        return set(link);
    if (command == QLatin1String("upload"))
        return upload(link);
    if (command == QLatin1String("download"))
        return download(link);
    if (command == QLatin1String("compare"))
        return compare(link);
    return monitor(link);
}

bool VantorelTool::read_values(VantorelLink &link, const QList<QMachineValue *> &values, int level,
                               int type, const QString &label, Result *result)
{
    QList<QMission *> missions = ParamMissions::read_missions(values, link.station());
    for (QMission *mission : std::as_const(missions)) {
        mission->set_attribute(MissionKey::level(), QVariant(level));
        mission->set_attribute(MissionKey::type(), QVariant(type));
    }
    QMachine *machine = m_machine.get();
    const bool ok = link.run(
        missions, [machine, &values](const QMission &m) { ParamMissions::take_answer(machine, m, values); },
        [this, &label](int done, int total) { m_out.progress(label, done, total); });
    m_out.end_progress();
    qDeleteAll(missions);
    if (!ok) {
        result->exit = link.exit_code();
        result->error = link.error();
    }
    return ok;
}

// ---------------------------------------------------------------------------
// The commands

int VantorelTool::ports()
{
    if (!m_options.arguments.isEmpty())
        return fail(VantorelExit::Usage, tr_tool("ports 不带参数"));
    QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    std::sort(ports.begin(), ports.end(), [](const QSerialPortInfo &a, const QSerialPortInfo &b) {
        return a.portName() < b.portName();
    });
    QJsonArray array;
    QList<QStringList> rows;
    for (const QSerialPortInfo &port : std::as_const(ports)) {
        QJsonObject o;
        o.insert(QStringLiteral("name"), port.portName());
        o.insert(QStringLiteral("device"), port.systemLocation());
        o.insert(QStringLiteral("description"), port.description());
        o.insert(QStringLiteral("manufacturer"), port.manufacturer());
        array.append(o);
        rows.append({port.systemLocation(), port.description(), port.manufacturer()});
    }
    if (m_out.json()) {
        QJsonObject o;
        o.insert(QStringLiteral("command"), QStringLiteral("ports"));
        o.insert(QStringLiteral("ok"), true);
        o.insert(QStringLiteral("exit"), 0);
        o.insert(QStringLiteral("ports"), array);
        m_out.document(QJsonDocument(o));
    } else if (rows.isEmpty()) {
        m_out.line(tr_tool("系统没有列出串口"));
    } else {
        m_out.table({tr_tool("端口"), tr_tool("说明"), tr_tool("厂家")}, rows);
    }
    return VantorelExit::Done;
}

VantorelTool::Result VantorelTool::info(VantorelLink &link)
{
    Result result;
    const QString port = QCommunicate::port_for(m_config);
    int parameters = 0;
    const QList<tagValueGroup *> groups = m_machine->get_groups();
    for (tagValueGroup *group : groups)
        parameters += int(group->m_values.size());
    const int runtimes = int(m_machine->get_all_runtimes().size());

    result.json.insert(QStringLiteral("port"), port);
    result.json.insert(QStringLiteral("station"), link.station());
    result.json.insert(QStringLiteral("version"), link.version());
    result.json.insert(QStringLiteral("description"), m_description);
    result.json.insert(QStringLiteral("machine_name"), m_machine->get_name());
    result.json.insert(QStringLiteral("groups"), int(groups.size()));
    result.json.insert(QStringLiteral("parameters"), parameters);
    result.json.insert(QStringLiteral("runtime_values"), runtimes);
    result.header = {tr_tool("项目"), tr_tool("内容")};
    result.rows = {
        {tr_tool("端口"), port},
        {tr_tool("站号"), QString::number(link.station())},
        {tr_tool("软件版本"), QString::number(link.version())},
        {tr_tool("机器描述"), QDir::toNativeSeparators(m_description)},
        {tr_tool("机型"), m_machine->get_name()},
        {tr_tool("参数组"), QString::number(groups.size())},
        {tr_tool("参数"), QString::number(parameters)},
        {tr_tool("运行值"), QString::number(runtimes)},
    };
    return result;
}

VantorelTool::Result VantorelTool::get(VantorelLink &link)
{
    Result result;
    const QList<QMachineValue *> values = values_of(m_options.arguments);
    if (!read_values(link, values, MissionLevel::PageWork, MISSION_READ, tr_tool("读取"), &result))
        return result;

    QJsonArray array;
    for (QMachineValue *value : values) {
        array.append(json_of(value));
        if (m_options.raw) {
            result.rows.append({code_of(value), name_of(value), QString::number(value->get_base_value())});
        } else {
            result.rows.append({code_of(value), name_of(value), value->get_true_value_string(), unit_of(value)});
        }
    }
    result.json.insert(QStringLiteral("station"), link.station());
    result.json.insert(QStringLiteral("values"), array);
    result.header = m_options.raw
        ? QStringList{tr_tool("代码"), tr_tool("名称"), tr_tool("原始值")}
        : QStringList{tr_tool("代码"), tr_tool("名称"), tr_tool("值"), tr_tool("单位")};
    return result;
}

VantorelTool::Result VantorelTool::set(VantorelLink &link)
{
    Result result;
    const int station = link.station();
    QList<QMission *> missions;
    QList<QMachineValue *> values;
    for (const auto &write : std::as_const(m_writes)) {
        QMachineValue *value = m_machine->get_value(write.first);
        values.append(value);
        missions.append(ParamMissions::write_missions(value, write.second, station));
        missions.append(ParamMissions::read_back_mission(value, station));
    }
    QMachine *machine = m_machine.get();
    const bool ok = link.run(missions, [machine, &values](const QMission &m) {
        if (m.mission_type() == MISSION_READ_BACK)
            ParamMissions::take_answer(machine, m, values);
    });
    qDeleteAll(missions);

    QJsonArray array;
    QStringList differing;
    for (int i = 0; i < values.size(); ++i) {
        QMachineValue *value = values.at(i);
        const int wanted = m_writes.at(i).second;
        const bool same = value->has_value() && value->get_base_value() == wanted;
        if (value->has_value() && !same)
            differing.append(code_of(value));
        QJsonObject o = json_of(value);
        o.insert(QStringLiteral("written"), double(wanted));
        o.insert(QStringLiteral("same"), same);
        array.append(o);
        result.rows.append({code_of(value), name_of(value), value->text_of_raw(wanted),
                            value->get_true_value_string(), unit_of(value)});
    }
    result.header = {tr_tool("代码"), tr_tool("名称"), tr_tool("写入"), tr_tool("读回"), tr_tool("单位")};
    result.json.insert(QStringLiteral("station"), station);
    result.json.insert(QStringLiteral("values"), array);
    if (!ok) {
        result.exit = link.exit_code();
        result.error = link.error();
    } else if (!differing.isEmpty()) {
        result.exit = VantorelExit::Differences;
        result.error = tr_tool("读回的值与写入的不同：%1").arg(differing.join(QStringLiteral(", ")));
    }
    return result;
}

VantorelTool::Result VantorelTool::upload(VantorelLink &link)
{
    Result result;
    const QString path = station_file(m_options.arguments.first(), link.station());
    // The missions of the workbench's upload: each group's reads, in order.
    QList<QMission *> missions;
    const QList<tagValueGroup *> groups = m_machine->get_groups();
    for (tagValueGroup *group : groups)
        missions.append(ParamMissions::read_missions(group->m_values, link.station()));
    for (QMission *mission : std::as_const(missions)) {
        mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::PageWork));
        mission->set_attribute(MissionKey::type(), QVariant(int(MISSION_READ_BACK)));
    }
    QMachine *machine = m_machine.get();
    const QString label = tr_tool("上传");
    QElapsedTimer reading;
    reading.start();
    const bool ok = link.watch(
        [&] {
            link.manager()->add_mission_group(missions, QString());
            // The history is opened once the reads are under way, so that
            // the end waits only for its record.
            QCoreApplication::processEvents();
            history_database(true);
        },
        [machine](const QMission &m) { ParamMissions::take_answer(machine, m, {}); },
        [this, &label](int done, int total) { m_out.progress(label, done, total); });
    const double read_ms = reading.nsecsElapsed() / 1e6;
    m_out.end_progress();
    qDeleteAll(missions);
    if (!ok) {
        result.exit = link.exit_code();
        result.error = tr_tool("上传参数失败：%1").arg(link.error());
        return result;
    }

    const QList<QMachineValue *> values = all_parameters();
    const QByteArray bytes = QLocalCodec::encode(ParamSetFile::build_table(values).save());
    QString reason;
    if (!QSafeFile::write(path, bytes, &reason)) {
        result.exit = VantorelExit::FileError;
        result.error = tr_tool("参数文件 %1 保存失败：%2").arg(path, reason);
        return result;
    }
    record(link, ParamSnapshot::upload(), ParamSnapshot::values_of(m_machine.get()));
    result.json.insert(QStringLiteral("station"), link.station());
    result.json.insert(QStringLiteral("file"), QFileInfo(path).absoluteFilePath());
    result.json.insert(QStringLiteral("parameters"), int(values.size()));
    // How long the reads took on the line, for a production line's log.
    result.json.insert(QStringLiteral("read_ms"), read_ms);
    result.lines.append(tr_tool("已上传 %1 个参数到 %2").arg(values.size()).arg(QDir::toNativeSeparators(path)));
    return result;
}

VantorelTool::Result VantorelTool::download(VantorelLink &link)
{
    Result result;
    const int station = link.station();
    const QString path = station_file(m_options.arguments.first(), station);
    QCSVFile table;
    QString reason;
    if (!ParamSetFile::read_file(path, &table, &reason)) {
        result.exit = VantorelExit::FileError;
        result.error = tr_tool("无法读取参数文件 %1：%2").arg(path, reason);
        return result;
    }
    const ParamSetFile::DownloadPlan plan = ParamSetFile::plan_download(table, m_machine.get());
    if (!plan.refused.isEmpty() || plan.writes.isEmpty() || !ParamSetFile::check_header(table).isEmpty()) {
        // The file changed since it was checked.
        result.exit = VantorelExit::FileError;
        result.error = tr_tool("参数文件 %1 已改变，没有写入").arg(path);
        return result;
    }

    result.json.insert(QStringLiteral("station"), station);
    result.json.insert(QStringLiteral("file"), QFileInfo(path).absoluteFilePath());
    result.json.insert(QStringLiteral("parameters"), int(plan.writes.size()));

    // First the drive's values as they are, so the download can be undone
    // from the history.
    if (!m_options.no_backup) {
        QList<tagParamRaw> before;
        if (!read_all(link, tr_tool("备份"), &before, &result)) {
            result.error = tr_tool("读取设备当前参数失败，没有写入任何参数：%1").arg(result.error);
            return result;
        }
        record(link, ParamSnapshot::backup(), before);
    }

    const QString label = tr_tool("下载");
    const auto progress = [this, &label](int done, int total) { m_out.progress(label, done, total); };
    QList<ParamVerify::Write> writes;
    for (const ParamSetFile::DownloadPlan::Write &write : plan.writes)
        writes.append({write.value, write.raw});
    bool ok = false;
    tagVerifyReport report;
    if (m_options.no_verify) {
        QList<QMission *> missions;
        for (const ParamVerify::Write &write : std::as_const(writes))
            missions.append(ParamMissions::write_missions(write.value, write.raw, station));
        ok = link.run(missions, {}, progress);
        qDeleteAll(missions);
        // Unverified, the model (and so the download's snapshot) takes only
        // what the drive acknowledged.
        QSet<int> failed;
        for (const VantorelLink::Failure &f : link.failures())
            failed.insert(f.address);
        for (const ParamVerify::Write &write : std::as_const(writes)) {
            const int address = write.value->get_value_property(VALUE_ADDRESS).toInt();
            if (!failed.contains(address) && !failed.contains(address + write.value->words() - 1))
                write.value->set_base_value(write.raw);
        }
    } else {
        QParamExchange exchange(link.manager(), station);
        ok = link.watch([&] { exchange.write_and_verify(writes); }, {}, progress);
        settle(exchange);
        report = exchange.report();
        const QHash<QMachineValue *, int> read_back = exchange.values();
        for (auto it = read_back.constBegin(); it != read_back.constEnd(); ++it)
            it.key()->set_base_value(it.value());
    }
    m_out.end_progress();
    record(link, ParamSnapshot::download(), ParamSnapshot::values_of(m_machine.get()));

    result.json.insert(QStringLiteral("failed_writes"), int(link.failures().size()));
    if (!ok) {
        result.exit = link.exit_code();
        result.error = tr_tool("下载参数失败：%1").arg(link.error());
        return result;
    }
    if (m_options.no_verify) {
        result.lines.append(tr_tool("已下载 %1 个参数到站号 %2（没有核对）").arg(writes.size()).arg(station));
        return result;
    }
    result.json.insert(QStringLiteral("verified"), report.verified);
    QJsonArray differences;
    for (const tagVerifyReport::Row &row : std::as_const(report.different)) {
        QJsonObject o;
        o.insert(QStringLiteral("code"), code_of(row.value));
        o.insert(QStringLiteral("name"), name_of(row.value));
        o.insert(QStringLiteral("wanted"), double(row.wanted));
        o.insert(QStringLiteral("drive"), double(row.drive));
        differences.append(o);
    }
    result.json.insert(QStringLiteral("differences"), differences);
    const QStringList lines = ParamVerify::lines(report);
    if (!report.all_verified()) {
        result.lines = lines;
        result.exit = VantorelExit::Differences;
        result.error = tr_tool("核对发现 %1 处不同：%2").arg(lines.size()).arg(lines.value(0));
        return result;
    }
    result.lines.append(tr_tool("已下载 %1 个参数到站号 %2，读回核对一致").arg(writes.size()).arg(station));
    return result;
}

VantorelTool::Result VantorelTool::monitor(VantorelLink &link)
{
    Result result;
    const QList<QMachineValue *> values = values_of(m_options.arguments);

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
    if (!m_options.csv.isEmpty()) {
        csv.setFileName(m_options.csv);
        if (!csv.open(QIODevice::WriteOnly | QIODevice::Truncate) || !csv_line(header)) {
            result.exit = VantorelExit::FileError;
            result.error = tr_tool("无法写入 %1：%2").arg(m_options.csv, csv.errorString());
            return result;
        }
    }
    if (!m_out.json())
        m_out.line(header.join(QStringLiteral("  ")));

    g_interrupted = 0;
    const auto old_int = std::signal(SIGINT, on_interrupt);
    const auto old_term = std::signal(SIGTERM, on_interrupt);
    QJsonArray samples;
    QElapsedTimer clock;
    clock.start();
    qint64 next = 0;
    for (int n = 0; !g_interrupted && (m_options.count == 0 || n < m_options.count); ++n) {
        if (n > 0) {
            next += m_options.period;
            pause(int(std::max<qint64>(0, next - clock.elapsed())));
            if (g_interrupted)
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
        if (!m_out.json())
            m_out.line(cells.join(QStringLiteral("  ")));
        if (csv.isOpen() && !csv_line(cells)) {
            result.exit = VantorelExit::FileError;
            result.error = tr_tool("无法写入 %1：%2").arg(m_options.csv, csv.errorString());
            break;
        }
    }
    std::signal(SIGINT, old_int);
    std::signal(SIGTERM, old_term);

    QJsonArray codes;
    for (QMachineValue *value : values)
        codes.append(code_of(value));
    result.json.insert(QStringLiteral("station"), link.station());
    result.json.insert(QStringLiteral("codes"), codes);
    result.json.insert(QStringLiteral("samples"), samples);
    return result;
}

// ---------------------------------------------------------------------------
// Comparison and history

bool VantorelTool::read_all(VantorelLink &link, const QString &label, QList<tagParamRaw> *values, Result *result)
{
    const QList<QMachineValue *> parameters = all_parameters();
    QParamExchange exchange(link.manager(), link.station());
    const bool ok = link.watch([&] { exchange.read(parameters); }, {},
                               [this, &label](int done, int total) { m_out.progress(label, done, total); });
    settle(exchange);
    m_out.end_progress();
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

QParamHistory *VantorelTool::history_database(bool for_writing)
{
    // Beside the settings, wherever they live, as the workbench keeps it.
    const QString settings = m_options.config.isEmpty() ? QSettingManager::default_file() : m_options.config;
    if (!m_history) {
        m_history = std::make_unique<QParamHistory>(QParamHistory::path_beside(settings));
        m_history->open();
    }
    if (!m_history->is_open() || (for_writing && !m_history->is_writable()))
        return nullptr;
    return m_history.get();
}

void VantorelTool::record(VantorelLink &link, const QString &operation, const QList<tagParamRaw> &values)
{
    tagParamSnapshot snapshot = ParamSnapshot::of_machine(m_machine.get(), operation);
    snapshot.values = values;
    snapshot.value_count = int(values.size());
    snapshot.port = link.port();
    snapshot.station = link.station();
    snapshot.drive_version = link.version();
    QParamHistory *database = history_database(true);
    if (database && database->record(snapshot) != 0)
        return;
    if (!m_history_warned) {
        m_history_warned = true;
        m_out.error(tr_tool("历史记录不可用（%1），本次没有记录").arg(m_history->error_string()));
    }
}

VantorelTool::Result VantorelTool::compare(VantorelLink &link)
{
    Result result;
    QList<tagParamRaw> drive;
    if (!read_all(link, tr_tool("读取"), &drive, &result))
        return result;
    record(link, ParamSnapshot::compare(), drive);

    const QList<tagParamDifference> differences = ParamCompare::compare(drive, m_other, m_machine.get());
    QJsonArray array;
    for (const tagParamDifference &d : differences) {
        const QString name = d.value ? name_of(d.value) : QString();
        const QString unit = d.value ? unit_of(d.value) : QString();
        result.rows.append({d.code, name, ParamCompare::text_of(d, true), ParamCompare::text_of(d, false), unit});
        QJsonObject o;
        o.insert(QStringLiteral("code"), d.code);
        o.insert(QStringLiteral("name"), name);
        if (d.kind != tagParamDifference::OnlyRight) {
            o.insert(QStringLiteral("drive"), double(d.left));
            o.insert(QStringLiteral("drive_text"), ParamCompare::text_of(d, true));
        }
        if (d.kind != tagParamDifference::OnlyLeft) {
            o.insert(QStringLiteral("other"), double(d.right));
            o.insert(QStringLiteral("other_text"), ParamCompare::text_of(d, false));
        }
        array.append(o);
    }
    result.json.insert(QStringLiteral("station"), link.station());
    result.json.insert(QStringLiteral("against"), m_other_title);
    result.json.insert(QStringLiteral("compared"), int(drive.size()));
    result.json.insert(QStringLiteral("differences"), array);
    if (differences.isEmpty()) {
        result.lines.append(tr_tool("%1 个参数与%2一致").arg(drive.size()).arg(m_other_title));
        return result;
    }
    result.header = {tr_tool("代码"), tr_tool("名称"), tr_tool("设备"), m_other_title, tr_tool("单位")};
    result.exit = VantorelExit::Differences;
    result.error = tr_tool("%1 个参数与%2不同").arg(differences.size()).arg(m_other_title);
    return result;
}

int VantorelTool::history()
{
    const QStringList &args = m_options.arguments;
    const QString verb = args.value(0, QStringLiteral("list"));
    const bool well_formed = (verb == QLatin1String("list") && args.size() <= 1)
        || (verb == QLatin1String("show") && args.size() == 2)
        || (verb == QLatin1String("export") && args.size() == 3);
    if (!well_formed)
        return fail(VantorelExit::Usage, tr_tool("history 的参数不对；vantorel history --help 说明用法"));
    QParamHistory *database = history_database(false);
    if (!database)
        return fail(VantorelExit::FileError, tr_tool("历史记录无法打开：%1").arg(m_history->error_string()));

    if (verb == QLatin1String("list")) {
        const QList<tagParamSnapshot> list = database->list();
        QJsonArray array;
        QList<QStringList> rows;
        for (const tagParamSnapshot &snapshot : list) {
            const QString time = snapshot.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            QJsonObject o;
            o.insert(QStringLiteral("id"), double(snapshot.id));
            o.insert(QStringLiteral("time"), snapshot.time.toString(Qt::ISODate));
            o.insert(QStringLiteral("operation"), snapshot.operation);
            o.insert(QStringLiteral("port"), snapshot.port);
            o.insert(QStringLiteral("station"), snapshot.station);
            o.insert(QStringLiteral("drive_version"), snapshot.drive_version);
            o.insert(QStringLiteral("values"), snapshot.value_count);
            array.append(o);
            rows.append({QString::number(snapshot.id), time, ParamSnapshot::operation_text(snapshot.operation),
                         snapshot.port, QString::number(snapshot.station), QString::number(snapshot.drive_version),
                         QString::number(snapshot.value_count)});
        }
        if (m_out.json()) {
            QJsonObject o;
            o.insert(QStringLiteral("command"), QStringLiteral("history"));
            o.insert(QStringLiteral("ok"), true);
            o.insert(QStringLiteral("exit"), 0);
            o.insert(QStringLiteral("snapshots"), array);
            m_out.document(QJsonDocument(o));
        } else {
            m_out.table({tr_tool("编号"), tr_tool("时间"), tr_tool("操作"), tr_tool("端口"), tr_tool("站号"),
                         tr_tool("软件版本"), tr_tool("参数")},
                        rows);
        }
        return VantorelExit::Done;
    }

    bool ok = false;
    const qint64 id = args.at(1).toLongLong(&ok);
    tagParamSnapshot snapshot;
    if (!ok || !database->load(id, &snapshot))
        return fail(VantorelExit::Usage, tr_tool("历史记录中没有 %1").arg(args.at(1)));
    QString error;
    if (!load_description(&error))
        return fail(VantorelExit::FileError, tr_tool("机器描述无法加载：%1").arg(error));
    const QCSVFile table = ParamSnapshot::to_table(snapshot, m_machine.get());

    if (verb == QLatin1String("export")) {
        const QString &path = args.at(2);
        QString reason;
        if (!QSafeFile::write(path, QLocalCodec::encode(table.save()), &reason))
            return fail(VantorelExit::FileError, tr_tool("参数文件 %1 保存失败：%2").arg(path, reason));
        if (m_out.json()) {
            QJsonObject o;
            o.insert(QStringLiteral("command"), QStringLiteral("history"));
            o.insert(QStringLiteral("ok"), true);
            o.insert(QStringLiteral("exit"), 0);
            o.insert(QStringLiteral("file"), QFileInfo(path).absoluteFilePath());
            o.insert(QStringLiteral("parameters"), int(snapshot.values.size()));
            m_out.document(QJsonDocument(o));
        } else {
            m_out.line(tr_tool("记录 %1 的 %2 个参数已写入 %3").arg(id).arg(snapshot.values.size()).arg(path));
        }
        return VantorelExit::Done;
    }

    // show: the rows of the parameter file it stands for.
    QJsonArray values;
    QList<QStringList> rows;
    for (int row = 1; row < table.size(); ++row) {
        if (table.size(row) < 5)
            continue;
        rows.append({table.get_text(0, row), table.get_text(1, row), table.get_text(2, row),
                     table.get_text(3, row), table.get_text(4, row)});
        QJsonObject o;
        o.insert(QStringLiteral("code"), table.get_text(0, row));
        o.insert(QStringLiteral("name"), table.get_text(1, row));
        o.insert(QStringLiteral("unit"), table.get_text(3, row));
        o.insert(QStringLiteral("raw"), table.get_text(4, row).toDouble());
        values.append(o);
    }
    if (m_out.json()) {
        QJsonObject o;
        o.insert(QStringLiteral("command"), QStringLiteral("history"));
        o.insert(QStringLiteral("ok"), true);
        o.insert(QStringLiteral("exit"), 0);
        o.insert(QStringLiteral("id"), double(snapshot.id));
        o.insert(QStringLiteral("time"), snapshot.time.toString(Qt::ISODate));
        o.insert(QStringLiteral("operation"), snapshot.operation);
        o.insert(QStringLiteral("station"), snapshot.station);
        o.insert(QStringLiteral("values"), values);
        m_out.document(QJsonDocument(o));
    } else {
        m_out.line(tr_tool("记录 %1：%2 %3，站号 %4")
                       .arg(id)
                       .arg(snapshot.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                            ParamSnapshot::operation_text(snapshot.operation))
                       .arg(snapshot.station));
        m_out.table({tr_tool("代码"), tr_tool("名称"), tr_tool("值"), tr_tool("单位"), tr_tool("原始值")}, rows);
    }
    return VantorelExit::Done;
}

// ---------------------------------------------------------------------------
// Device search

int VantorelTool::scan()
{
    if (!m_options.arguments.isEmpty())
        return fail(VantorelExit::Usage, tr_tool("scan 不带参数；vantorel scan --help 说明用法"));
    tagSearchPlan plan;
    plan.ports = m_options.scan_ports;
    if (plan.ports.isEmpty() && !m_options.port.isEmpty())
        plan.ports = {m_options.port};
    if (plan.ports.isEmpty()) {
        const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo &port : ports)
            plan.ports.append(port.systemLocation());
        plan.ports.sort();
    }
    plan.baud_rates = m_options.scan_bauds.isEmpty()
        ? (m_options.baud > 0 ? QList<int>{m_options.baud} : tagSearchPlan::standard_baud_rates())
        : m_options.scan_bauds;
    const QString parities = !m_options.scan_parities.isEmpty() ? m_options.scan_parities
        : m_options.parity != 0                                ? QString(QLatin1Char(m_options.parity))
                                                               : QString();
    if (parities.isEmpty() && m_options.stop == 0) {
        plan.framings = tagSearchPlan::standard_framings();
    } else {
        for (const QChar parity : parities.isEmpty() ? QStringLiteral("n") : parities)
            plan.framings.append({parity.toLatin1(), m_options.stop > 0 ? m_options.stop : 1});
    }
    if (!m_options.stations.isEmpty()) {
        plan.first_station = *std::min_element(m_options.stations.cbegin(), m_options.stations.cend());
        plan.last_station = *std::max_element(m_options.stations.cbegin(), m_options.stations.cend());
    }
    plan.wait_ms = m_options.wait;
    if (plan.ports.isEmpty())
        return fail(VantorelExit::NoLink, tr_tool("系统没有列出串口；用 --ports 给出要搜索的端口"));
    const QString problem = plan.check();
    if (!problem.isEmpty())
        return fail(VantorelExit::Usage, problem);

    QDeviceSearch search;
    QStringList failed_settings;
    QEventLoop loop;
    QObject::connect(&search, &QDeviceSearch::progress, &loop, [this](int done, int total, qint64) {
        m_out.progress(tr_tool("搜索"), done, total);
    });
    QObject::connect(&search, &QDeviceSearch::setting_failed, &loop,
                     [&failed_settings](const tagSerialConfig &config, const QString &reason) {
                         failed_settings.append(QStringLiteral("%1 %2：%3")
                                                    .arg(QCommunicate::port_for(config))
                                                    .arg(config.baud_rate)
                                                    .arg(reason));
                     });
    QObject::connect(&search, &QDeviceSearch::finished, &loop, &QEventLoop::quit);
    g_interrupted = 0;
    const auto old_int = std::signal(SIGINT, on_interrupt);
    QTimer watch_interrupt;
    QObject::connect(&watch_interrupt, &QTimer::timeout, &loop, [&search] {
        if (g_interrupted)
            search.stop();
    });
    watch_interrupt.start(50);
    if (!search.start(plan)) {
        std::signal(SIGINT, old_int);
        return fail(VantorelExit::Usage, search.error());
    }
    loop.exec();
    std::signal(SIGINT, old_int);
    m_out.end_progress();

    const QList<tagFoundDrive> drives = search.found_drives();
    QJsonArray array;
    QList<QStringList> rows;
    for (const tagFoundDrive &drive : drives) {
        const tagSerialConfig &c = drive.config;
        const QString framing = QStringLiteral("%1%2%3")
                                    .arg(c.data_length)
                                    .arg(QChar::fromLatin1(c.parity).toUpper())
                                    .arg(c.stop);
        QJsonObject o;
        o.insert(QStringLiteral("port"), QCommunicate::port_for(c));
        o.insert(QStringLiteral("baud"), c.baud_rate);
        o.insert(QStringLiteral("parity"), QString(QLatin1Char(c.parity)));
        o.insert(QStringLiteral("stop"), c.stop);
        o.insert(QStringLiteral("station"), drive.station);
        if (drive.value >= 0)
            o.insert(QStringLiteral("version"), drive.value);
        else
            o.insert(QStringLiteral("exception"), drive.exception_code);
        o.insert(QStringLiteral("response_ms"), drive.response_ms);
        array.append(o);
        rows.append({QCommunicate::port_for(c), QString::number(c.baud_rate), framing, QString::number(drive.station),
                     drive.value >= 0 ? QString::number(drive.value)
                                      : tr_tool("异常码 %1").arg(drive.exception_code),
                     QString::number(drive.response_ms, 'f', 1)});
    }
    const bool any = !drives.isEmpty();
    if (m_out.json()) {
        QJsonObject o;
        o.insert(QStringLiteral("command"), QStringLiteral("scan"));
        o.insert(QStringLiteral("ok"), any);
        o.insert(QStringLiteral("exit"), any ? VantorelExit::Done : VantorelExit::NoLink);
        o.insert(QStringLiteral("drives"), array);
        o.insert(QStringLiteral("failed_settings"), QJsonArray::fromStringList(failed_settings));
        m_out.document(QJsonDocument(o));
    } else if (any) {
        m_out.table({tr_tool("端口"), tr_tool("波特率"), tr_tool("格式"), tr_tool("站号"), tr_tool("软件版本"),
                     tr_tool("应答(ms)")},
                    rows);
    }
    for (const QString &line : std::as_const(failed_settings))
        m_out.error(line);
    if (!any) {
        m_out.error(tr_tool("没有找到设备"));
        return VantorelExit::NoLink;
    }
    return VantorelExit::Done;
}
