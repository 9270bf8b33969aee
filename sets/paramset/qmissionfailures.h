#pragma once

#include <paramset/paramset_export.h>

#include <QList>
#include <QObject>
#include <QString>

class QMachine;
class QMachineValue;
class QMission;
class QMissionManager;

// Keeps the first failure among one's own missions, so that whoever ran them
// can say which parameter failed, at which address and why. The missions
// are tagged with a run number (MissionKey::run) before they are queued;
// failures of other missions on the same link are not looked at.
class PARAMSET_EXPORT QMissionFailures : public QObject
{
    Q_OBJECT
public:
    explicit QMissionFailures(QMissionManager *manager, QObject *parent = nullptr);

    // A run number that no other run of this process uses.
    static int new_run();

    // Forgets the last run's failures and tags the missions as the new run's.
    void begin(const QList<QMission *> &missions);
    // The first failure, counted with the others.
    void note(int address, int code, bool write);

    int count() const { return m_count; }
    // "读取 F0-09 键盘设定频率（地址 0x0009）失败：无应答", with "，共 3 个请求失败"
    // when there were more; the parameter is taken from the machine (an
    // address without one is named alone). Empty when nothing failed.
    QString text(QMachine *machine) const;

    // The same for a known parameter.
    static QString text_of(QMachineValue *value, int address, int code, bool write, int count = 1);

private:
    void on_failed(QMission *mission, int code);

    int m_run = 0;
    int m_count = 0;
    int m_address = 0;
    int m_code = 0;
    bool m_write = false;
};
