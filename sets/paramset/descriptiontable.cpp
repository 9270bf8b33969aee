#include "descriptiontable.h"

#include <database/qmachineconfig.h>
#include <machine/qmachinevalue.h>

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextCodec>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>

namespace DescriptionTable {

namespace {

QString tr_desc(const char *text)
{
    return QCoreApplication::translate("DescriptionTable", text);
}

enum Field {
    FCode, FName, FNameEn, FAddress, FWidth, FScale, FDecimals, FDefault, FMin, FMax,
    FUnit, FUnitEn, FChoices, FChoicesEn, FAccess, FHelp, FHelpEn, FGroup, FStart, FieldCount
};

// Header texts by field: the English names first, then the headings
// Chinese manuals use.
const QHash<QString, Field> &header_names()
{
    static const QHash<QString, Field> names{
        {QStringLiteral("code"), FCode},         {QStringLiteral("代码"), FCode},
        {QStringLiteral("功能码"), FCode},       {QStringLiteral("参数代码"), FCode},
        {QStringLiteral("name"), FName},         {QStringLiteral("名称"), FName},
        {QStringLiteral("参数名称"), FName},     {QStringLiteral("name-en"), FNameEn},
        {QStringLiteral("english name"), FNameEn}, {QStringLiteral("英文名称"), FNameEn},
        {QStringLiteral("address"), FAddress},   {QStringLiteral("地址"), FAddress},
        {QStringLiteral("寄存器地址"), FAddress}, {QStringLiteral("width"), FWidth},
        {QStringLiteral("length"), FWidth},      {QStringLiteral("type"), FWidth},
        {QStringLiteral("宽度"), FWidth},        {QStringLiteral("长度"), FWidth},
        {QStringLiteral("数据类型"), FWidth},    {QStringLiteral("scale"), FScale},
        {QStringLiteral("缩放"), FScale},        {QStringLiteral("倍率"), FScale},
        {QStringLiteral("decimals"), FDecimals}, {QStringLiteral("小数位"), FDecimals},
        {QStringLiteral("default"), FDefault},   {QStringLiteral("默认值"), FDefault},
        {QStringLiteral("出厂值"), FDefault},    {QStringLiteral("min"), FMin},
        {QStringLiteral("最小值"), FMin},        {QStringLiteral("max"), FMax},
        {QStringLiteral("最大值"), FMax},        {QStringLiteral("unit"), FUnit},
        {QStringLiteral("单位"), FUnit},         {QStringLiteral("unit-en"), FUnitEn},
        {QStringLiteral("英文单位"), FUnitEn},   {QStringLiteral("choices"), FChoices},
        {QStringLiteral("选择"), FChoices},      {QStringLiteral("选项"), FChoices},
        {QStringLiteral("choices-en"), FChoicesEn}, {QStringLiteral("英文选项"), FChoicesEn},
        {QStringLiteral("access"), FAccess},     {QStringLiteral("访问"), FAccess},
        {QStringLiteral("属性"), FAccess},       {QStringLiteral("help"), FHelp},
        {QStringLiteral("说明"), FHelp},         {QStringLiteral("帮助"), FHelp},
        {QStringLiteral("help-en"), FHelpEn},    {QStringLiteral("英文说明"), FHelpEn},
        {QStringLiteral("group"), FGroup},       {QStringLiteral("分组"), FGroup},
        {QStringLiteral("start"), FStart},       {QStringLiteral("启动读取"), FStart},
    };
    return names;
}

// UTF-8 when the bytes are valid UTF-8 (a byte order mark is dropped),
// GBK otherwise; false when they are neither.
bool decode(const QByteArray &bytes, QString *text)
{
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(body);
    if (!utf8.hasError()) {
        *text = decoded;
        return true;
    }
    QTextCodec *gbk = QTextCodec::codecForName("GBK");
    if (!gbk)
        return false;
    QTextCodec::ConverterState state(QTextCodec::ConvertInvalidToNull);
    decoded = gbk->toUnicode(body.constData(), int(body.size()), &state);
    if (state.invalidChars > 0)
        return false;
    *text = decoded;
    return true;
}

struct Row
{
    qint64 line = 0;
    QStringList cells;
};

// CSV with quoted cells ("a, b" and "say ""hi""" as spreadsheets write
// them); a quoted cell may span lines. Every row keeps the line it starts on.
bool split_rows(const QString &text, QList<Row> *rows, Problem *problem)
{
    Row row;
    row.line = 1;
    QString cell;
    bool quoted = false;
    bool cell_started = false;
    qint64 line = 1;
    auto end_row = [&]() {
        row.cells.append(cell.trimmed());
        cell.clear();
        cell_started = false;
        const bool empty = std::all_of(row.cells.cbegin(), row.cells.cend(),
                                       [](const QString &c) { return c.isEmpty(); });
        if (!empty)
            rows->append(row);
        row = Row();
        row.line = line;
    };
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    cell.append(c);
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                cell.append(c);
            }
            continue;
        }
        if (c == QLatin1Char('"') && !cell_started && cell.trimmed().isEmpty()) {
            quoted = true;
            cell_started = true;
            cell.clear();
        } else if (c == QLatin1Char(',')) {
            row.cells.append(cell.trimmed());
            cell.clear();
            cell_started = false;
        } else if (c == QLatin1Char('\r')) {
            continue;
        } else if (c == QLatin1Char('\n')) {
            ++line;
            end_row();
        } else {
            cell.append(c);
            if (!c.isSpace())
                cell_started = true;
        }
    }
    if (quoted) {
        *problem = {row.line, tr_desc("引号没有结束")};
        return false;
    }
    end_row();
    return true;
}

