#include "qmachineconfig.h"

#include <machine/qmachinevalue.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Column numbers of a row; they are the machine library's property slots,
// which this library does not link against.
enum Column {
    ColCode = 0,
    ColName,
    ColAddress,
    ColLength,
    ColScale,
    ColDefault,
    ColMin,
    ColMax,
    ColUnit,
    ColAccess,
    ColEditor,
    ColChoices,
    ColStart,
    ColHelp,
    ColNameEn,
    ColUnitEn,
    ColChoicesEn,
    ColWordOrder,
    ColType,
    // What the monitoring page makes of a runtime value, and the English
    // help (the machine library's extra slots).
    ColMonitor,
    ColRole,
    ColBits,
    ColBitsEn,
    ColFaults,
    ColFaultsEn,
    ColHelpEn,
    ColCount
};

QString editor_decimal() { return QStringLiteral("十进制"); }
QString editor_choice() { return QStringLiteral("选择"); }

QString override_directory;

// The largest scale magnitude a value's conversions take: up to nine decimal
// places, which they still compute exactly in 64-bit integers.
constexpr qint64 kMaxScaleMagnitude = 1000000000;

qint64 scale_magnitude(int scale)
{
    return QMachineValue::scale_magnitude(scale);
}

// A reason is one line: a line break inside a name, a path or a system
// message would otherwise start a line that reads as a reason of its own.
// Where a description's bytes stop being text: the first NUL, or the first
// byte of a sequence that is not UTF-8 (overlong forms and surrogates
// included). -1 when all of it is.
qsizetype first_bad_byte(const QByteArray &bytes, bool *nul)
{
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const auto b = uchar(bytes.at(i));
        if (b == 0) {
            *nul = true;
            return i;
        }
        if (b < 0x80) {
            ++i;
            continue;
        }
        int follow = 0;
        char32_t c = 0;
        char32_t lowest = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            follow = 1;
            c = b & 0x1F;
            lowest = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            follow = 2;
            c = b & 0x0F;
            lowest = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            follow = 3;
            c = b & 0x07;
            lowest = 0x10000;
        } else {
            *nul = false;
            return i;
        }
        if (i + follow >= n) {
            *nul = false;
            return i;
        }
        for (int k = 1; k <= follow; ++k) {
            const auto t = uchar(bytes.at(i + k));
            if ((t & 0xC0) != 0x80) {
                *nul = false;
                return i;
            }
            c = (c << 6) | (t & 0x3F);
        }
        if (c < lowest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            *nul = false;
            return i;
        }
        i += follow + 1;
    }
    return -1;
}

int line_at(const QByteArray &bytes, qsizetype pos)
{
    int line = 1;
    for (qsizetype i = 0; i < pos; ++i) {
        const char c = bytes.at(i);
        if (c == '\n' || (c == '\r' && (i + 1 >= bytes.size() || bytes.at(i + 1) != '\n')))
            ++line;
    }
    return line;
}

QString one_line(QString text)
{
    for (QChar &c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator || c == QChar(0x85) || c == QLatin1Char('\v')
            || c == QLatin1Char('\f'))
            c = QLatin1Char(' ');
    }
    return text;
}

// Thrown inside the parser only; carries the line the fault was found on.
struct ParseError
{
    qint64 line;
    QString reason;
};

// An address is written in decimal or with a 0x prefix; a leading zero
// does not mean octal (a manual's "0100" is one hundred).
bool parse_address(const QString &text, int *out)
{
    bool ok = false;
    qint64 v = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = text.mid(2).toLongLong(&ok, 16);
    else
        v = text.toLongLong(&ok, 10);
    if (!ok || v < 0 || v > 65535)
        return false;
    *out = int(v);
    return true;
}

bool parse_number(const QString &text, double *out)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

class DescriptionParser
{
    Q_DECLARE_TR_FUNCTIONS(DescriptionParser)

public:
    explicit DescriptionParser(QXmlStreamReader &xml) : m_xml(xml) {}

