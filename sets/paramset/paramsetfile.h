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

// Reads a parameter file (GBK) into *table; false, with the system's reason
// in *error, when the file cannot be read.
PARAMSET_EXPORT bool read_file(const QString &path, QCSVFile *table, QString *error);
// The text of a parameter file's bytes: UTF-8 (with or without a byte-order
// mark) when they are that, GBK otherwise.
PARAMSET_EXPORT QString decode_file(const QByteArray &bytes);

// Why a download file is refused as a whole (empty when it can be used).
PARAMSET_EXPORT QString check_header(const QCSVFile &table);

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

// What a download file puts into the drive: the rows to write, in file order
// (a code given twice is written twice, the last one stays), and one line
// for each refused row naming its line and why, for the operator.
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
// integer raw value, in file order (a code given twice counts once, the last
// row). A code the description knows has its raw value in the parameter's
// register form; one it does not know is kept as written, so a comparison
// can list it. Rows without a usable raw value go to `problems` with their
// line, as plan_download words them.
PARAMSET_EXPORT QList<tagParamRaw> raw_values(const QCSVFile &table, QMachine *machine,
                                              QStringList *problems);

} // namespace ParamSetFile
