#include "qsoftcore.h"


#include <core/plugin/qmenuactionmap.h>
#include <core/dialogs/qparamdialog.h>
#include <coredata/qsettingmanager.h>

#include <paramset/linksettings.h>
#include <paramset/machinebuilder.h>
#include <paramset/parammissions.h>
#include <paramset/qmissionfailures.h>

#include <communicate/qcommunicate.h>
#include <machine/driveprofile.h>
#include <machine/qmachine.h>
#include <database/qmachineconfig.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>
#include <machine/registerruns.h>
#include <communicate/tagserialconfig.h>
#include <machine/tagvaluegroup.h>

#include <QApplication>
#include <QFileInfo>
#include <QWidget>

#include <memory>

namespace {

int int_attribute(const QMission *mission, const QString &key)
{
    return mission->get_attribute(key, QVariant()).toInt();
}

} // namespace

QSoftCore *QSoftCore::m_core = nullptr;

QSoftCore *QSoftCore::get_core()
{
    if (!m_core)
        m_core = new QSoftCore(nullptr);
    return m_core;
}

void QSoftCore::release_core()
{
    if (m_core) {
        delete m_core;
        m_core = nullptr;
    }
}

QSoftCore::QSoftCore(QObject *parent)
    : QObject(parent)
    , m_show_err_log(false)
    , m_menu_action_map(new QMenuActionMap)
    , m_machine(nullptr)
    , m_setting_manager(new QSettingManager)
    , m_communicate(new QCommunicate(nullptr))
    , m_machine_address(1)
    , m_param_dialog(nullptr)
{
    m_setting_manager->load();

    // The page must learn that the port is gone whichever way it went: by the
    // operator's command or by the link itself (adapter unplugged, drive gone).
    connect(m_communicate, &QCommunicate::offline, this, [this] { announce_port_closed(); });
    m_refresh_failures = new QMissionFailures(m_communicate->mission_manager(), this);
}

QSoftCore::~QSoftCore()
{
    delete m_menu_action_map;
    delete m_communicate;
    delete m_setting_manager;
    // No receiver is told: the core only goes away with the process (or a test).
    delete m_machine;
    m_machine = nullptr;
}

QMenuActionMap *QSoftCore::get_menu_action_map()
{
    return m_menu_action_map;
}

QMachine *QSoftCore::get_machine()
{
    return m_machine;
}

QCommunicate *QSoftCore::get_communicate()
{
    return m_communicate;
}

QParamDialog *QSoftCore::get_param_dialog()
{
    return m_param_dialog;
}

int QSoftCore::get_machine_address()
{
    return m_machine_address;
}

void QSoftCore::set_machine_address(int address)
{
    m_machine_address = address;
}

int QSoftCore::get_fault_value(int code)
{
    return m_fault_values.value(code, 0);
}

int QSoftCore::get_machine_version() const
{
    return m_machine_version;
}

QString QSoftCore::get_port_name() const
{
    return m_port_name;
}

void QSoftCore::set_setting_value(const QString &key, const QVariant &value)
{
    m_setting_manager->set_value(key, value);
}

QVariant QSoftCore::get_setting_value(const QString &key)
{
    return m_setting_manager->get_value(key, QVariant());
}

void QSoftCore::emit_mission_group_done(bool success)
{
    emit mission_group_done(success);
}

void QSoftCore::sendUpdateAllPara()
{
    emit updateAlLFilish();
}

QString QSoftCore::target_text() const
{
    return LinkSettings::target_text(m_port_name, m_machine_address, m_machine ? m_machine->display_name() : QString(),
                                     m_machine_version);
}

// ---------------------------------------------------------------------------
// Serial connection

bool QSoftCore::serial_connect(const tagSerialConfig &config)
{
    if (!m_communicate->open(config))
        return false;
    m_port_name = QCommunicate::port_for(config);
    m_machine_version = -1;
    m_drive_serial.clear();

    QMissionManager *manager = m_communicate->mission_manager();
    disconnect(manager, &QMissionManager::mission_failed, this, &QSoftCore::mission_failed);
    disconnect(manager, &QMissionManager::mission_success, this, &QSoftCore::mission_success);
    disconnect(manager, &QMissionManager::machine_version, this, &QSoftCore::new_machine_version);
    connect(manager, &QMissionManager::mission_failed, this, &QSoftCore::mission_failed);
    connect(manager, &QMissionManager::mission_success, this, &QSoftCore::mission_success);
    connect(manager, &QMissionManager::machine_version, this, &QSoftCore::new_machine_version);

    manager->set_connect_mission(new QMission(QMission::connect_probe(m_machine_address)));

    m_port_announced_open = true;
    emit openCom(true);
    return true;
}