    void parse(QList<tagDataPage> *groups, tagDataPage *runtime, bool *has_runtime);
    // The <Protocol> element's rules, or the defaults where it gives none.
    DriveProfile profile;
    bool has_protocol() const { return m_seen_protocol; }
    // The <Machine> element's name, type and version attributes.
    QStringList machine_attributes;

private:
    [[noreturn]] void fail(const QString &reason) { fail_at(m_xml.lineNumber(), reason); }
    [[noreturn]] void fail_at(qint64 line, const QString &reason)
    {
        throw ParseError{line, reason};
    }
    void check_xml()
    {
        if (m_xml.hasError())
            fail(m_xml.errorString());
    }
    void skip_to_end();
    QStringList parse_param(bool runtime);
    void check_range(const QString &code, const QStringList &row, qint64 line, bool is_float);
    void check_width(const QString &code, const QString &what, const QString &text, double value,
                     int length, int scale, qint64 line);
    void take_registers(const QString &code, int address, int length, qint64 line);
    void parse_protocol();
    // The serial-number registers of the <Protocol> element, when it names them.
    void parse_serial(const QXmlStreamAttributes &attrs, DriveProfile *p);
    int protocol_number(const QXmlStreamAttributes &attrs, const char *name, int lowest,
                        int highest, int fallback);
    int protocol_function(const QXmlStreamAttributes &attrs, const char *name, int fallback);

    QXmlStreamReader &m_xml;
    QHash<QString, qint64> m_code_lines;
    QHash<int, QString> m_registers;
    QSet<QString> m_group_names;
    bool m_seen_page = false;
    bool m_seen_protocol = false;
};

int DescriptionParser::protocol_number(const QXmlStreamAttributes &attrs, const char *name,
                                       int lowest, int highest, int fallback)
{
    const QString text = attrs.value(QLatin1String(name)).toString().trimmed();
    if (!attrs.hasAttribute(QLatin1String(name)))
        return fallback;
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || v < lowest || v > highest) {
        fail(tr("<Protocol> 的 %1 \"%2\" 不是 %3 到 %4 之间的整数")
                 .arg(QLatin1String(name), text).arg(lowest).arg(highest));
    }
    return v;
}

int DescriptionParser::protocol_function(const QXmlStreamAttributes &attrs, const char *name,
                                         int fallback)
{
    if (!attrs.hasAttribute(QLatin1String(name)))
        return fallback;
    const QString text = attrs.value(QLatin1String(name)).toString().trimmed().toLower();
    if (text == QLatin1String("0x06") || text == QLatin1String("6"))
        return 0x06;
    if (text == QLatin1String("0x10") || text == QLatin1String("16"))
        return 0x10;
    fail(tr("<Protocol> 的 %1 \"%2\" 不是 0x06 或 0x10")
             .arg(QLatin1String(name), attrs.value(QLatin1String(name)).toString()));
}

void DescriptionParser::parse_protocol()
{
    if (m_seen_protocol)
        fail(tr("描述中只能有一个 <Protocol>"));
    if (m_seen_page)
        fail(tr("<Protocol> 必须写在所有参数组之前"));
    m_seen_protocol = true;
    const QXmlStreamAttributes attrs = m_xml.attributes();
    for (const QXmlStreamAttribute &attr : attrs) {
        static const QStringList known = {
            QStringLiteral("max-read"),     QStringLiteral("max-gap"),
            QStringLiteral("write-single"), QStringLiteral("write-double"),
            QStringLiteral("word-order"),   QStringLiteral("address-base"),
            QStringLiteral("pause-ms"),     QStringLiteral("timeout-ms"),
            QStringLiteral("retries"),      QStringLiteral("serial"),
            QStringLiteral("serial-length"), QStringLiteral("serial-form")};
        if (!known.contains(attr.name().toString()))
            fail(tr("<Protocol> 不认识属性 %1").arg(attr.name().toString()));
    }
    DriveProfile p;
    p.max_read = protocol_number(attrs, "max-read", 1, DriveProfile::kProtocolMaxRead, p.max_read);
    p.max_gap = protocol_number(attrs, "max-gap", 0, DriveProfile::kProtocolMaxRead, p.max_gap);
    p.single_write = protocol_function(attrs, "write-single", p.single_write);
    p.double_write = protocol_function(attrs, "write-double", p.double_write);
    const QString order = attrs.value(QLatin1String("word-order")).toString().trimmed();
    if (order == QLatin1String("high-first"))
        p.high_word_first = true;
    else if (!order.isEmpty() && order != QLatin1String("low-first"))
        fail(tr("<Protocol> 的 word-order \"%1\" 不是 low-first 或 high-first").arg(order));
    const QString base = attrs.value(QLatin1String("address-base")).toString().trimmed();
    if (base == QLatin1String("1"))
        p.address_base = DriveProfile::AddressBase::OneBased;
    else if (base == QLatin1String("40001"))
        p.address_base = DriveProfile::AddressBase::Modicon;
    else if (!base.isEmpty() && base != QLatin1String("0"))
        fail(tr("<Protocol> 的 address-base \"%1\" 不是 0、1 或 40001").arg(base));
    p.pause_ms = protocol_number(attrs, "pause-ms", 0, 10000, p.pause_ms);
    p.timeout_ms = protocol_number(attrs, "timeout-ms", 10, 60000, p.timeout_ms);
    p.retries = protocol_number(attrs, "retries", 0, 10, p.retries);
    parse_serial(attrs, &p);
    profile = p;
    skip_to_end();
}

