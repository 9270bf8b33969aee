#pragma once

#include <paramset/paramset_export.h>

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

class QMachine;
class QMachineValue;

// One write to a drive as the archive keeps it: who asked for what, what
// the drive held before, what it holds after, and whether it took it.
struct tagWriteRecord
{
    qint64 id = 0;          // 0 until stored
    QString uid;            // made when recorded; keeps a resent record single
    QDateTime time;         // UTC
    QString user_name;      // who, where and which program (filled when recorded)
    QString workstation;
    QString program_version;
    QString port;
    int station = 0;
    int drive_version = -1; // register 0; -1 when unknown
    QString drive_serial;   // the serial-number registers, when the description names them
    QString machine_name;   // the description's name, type and version
    QString machine_type;
    QString machine_version;
    QString operation;      // one of the ParamAudit operation keys
    QString code;
    bool has_before = false; // the value read before the write, when it was read
    int before = 0;
    int asked = 0;           // the raw value asked for
    bool has_read_back = false;
    int read_back = 0;       // the raw value read back, when it was read
    QString result;          // one of the ParamAudit result keys
    int exception_code = 0;  // the drive's Modbus exception of a refused write
    QString note;
};

// Which write records a query returns, newest first.
struct tagAuditFilter
{
    int station = -1;       // -1: every station
    QString code;           // empty: every parameter
    QString user_name;      // empty: every user
    QDateTime since;        // invalid: from the beginning
    QDateTime until;        // invalid: up to now
    int limit = 0;          // 0: every record
};

namespace ParamAudit {

// Operation keys as stored (never translated).
inline QString edit() { return QStringLiteral("edit"); }
inline QString download() { return QStringLiteral("download"); }
inline QString compare() { return QStringLiteral("compare"); }
inline QString history() { return QStringLiteral("history"); }
inline QString tool_set() { return QStringLiteral("tool-set"); }
inline QString tool_download() { return QStringLiteral("tool-download"); }

// Result keys as stored.
inline QString written() { return QStringLiteral("written"); }
inline QString different() { return QStringLiteral("different"); }
inline QString refused() { return QStringLiteral("refused"); }
// Sent, but neither confirmed nor refused (the read-back never came).
inline QString unknown() { return QStringLiteral("unknown"); }

// The result key of a write: refused when the drive answered with an
// exception, unknown without a read-back, else written or different.
PARAMSET_EXPORT QString result_of(int asked, bool has_read_back, int read_back, int exception_code);

// The write records of a run of writes, in the order of `asked`: the value
// each parameter held before (by code, when it was read), the raw value
// asked for, what was read back after, and the error of a write that
// failed (the drive's exception, or the link's code when it never answered).
// They name the machine's description; who, where and the drive's link are
// the caller's to fill in.
PARAMSET_EXPORT QList<tagWriteRecord> records_of(QMachine *machine, const QString &operation,
                                                 const QList<QPair<QMachineValue *, int>> &asked,
                                                 const QHash<QString, int> &before,
                                                 const QHash<QMachineValue *, int> &read_back,
                                                 const QHash<QMachineValue *, int> &errors);

// The operator's names of the keys.
PARAMSET_EXPORT QString operation_text(const QString &key);
PARAMSET_EXPORT QString result_text(const tagWriteRecord &record);

} // namespace ParamAudit
