#pragma once

#include <coredata/coredata_export.h>

#include <QList>
#include <QString>
#include <QStringList>

// A table of text cells with a comma-separated text form: rows end with
// "\r\n", cells are split at ",", and there is no quoting, so a cell cannot
// hold a comma or a "\r\n". Reading and writing files, and their encoding,
// is the caller's business. Cells are addressed column first.
class COREDATA_EXPORT QCSVFile
{
public:
    QCSVFile() = default;

    // Replaces the table. Every piece between "\r\n" is a row, the empty
    // ones too: text ending in "\r\n" gives a last row of one empty cell.
    void load(const QString &text);
    // Every row, the last one included, is followed by "\r\n".
    QString save() const;

    int size() const;
    // 0 for a row that does not exist.
    int size(int row) const;
    // Empty for a cell that does not exist.
    QString get_text(int col, int row) const;
    // Grows the table with empty rows and cells up to the cell; a negative
    // row or column appends a new one.
    void set_text(int col, int row, const QString &text);

private:
    QList<QStringList> m_rows;
};