void DescriptionParser::parse_serial(const QXmlStreamAttributes &attrs, DriveProfile *p)
{
    const bool has_address = attrs.hasAttribute(QLatin1String("serial"));
    if (!has_address) {
        for (const char *name : {"serial-length", "serial-form"}) {
            if (attrs.hasAttribute(QLatin1String(name)))
                fail(tr("<Protocol> 的 %1 要与 serial 一起给出").arg(QLatin1String(name)));
        }
        return;
    }
    const QString form = attrs.value(QLatin1String("serial-form")).toString().trimmed();
    if (form == QLatin1String("number"))
        p->serial_form = DriveProfile::SerialForm::Number;
    else if (!form.isEmpty() && form != QLatin1String("text"))
        fail(tr("<Protocol> 的 serial-form \"%1\" 不是 text 或 number").arg(form));
    const int most = p->serial_form == DriveProfile::SerialForm::Number ? DriveProfile::kMaxSerialNumber
                                                                       : DriveProfile::kMaxSerialText;
    if (!attrs.hasAttribute(QLatin1String("serial-length")))
        fail(tr("<Protocol> 的 serial 要有 serial-length（寄存器个数）"));
    p->serial_length = protocol_number(attrs, "serial-length", 1, most, 0);
    // Register 0 holds the software version.
    const QString text = attrs.value(QLatin1String("serial")).toString().trimmed();
    int address = 0;
    if (!parse_address(text, &address) || address < 1 || address + p->serial_length - 1 > 0xFFFF)
        fail(tr("<Protocol> 的 serial \"%1\" 不是 1 到 65535 之间的寄存器地址").arg(text));
    // One read takes it.
    if (p->serial_length > p->max_read) {
        fail(tr("<Protocol> 的 serial-length %1 大于一次读取的寄存器数 max-read %2")
                 .arg(p->serial_length)
                 .arg(p->max_read));
    }
    p->serial_address = address;
    take_registers(tr("设备序列号"), address, p->serial_length, m_xml.lineNumber());
}

void DescriptionParser::skip_to_end()
{
    // Past the end element of the current element; anything but white space
    // and comments inside an element we do not read is refused elsewhere.
    while (!m_xml.atEnd()) {
        m_xml.readNext();
        if (m_xml.isEndElement())
            return;
        if (m_xml.isStartElement())
            fail(tr("不认识的元素 <%1>").arg(m_xml.name().toString()));
    }
    check_xml();
}