void QSoftCore::serial_disconnect()
{
    if (m_communicate->serial_status() != 0)
        return;
    m_communicate->closed();
    announce_port_closed();
}

void QSoftCore::announce_port_closed()
{
    if (!m_port_announced_open)
        return;
    m_port_announced_open = false;
    emit openCom(false);
}

// ---------------------------------------------------------------------------
// Machine construction

void QSoftCore::new_machine()
{
    build_machine(QString(), QString(), false);
}

void QSoftCore::new_machine(const QString &type, const QString &version)
{
    build_machine(type, version, true);
}

QString QSoftCore::machine_error() const
{
    return m_machine_error;
}

void QSoftCore::build_machine(const QString &type, const QString &version, bool typed)
{
    clear_machine();

    QMachineConfig config;
    // A description the operator chose for this software version goes
    // before the default one.
    const QString chosen = typed || m_machine_version < 0
        ? QString() : get_setting_value(description_key(m_machine_version)).toString();
    const bool loaded = typed ? config.load(type, version)
                              : (chosen.isEmpty() ? config.load() : config.load_file(chosen));
    if (!loaded) {
        m_machine_error = config.error_string();
        return;
    }
    m_machine_error.clear();
    install_machine(config, type, version, typed);
}

void QSoftCore::install_machine(QMachineConfig &config, const QString &type, const QString &version, bool typed)
{
    m_machine = MachineBuilder::build_groups(config, typed ? type : QString(), typed ? version : QString());
    // The page rebuilds its group tree now, before the runtime values exist;
    // the selection is read afterwards, so what a receiver stores counts.
    emit parvex_changed();

    const QString key = typed ? QStringLiteral("Runtime.") + type : QStringLiteral("Runtime.0");
    const QStringList selection =
        get_setting_value(key).toString().split(QLatin1Char('.'), Qt::SkipEmptyParts);
    MachineBuilder::add_runtimes(m_machine, config, selection);

    if (m_param_dialog) {
        m_param_dialog->init();
    } else {
        m_param_dialog = new QParamDialog(main_window());
        m_param_dialog->setVisible(false);
    }

    emit new_machine_signal();
}

QWidget *QSoftCore::main_window() const
{
    // The main window publishes itself as a pointer-sized value; anything
    // else (missing, or an old integer form) means the dialog has no parent.
    const QVariant property = qApp ? qApp->property("MainWindow") : QVariant();
    if (!property.canConvert<QObject *>())
        return nullptr;
    return qobject_cast<QWidget *>(property.value<QObject *>());
}

void QSoftCore::clear_machine()
{
    if (!m_machine)
        return;
    emit clear_machine_signal();
    delete m_machine;
    m_machine = nullptr;
    // The pick dialog must not keep rows that point into the deleted model.
    if (m_param_dialog)
        m_param_dialog->init();
    emit parvex_changed();
}

void QSoftCore::release_machine()
{
    serial_disconnect();
    clear_machine();
}

void QSoftCore::new_machine_version(int version)
{
    m_machine_version = version;
    clear_machine();
    new_machine();
    if (!m_machine) {
        serial_disconnect();
        return;
    }

    queue_start_reads();
}

void QSoftCore::queue_start_reads()
{
    QMissionManager *manager = m_communicate->mission_manager();
    const QList<QMission *> missions = make_mission(m_machine->get_start_list());
    for (QMission *mission : missions) {
        mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::ConnectReads));
        mission->set_attribute(MissionKey::type(), QVariant(int(MISSION_READ_BACK)));
        manager->add_mission(mission);
    }
    queue_serial_read();
    manager->reset();
    qDeleteAll(missions);

    emit start_runtime();
}

namespace {

// Marks the read of the serial-number registers among the answers.
QString serial_read_key()
{
    return QStringLiteral("Drive.Serial");
}

} // namespace

void QSoftCore::queue_serial_read()
{
    // A serial number from another description or drive is no longer this
    // drive's: until the read answers, there is none.
    m_drive_serial.clear();
    const std::unique_ptr<QMission> mission(ParamMissions::serial_mission(m_machine->profile(), m_machine_address));
    if (!mission)
        return;
    mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::ConnectReads));
    mission->set_attribute(serial_read_key(), QVariant(true));
    m_communicate->mission_manager()->add_mission(mission.get());
}

QString QSoftCore::description_key(int version)
{
    return QStringLiteral("Machine.Description.") + QString::number(version);
}

