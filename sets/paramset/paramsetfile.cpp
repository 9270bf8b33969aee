#include "paramsetfile.h"

#include <coredata/qlocalcodec.h>
#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>

#include <QCoreApplication>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace ParamSetFile {

namespace {

enum FileColumn { CodeCol = 0, NameCol, ValueCol, UnitCol, RawCol, FileColumnCount };

QStringList header_texts()
{
    return {QStringLiteral("代码"), QStringLiteral("名称"), QStringLiteral("值"),
            QStringLiteral("单位"), QStringLiteral("原始值")};
}

} // namespace

QString value_cell(QMachineValue *value)
{
    return value_cell(value, value->get_base_value());
}

QString value_cell(QMachineValue *value, int raw)
{
    const int s = value->get_value_property(VALUE_SCALE).toInt();
    if (s == 0)
        return QString();
    const double x = value->display_number(raw);
    if (value->is_float())
        return value->text_of_raw(raw);
    // Six significant digits hold every one-word value; a two-word value
    // needs up to ten, or the backup would show 1.23457e+07 for 12345678.
    return QString::number(x, 'g', value->words() == 2 ? 10 : 6);
}

QCSVFile build_table(const QList<QMachineValue *> &values)
{
    QCSVFile table;
    const QStringList header = header_texts();
    for (int col = 0; col < header.size(); ++col)
        table.set_text(col, 0, header.at(col));
    int row = 1;
    for (QMachineValue *value : values) {
        if (!value)
            continue;
        // The file has no quoting: a comma would split the name.
        QString name = value->get_value_property(VALUE_NAME).toString();
        name.replace(QLatin1Char(','), QLatin1Char(';'));
        table.set_text(CodeCol, row, value->get_value_property(VALUE_CODE).toString());
        table.set_text(NameCol, row, name);
        table.set_text(ValueCol, row, value_cell(value));
        table.set_text(UnitCol, row, value->get_value_property(VALUE_UNIT).toString());
        table.set_text(RawCol, row, QString::number(value->get_base_value()));
        ++row;
    }
    return table;
}

QCSVFile build_table(const QList<tagParamRaw> &values, QMachine *machine)
{
    QCSVFile table;
    const QStringList header = header_texts();
    for (int col = 0; col < header.size(); ++col)
        table.set_text(col, 0, header.at(col));
    int row = 1;
    for (const tagParamRaw &entry : values) {
        QMachineValue *value = machine ? machine->get_value(entry.code) : nullptr;
        table.set_text(CodeCol, row, entry.code);
        if (value) {
            QString name = value->get_value_property(VALUE_NAME).toString();
            name.replace(QLatin1Char(','), QLatin1Char(';'));
            table.set_text(NameCol, row, name);
            table.set_text(ValueCol, row, value_cell(value, entry.raw));
            table.set_text(UnitCol, row, value->get_value_property(VALUE_UNIT).toString());
        } else {
            for (int col : {int(NameCol), int(ValueCol), int(UnitCol)})
                table.set_text(col, row, QString());
        }
        table.set_text(RawCol, row, QString::number(entry.raw));
        ++row;
    }
    return table;
}

int row_limit(QMachine *machine)
{
    const int parameters = machine ? int(machine->get_parameters().size()) : 0;
    return 4 * parameters + 100;
}