// "0=V/F控制;1=矢量控制" (also with ':' and the full-width '；' and '：')
// as value and text pairs.
bool parse_choices(const QString &text, QList<QPair<qint64, QString>> *choices, QString *bad)
{
    static const QRegularExpression separators(QStringLiteral("[;；]"));
    for (const QString &piece : text.split(separators, Qt::SkipEmptyParts)) {
        const QString pair = piece.trimmed();
        if (pair.isEmpty())
            continue;
        static const QRegularExpression form(QStringLiteral("^([+-]?[0-9]+)\\s*[=:：]\\s*(.+)$"));
        const QRegularExpressionMatch m = form.match(pair);
        if (!m.hasMatch()) {
            *bad = pair;
            return false;
        }
        choices->append({m.captured(1).toLongLong(), m.captured(2).trimmed()});
    }
    return true;
}

struct Width
{
    int length = 1;
    bool is_signed = false;
    bool is_float = false;
};

bool parse_width(const QString &text, Width *width)
{
    const QString t = text.trimmed().toLower();
    static const QHash<QString, Width> widths{
        {QString(), {1, false, false}},
        {QStringLiteral("1"), {1, false, false}},      {QStringLiteral("16"), {1, false, false}},
        {QStringLiteral("uint16"), {1, false, false}}, {QStringLiteral("u16"), {1, false, false}},
        {QStringLiteral("word"), {1, false, false}},   {QStringLiteral("int16"), {1, true, false}},
        {QStringLiteral("s16"), {1, true, false}},     {QStringLiteral("i16"), {1, true, false}},
        {QStringLiteral("2"), {2, false, false}},      {QStringLiteral("32"), {2, false, false}},
        {QStringLiteral("uint32"), {2, false, false}}, {QStringLiteral("u32"), {2, false, false}},
        {QStringLiteral("dword"), {2, false, false}},  {QStringLiteral("int32"), {2, true, false}},
        {QStringLiteral("s32"), {2, true, false}},     {QStringLiteral("i32"), {2, true, false}},
        {QStringLiteral("float"), {2, false, true}},   {QStringLiteral("float32"), {2, false, true}},
        {QStringLiteral("real"), {2, false, true}},
    };
    const auto it = widths.constFind(t);
    if (it == widths.constEnd())
        return false;
    *width = it.value();
    return true;
}

