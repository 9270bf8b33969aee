#pragma once

#include <paramset/paramset_export.h>
#include "paramsnapshot.h"
#include <coredata/qcsvfile.h>

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

class QMachine;
class QMachineValue;

// A parameter file opened for editing without a drive. Holds the file's
// table as it was read and, beside it, the values changed since: a save
// rewrites only the 值 and 原始值 cells of the changed rows (and appends a
// row for a parameter the file did not have), so every other row keeps its
// bytes. Values are kept by code; the model that shows them is the caller's
// and is handed in where names or register forms are needed.
class PARAMSET_EXPORT ParamFileDocument
{
public:
    // Reads the file at `path` (GBK or UTF-8, as a download reads it) for
    // the description of `machine`. False, with the reason, when it cannot
    // be read or is no parameter file.
    bool load(const QString &path, QMachine *machine, QString *error);

    QString path() const { return m_path; }
    // The raw values the file gives for parameters of the description, in
    // file order.
    QList<tagParamRaw> values() const { return m_values; }
    // Rows a download of the file would refuse (no such parameter, no
    // usable raw value, beyond the limits, a code given twice), one line
    // each, as the download names them.
    QStringList problems() const { return m_problems; }

    // The value of `value`'s parameter is now `raw`; set back to what the
    // file holds, the parameter counts as unchanged again.
    void set_raw(QMachineValue *value, int raw);
    // The parameter's change is dropped: the file's own value holds again.
    void revert(const QString &code);
    bool is_modified() const { return !m_changes.isEmpty(); }
    int change_count() const { return int(m_changes.size()); }
    // The codes changed since the file was read or saved.
    QStringList changed_codes() const { return m_changes.keys(); }
    // What the file itself holds for `code`; false when it gives nothing.
    bool file_raw(const QString &code, int *raw) const;

    // The file as a save writes it (GBK).
    QByteArray bytes(QMachine *machine) const;
    // Writes bytes() to `path` whole or not at all; afterwards the document
    // is that file, unchanged. False, with the reason, when nothing was
    // written (also when the text holds a character GBK cannot write).
    bool save(const QString &path, QMachine *machine, QString *error);

private:
    void take_table(const QCSVFile &table, QMachine *machine);
    QCSVFile changed_table(QMachine *machine) const;
    static QString table_text(const QCSVFile &table);

    QString m_path;
    QCSVFile m_table;
    QList<tagParamRaw> m_values;
    QHash<QString, int> m_file_raw;
    QStringList m_problems;
    QMap<QString, int> m_changes;
};