void DescriptionParser::parse(QList<tagDataPage> *groups, tagDataPage *runtime,
                              bool *has_runtime)
{
    *has_runtime = false;
    while (!m_xml.atEnd() && !m_xml.isStartElement())
        m_xml.readNext();
    check_xml();
    if (!m_xml.isStartElement())
        fail(tr("文件中没有 <Machine> 元素"));
    if (m_xml.name() != QLatin1String("Machine"))
        fail(tr("根元素是 <%1>，应为 <Machine>").arg(m_xml.name().toString()));
    for (const char *key : {"name", "type", "version", "name-en"})
        machine_attributes.append(m_xml.attributes().value(QLatin1String(key)).toString().trimmed());

    while (!m_xml.atEnd()) {
        m_xml.readNext();
        if (m_xml.isEndElement())
            break;
        if (!m_xml.isStartElement())
            continue;
        if (m_xml.name() == QLatin1String("Protocol")) {
            parse_protocol();
            continue;
        }
        const bool is_group = m_xml.name() == QLatin1String("Group");
        const bool is_runtime = m_xml.name() == QLatin1String("Runtime");
        m_seen_page = true;
        if (!is_group && !is_runtime)
            fail(tr("不认识的元素 <%1>").arg(m_xml.name().toString()));

        tagDataPage page;
        page.name_en = m_xml.attributes().value(QLatin1String("name-en")).toString().trimmed();
        if (is_group) {
            page.name = m_xml.attributes().value(QLatin1String("name")).toString().trimmed();
            if (page.name.isEmpty())
                fail(tr("参数组缺少名称 (name)"));
            if (m_group_names.contains(page.name))
                fail(tr("参数组名称 \"%1\" 重复").arg(page.name));
            m_group_names.insert(page.name);
        } else {
            if (*has_runtime)
                fail(tr("描述中只能有一个 <Runtime>"));
            page.name = m_xml.attributes().value(QLatin1String("name")).toString().trimmed();
            if (page.name.isEmpty())
                page.name = QStringLiteral("Runtime");
        }
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isEndElement())
                break;
            if (!m_xml.isStartElement())
                continue;
            if (m_xml.name() != QLatin1String("Param"))
                fail(tr("不认识的元素 <%1>").arg(m_xml.name().toString()));
            page.rows.append(parse_param(is_runtime));
        }
        check_xml();
        if (is_group) {
            groups->append(page);
        } else {
            *runtime = page;
            *has_runtime = true;
        }
    }
    check_xml();
    // Anything after the root element is still read, so trailing garbage is
    // reported instead of being ignored.
    while (!m_xml.atEnd()) {
        m_xml.readNext();
        if (m_xml.isStartElement())
            fail(tr("根元素之后还有元素 <%1>").arg(m_xml.name().toString()));
    }
    check_xml();
}

void DescriptionParser::take_registers(const QString &code, int address, int length, qint64 line)
{
    for (int r = address; r < address + length; ++r) {
        const auto it = m_registers.constFind(r);
        if (it != m_registers.constEnd()) {
            fail_at(line, tr("参数 %1 的地址 %2 (0x%3) 已被 %4 占用")
                              .arg(code).arg(r).arg(r, 4, 16, QLatin1Char('0')).arg(it.value()));
        }
    }
    for (int r = address; r < address + length; ++r)
        m_registers.insert(r, code);
}

void DescriptionParser::check_width(const QString &code, const QString &what, const QString &text,
                                    double value, int length, int scale, qint64 line)
{
    const double raw = std::round(value * double(scale_magnitude(scale)));
    const bool is_signed = QMachineValue::is_signed_scale(scale);
    const double lo = double(QMachineValue::lowest_number(length, is_signed));
    const double hi = double(QMachineValue::highest_number(length, is_signed));
    if (raw < lo || raw > hi) {
        fail_at(line, tr("参数 %1 的%2 %3 超出 %4 位%5数的范围")
                          .arg(code, what, text)
                          .arg(length * 16)
                          .arg(is_signed ? tr("有符号") : tr("无符号")));
    }
}

