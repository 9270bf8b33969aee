#pragma once

#include <paramset/paramset_export.h>
#include "paramsnapshot.h"
#include <coredata/qcsvfile.h>

#include <QList>
#include <QString>
#include <QStringList>

class QMachine;
class QMachineValue;

// The parameter file: what an upload saves and a download reads. Five
// columns "代码", "名称", "值", "单位", "原始值"; a download reads only the
// code and the raw value, the others are for the person reading the file.
namespace ParamSetFile {

// The "值" cell: the raw value scaled for the reader, empty when the scale
// is 0. A two-word value is taken with all 32 bits.
PARAMSET_EXPORT QString value_cell(QMachineValue *value);
// The same for any raw value of the parameter.
PARAMSET_EXPORT QString value_cell(QMachineValue *value, int raw);

// Header row and one row per value, in the order given.
PARAMSET_EXPORT QCSVFile build_table(const QList<QMachineValue *> &values);
// Header row and one row per raw value, in the order given; the description
// gives name, value and unit (empty for a code it does not know).
PARAMSET_EXPORT QCSVFile build_table(const QList<tagParamRaw> &values, QMachine *machine);

// No description needs a file larger than this; a larger one is refused
// before it is read.
inline constexpr qint64 kMaxFileBytes = 10 * 1024 * 1024;
// Rows a file for this description may have: every parameter a few times
// over (a file of another model, blank lines), never millions.
PARAMSET_EXPORT int row_limit(QMachine *machine);

// Reads a parameter file (GBK) into *table. Rows may end in CRLF, LF or CR.
// False, with the reason in *error (one line), when the file cannot be read,
// is larger than kMaxFileBytes, has more rows than max_rows (when not
// negative), or holds a NUL or bytes that are not GBK (the line is named):
// nothing of such a file is used.
PARAMSET_EXPORT bool read_file(const QString &path, QCSVFile *table, QString *error, int max_rows = -1);

// A cell as a message shows it: control characters escaped, a long one cut.
PARAMSET_EXPORT QString shown_cell(const QString &cell);

// Why a download file is refused as a whole (empty when it can be used).
PARAMSET_EXPORT QString check_header(const QCSVFile &table);

// A parameter file as a download or a comparison takes it: read, and its
// header checked. Unreadable carries the system's reason, BadHeader
// check_header()'s; *table holds what was read either way.
struct FileLoad
{
    enum Kind { Loaded, Unreadable, BadHeader };
    Kind kind = Loaded;
    QString reason;
    bool ok() const { return kind == Loaded; }
};
PARAMSET_EXPORT FileLoad load_file(const QString &path, QCSVFile *table, int max_rows = -1);

struct RowResult
{
    enum Kind {
        Write,       // value and raw are set
        Blank,       // nothing in the row (the line break at the end of the file)
        NotWritable, // a read-only parameter: every backup holds some
        Refused      // reason says why
    };
    Kind kind = Blank;
    QMachineValue *value = nullptr;
    int raw = 0;
    QString reason;
};

// Checks one data row of a download file against the model. A raw value is
// written only when it is an integer that fits the parameter's width and
// lies within its minimum and maximum; anything else must not reach the drive.
PARAMSET_EXPORT RowResult check_row(const QCSVFile &table, int row, QMachine *machine);

// What a download file puts into the drive: the rows to write, in file order,
// and one line for each refused row naming its line and why, for the
// operator. A code given in more than one row is a conflict: none of its rows
// is written, each is listed.
struct DownloadPlan
{
    struct Write
    {
        QMachineValue *value = nullptr;
        int raw = 0;
    };
    QList<Write> writes;
    QStringList refused;
};
PARAMSET_EXPORT DownloadPlan plan_download(const QCSVFile &table, QMachine *machine);

// The raw values a file holds, for a comparison: every row with a code and an
// integer raw value, in file order. A code given in more than one row is a
// conflict: it is left out and each of its rows goes to `problems`. A code the description knows has its raw value in the parameter's
// register form; one it does not know is kept as written, so a comparison
// can list it. Rows without a usable raw value go to `problems` with their
// line, as plan_download words them.
PARAMSET_EXPORT QList<tagParamRaw> raw_values(const QCSVFile &table, QMachine *machine,
                                              QStringList *problems);

} // namespace ParamSetFile