bool read_file(const QString &path, QCSVFile *table, QString *error, int max_rows)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    // Refused before reading: a file of hundreds of megabytes would take
    // many times its size in memory before anyone learnt it is not a
    // parameter file.
    if (file.size() > kMaxFileBytes) {
        *error = QCoreApplication::translate("ParamSetFile", "文件有 %1 字节，参数文件最多 %2 字节")
                     .arg(file.size())
                     .arg(kMaxFileBytes);
        return false;
    }
    QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    if (bytes.size() > kMaxFileBytes) {
        *error = QCoreApplication::translate("ParamSetFile", "文件超过 %1 字节").arg(kMaxFileBytes);
        return false;
    }
    if (max_rows >= 0) {
        // Every line end counts, whichever kind it is (CRLF once).
        qsizetype rows = 1;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const char c = bytes.at(i);
            if (c == '\n' || (c == '\r' && (i + 1 >= bytes.size() || bytes.at(i + 1) != '\n')))
                ++rows;
        }
        if (rows > max_rows) {
            *error = QCoreApplication::translate("ParamSetFile", "文件有 %1 行，这个机型的参数文件最多 %2 行")
                         .arg(rows)
                         .arg(max_rows);
            return false;
        }
    }
    QString text;
    if (!QLocalCodec::decode(bytes, &text, error))
        return false;
    bytes = QByteArray();
    // Written by another program, a file may end its rows in LF or CR alone;
    // a lone one inside a CRLF file ends a row too, rather than hiding inside
    // a cell.
    bool lone = false;
    for (qsizetype i = 0; i < text.size() && !lone; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r'))
            lone = i + 1 >= text.size() || text.at(i + 1) != QLatin1Char('\n');
        else if (c == QLatin1Char('\n'))
            lone = i == 0 || text.at(i - 1) != QLatin1Char('\r');
    }
    if (lone) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    }
    table->load(text);
    return true;
}

QString shown_cell(const QString &cell)
{
    constexpr qsizetype kLongest = 40;
    QString out;
    const qsizetype n = std::min(cell.size(), kLongest);
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = cell.at(i);
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\x") + QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
            out += c;
    }
    if (cell.size() > kLongest)
        out += QStringLiteral("…");
    return out;
}

QString check_header(const QCSVFile &table)
{
    if (table.size() < 2)
        return QCoreApplication::translate("ParamSetFile", "文件中没有参数行");
    if (table.size(0) != FileColumnCount)
        return QCoreApplication::translate("ParamSetFile", "标题行应有 %1 列，实有 %2 列").arg(FileColumnCount).arg(table.size(0));
    // Only these two columns are read: a file whose fifth column is something
    // else than raw values must not be written into a drive.
    const QStringList header = header_texts();
    for (int col : {int(CodeCol), int(RawCol)}) {
        if (table.get_text(col, 0).trimmed() != header.at(col))
            return QCoreApplication::translate("ParamSetFile", "第 %1 列的标题应为“%2”").arg(col + 1).arg(header.at(col));
    }
    return QString();
}

FileLoad load_file(const QString &path, QCSVFile *table, int max_rows)
{
    FileLoad load;
    if (!read_file(path, table, &load.reason, max_rows)) {
        load.kind = FileLoad::Unreadable;
        return load;
    }
    load.reason = check_header(*table);
    if (!load.reason.isEmpty())
        load.kind = FileLoad::BadHeader;
    return load;
}

RowResult check_row(const QCSVFile &table, int row, QMachine *machine)
{
    RowResult result;
    bool blank = true;
    for (int col = 0; col < table.size(row) && blank; ++col)
        blank = table.get_text(col, row).trimmed().isEmpty();
    if (blank)
        return result;

    const QString code = table.get_text(CodeCol, row).trimmed();
    const QString raw_text = table.get_text(RawCol, row).trimmed();
    result.kind = RowResult::Refused;

    QMachineValue *value = machine ? machine->get_value(code) : nullptr;
    if (!value) {
        result.reason = QCoreApplication::translate("ParamSetFile", "没有这个参数");
        return result;
    }
    if (!machine->check_value_right(value)) {
        result.kind = RowResult::NotWritable;
        return result;
    }

    bool ok = false;
    const qint64 number = raw_text.toLongLong(&ok, 10);
    if (!ok) {
        result.reason = raw_text.isEmpty() ? QCoreApplication::translate("ParamSetFile", "没有原始值")
                                           : QCoreApplication::translate("ParamSetFile", "原始值“%1”不是整数").arg(shown_cell(raw_text));
        return result;
    }

    // A one-word register takes 0..65535 (a signed value may also be written
    // as -32768..-1); a two-word value any 32-bit pattern, in either form.
    int raw = 0;
    if (!value->raw_of_integer(number, &raw)) {
        result.reason = QCoreApplication::translate("ParamSetFile", "原始值 %1 超出参数的数据宽度").arg(shown_cell(raw_text));
        return result;
    }

    const QString out_of_range = value->range_error(raw);
    if (!out_of_range.isEmpty()) {
        result.reason = QCoreApplication::translate("ParamSetFile", "原始值 %1：%2").arg(shown_cell(raw_text), out_of_range);
        return result;
    }

    result.kind = RowResult::Write;
    result.value = value;
    result.raw = raw;
    return result;
}