void DescriptionParser::check_range(const QString &code, const QStringList &row, qint64 line,
                                    bool is_float)
{
    const int length = row.at(ColLength).toInt();
    const int scale = row.at(ColScale).toInt();
    const QString names[3] = {tr("默认值"), tr("最小值"),
                              tr("最大值")};
    double values[3] = {0, 0, 0};
    bool present[3] = {false, false, false};
    for (int i = 0; i < 3; ++i) {
        const QString &text = row.at(ColDefault + i);
        if (text.isEmpty())
            continue;
        if (!parse_number(text, &values[i]))
            fail_at(line, tr("参数 %1 的%2 \"%3\" 不是数").arg(code, names[i], text));
        present[i] = true;
    }
    if (present[1] && present[2] && values[1] > values[2]) {
        fail_at(line, tr("参数 %1 的最小值 %2 大于最大值 %3")
                          .arg(code, row.at(ColMin), row.at(ColMax)));
    }
    // A tolerance of a tenth of a raw step keeps "0.1" inside [0.1, ...]
    // despite binary rounding.
    const double slack = 0.1 / double(std::max<qint64>(1, scale_magnitude(scale)));
    if (present[0] && ((present[1] && values[0] < values[1] - slack)
                       || (present[2] && values[0] > values[2] + slack))) {
        fail_at(line, tr("参数 %1 的默认值 %2 超出范围 [%3, %4]")
                          .arg(code, row.at(ColDefault), row.at(ColMin), row.at(ColMax)));
    }
    for (int i = 0; i < 3 && !is_float; ++i) {
        if (present[i])
            check_width(code, names[i], row.at(ColDefault + i), values[i], length, scale, line);
    }
}

