#pragma once

#include <paramset/paramset_export.h>
#include <coredata/qcsvfile.h>

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class QMachine;
class QMachineValue;

// One parameter's raw value, as the drive holds it (register bits; see
// QMachineValue for the form).
struct tagParamRaw
{
    QString code;
    int raw = 0;
};

// A parameter set with where it came from: what the history stores for every
// upload, download and compare. Raw values only; display texts are made from
// the description when the set is shown.
struct tagParamSnapshot
{
    qint64 id = 0;          // 0 until stored
    QDateTime time;         // UTC
    QString port;
    int station = 0;
    int drive_version = -1; // register 0; -1 when unknown
    QString machine_name;   // the description's name, type and version
    QString machine_type;
    QString machine_version;
    QString operation;      // one of the ParamSnapshot operation keys
    int value_count = 0;    // set by a listing, which leaves values empty
    QList<tagParamRaw> values;
    // Parameters whose value the operation does not know (written, but the
    // read-back never came): they are in no value above. A snapshot with any
    // is incomplete, and says so wherever it is shown.
    QStringList unknown;
    bool complete = true;   // set by a listing too
    // Who, where and why: filled in by the history when recorded (the note
    // is the operator's own), and the drive's serial number when the
    // description names its registers.
    QString uid;            // keeps a resent snapshot single
    QString user_name;
    QString workstation;
    QString program_version;
    QString note;
    QString drive_serial;
};

namespace ParamSnapshot {

// Operation keys as stored (never translated).
inline QString upload() { return QStringLiteral("upload"); }
inline QString download() { return QStringLiteral("download"); }
inline QString compare() { return QStringLiteral("compare"); }
// The drive's values recorded right before a download.
inline QString backup() { return QStringLiteral("backup"); }

// The operator's name of an operation key ("上传", "下载前备份", ...).
PARAMSET_EXPORT QString operation_text(const QString &key);

// Every parameter that holds a value read from the drive, in group order,
// each code once.
PARAMSET_EXPORT QList<tagParamRaw> values_of(QMachine *machine);

// A snapshot of the machine's values now, naming the description; the
// caller fills in port, station and drive version.
PARAMSET_EXPORT tagParamSnapshot of_machine(QMachine *machine, const QString &operation);

// The values a download leaves, as far as they are known: what the drive
// held before (`before`, read right before the writes; may be empty) with
// what was read back after the writes over it, in group order. A written
// parameter that was not read back is unknown: it is left out of the values
// (the old value would be a lie) and listed in `unknown`, and the snapshot
// is marked incomplete.
PARAMSET_EXPORT void set_download_values(tagParamSnapshot *snapshot, QMachine *machine,
                                         const QList<tagParamRaw> &before,
                                         const QList<QMachineValue *> &written,
                                         const QHash<QMachineValue *, int> &read_back);

// The operation's name for a listing, with "（不完整）" for an incomplete one.
PARAMSET_EXPORT QString title_of(const tagParamSnapshot &snapshot);

// The parameter file of a snapshot, as an upload writes it, so a download
// takes it. Codes the description does not know keep their raw value but get
// no name, value or unit (a download then refuses them).
PARAMSET_EXPORT QCSVFile to_table(const tagParamSnapshot &snapshot, QMachine *machine);

} // namespace ParamSnapshot