bool QSoftCore::use_description(const QString &path, QString *error)
{
    if (m_machine_version < 0 || m_communicate->commu_status() != 0) {
        *error = tr("没有连接设备：机型描述按设备的软件版本记住，请先连接。");
        return false;
    }
    // Tried first, so a file that cannot be used changes nothing.
    QMachineConfig config;
    if (!config.load_file(path)) {
        *error = config.error_string();
        return false;
    }
    const QString key = description_key(m_machine_version);
    const QVariant before = get_setting_value(key);
    set_setting_value(key, QFileInfo(path).absoluteFilePath());
    clear_machine();
    new_machine();
    if (!m_machine) {
        // Changed between the check and the build: the old choice stays.
        *error = m_machine_error;
        set_setting_value(key, before);
        new_machine();
        return false;
    }
    queue_start_reads();
    return true;
}

bool QSoftCore::use_offline_description(const QString &path, QString *error)
{
    if (m_communicate->serial_status() == 0) {
        *error = tr("设备已连接：请先断开连接。");
        return false;
    }
    QMachineConfig config;
    if (!config.load_file(path)) {
        *error = config.error_string();
        return false;
    }
    clear_machine();
    m_machine_error.clear();
    install_machine(config, QString(), QString(), false);
    return true;
}

// ---------------------------------------------------------------------------
// Missions and refresh

QList<QMission *> QSoftCore::make_mission(QList<QMachineValue *> values)
{
    return ParamMissions::read_runs(values, m_machine_address);
}

void QSoftCore::update_group(const QString &group)
{
    if (!m_machine)
        return;
    tagValueGroup *found = m_machine->get_group(group);
    if (!found)
        return;

    QMissionManager *manager = m_communicate->mission_manager();
    const QList<QMission *> missions = make_mission(found->m_values);
    for (QMission *mission : missions) {
        mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::Refresh));
        mission->set_attribute(MissionKey::type(), QVariant(int(MISSION_READ_BACK)));
        manager->add_mission(mission);
    }
    qDeleteAll(missions);
}

void QSoftCore::update_all()
{
    if (!m_machine)
        return;

    QList<QMission *> missions;
    const QList<tagValueGroup *> groups = m_machine->get_groups();
    for (tagValueGroup *group : groups)
        missions += make_mission(group->m_values);
    for (QMission *mission : std::as_const(missions)) {
        mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::Refresh));
        mission->set_attribute(MissionKey::type(), QVariant(int(MISSION_READ_BACK)));
    }
    m_refresh_failures->begin(missions);
    m_communicate->mission_manager()->add_mission_group(missions, tr("刷新全部功能码"));
    qDeleteAll(missions);
}

QString QSoftCore::refresh_failure() const
{
    return m_refresh_failures->text(m_machine);
}

// ---------------------------------------------------------------------------
// Mission results and error log

void QSoftCore::mission_success(QMission *ms)
{
    if (!m_machine || !ms)
        return;
    const int type = int_attribute(ms, MissionKey::type());
    if (type != MISSION_READ_BACK && type != MISSION_READ)
        return;
    if (ms->get_attribute(serial_read_key()).toBool()) {
        m_drive_serial = ParamMissions::serial_of(m_machine->profile(), *ms);
        return;
    }

    ParamMissions::take_answer(m_machine, *ms, m_machine->get_runtimes());
}

void QSoftCore::mission_failed(QMission *ms, int code)
{
    const int length = ms ? int_attribute(ms, MissionKey::length()) : 0;
    const int address = ms ? int_attribute(ms, MissionKey::address()) : 0;
    const QString message =
        tr("地址[十进制:%1  十六进制:0x%2 ] 长度[%3] 错误代码[%4]")
            .arg(QString::number(address), QString::number(address, 16),
                 QString::number(length), QString::number(code));
    const int type = ms ? int_attribute(ms, MissionKey::type()) : 0;
    const QString prefix = (type == MISSION_WRITE || type == MISSION_WRITE_MULTI) ? tr("写入错误 ")
                                                    : tr("读取错误 ");

    tagErrLog entry;
    entry.time = QDateTime::currentDateTime();
    entry.text = prefix + message;
    // The text keeps its fixed form; a failed write also names the
    // parameter it was for (both words of a two-word value count), since an
    // address alone does not tell the operator what is now in doubt.
    if (m_machine && (type == MISSION_WRITE || type == MISSION_WRITE_MULTI)) {
        if (QMachineValue *value = ParamMissions::value_at(m_machine, address)) {
            entry.detail = value->get_value_property(VALUE_CODE).toString() + QLatin1Char(' ')
                + value->display_name();
        }
    }
    m_err_logs.append(entry);
}

QList<tagErrLog> QSoftCore::getErrlogs()
{
    return m_err_logs;
}

void QSoftCore::clearErrLog()
{
    m_err_logs.clear();
}