QStringList DescriptionParser::parse_param(bool runtime)
{
    const qint64 line = m_xml.lineNumber();
    const QXmlStreamAttributes attrs = m_xml.attributes();
    auto attr = [&attrs](const char *name) {
        return attrs.value(QLatin1String(name)).toString().trimmed();
    };

    QStringList row;
    row.reserve(ColCount);
    for (int i = 0; i < ColCount; ++i)
        row.append(QString());

    const QString code = attr("code");
    if (code.isEmpty())
        fail(tr("参数缺少代码 (code)"));
    const auto seen = m_code_lines.constFind(code);
    if (seen != m_code_lines.constEnd())
        fail(tr("代码 %1 重复 (第 %2 行已使用)").arg(code).arg(seen.value()));
    m_code_lines.insert(code, line);
    row[ColCode] = code;
    row[ColName] = attr("name");

    if (!attrs.hasAttribute(QLatin1String("address")) || attr("address").isEmpty())
        fail(tr("参数 %1 缺少地址 (address)").arg(code));
    int address = 0;
    if (!parse_address(attr("address"), &address)) {
        fail(tr("参数 %1 的地址 \"%2\" 不是 0 到 65535 之间的数")
                 .arg(code, attr("address")));
    }
    row[ColAddress] = QString::number(address);

    const QString type = attr("type");
    const bool is_float = type == QLatin1String("float");
    if (!type.isEmpty() && !is_float && type != QLatin1String("int"))
        fail(tr("参数 %1 的类型 \"%2\" 不是 int 或 float").arg(code, type));
    row[ColType] = is_float ? QStringLiteral("float") : QString();
    const QString length_text = attr("length").isEmpty()
        ? (is_float ? QStringLiteral("2") : QStringLiteral("1")) : attr("length");
    if (length_text != QLatin1String("1") && length_text != QLatin1String("2"))
        fail(tr("参数 %1 的长度 \"%2\" 不是 1 或 2").arg(code, length_text));
    if (is_float && length_text != QLatin1String("2"))
        fail(tr("浮点参数 %1 的长度是 %2，应为 2").arg(code, length_text));
    if (length_text == QLatin1String("2") && profile.max_read < 2)
        fail(tr("两字参数 %1 不能用最多 %2 个寄存器的读取读出").arg(code).arg(profile.max_read));
    if (length_text == QLatin1String("2") && profile.high_word_first)
        row[ColWordOrder] = QStringLiteral("high");
    const int length = length_text.toInt();
    if (address + length - 1 > 65535)
        fail(tr("两字参数 %1 的高位寄存器超出地址范围").arg(code));
    row[ColLength] = length_text;

    const QString scale_text = attr("scale").isEmpty() ? QStringLiteral("1") : attr("scale");
    bool ok = false;
    const int scale = scale_text.toInt(&ok);
    if (!ok)
        fail(tr("参数 %1 的缩放 \"%2\" 不是整数").arg(code, scale_text));
    if (scale_magnitude(scale) > kMaxScaleMagnitude) {
        fail(tr("参数 %1 的缩放 %2 的绝对值大于 %3")
                 .arg(code, scale_text).arg(kMaxScaleMagnitude));
    }
    row[ColScale] = scale_text;

    const QString editor = attr("editor").isEmpty() ? editor_decimal() : attr("editor");
    if (editor != editor_decimal() && editor != editor_choice())
        fail(tr("参数 %1 的编辑方式 \"%2\" 未知").arg(code, editor));
    row[ColEditor] = editor;
    if (scale == 0) {
        fail(tr("%1参数 %2 的缩放为 0").arg(editor, code));
    }
    if (editor == editor_choice() && scale_magnitude(scale) != 1)
        fail(tr("选择参数 %1 的缩放 %2 不是 1 或 -1").arg(code, scale_text));
    if (is_float && (scale != 1 || editor == editor_choice()))
        fail(tr("浮点参数 %1 不能有缩放或选择值").arg(code));

    const QString access = attr("access").isEmpty()
        ? (runtime ? QStringLiteral("ro") : QStringLiteral("rw")) : attr("access");
    if (access != QLatin1String("rw") && access != QLatin1String("ro")
        && access != QLatin1String("stop")) {
        fail(tr("参数 %1 的访问方式 \"%2\" 未知 (应为 rw、ro 或 stop)").arg(code, access));
    }
    row[ColAccess] = access;

    const QString start = attr("start");
    if (start == QLatin1String("1") || start.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        row[ColStart] = QStringLiteral("1");
    else if (start.isEmpty() || start == QLatin1String("0")
             || start.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        row[ColStart] = QStringLiteral("0");
    else
        fail(tr("参数 %1 的启动标志 \"%2\" 不是 0 或 1").arg(code, start));

    row[ColDefault] = attr("default");
    row[ColMin] = attr("min");
    row[ColMax] = attr("max");
    row[ColUnit] = attr("unit");
    row[ColNameEn] = attr("name-en");
    row[ColUnitEn] = attr("unit-en");
    row[ColHelp] = attrs.value(QLatin1String("help")).toString();
    row[ColHelpEn] = attrs.value(QLatin1String("help-en")).toString();

    const QString monitor = attr("monitor");
    if (monitor == QLatin1String("1"))
        row[ColMonitor] = QStringLiteral("1");
    else if (!monitor.isEmpty() && monitor != QLatin1String("0"))
        fail(tr("参数 %1 的监视标志 \"%2\" 不是 0 或 1").arg(code, monitor));
    const QString role = attr("role");
    if (!role.isEmpty() && role != QLatin1String("state") && role != QLatin1String("fault"))
        fail(tr("参数 %1 的用途 \"%2\" 未知 (应为 state 或 fault)").arg(code, role));
    row[ColRole] = role;

    check_range(code, row, line, is_float);
    take_registers(code, address, length, line);

    // Choices, and the names of a state word's bits or of the fault codes.
    QStringList pairs;
    QStringList pairs_en;
    QSet<qint64> choice_values;
    QStringList bits;
    QStringList bits_en;
    QSet<int> bit_numbers;
    QStringList faults;
    QStringList faults_en;
    QSet<qint64> fault_codes;
    while (!m_xml.atEnd()) {
        m_xml.readNext();
        if (m_xml.isEndElement())
            break;
        if (!m_xml.isStartElement())
            continue;
        const QXmlStreamAttributes child = m_xml.attributes();
        auto child_attr = [&child](const char *name) {
            return child.value(QLatin1String(name)).toString().trimmed();
        };
        if (m_xml.name() == QLatin1String("Bit") && role == QLatin1String("state")) {
            const QString bit_text = child_attr("bit");
            const int bit = bit_text.toInt(&ok, 10);
            if (!ok || bit < 0 || bit >= length * 16)
                fail(tr("参数 %1 的位号 \"%2\" 不是 0 到 %3 之间的整数").arg(code, bit_text).arg(length * 16 - 1));
            if (bit_numbers.contains(bit))
                fail(tr("参数 %1 的位 %2 重复").arg(code).arg(bit));
            const QString meaning = child_attr("means");
            if (!meaning.isEmpty() && meaning != QLatin1String("run") && meaning != QLatin1String("fault"))
                fail(tr("参数 %1 的位 %2 的含义 \"%3\" 未知 (应为 run 或 fault)").arg(code).arg(bit).arg(meaning));
            const QString name = child_attr("name");
            const QString name_en = child_attr("name-en");
            if (name.isEmpty())
                fail(tr("参数 %1 的位 %2 缺少名称 (name)").arg(code).arg(bit));
            if (name.contains(QLatin1Char(';')) || name_en.contains(QLatin1Char(';')))
                fail(tr("参数 %1 的位 %2 的名称含有 ';'").arg(code).arg(bit));
            bit_numbers.insert(bit);
            const QString head = QString::number(bit) + QLatin1Char(':') + meaning + QLatin1Char(':');
            bits.append(head + name);
            bits_en.append(head + (name_en.isEmpty() ? name : name_en));
            skip_to_end();
            continue;
        }
        if (m_xml.name() == QLatin1String("Fault") && role == QLatin1String("fault")) {
            const QString code_text = child_attr("code");
            const qint64 fault = code_text.toLongLong(&ok, 10);
            if (!ok || fault <= 0 || fault > QMachineValue::highest_number(length, false))
                fail(tr("参数 %1 的故障代码 \"%2\" 不是正整数").arg(code, code_text));
            if (fault_codes.contains(fault))
                fail(tr("参数 %1 的故障代码 %2 重复").arg(code, code_text));
            const QString name = child_attr("name");
            const QString name_en = child_attr("name-en");
            if (name.isEmpty())
                fail(tr("参数 %1 的故障代码 %2 缺少名称 (name)").arg(code, code_text));
            if (name.contains(QLatin1Char(';')) || name_en.contains(QLatin1Char(';')))
                fail(tr("参数 %1 的故障代码 %2 的名称含有 ';'").arg(code, code_text));
            fault_codes.insert(fault);
            faults.append(QString::number(fault) + QLatin1Char(':') + name);
            faults_en.append(QString::number(fault) + QLatin1Char(':') + (name_en.isEmpty() ? name : name_en));
            skip_to_end();
            continue;
        }
        if (m_xml.name() != QLatin1String("Choice"))
            fail(tr("不认识的元素 <%1>").arg(m_xml.name().toString()));
        const QString value_text = m_xml.attributes().value(QLatin1String("value")).toString().trimmed();
        const QString text = m_xml.attributes().value(QLatin1String("text")).toString().trimmed();
        const QString text_en = m_xml.attributes().value(QLatin1String("text-en")).toString().trimmed();
        const qint64 value = value_text.toLongLong(&ok, 10);
        if (!ok)
            fail(tr("参数 %1 的选择值 \"%2\" 不是整数").arg(code, value_text));
        if (text.isEmpty())
            fail(tr("参数 %1 的选择值 %2 缺少文字 (text)").arg(code, value_text));
        // The choices column joins pairs with ';' and splits value from text
        // at the first ':', so a ';' inside a text would split it in two.
        if (text.contains(QLatin1Char(';')))
            fail(tr("参数 %1 的选择文字 \"%2\" 含有 ';'").arg(code, text));
        if (text_en.contains(QLatin1Char(';')))
            fail(tr("参数 %1 的选择文字 \"%2\" 含有 ';'").arg(code, text_en));
        if (choice_values.contains(value))
            fail(tr("参数 %1 的选择值 %2 重复").arg(code, value_text));
        check_width(code, tr("选择值"), value_text, double(value), length, scale,
                    m_xml.lineNumber());
        choice_values.insert(value);
        pairs.append(QString::number(value) + QLatin1Char(':') + text);
        if (!text_en.isEmpty())
            pairs_en.append(QString::number(value) + QLatin1Char(':') + text_en);
        skip_to_end();
    }
    check_xml();
    row[ColChoices] = pairs.join(QLatin1Char(';'));
    row[ColChoicesEn] = pairs_en.join(QLatin1Char(';'));
    row[ColBits] = bits.join(QLatin1Char(';'));
    row[ColBitsEn] = bits_en.join(QLatin1Char(';'));
    row[ColFaults] = faults.join(QLatin1Char(';'));
    row[ColFaultsEn] = faults_en.join(QLatin1Char(';'));

    if (editor == editor_choice()) {
        if (pairs.isEmpty())
            fail_at(line, tr("选择参数 %1 没有选择值 (Choice)").arg(code));
        if (!row.at(ColDefault).isEmpty()) {
            const qint64 def = row.at(ColDefault).toLongLong(&ok, 10);
            if (!ok || !choice_values.contains(def)) {
                fail_at(line, tr("选择参数 %1 的默认值 %2 不是它的选择值之一")
                                  .arg(code, row.at(ColDefault)));
            }
        }
    }
    return row;
}

} // namespace

QMachineConfig::QMachineConfig() = default;

bool QMachineConfig::load()
{
    return load_file(machines_directory() + QStringLiteral("/default.xml"));
}

bool QMachineConfig::load(const QString &type, const QString &version)
{
    // Type and version come from the drive; they must not climb out of the
    // machines directory.
    auto unsafe = [](const QString &part) {
        return part.isEmpty() || part.contains(QLatin1Char('/')) || part.contains(QLatin1Char('\\'))
            || part == QLatin1String(".") || part == QLatin1String("..");
    };
    const QString path = machines_directory() + QLatin1Char('/') + type + QLatin1Char('/')
        + version + QStringLiteral(".xml");
    if (unsafe(type) || unsafe(version)) {
        m_parvex.clear();
        m_runtime.clear();
        m_error = one_line(tr("%1: 机型 \"%2\" 或版本 \"%3\" 不能用作文件名")
                               .arg(QDir::toNativeSeparators(path), type, version));
        return false;
    }
    return load_file(path);
}

bool QMachineConfig::load_file(const QString &path)
{
    m_parvex.clear();
    m_runtime.clear();
    m_error.clear();
    m_name.clear();
    m_name_en.clear();
    m_type.clear();
    m_version.clear();
    m_profile = DriveProfile();
    m_has_protocol = false;

    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = one_line(tr("%1: 无法打开机型描述文件 (%2)").arg(shown, file.errorString()));
        return false;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    // The XML reader stops at such bytes with a line of its own idea (the
    // first, for bytes that are not UTF-8); the operator gets the real one.
    bool nul = false;
    const qsizetype bad = first_bad_byte(bytes, &nul);
    if (bad >= 0) {
        const QString reason = nul ? tr("有 NUL 字节") : tr("有不是 UTF-8 编码的字节 \\x%1").arg(QString::number(uchar(bytes.at(bad)), 16).toUpper().rightJustified(2, QLatin1Char('0')));
        m_error = one_line(QStringLiteral("%1:%2: %3").arg(shown).arg(line_at(bytes, bad)).arg(reason));
        return false;
    }
    QXmlStreamReader xml(bytes);
    QList<tagDataPage> groups;
    tagDataPage runtime;
    bool has_runtime = false;
    try {
        DescriptionParser parser(xml);
        parser.parse(&groups, &runtime, &has_runtime);
        m_name = parser.machine_attributes.value(0);
        m_type = parser.machine_attributes.value(1);
        m_version = parser.machine_attributes.value(2);
        m_name_en = parser.machine_attributes.value(3);
        m_profile = parser.profile;
        m_has_protocol = parser.has_protocol();
    } catch (const ParseError &e) {
        m_error = one_line(QStringLiteral("%1:%2: %3").arg(shown).arg(e.line).arg(e.reason));
        return false;
    }
    for (const tagDataPage &page : std::as_const(groups))
        m_parvex.add_page(page);
    if (has_runtime)
        m_runtime.add_page(runtime);
    return true;
}

QString QMachineConfig::machines_directory()
{
    if (!override_directory.isEmpty())
        return override_directory;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/machines");
}

void QMachineConfig::set_machines_directory(const QString &dir)
{
    override_directory = dir;
}
