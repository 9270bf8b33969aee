#include "parvexcsv.h"

#include "qmachine.h"
#include "qmachinevalue.h"

#include <cstdlib>
#include <limits>

namespace ParvexCsv {

namespace {

enum FileColumn { CodeCol = 0, NameCol, ValueCol, UnitCol, RawCol, FileColumnCount };

QStringList header_texts()
{
    return {QStringLiteral("代码"), QStringLiteral("名称"), QStringLiteral("值"),
            QStringLiteral("单位"), QStringLiteral("原始值")};
}

int words_of(QMachineValue *value)
{
    return value->get_value_property(VALUE_LENGTH).toInt() == 2 ? 2 : 1;
}

// The number the drive means by a raw value, before the scale divides it.
qint64 interpreted(QMachineValue *value, quint32 bits)
{
    const bool is_signed = value->get_value_property(VALUE_SCALE).toInt() < 0;
    if (words_of(value) == 2)
        return is_signed ? qint64(qint32(bits)) : qint64(bits);
    const quint16 low = quint16(bits & 0xFFFFu);
    return is_signed ? qint64(qint16(low)) : qint64(low);
}

} // namespace

QString value_cell(QMachineValue *value)
{
    const int s = value->get_value_property(VALUE_SCALE).toInt();
    if (s == 0)
        return QString();
    const quint32 bits = quint32(value->get_base_value());
    const double x = double(interpreted(value, bits)) / double(std::abs(qint64(s)));
    // Six significant digits hold every one-word value; a two-word value
    // needs up to ten, or the backup would show 1.23457e+07 for 12345678.
    return QString::number(x, 'g', words_of(value) == 2 ? 10 : 6);
}

QString range_error(QMachineValue *value, quint32 bits)
{
    // 64 bits: the magnitude of the most negative int does not fit an int.
    const qint64 s = std::abs(qint64(value->get_value_property(VALUE_SCALE).toInt()));
    const double scale = s < 1 ? 1.0 : double(s);
    const double x = double(interpreted(value, bits)) / scale;
    const double half_step = 0.5 / scale;
    bool min_ok = false;
    bool max_ok = false;
    const QString min_text = value->get_value_property(VALUE_MIN).toString();
    const QString max_text = value->get_value_property(VALUE_MAX).toString();
    const double min = min_text.toDouble(&min_ok);
    const double max = max_text.toDouble(&max_ok);
    if ((min_ok && x < min - half_step) || (max_ok && x > max + half_step))
        return QStringLiteral("%1 超出范围 %2～%3")
            .arg(value->text_of_raw(int(bits)), min_text, max_text);
    return QString();
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

QString check_header(const QCSVFile &table)
{
    if (table.size() < 2)
        return QStringLiteral("文件中没有参数行");
    if (table.size(0) != FileColumnCount)
        return QStringLiteral("标题行应有 %1 列，实有 %2 列").arg(FileColumnCount).arg(table.size(0));
    // Only these two columns are read: a file whose fifth column is something
    // else than raw values must not be written into a drive.
    const QStringList header = header_texts();
    for (int col : {int(CodeCol), int(RawCol)}) {
        if (table.get_text(col, 0).trimmed() != header.at(col))
            return QStringLiteral("第 %1 列的标题应为“%2”").arg(col + 1).arg(header.at(col));
    }
    return QString();
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
        result.reason = QStringLiteral("没有这个参数");
        return result;
    }
    if (!machine->check_value_right(value)) {
        result.kind = RowResult::NotWritable;
        return result;
    }

    bool ok = false;
    const qint64 number = raw_text.toLongLong(&ok, 10);
    if (!ok) {
        result.reason = raw_text.isEmpty() ? QStringLiteral("没有原始值")
                                           : QStringLiteral("原始值“%1”不是整数").arg(raw_text);
        return result;
    }

    // A one-word register takes 0..65535 (a signed value may also be written
    // as -32768..-1); a two-word value any 32-bit pattern, in either form.
    const bool is_signed = value->get_value_property(VALUE_SCALE).toInt() < 0;
    const bool fits = words_of(value) == 2
        ? number >= std::numeric_limits<qint32>::min() && number <= qint64(std::numeric_limits<quint32>::max())
        : number >= (is_signed ? -32768 : 0) && number <= 65535;
    if (!fits) {
        result.reason = QStringLiteral("原始值 %1 超出参数的数据宽度").arg(raw_text);
        return result;
    }
    const quint32 bits = words_of(value) == 2 ? quint32(number) : quint32(number) & 0xFFFFu;

    const QString out_of_range = range_error(value, bits);
    if (!out_of_range.isEmpty()) {
        result.reason = QStringLiteral("原始值 %1：%2").arg(raw_text, out_of_range);
        return result;
    }

    result.kind = RowResult::Write;
    result.value = value;
    result.raw = int(bits);
    return result;
}

} // namespace ParvexCsv
