#include "qcsvfile.h"

namespace {
const QString &row_separator()
{
    static const QString separator = QStringLiteral("\r\n");
    return separator;
}
} // namespace

void QCSVFile::load(const QString &text)
{
    m_rows.clear();
    // Row by row from the text itself: a list of every line beside the
    // table would double what a large file takes in memory.
    const QStringView all(text);
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = text.indexOf(row_separator(), start);
        const QStringView line = all.mid(start, (end < 0 ? text.size() : end) - start);
        QStringList cells;
        qsizetype from = 0;
        for (;;) {
            const qsizetype comma = line.indexOf(QLatin1Char(','), from);
            cells.append(line.mid(from, (comma < 0 ? line.size() : comma) - from).toString());
            if (comma < 0)
                break;
            from = comma + 1;
        }
        m_rows.append(cells);
        if (end < 0)
            break;
        start = end + row_separator().size();
    }
}

QString QCSVFile::save() const
{
    QString text;
    for (const QStringList &row : m_rows) {
        text += row.join(QLatin1Char(','));
        text += row_separator();
    }
    return text;
}

int QCSVFile::size() const
{
    return int(m_rows.size());
}

int QCSVFile::size(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return 0;
    return int(m_rows.at(row).size());
}

QString QCSVFile::get_text(int col, int row) const
{
    if (row < 0 || row >= m_rows.size())
        return QString();
    const QStringList &cells = m_rows.at(row);
    if (col < 0 || col >= cells.size())
        return QString();
    return cells.at(col);
}

void QCSVFile::set_text(int col, int row, const QString &text)
{
    if (row < 0)
        row = size();
    while (m_rows.size() <= row)
        m_rows.append(QStringList());

    QStringList &cells = m_rows[row];
    if (col < 0)
        col = int(cells.size());
    while (cells.size() <= col)
        cells.append(QString());
    cells[col] = text;
}
