#include "paramsnapshot.h"

#include "paramsetfile.h"

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>
#include <machine/tagvaluegroup.h>

#include <QCoreApplication>
#include <QSet>

namespace ParamSnapshot {

QString operation_text(const QString &key)
{
    if (key == upload())
        return QCoreApplication::translate("ParamSnapshot", "上传");
    if (key == download())
        return QCoreApplication::translate("ParamSnapshot", "下载");
    if (key == compare())
        return QCoreApplication::translate("ParamSnapshot", "比较");
    if (key == backup())
        return QCoreApplication::translate("ParamSnapshot", "下载前备份");
    return key;
}

QList<tagParamRaw> values_of(QMachine *machine)
{
    QList<tagParamRaw> values;
    if (!machine)
        return values;
    const QList<QMachineValue *> parameters = machine->get_parameters();
    for (QMachineValue *value : parameters) {
        if (value->has_value())
            values.append({value->get_value_property(VALUE_CODE).toString(), value->get_base_value()});
    }
    return values;
}

tagParamSnapshot of_machine(QMachine *machine, const QString &operation)
{
    tagParamSnapshot snapshot;
    snapshot.time = QDateTime::currentDateTimeUtc();
    snapshot.operation = operation;
    if (machine) {
        snapshot.machine_name = machine->get_name();
        snapshot.machine_type = machine->get_type();
        snapshot.machine_version = machine->get_version();
    }
    snapshot.values = values_of(machine);
    snapshot.value_count = int(snapshot.values.size());
    return snapshot;
}

QCSVFile to_table(const tagParamSnapshot &snapshot, QMachine *machine)
{
    return ParamSetFile::build_table(snapshot.values, machine);
}

} // namespace ParamSnapshot
