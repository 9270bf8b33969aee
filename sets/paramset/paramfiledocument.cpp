#include "paramfiledocument.h"

#include "paramsetfile.h"

#include <coredata/qlocalcodec.h>
#include <coredata/qsafefile.h>
#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>

#include <QCoreApplication>
#include <QSet>

namespace {

enum FileColumn { CodeCol = 0, NameCol, ValueCol, UnitCol, RawCol };

// A file that ends in a line break reads as a last row of one empty cell;
// it is the line break, not a row to write again.
bool ends_in_blank_row(const QCSVFile &table)
{
    const int last = table.size() - 1;
    return last > 0 && table.size(last) == 1 && table.get_text(0, last).isEmpty();
}

} // namespace

bool ParamFileDocument::load(const QString &path, QMachine *machine, QString *error)
{
    QCSVFile table;
    const ParamSetFile::FileLoad load = ParamSetFile::load_file(path, &table, ParamSetFile::row_limit(machine));
    if (!load.ok()) {
        *error = load.reason;
        return false;
    }
    m_path = path;
    m_changes.clear();
    take_table(table, machine);
    return true;
}

void ParamFileDocument::take_table(const QCSVFile &table, QMachine *machine)
{
    m_table = table;
    m_values.clear();
    m_file_raw.clear();
    m_problems = ParamSetFile::plan_download(table, machine).refused;
    // What the file gives for the description's parameters; the rows it
    // cannot give (a code given twice, no raw value) are among the problems.
    const QList<tagParamRaw> raws = ParamSetFile::raw_values(table, machine, nullptr);
    for (const tagParamRaw &raw : raws) {
        if (machine && machine->get_value(raw.code)) {
            m_values.append(raw);
            m_file_raw.insert(raw.code, raw.raw);
        }
    }
}

void ParamFileDocument::set_raw(QMachineValue *value, int raw)
{
    const QString code = value->get_value_property(VALUE_CODE).toString();
    const auto file = m_file_raw.constFind(code);
    if (file != m_file_raw.constEnd() && file.value() == raw)
        m_changes.remove(code);
    else
        m_changes.insert(code, raw);
}

bool ParamFileDocument::file_raw(const QString &code, int *raw) const
{
    const auto file = m_file_raw.constFind(code);
    if (file == m_file_raw.constEnd())
        return false;
    *raw = file.value();
    return true;
}

void ParamFileDocument::revert(const QString &code)
{
    m_changes.remove(code);
}

QCSVFile ParamFileDocument::changed_table(QMachine *machine) const
{
    QCSVFile out = m_table;
    QSet<QString> placed;
    for (int row = 1; row < out.size(); ++row) {
        const QString code = out.get_text(CodeCol, row).trimmed();
        const auto change = m_changes.constFind(code);
        if (change == m_changes.constEnd())
            continue;
        // Every row of the code: the file then says one thing about it.
        QMachineValue *value = machine ? machine->get_value(code) : nullptr;
        if (value)
            out.set_text(ValueCol, row, ParamSetFile::value_cell(value, change.value()));
        out.set_text(RawCol, row, QString::number(change.value()));
        placed.insert(code);
    }
    // Parameters the file did not have follow its rows, in the
    // description's order.
    const bool blank = ends_in_blank_row(out);
    int row = blank ? out.size() - 1 : out.size();
    const QList<QMachineValue *> parameters = machine ? machine->get_parameters() : QList<QMachineValue *>();
    for (QMachineValue *value : parameters) {
        const QString code = value->get_value_property(VALUE_CODE).toString();
        const auto change = m_changes.constFind(code);
        if (change == m_changes.constEnd() || placed.contains(code))
            continue;
        placed.insert(code);
        QString name = value->get_value_property(VALUE_NAME).toString();
        name.replace(QLatin1Char(','), QLatin1Char(';'));
        out.set_text(CodeCol, row, code);
        out.set_text(NameCol, row, name);
        out.set_text(ValueCol, row, ParamSetFile::value_cell(value, change.value()));
        out.set_text(UnitCol, row, value->get_value_property(VALUE_UNIT).toString());
        out.set_text(RawCol, row, QString::number(change.value()));
        ++row;
    }
    if (blank && row >= out.size())
        out.set_text(0, row, QString());
    return out;
}

QString ParamFileDocument::table_text(const QCSVFile &table)
{
    QString text = table.save();
    if (ends_in_blank_row(table))
        text.chop(2);
    return text;
}

QByteArray ParamFileDocument::bytes(QMachine *machine) const
{
    return QLocalCodec::encode(table_text(changed_table(machine)));
}

bool ParamFileDocument::save(const QString &path, QMachine *machine, QString *error)
{
    // A file read as UTF-8 may hold characters GBK has not: written, they
    // would turn into other bytes, in rows nobody changed.
    const QByteArray out = bytes(machine);
    QString back;
    QString ignored;
    const QCSVFile table = changed_table(machine);
    if (!QLocalCodec::decode(out, &back, &ignored) || back != table_text(table)) {
        const QStringList lines = table_text(table).split(QStringLiteral("\r\n"));
        const QStringList written = back.split(QStringLiteral("\r\n"));
        int line = 0;
        while (line < lines.size() && line < written.size() && lines.at(line) == written.at(line))
            ++line;
        *error = QCoreApplication::translate("ParamFileDocument", "第 %1 行有 GBK 编码无法表示的字符，文件没有保存")
                     .arg(line + 1);
        return false;
    }
    if (!QSafeFile::write(path, out, error))
        return false;
    const QCSVFile saved = changed_table(machine);
    m_path = path;
    m_changes.clear();
    take_table(saved, machine);
    return true;
}
