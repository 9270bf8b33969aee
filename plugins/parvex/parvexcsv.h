#pragma once

#include "qcsvfile.h"

#include <QList>
#include <QString>

class QMachine;
class QMachineValue;

// The parameter file: what an upload saves and a download reads. Five
// columns "代码", "名称", "值", "单位", "原始值"; a download reads only the
// code and the raw value, the others are for the person reading the file.
namespace ParvexCsv {

// The "值" cell: the raw value scaled for the reader, empty when the scale
// is 0. A two-word value is taken with all 32 bits.
QString value_cell(QMachineValue *value);

// Header row and one row per value, in the order given.
QCSVFile build_table(const QList<QMachineValue *> &values);

// Why a download file is refused as a whole (empty when it can be used).
QString check_header(const QCSVFile &table);

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

// Why a raw value (its register bits) lies outside the parameter's minimum
// and maximum; empty when it lies within them or the description gives none.
// The editor and the download both refuse such values: they must not reach
// the drive.
QString range_error(QMachineValue *value, quint32 bits);

// Checks one data row of a download file against the model. A raw value is
// written only when it is an integer that fits the parameter's width and
// lies within its minimum and maximum; anything else must not reach the drive.
RowResult check_row(const QCSVFile &table, int row, QMachine *machine);

} // namespace ParvexCsv
