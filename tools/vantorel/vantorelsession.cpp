#include "vantorelsession.h"

#include "vantorellink.h"
#include "vantoreloptions.h"
#include "vantoreloutput.h"
#include "vantoreltr.h"
#include "vantorelvalues.h"

#include <paramset/linksettings.h>
#include <paramset/machinebuilder.h>
#include <paramset/paramsetfile.h>
#include <paramset/qparamhistory.h>

#include <coredata/qsettingmanager.h>

#include <machine/qmachine.h>
#include <database/qmachineconfig.h>
#include <machine/tagvaluegroup.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

VantorelSession::VantorelSession(const VantorelOptions &options, VantorelOutput &output)
    : m_options(options)
    , m_out(output)
{
}

VantorelSession::~VantorelSession() = default;

int VantorelSession::fail(int exit, const QString &reason, const QJsonObject &partial) const
{
    m_out.error(reason);
    if (m_out.json()) {
        QJsonObject o = partial;
        o.insert(QStringLiteral("command"), m_options.command);
        o.insert(QStringLiteral("ok"), false);
        o.insert(QStringLiteral("exit"), exit);
        o.insert(QStringLiteral("error"), VantorelOutput::one_line(reason));
        m_out.document(QJsonDocument(o));
    }
    return exit;
}

int VantorelSession::fail_listing(int exit, const QString &reason, const QStringList &problems) const
{
    const QStringList shown = problems.mid(0, kListedProblems);
    QString line = VantorelText::tr("%1：%2").arg(reason, shown.join(VantorelText::tr("；")));
    if (problems.size() > shown.size())
        line += VantorelText::tr("；另有 %1 处").arg(problems.size() - shown.size());
    QJsonArray listed;
    for (const QString &problem : shown)
        listed.append(problem);
    QJsonObject partial;
    partial.insert(QStringLiteral("problems"), listed);
    partial.insert(QStringLiteral("problem_count"), int(problems.size()));
    return fail(exit, line, partial);
}

bool VantorelSession::load_description(QString *error)
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

void VantorelSession::new_model()
{
    // Every runtime value is taken when asked for; none is polled by itself.
    m_machine.reset(MachineBuilder::build(*m_description_config, QString(), QString(), QStringList()));
}

QList<QMachineValue *> VantorelSession::values_of(const QStringList &codes) const
{
    QList<QMachineValue *> values;
    // Trimmed as set trims its codes: "F0-07 " from a script is F0-07.
    for (const QString &code : codes)
        values.append(m_machine->get_value(code.trimmed()));
    return values;
}

QList<QMachineValue *> VantorelSession::all_parameters() const
{
    QList<QMachineValue *> values;
    const QList<tagValueGroup *> groups = m_machine->get_groups();
    for (tagValueGroup *group : groups)
        values.append(group->m_values);
    return values;
}

QString VantorelSession::station_file(const QString &pattern, int station) const
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

bool VantorelSession::load_param_file(const QString &path, QCSVFile *table, QString *reason) const
{
    // A file larger than this description can need is refused before it
    // takes memory.
    const ParamSetFile::FileLoad load =
        ParamSetFile::load_file(path, table, ParamSetFile::row_limit(m_machine.get()));
    if (load.kind == ParamSetFile::FileLoad::Unreadable)
        *reason = VantorelText::tr("无法读取参数文件 %1：%2").arg(path, load.reason);
    else if (load.kind == ParamSetFile::FileLoad::BadHeader)
        *reason = VantorelText::tr("参数文件 %1 无法加载：%2").arg(path, load.reason);
    return load.ok();
}

