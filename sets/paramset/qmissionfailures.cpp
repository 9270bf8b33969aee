#include "qmissionfailures.h"

#include "parammissions.h"

#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>
#include <communicate/services/qlinkerrortext.h>
#include <machine/qmachinevalue.h>

#include <QCoreApplication>

QMissionFailures::QMissionFailures(QMissionManager *manager, QObject *parent)
    : QObject(parent)
{
    if (manager)
        connect(manager, &QMissionManager::mission_failed, this, &QMissionFailures::on_failed);
}

int QMissionFailures::new_run()
{
    static int run = 0;
    return ++run;
}

void QMissionFailures::begin(const QList<QMission *> &missions)
{
    m_run = new_run();
    m_count = 0;
    for (QMission *mission : missions)
        mission->set_attribute(MissionKey::run(), QVariant(m_run));
}

void QMissionFailures::on_failed(QMission *mission, int code)
{
    if (!mission || m_run == 0 || mission->get_attribute(MissionKey::run(), QVariant()).toInt() != m_run)
        return;
    const int type = mission->mission_type();
    note(mission->get_attribute(MissionKey::address(), QVariant()).toInt(), code,
         type == MISSION_WRITE || type == MISSION_WRITE_MULTI);
}

void QMissionFailures::note(int address, int code, bool write)
{
    if (m_count++ > 0)
        return;
    m_address = address;
    m_code = code;
    m_write = write;
}

QString QMissionFailures::text(QMachine *machine) const
{
    if (m_count == 0)
        return QString();
    QMachineValue *value = machine ? ParamMissions::value_at(machine, m_address) : nullptr;
    return text_of(value, m_address, m_code, m_write, m_count);
}

QString QMissionFailures::text_of(QMachineValue *value, int address, int code, bool write, int count)
{
    const QString where =
        QStringLiteral("0x") + QString::number(address, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    const QString what = value
        ? QCoreApplication::translate("QMissionFailures", "%1 %2（地址 %3）")
              .arg(value->get_value_property(VALUE_CODE).toString(), value->display_name(), where)
        : QCoreApplication::translate("QMissionFailures", "地址 %1").arg(where);
    const QString verb = write ? QCoreApplication::translate("QMissionFailures", "写入")
                               : QCoreApplication::translate("QMissionFailures", "读取");
    QString text = QCoreApplication::translate("QMissionFailures", "%1 %2 失败：%3")
                       .arg(verb, what, QLinkErrorText::reason(code));
    if (count > 1)
        text += QCoreApplication::translate("QMissionFailures", "，共 %1 个请求失败").arg(count);
    return text;
}
