#pragma once

#include <core/core_export.h>
#include "tagerrlog.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

class QCommunicate;
class QMachine;
class QMachineConfig;
class QMachineValue;
class QMenuActionMap;
class QMission;
class QMissionFailures;
class QMdiSubWindow;
class QParamDialog;
class QSettingManager;
class QWidget;
struct tagSerialConfig;

// The one central object. Lives from the first get_core() until the process
// ends and owns the link, the settings store, the menu action map, the
// current machine model and the error log. The parameter pick dialog belongs
// to its Qt parent (the main window). Everything runs in the GUI thread.
class CORE_EXPORT QSoftCore : public QObject
{
    Q_OBJECT
public:
    static QSoftCore *get_core();
    static void release_core();

    explicit QSoftCore(QObject *parent = nullptr);
    ~QSoftCore() override;

    QMenuActionMap *get_menu_action_map();
    QMachine *get_machine();
    QCommunicate *get_communicate();
    QParamDialog *get_param_dialog();
    int get_machine_address();
    void set_machine_address(int address);
    int get_fault_value(int code);
    // What the drive answered to the connect probe (register 0), -1 before
    // it answered; and the port of the last connection. Both name the source
    // of a stored parameter set.
    int get_machine_version() const;
    QString get_port_name() const;
    // The drive's serial number, read after the probe where the description
    // names its registers; empty until it was read, or without them.
    QString get_drive_serial() const { return m_drive_serial; }
    // The drive the link talks to, in one line for the operator: port (or
    // host), station, description and version. Titles, the status line and
    // the download's confirmation name the target with it.
    QString target_text() const;

    void set_setting_value(const QString &key, const QVariant &value);
    QVariant get_setting_value(const QString &key);

    void emit_mission_group_done(bool success);
    void sendUpdateAllPara();

    bool serial_connect(const tagSerialConfig &config);
    void serial_disconnect();

    void new_machine();
    void new_machine(const QString &type, const QString &version);
    void clear_machine();
    void release_machine();
    // Uses the description file at `path` for the connected drive's software
    // version from now on (kept in the settings, so it holds after a
    // restart) and builds the model from it. False, with the loader's
    // reason, when no drive is connected or the file cannot be used; the
    // model and the setting then stay as they were.
    bool use_description(const QString &path, QString *error);
    // Builds the model from the description file at `path` while no drive
    // is connected (a parameter file edited at the desk), without keeping
    // the choice. False, with the loader's reason, while the port is open or
    // when the file cannot be used; the model then stays as it was.
    bool use_offline_description(const QString &path, QString *error);
    // The settings key of the description chosen for a software version.
    static QString description_key(int version);

    // Why the last new_machine() built no model (empty after a success).
    QString machine_error() const;

    QList<QMission *> make_mission(QList<QMachineValue *> values);
    void update_group(const QString &group);
    void update_all();
    // Why the last update_all() did not complete: its first failed read,
    // named with parameter, address and reason (empty when none failed).
    QString refresh_failure() const;

    QList<tagErrLog> getErrlogs();
    void clearErrLog();

    // Asks for the error log of the running download (see the progress dialog).
    bool m_show_err_log;

signals:
    void updateAlLFilish();
    void openCom(bool open);
    void add_sub_window(QMdiSubWindow *sub_window);
    void parvex_changed();
    void new_machine_signal();
    void clear_machine_signal();
    void machine_remove_signal();
    void mission_group_done(bool success);
    void start_runtime();
    // A line for the window's status bar: what just happened to an
    // operator's action (a refused write, a value the drive changed).
    void status_message(const QString &text);
    // A page's operation ended with failed exchanges in the error log and
    // m_show_err_log asked for it: the window shows the log.
    void show_err_log();

protected slots:
    void mission_success(QMission *ms);
    void mission_failed(QMission *ms, int code);
    void new_machine_version(int version);

private:
    void build_machine(const QString &type, const QString &version, bool typed);
    // Makes the model of a loaded description the current one and tells
    // the pages.
    void install_machine(QMachineConfig &config, const QString &type, const QString &version, bool typed);
    // Queues the reads of the start list (after a new model while online).
    void queue_start_reads();
    // Queues the read of the serial-number registers the model's profile names.
    void queue_serial_read();
    void announce_port_closed();
    QWidget *main_window() const;

    static QSoftCore *m_core;

    QMenuActionMap *m_menu_action_map;
    QMachine *m_machine;
    QSettingManager *m_setting_manager;
    QCommunicate *m_communicate;
    int m_machine_address;
    QParamDialog *m_param_dialog;
    QMap<int, int> m_fault_values;
    QList<tagErrLog> m_err_logs;
    QString m_machine_error;
    bool m_port_announced_open = false;
    int m_machine_version = -1;
    QString m_drive_serial;
    QString m_port_name;
    QMissionFailures *m_refresh_failures = nullptr;
};