QParamHistory *VantorelSession::history_database(bool for_writing)
{
    // Beside the settings, wherever they live, as the workbench keeps it.
    const QString settings = m_options.config.isEmpty() ? QSettingManager::default_file() : m_options.config;
    if (!m_history) {
        QString database = m_options.history;
        if (database.isEmpty()) {
            const QSettingManager store = m_options.config.isEmpty() ? QSettingManager() : QSettingManager(m_options.config);
            database = store.get_value(QStringLiteral("History.Database")).toString();
        }
        if (!database.isEmpty() && !QParamHistory::is_server_location(database))
            m_history = std::make_unique<QParamHistory>(database);
        else
            m_history = QParamHistory::make(database, settings);
        m_history->open();
    }
    if (!m_history->is_open() || (for_writing && !m_history->is_writable()))
        return nullptr;
    return m_history.get();
}

QString VantorelSession::history_error() const
{
    return m_history ? m_history->error_string() : QString();
}

bool VantorelSession::record(const VantorelLink &link, const QString &operation, const QList<tagParamRaw> &values,
                             const QStringList &unknown)
{
    tagParamSnapshot snapshot = ParamSnapshot::of_machine(m_machine.get(), operation);
    snapshot.values = values;
    snapshot.value_count = int(values.size());
    snapshot.unknown = unknown;
    snapshot.complete = unknown.isEmpty();
    snapshot.port = link.port();
    snapshot.station = link.station();
    snapshot.drive_version = link.version();
    snapshot.drive_serial = link.serial();
    snapshot.note = m_options.note;
    history_database(true);
    // Offered even to a history that cannot take it now: it stays queued
    // and is tried again before the tool ends (finish_history).
    return m_history->record(snapshot) != 0;
}

QString VantorelSession::target_of(const VantorelLink &link) const
{
    return LinkSettings::target_text(link.port(), link.station(), m_machine ? m_machine->display_name() : QString(),
                                     link.version());
}

void VantorelSession::announce_writes(const VantorelLink &link, int count) const
{
    m_out.note(VantorelText::tr("将向 %1 写入 %2 个参数").arg(target_of(link)).arg(count));
}

void VantorelSession::record_writes(const VantorelLink &link, const QString &operation,
                                    const QList<QPair<QMachineValue *, int>> &asked, const QHash<QString, int> &before,
                                    const QHash<QMachineValue *, int> &read_back,
                                    const QHash<QMachineValue *, int> &errors)
{
    history_database(true);
    for (const auto &write : asked) {
        tagWriteRecord w;
        w.port = link.port();
        w.station = link.station();
        w.drive_version = link.version();
        w.drive_serial = link.serial();
        w.machine_name = m_machine->get_name();
        w.machine_type = m_machine->get_type();
        w.machine_version = m_machine->get_version();
        w.operation = operation;
        w.code = VantorelValues::code_of(write.first);
        w.asked = write.second;
        w.has_before = before.contains(w.code);
        w.before = before.value(w.code);
        w.has_read_back = read_back.contains(write.first);
        w.read_back = read_back.value(write.first);
        w.exception_code = errors.value(write.first);
        w.result = ParamAudit::result_of(w.asked, w.has_read_back, w.read_back, w.exception_code);
        w.note = m_options.note;
        // Kept in memory when it cannot be stored now, and tried again
        // before the tool ends, as the snapshots are.
        if (m_history->record_write(w) == 0)
            m_unsaved_writes.append(w);
    }
}

QString VantorelSession::finish_history()
{
    // What waits in the queue file for the server is kept; only what is
    // still in memory would be lost.
    if (!m_history || (m_history->unsaved() == 0 && m_unsaved_writes.isEmpty()))
        return QString();
    m_history->flush();
    for (int i = 0; i < m_unsaved_writes.size();) {
        if (m_history->record_write(m_unsaved_writes.at(i)) == 0)
            break;
        m_unsaved_writes.removeAt(i);
    }
    const int lost = m_history->unsaved() + int(m_unsaved_writes.size());
    if (lost == 0)
        return QString();
    return VantorelText::tr("%1 个历史记录没有存入：%2").arg(lost).arg(m_history->error_string());
}
