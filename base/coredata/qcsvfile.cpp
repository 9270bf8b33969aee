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
    const QStringList lines = text.split(row_separator(), Qt::KeepEmptyParts);
    m_rows.reserve(lines.size());
    for (const QString &line : lines)
        m_rows.append(line.split(QLatin1Char(','), Qt::KeepEmptyParts));
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