QString access_of(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t.isEmpty())
        return QString();
    if (t == QLatin1String("rw") || t == QStringLiteral("读写") || t == QStringLiteral("可改"))
        return QStringLiteral("rw");
    if (t == QLatin1String("ro") || t == QStringLiteral("只读"))
        return QStringLiteral("ro");
    if (t == QLatin1String("stop") || t == QStringLiteral("停机可改") || t == QStringLiteral("停机"))
        return QStringLiteral("stop");
    return QStringLiteral("?");
}

struct Param
{
    qint64 line = 0;
    QString group;
    QMap<QString, QString> attributes; // written in the order of kAttributeOrder
    QList<QPair<qint64, QString>> choices;
    QStringList choices_en;
};

const char *const kAttributeOrder[] = {"code", "name", "name-en", "address", "length", "type",
                                       "scale", "default", "min", "max", "unit", "unit-en",
                                       "access", "editor", "start", "help", "help-en"};

QString runtime_group() { return QStringLiteral("Runtime"); }

bool make_param(const Row &row, const QList<int> &column_of, Param *param, Problem *problem)
{
    auto cell = [&](Field f) {
        const int col = column_of.at(f);
        return col >= 0 && col < row.cells.size() ? row.cells.at(col) : QString();
    };
    auto fail = [&](const QString &reason) {
        *problem = {row.line, reason};
        return false;
    };
    param->line = row.line;
    const QString code = cell(FCode);
    if (code.isEmpty())
        return fail(tr_desc("没有参数代码"));
    param->attributes.insert(QStringLiteral("code"), code);
    param->attributes.insert(QStringLiteral("name"), cell(FName));
    param->attributes.insert(QStringLiteral("name-en"), cell(FNameEn));

    const QString address_text = cell(FAddress);
    bool ok = false;
    const int address = address_text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
        ? address_text.mid(2).toInt(&ok, 16) : address_text.toInt(&ok, 10);
    if (!ok || address < 0 || address > 0xFFFF)
        return fail(tr_desc("参数 %1 的地址 \"%2\" 不是 0 到 65535 之间的数").arg(code, address_text));
    param->attributes.insert(QStringLiteral("address"),
                             QStringLiteral("0x%1").arg(address, 4, 16, QLatin1Char('0')).toUpper()
                                 .replace(QLatin1String("0X"), QLatin1String("0x")));

    Width width;
    if (!parse_width(cell(FWidth), &width))
        return fail(tr_desc("参数 %1 的宽度 \"%2\" 不认识").arg(code, cell(FWidth)));
    if (width.length == 2)
        param->attributes.insert(QStringLiteral("length"), QStringLiteral("2"));
    if (width.is_float)
        param->attributes.insert(QStringLiteral("type"), QStringLiteral("float"));

    qint64 scale = 1;
    if (!cell(FScale).isEmpty()) {
        scale = cell(FScale).toLongLong(&ok, 10);
        if (!ok || scale == 0)
            return fail(tr_desc("参数 %1 的缩放 \"%2\" 不是非零整数").arg(code, cell(FScale)));
    } else if (!cell(FDecimals).isEmpty()) {
        const int decimals = cell(FDecimals).toInt(&ok, 10);
        if (!ok || decimals < 0 || decimals > 9)
            return fail(tr_desc("参数 %1 的小数位 \"%2\" 不是 0 到 9").arg(code, cell(FDecimals)));
        scale = 1;
        for (int i = 0; i < decimals; ++i)
            scale *= 10;
    }
    if (width.is_signed && scale > 0)
        scale = -scale;
    if (scale != 1)
        param->attributes.insert(QStringLiteral("scale"), QString::number(scale));

    param->attributes.insert(QStringLiteral("default"), cell(FDefault));
    param->attributes.insert(QStringLiteral("min"), cell(FMin));
    param->attributes.insert(QStringLiteral("max"), cell(FMax));
    param->attributes.insert(QStringLiteral("unit"), cell(FUnit));
    param->attributes.insert(QStringLiteral("unit-en"), cell(FUnitEn));
    const QString access = access_of(cell(FAccess));
    if (access == QLatin1String("?"))
        return fail(tr_desc("参数 %1 的访问方式 \"%2\" 未知 (应为 rw、ro 或 stop)").arg(code, cell(FAccess)));
    param->attributes.insert(QStringLiteral("access"), access);
    param->attributes.insert(QStringLiteral("help"), cell(FHelp));
    if (!cell(FHelpEn).isEmpty())
        param->attributes.insert(QStringLiteral("help-en"), cell(FHelpEn));
    const QString start = cell(FStart);
    if (start == QLatin1String("1"))
        param->attributes.insert(QStringLiteral("start"), start);

    QString bad;
    if (!parse_choices(cell(FChoices), &param->choices, &bad))
        return fail(tr_desc("参数 %1 的选择 \"%2\" 不是“值=文字”").arg(code, bad));
    QList<QPair<qint64, QString>> english;
    if (!parse_choices(cell(FChoicesEn), &english, &bad))
        return fail(tr_desc("参数 %1 的选择 \"%2\" 不是“值=文字”").arg(code, bad));
    for (const auto &choice : std::as_const(param->choices)) {
        QString text_en;
        for (const auto &e : std::as_const(english)) {
            if (e.first == choice.first)
                text_en = e.second;
        }
        param->choices_en.append(text_en);
    }
    if (!param->choices.isEmpty())
        param->attributes.insert(QStringLiteral("editor"), QStringLiteral("选择"));

    param->group = cell(FGroup);
    if (param->group.isEmpty()) {
        const int dash = int(code.indexOf(QLatin1Char('-')));
        param->group = dash > 0 ? code.left(dash) : code;
    }
    return true;
}

