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

void set_download_values(tagParamSnapshot *snapshot, QMachine *machine, const QList<tagParamRaw> &before,
                         const QList<QMachineValue *> &written, const QHash<QMachineValue *, int> &read_back)
{
    snapshot->values.clear();
    snapshot->unknown.clear();
    if (!machine)
        return;
    QHash<QString, int> held;
    for (const tagParamRaw &entry : before)
        held.insert(entry.code, entry.raw);
    const QSet<QMachineValue *> was_written(written.cbegin(), written.cend());
    const QList<QMachineValue *> parameters = machine->get_parameters();
    for (QMachineValue *value : parameters) {
        const QString code = value->get_value_property(VALUE_CODE).toString();
        const auto read = read_back.constFind(value);
        if (read != read_back.constEnd()) {
            snapshot->values.append({code, read.value()});
        } else if (was_written.contains(value)) {
            snapshot->unknown.append(code);
        } else {
            const auto old = held.constFind(code);
            if (old != held.constEnd())
                snapshot->values.append({code, old.value()});
        }
    }
    snapshot->value_count = int(snapshot->values.size());
    snapshot->complete = snapshot->unknown.isEmpty();
}

QString title_of(const tagParamSnapshot &snapshot)
{
    const QString text = operation_text(snapshot.operation);
    return snapshot.complete ? text : QCoreApplication::translate("ParamSnapshot", "%1（不完整）").arg(text);
}

QCSVFile to_table(const tagParamSnapshot &snapshot, QMachine *machine)
{
    return ParamSetFile::build_table(snapshot.values, machine);
}

} // namespace ParamSnapshot