namespace {

// Rows (from 1) of every code that more than one data row names.
QHash<QString, QList<int>> repeated_codes(const QCSVFile &table)
{
    QHash<QString, QList<int>> rows_of;
    for (int row = 1; row < table.size(); ++row) {
        const QString code = table.get_text(CodeCol, row).trimmed();
        if (!code.isEmpty())
            rows_of[code].append(row);
    }
    for (auto it = rows_of.begin(); it != rows_of.end();) {
        if (it.value().size() < 2)
            it = rows_of.erase(it);
        else
            ++it;
    }
    return rows_of;
}

QString repeated_reason(const QList<int> &rows, int row)
{
    QStringList others;
    for (int other : rows) {
        if (other != row)
            others.append(QString::number(other + 1));
    }
    return QCoreApplication::translate("ParamSetFile", "与第 %1 行是同一个参数，都没有用").arg(others.join(QStringLiteral("、")));
}

QString row_line(const QCSVFile &table, int row, const QString &reason)
{
    return QCoreApplication::translate("ParamSetFile", "第 %1 行 %2：%3")
        .arg(row + 1)
        .arg(shown_cell(table.get_text(CodeCol, row).trimmed()), reason);
}

} // namespace

DownloadPlan plan_download(const QCSVFile &table, QMachine *machine)
{
    DownloadPlan plan;
    const QHash<QString, QList<int>> repeated = repeated_codes(table);
    for (int row = 1; row < table.size(); ++row) {
        const RowResult result = check_row(table, row, machine);
        if (result.kind == RowResult::Blank)
            continue;
        // Which of two rows the operator meant nobody can tell.
        const auto twice = repeated.constFind(table.get_text(CodeCol, row).trimmed());
        if (twice != repeated.constEnd()) {
            plan.refused.append(row_line(table, row, repeated_reason(twice.value(), row)));
            continue;
        }
        if (result.kind == RowResult::Refused)
            plan.refused.append(row_line(table, row, result.reason));
        if (result.kind == RowResult::Write)
            plan.writes.append({result.value, result.raw});
    }
    return plan;
}

QList<tagParamRaw> raw_values(const QCSVFile &table, QMachine *machine, QStringList *problems)
{
    QList<tagParamRaw> values;
    const QHash<QString, QList<int>> repeated = repeated_codes(table);
    for (int row = 1; row < table.size(); ++row) {
        const QString code = table.get_text(CodeCol, row).trimmed();
        const QString raw_text = table.get_text(RawCol, row).trimmed();
        if (code.isEmpty() && raw_text.isEmpty())
            continue;
        bool ok = false;
        const qint64 number = raw_text.toLongLong(&ok, 10);
        int raw = int(number);
        QMachineValue *value = machine ? machine->get_value(code) : nullptr;
        QString reason;
        const auto twice = repeated.constFind(code);
        if (code.isEmpty())
            reason = QCoreApplication::translate("ParamSetFile", "没有代码");
        else if (twice != repeated.constEnd())
            reason = repeated_reason(twice.value(), row);
        else if (!ok)
            reason = raw_text.isEmpty() ? QCoreApplication::translate("ParamSetFile", "没有原始值")
                                        : QCoreApplication::translate("ParamSetFile", "原始值“%1”不是整数").arg(shown_cell(raw_text));
        else if (value && !value->raw_of_integer(number, &raw))
            reason = QCoreApplication::translate("ParamSetFile", "原始值 %1 超出参数的数据宽度").arg(shown_cell(raw_text));
        else if (!value && (number < INT_MIN || number > UINT_MAX))
            reason = QCoreApplication::translate("ParamSetFile", "原始值 %1 超出 32 位").arg(shown_cell(raw_text));
        if (!reason.isEmpty()) {
            if (problems)
                problems->append(row_line(table, row, reason));
            continue;
        }
        values.append({code, raw});
    }
    return values;
}

} // namespace ParamSetFile