// Writes one <Param> with its attributes in a fixed order, leaving out
// empty ones.
void write_param(QXmlStreamWriter &xml, const Param &param)
{
    xml.writeStartElement(QStringLiteral("Param"));
    for (const char *name : kAttributeOrder) {
        const QString value = param.attributes.value(QLatin1String(name));
        if (!value.isEmpty())
            xml.writeAttribute(QLatin1String(name), value);
    }
    for (int i = 0; i < param.choices.size(); ++i) {
        xml.writeEmptyElement(QStringLiteral("Choice"));
        xml.writeAttribute(QStringLiteral("value"), QString::number(param.choices.at(i).first));
        xml.writeAttribute(QStringLiteral("text"), param.choices.at(i).second);
        if (!param.choices_en.at(i).isEmpty())
            xml.writeAttribute(QStringLiteral("text-en"), param.choices_en.at(i));
    }
    xml.writeEndElement();
}

} // namespace

bool describe(const QByteArray &table, const QString &name, QByteArray *xml_out, Problem *problem)
{
    QString text;
    if (!decode(table, &text)) {
        *problem = {0, tr_desc("表格既不是 UTF-8 也不是 GBK 编码")};
        return false;
    }
    if (text.contains(QChar(0))) {
        *problem = {0, tr_desc("表格中有 NUL 字节")};
        return false;
    }
    QList<Row> rows;
    if (!split_rows(text, &rows, problem))
        return false;
    if (rows.isEmpty()) {
        *problem = {0, tr_desc("表格是空的")};
        return false;
    }

    // The header row names the columns.
    const Row &header = rows.first();
    QList<int> column_of(FieldCount, -1);
    for (int col = 0; col < header.cells.size(); ++col) {
        const QString heading = header.cells.at(col).trimmed().toLower();
        if (heading.isEmpty())
            continue;
        const auto it = header_names().constFind(heading);
        if (it == header_names().constEnd()) {
            *problem = {header.line, tr_desc("不认识的列标题 \"%1\"").arg(header.cells.at(col))};
            return false;
        }
        if (column_of.at(it.value()) >= 0) {
            *problem = {header.line, tr_desc("列标题 \"%1\" 与第 %2 列重复")
                                         .arg(header.cells.at(col)).arg(column_of.at(it.value()) + 1)};
            return false;
        }
        column_of[it.value()] = col;
    }
    if (column_of.at(FCode) < 0 || column_of.at(FAddress) < 0) {
        *problem = {header.line, tr_desc("标题行至少要有代码和地址两列")};
        return false;
    }
    if (column_of.at(FScale) >= 0 && column_of.at(FDecimals) >= 0) {
        *problem = {header.line, tr_desc("缩放和小数位只能有一列")};
        return false;
    }

    QStringList group_order;
    QHash<QString, QList<Param>> groups;
    for (int r = 1; r < rows.size(); ++r) {
        Param param;
        if (!make_param(rows.at(r), column_of, &param, problem))
            return false;
        if (!groups.contains(param.group))
            group_order.append(param.group);
        groups[param.group].append(param);
    }
    if (group_order.isEmpty()) {
        *problem = {header.line, tr_desc("表格中没有参数行")};
        return false;
    }

    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("Machine"));
    xml.writeAttribute(QStringLiteral("name"), name);
    for (const QString &group : std::as_const(group_order)) {
        if (group == runtime_group())
            continue;
        xml.writeStartElement(QStringLiteral("Group"));
        xml.writeAttribute(QStringLiteral("name"), group);
        for (const Param &param : groups.value(group))
            write_param(xml, param);
        xml.writeEndElement();
    }
    if (groups.contains(runtime_group())) {
        xml.writeStartElement(QStringLiteral("Runtime"));
        for (const Param &param : groups.value(runtime_group()))
            write_param(xml, param);
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    *xml_out = out;
    return true;
}

