#include "qsoftcore.h"

#include "qmenuactionmap.h"
#include "qparamdialog.h"
#include "qsettingmanager.h"

#include "qcommunicate.h"
#include "qmachine.h"
#include "qmachineconfig.h"
#include "qmachinevalue.h"
#include "qmission.h"
#include "qmissionmanager.h"
#include "qrtuframe.h"
#include "registerruns.h"
#include "tagserialconfig.h"
#include "tagvaluegroup.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>

namespace {

// A read mission never asks for more registers than this.
constexpr int kMaxRegistersPerRead = 8;


int value_address(QMachineValue *value)
{
    return value->get_value_property(VALUE_ADDRESS).toInt();
}

int int_attribute(const QMission *mission, const QString &key)
{
    return mission->get_attribute(key, QVariant()).toInt();
}

// Decodes the value whose first register is register k of the answer, when
// every register it needs is part of the answer; otherwise it keeps its value.
void decode_into(QMachineValue *value, const QList<quint16> &registers, int k)
{
    int raw = 0;
    if (value->raw_of_registers(registers.mid(k), &raw))
        value->set_base_value(raw);
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

// ---------------------------------------------------------------------------
// Serial connection

bool QSoftCore::serial_connect(const tagSerialConfig &config)
{
    if (!m_communicate->open(config))
        return false;
    m_port_name = QCommunicate::port_for(config);
    m_machine_version = -1;

    QMissionManager *manager = m_communicate->mission_manager();
    disconnect(manager, &QMissionManager::mission_failed, this, &QSoftCore::mission_failed);
    disconnect(manager, &QMissionManager::mission_success, this, &QSoftCore::mission_success);
    disconnect(manager, &QMissionManager::machine_version, this, &QSoftCore::new_machine_version);
    connect(manager, &QMissionManager::mission_failed, this, &QSoftCore::mission_failed);
    connect(manager, &QMissionManager::mission_success, this, &QSoftCore::mission_success);
    connect(manager, &QMissionManager::machine_version, this, &QSoftCore::new_machine_version);

    auto *probe = new QMission(MISSION_READ);
    probe->set_attribute(MissionKey::station(), QVariant(m_machine_address));
    probe->set_attribute(MissionKey::address(), QVariant(0));
    probe->set_attribute(MissionKey::length(), QVariant(1));
    probe->update_send_buffer();
    probe->ready();
    manager->set_connect_mission(probe);

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
    const bool loaded = typed ? config.load(type, version) : config.load();
    if (!loaded) {
        m_machine_error = config.error_string();
        return;
    }
    m_machine_error.clear();

    m_machine = new QMachine(nullptr);
    m_machine->set_type(typed ? type : QString());
    m_machine->set_version(typed ? version : QString());
    m_machine->set_name(config.machine_name());

    const auto build_value = [](const QStringList &row) {
        auto *value = new QMachineValue(nullptr);
        for (int i = 0; i < row.size(); ++i)
            value->set_value_property(static_cast<enValuePropertyIndex>(i), QVariant(row.at(i)));
        return value;
    };

    const QList<tagDataPage> pages = config.get_parvex_config()->get_pages();
    for (const tagDataPage &page : pages) {
        m_machine->add_group(page.name, page.name_en);
        for (const QStringList &row : page.rows) {
            QMachineValue *value = build_value(row);
            if (!m_machine->add_value(page.name, value))
                delete value;
        }
    }

    emit parvex_changed();

    const QString key = typed ? QStringLiteral("Runtime.") + type : QStringLiteral("Runtime.0");
    const QStringList selection =
        get_setting_value(key).toString().split(QLatin1Char('.'), Qt::SkipEmptyParts);

    const tagDataPage runtime = config.get_runtime_config()->get_page(0);
    for (const QStringList &row : runtime.rows) {
        QMachineValue *value = build_value(row);
        m_machine->add_all_runtime_value(value);
        if (selection.isEmpty() || selection.contains(row.value(0)))
            m_machine->add_runtime_value(value);
    }

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

    QMissionManager *manager = m_communicate->mission_manager();
    const QList<QMission *> missions = make_mission(m_machine->get_start_list());
    for (QMission *mission : missions) {
        mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::ConnectReads));
        mission->set_attribute(MissionKey::type(), QVariant(int(MISSION_READ_BACK)));
        mission->ready();
        manager->add_mission(mission);
    }
    manager->reset();
    qDeleteAll(missions);

    emit start_runtime();
}

// ---------------------------------------------------------------------------
// Missions and refresh

QList<QMission *> QSoftCore::make_mission(QList<QMachineValue *> values)
{
    QList<QMission *> missions;
    const QList<RegisterRuns::Run> runs = RegisterRuns::of(values, kMaxRegistersPerRead);
    for (const RegisterRuns::Run &run : runs) {
        auto *mission = new QMission(MISSION_READ);
        mission->set_attribute(MissionKey::station(), QVariant(m_machine_address));
        mission->set_attribute(MissionKey::address(), QVariant(run.first));
        mission->set_attribute(MissionKey::length(), QVariant(run.count));
        mission->update_send_buffer();
        missions.append(mission);
    }
    return missions;
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
    m_communicate->mission_manager()->add_mission_group(missions, tr("刷新全部功能码"));
    qDeleteAll(missions);
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

    const int address = int_attribute(ms, MissionKey::address());
    const int length = int_attribute(ms, MissionKey::length());
    const QList<quint16> registers = QRtuFrame::answer_registers(ms->get_recv_buffer(), length);
    const int available = int(registers.size());

    for (int i = 0; i < available;) {
        QMachineValue *value = m_machine->get_value(address + i);
        if (!value) {
            ++i;
            continue;
        }
        decode_into(value, registers, i);
        i += value->words();
    }

    const QList<QMachineValue *> runtimes = m_machine->get_runtimes();
    for (QMachineValue *value : runtimes) {
        const int k = value_address(value) - address;
        if (k >= 0 && k < length)
            decode_into(value, registers, k);
    }
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
