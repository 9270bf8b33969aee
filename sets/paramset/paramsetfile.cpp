#include "paramsetfile.h"

#include <coredata/qlocalcodec.h>
#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QStringDecoder>

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
    const double x = double(value->number_of_raw(raw)) / double(std::abs(qint64(s)));
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

bool read_file(const QString &path, QCSVFile *table, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    table->load(decode_file(file.readAll()));
    return true;
}

QString decode_file(const QByteArray &bytes)
{
    // A spreadsheet saves as UTF-8, with or without the byte-order mark;
    // GBK text with Chinese in it is practically never valid UTF-8, so
    // bytes that decode as UTF-8 without a fault are taken as UTF-8. Files
    // this program writes stay GBK.
    static const QByteArray bom("\xEF\xBB\xBF");
    if (bytes.startsWith(bom))
        return QString::fromUtf8(bytes.mid(bom.size()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QLocalCodec::decode(bytes);
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
        const QString found = table.get_text(col, 0).trimmed();
        if (found != header.at(col))
            return QCoreApplication::translate("ParamSetFile", "第 %1 列的标题应为“%2”，实为“%3”")
                .arg(col + 1).arg(header.at(col), found);
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
                                           : QCoreApplication::translate("ParamSetFile", "原始值“%1”不是整数").arg(raw_text);
        return result;
    }

    // A one-word register takes 0..65535 (a signed value may also be written
    // as -32768..-1); a two-word value any 32-bit pattern, in either form.
    int raw = 0;
    if (!value->raw_of_integer(number, &raw)) {
        result.reason = QCoreApplication::translate("ParamSetFile", "原始值 %1 超出参数的数据宽度").arg(raw_text);
        return result;
    }

    // The value column is for people, and people edit it: a row whose 值
    // says something else than its 原始值 is a conflict, and neither is
    // written (which one was meant cannot be known).
    const QString value_text = table.get_text(ValueCol, row).trimmed();
    if (!value_text.isEmpty() && value->get_value_property(VALUE_SCALE).toInt() != 0) {
        int shown = 0;
        if (!value->convert_text(value_text, &shown)
            || value->number_of_raw(shown) != value->number_of_raw(raw)) {
            result.reason = QCoreApplication::translate("ParamSetFile", "值“%1”与原始值 %2（即 %3）不符")
                                .arg(value_text, raw_text, value->text_of_raw(raw));
            return result;
        }
    }

    const QString out_of_range = value->range_error(raw);
    if (!out_of_range.isEmpty()) {
        result.reason = QCoreApplication::translate("ParamSetFile", "原始值 %1：%2").arg(raw_text, out_of_range);
        return result;
    }

    result.kind = RowResult::Write;
    result.value = value;
    result.raw = raw;
    return result;
}

DownloadPlan plan_download(const QCSVFile &table, QMachine *machine)
{
    DownloadPlan plan;
    for (int row = 1; row < table.size(); ++row) {
        const RowResult result = check_row(table, row, machine);
        if (result.kind == RowResult::Refused) {
            plan.refused.append(QCoreApplication::translate("ParamSetFile", "第 %1 行 %2：%3")
                                    .arg(row + 1)
                                    .arg(table.get_text(CodeCol, row).trimmed(), result.reason));
        }
        if (result.kind == RowResult::Write)
            plan.writes.append({result.value, result.raw});
    }
    return plan;
}

QList<tagParamRaw> raw_values(const QCSVFile &table, QMachine *machine, QStringList *problems)
{
    QList<tagParamRaw> values;
    QHash<QString, int> index_of_code;
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
        if (code.isEmpty())
            reason = QCoreApplication::translate("ParamSetFile", "没有代码");
        else if (!ok)
            reason = raw_text.isEmpty() ? QCoreApplication::translate("ParamSetFile", "没有原始值")
                                        : QCoreApplication::translate("ParamSetFile", "原始值“%1”不是整数").arg(raw_text);
        else if (value && !value->raw_of_integer(number, &raw))
            reason = QCoreApplication::translate("ParamSetFile", "原始值 %1 超出参数的数据宽度").arg(raw_text);
        else if (!value && (number < INT_MIN || number > UINT_MAX))
            reason = QCoreApplication::translate("ParamSetFile", "原始值 %1 超出 32 位").arg(raw_text);
        if (!reason.isEmpty()) {
            if (problems)
                problems->append(QCoreApplication::translate("ParamSetFile", "第 %1 行 %2：%3").arg(row + 1).arg(code, reason));
            continue;
        }
        const auto found = index_of_code.constFind(code);
        if (found != index_of_code.constEnd()) {
            values[found.value()].raw = raw;
        } else {
            index_of_code.insert(code, int(values.size()));
            values.append({code, raw});
        }
    }
    return values;
}

} // namespace ParamSetFile