namespace {

struct Described
{
    qint64 line = 0;
    QString code;
    int address = -1;
    int length = 1;
    bool is_float = false;
    qint64 scale = 1;
    QString texts[3]; // default, min, max
    bool choice_editor = false;
    QList<qint64> choices;
};

bool number_of(const QString &text, double *value)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok && std::isfinite(*value);
}

void check_param(const Described &p, QList<Problem> *problems)
{
    const QString names[3] = {tr_desc("默认值"), tr_desc("最小值"), tr_desc("最大值")};
    double values[3] = {0, 0, 0};
    bool present[3] = {false, false, false};
    for (int i = 0; i < 3; ++i) {
        if (p.texts[i].isEmpty())
            continue;
        if (!number_of(p.texts[i], &values[i])) {
            problems->append({p.line, tr_desc("参数 %1 的%2 \"%3\" 不是数").arg(p.code, names[i], p.texts[i])});
            continue;
        }
        present[i] = true;
    }
    if (present[1] && present[2] && values[1] > values[2]) {
        problems->append({p.line, tr_desc("参数 %1 的最小值 %2 大于最大值 %3")
                                      .arg(p.code, p.texts[1], p.texts[2])});
    }
    const qint64 magnitude = QMachineValue::scale_magnitude(int(p.scale));
    const double slack = 0.1 / double(magnitude);
    if (present[0] && ((present[1] && values[0] < values[1] - slack)
                       || (present[2] && values[0] > values[2] + slack))) {
        problems->append({p.line, tr_desc("参数 %1 的默认值 %2 超出范围 [%3, %4]")
                                      .arg(p.code, p.texts[0], p.texts[1], p.texts[2])});
    }
    if (!p.is_float) {
        const bool is_signed = p.scale < 0;
        const double lo = double(QMachineValue::lowest_number(p.length, is_signed));
        const double hi = double(QMachineValue::highest_number(p.length, is_signed));
        for (int i = 0; i < 3; ++i) {
            const double raw = std::round(values[i] * double(magnitude));
            if (present[i] && (raw < lo || raw > hi)) {
                problems->append({p.line, tr_desc("参数 %1 的%2 %3 乘以缩放 %4 超出 %5 位%6数的范围")
                                              .arg(p.code, names[i], p.texts[i])
                                              .arg(p.scale)
                                              .arg(p.length * 16)
                                              .arg(is_signed ? tr_desc("有符号") : tr_desc("无符号"))});
            }
        }
    }
    if (p.choice_editor && present[0]) {
        const qint64 def = qint64(values[0]);
        if (double(def) != values[0] || !p.choices.contains(def)) {
            problems->append({p.line, tr_desc("参数 %1 的选择值没有包括默认值 %2")
                                          .arg(p.code, p.texts[0])});
        }
    }
}

} // namespace

