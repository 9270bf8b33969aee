#pragma once

#include <machine/machine_export.h>
#include "driveprofile.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

class QMachineValue;
struct tagValueGroup;

// The parameter model of one drive: groups of parameter values and the
// runtime (monitoring) values. Owns its groups and every value it took.
class MACHINE_EXPORT QMachine : public QObject
{
    Q_OBJECT
public:
    explicit QMachine(QObject *parent = nullptr);
    ~QMachine() override;

    void set_type(const QString &type);
    QString get_type() const;
    void set_version(const QString &version);
    QString get_version() const;
    // The description's own name (its <Machine name=...>).
    void set_name(const QString &name);
    QString get_name() const;
    void set_name_en(const QString &name_en);
    // The name in the interface's language: the English one when English
    // is chosen and the description gives one.
    QString display_name() const;

    // How the drive speaks Modbus (its description's profile).
    void set_profile(const DriveProfile &profile) { m_profile = profile; }
    const DriveProfile &profile() const { return m_profile; }

    void add_group(const QString &name, const QString &name_en = QString());
    // The group's name in the language shown (QMachineValue::set_english).
    static QString display_name(const tagValueGroup *group);
    // True when the machine took the value; false (caller deletes it) when the
    // group does not exist or the value's code or address is already taken.
    bool add_value(const QString &group, QMachineValue *value);

    // Takes a runtime value; add_runtime_value marks the same object as monitored.
    void add_all_runtime_value(QMachineValue *value);
    void add_runtime_value(QMachineValue *value);

    QList<tagValueGroup *> get_groups() const;
    // Every parameter once, in group order.
    QList<QMachineValue *> get_parameters() const;
    tagValueGroup *get_group(const QString &name) const;

    QMachineValue *get_value(int address) const;
    QMachineValue *get_value(const QString &code) const;

    // Monitored runtime values, refreshed from answers.
    QList<QMachineValue *> get_runtimes() const;
    // Every runtime value.
    QList<QMachineValue *> get_all_runtimes() const;
    // Values to read right after connecting: parameters and runtime values
    // whose start flag is set, in description order.
    QList<QMachineValue *> get_start_list() const;

    // True for "rw" and "stop" values; false for "ro" values and for null.
    bool check_value_right(QMachineValue *value) const;

private:
    bool take_runtime(QMachineValue *value);

    QString m_type;
    QString m_version;
    QString m_name;
    QString m_name_en;
    DriveProfile m_profile;
    QList<tagValueGroup *> m_groups;
    QHash<int, QMachineValue *> m_by_address;
    QHash<QString, QMachineValue *> m_by_code;
    QList<QMachineValue *> m_all_runtimes;
    QList<QMachineValue *> m_runtimes;
    QHash<QString, tagValueGroup *> m_group_by_name;
    // Every register a parameter occupies (both words of a two-word value),
    // so a value cannot overlap another's high word.
    QHash<int, QMachineValue *> m_registers;
    QHash<QString, QMachineValue *> m_runtime_by_code;
    QSet<QMachineValue *> m_runtime_set;
    QSet<QMachineValue *> m_monitored_set;
};