QList<Problem> check(const QString &path)
{
    QList<Problem> problems;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        problems.append({0, tr_desc("无法打开机型描述文件 (%1)").arg(file.errorString())});
        return problems;
    }

    // Every parameter with its line, then the checks over all of them.
    QList<Described> params;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        auto attr = [&a](const char *name) { return a.value(QLatin1String(name)).toString().trimmed(); };
        if (xml.name() == QLatin1String("Param")) {
            Described p;
            p.line = xml.lineNumber();
            p.code = attr("code");
            const QString address = attr("address");
            bool ok = false;
            p.address = address.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                ? address.mid(2).toInt(&ok, 16) : address.toInt(&ok, 10);
            if (!ok)
                p.address = -1;
            p.is_float = attr("type") == QLatin1String("float");
            p.length = attr("length").isEmpty() ? (p.is_float ? 2 : 1) : attr("length").toInt();
            p.scale = attr("scale").isEmpty() ? 1 : attr("scale").toLongLong();
            p.texts[0] = attr("default");
            p.texts[1] = attr("min");
            p.texts[2] = attr("max");
            p.choice_editor = attr("editor") == QStringLiteral("选择");
            params.append(p);
        } else if (xml.name() == QLatin1String("Choice") && !params.isEmpty()) {
            params.last().choices.append(attr("value").toLongLong());
        }
    }
    if (xml.hasError())
        problems.append({xml.lineNumber(), xml.errorString()});

    QHash<QString, qint64> code_lines;
    QHash<int, const Described *> registers;
    for (const Described &p : std::as_const(params)) {
        if (!p.code.isEmpty()) {
            const auto seen = code_lines.constFind(p.code);
            if (seen != code_lines.constEnd()) {
                problems.append({p.line, tr_desc("代码 %1 重复 (第 %2 行已使用)").arg(p.code).arg(seen.value())});
            } else {
                code_lines.insert(p.code, p.line);
            }
        }
        if (p.address >= 0) {
            for (int r = p.address; r < p.address + std::max(1, p.length); ++r) {
                const Described *other = registers.value(r, nullptr);
                if (!other) {
                    registers.insert(r, &p);
                    continue;
                }
                const QString what = r == p.address && r == other->address
                    ? tr_desc("参数 %1 的地址 %2 与第 %3 行的 %4 相同")
                    : tr_desc("参数 %1 的寄存器 %2 与第 %3 行的 %4 重叠");
                problems.append({p.line, what.arg(p.code)
                                             .arg(QStringLiteral("0x%1").arg(r, 4, 16, QLatin1Char('0')))
                                             .arg(other->line)
                                             .arg(other->code)});
                break;
            }
        }
        check_param(p, &problems);
    }

    // What the loader refuses beyond these (a profile that contradicts
    // itself, an unknown attribute value), unless a line above names it.
    QMachineConfig config;
    if (!config.load_file(path)) {
        static const QRegularExpression where(QStringLiteral(":(\\d+): (.*)$"));
        const QRegularExpressionMatch m = where.match(config.error_string());
        const qint64 line = m.hasMatch() ? m.captured(1).toLongLong() : 0;
        const bool named = std::any_of(problems.cbegin(), problems.cend(),
                                       [line](const Problem &p) { return p.line == line; });
        if (!named)
            problems.append({line, m.hasMatch() ? m.captured(2) : config.error_string()});
    }
    std::stable_sort(problems.begin(), problems.end(),
                     [](const Problem &a, const Problem &b) { return a.line < b.line; });
    return problems;
}

} // namespace DescriptionTable
