#include "qmachinevalue.h"
#include "valuepropertyextra.h"

#include <QRegularExpression>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

QString editor_choice() { return QStringLiteral("选择"); }

bool english_texts = false;

// "value:text" pairs joined by ';'.
QList<QPair<qint64, QString>> parse_choices(const QString &text)
{
    QList<QPair<qint64, QString>> choices;
    const QStringList pairs = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &pair : pairs) {
        const int colon = pair.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        bool ok = false;
        const qint64 v = pair.left(colon).trimmed().toLongLong(&ok, 10);
        if (ok)
            choices.append(qMakePair(v, pair.mid(colon + 1)));
    }
    return choices;
}

qint64 abs_scale(int scale)
{
    return QMachineValue::scale_magnitude(scale);
}

// The fewest significant digits that read back as the same float.
QString float_text(float f)
{
    for (int digits = 6; digits < 9; ++digits) {
        const QString text = QString::number(double(f), 'g', digits);
        if (text.toFloat() == f)
            return text;
    }
    return QString::number(double(f), 'g', 9);
}

quint64 power_of_ten(int exponent)
{
    quint64 p = 1;
    for (int i = 0; i < exponent; ++i)
        p *= 10;
    return p;
}

} // namespace

QMachineValue::QMachineValue(QObject *parent)
    : QObject(parent), m_properties(VALUE_EXTRA_END)
{
}

void QMachineValue::set_value_property(enValuePropertyIndex index, const QVariant &value)
{
    if (int(index) < 0 || int(index) >= VALUE_EXTRA_END)
        return;
    m_properties[index] = value;
    refresh_cache(index);
}

QVariant QMachineValue::get_value_property(enValuePropertyIndex index) const
{
    if (int(index) < 0 || int(index) >= VALUE_EXTRA_END)
        return QVariant();
    return m_properties.at(index);
}

void QMachineValue::refresh_cache(enValuePropertyIndex index)
{
    switch (index) {
    case VALUE_SCALE:
        m_scale = m_properties.at(VALUE_SCALE).toInt();
        break;
    case VALUE_LENGTH:
        // Callers that build missions treat anything but 2 as one word.
        m_words = m_properties.at(VALUE_LENGTH).toInt() == 2 ? 2 : 1;
        break;
    case VALUE_WORD_ORDER:
        m_high_first = m_properties.at(VALUE_WORD_ORDER).toString() == QLatin1String("high");
        break;
    case VALUE_TYPE:
        m_float = m_properties.at(VALUE_TYPE).toString() == QLatin1String("float");
        break;
    case VALUE_CHOICES:
    case VALUE_CHOICES_EN: {
        m_choices.clear();
        const auto english = parse_choices(m_properties.at(VALUE_CHOICES_EN).toString());
        for (const auto &choice : parse_choices(m_properties.at(VALUE_CHOICES).toString())) {
            QString text_en;
            for (const auto &e : english) {
                if (e.first == choice.first)
                    text_en = e.second;
            }
            m_choices.append(Choice{choice.first, choice.second, text_en});
        }
        break;
    }
    default:
        break;
    }
}

void QMachineValue::set_base_value(int raw)
{
    m_raw = raw;
    m_has_value = true;
    emit value_changed();
}

int QMachineValue::get_base_value() const
{
    return m_raw;
}

bool QMachineValue::has_value() const
{
    return m_has_value;
}

void QMachineValue::forget_value()
{
    m_raw = 0;
    m_has_value = false;
    emit value_changed();
}

bool QMachineValue::is_choice() const
{
    return m_properties.at(VALUE_EDITOR).toString() == editor_choice();
}

qint64 QMachineValue::number_of_raw(int raw) const
{
    if (m_words == 2)
        return is_signed() ? qint64(raw) : qint64(quint32(raw));
    const quint16 low = quint16(quint32(raw) & 0xFFFFu);
    return is_signed() ? qint64(qint16(low)) : qint64(low);
}

qint64 QMachineValue::scale_magnitude(int scale)
{
    const qint64 a = std::abs(qint64(scale));
    return a < 1 ? 1 : a;
}

qint64 QMachineValue::lowest_number(int words, bool is_signed)
{
    const int bits = words == 2 ? 32 : 16;
    return is_signed ? -(qint64(1) << (bits - 1)) : 0;
}

qint64 QMachineValue::highest_number(int words, bool is_signed)
{
    const int bits = words == 2 ? 32 : 16;
    return (qint64(1) << (bits - (is_signed ? 1 : 0))) - 1;
}

int QMachineValue::bits_of(qint64 number) const
{
    return m_words == 2 ? int(quint32(number)) : int(quint32(number) & 0xFFFFu);
}

QList<quint16> QMachineValue::registers_of(int raw) const
{
    const quint32 bits = quint32(raw);
    if (m_words == 2) {
        const quint16 low = quint16(bits & 0xFFFFu);
        const quint16 high = quint16(bits >> 16);
        return m_high_first ? QList<quint16>{high, low} : QList<quint16>{low, high};
    }
    return {quint16(bits & 0xFFFFu)};
}

bool QMachineValue::raw_of_registers(const QList<quint16> &registers, int *raw) const
{
    if (registers.size() < m_words || raw == nullptr)
        return false;
    if (m_words == 2) {
        const quint16 low = m_high_first ? registers.at(1) : registers.at(0);
        const quint16 high = m_high_first ? registers.at(0) : registers.at(1);
        *raw = int((quint32(high) << 16) | low);
    } else
        *raw = int(registers.at(0));
    return true;
}

bool QMachineValue::raw_of_integer(qint64 integer, int *raw) const
{
    // The register bits themselves, or the signed number they stand for; a
    // two-word pattern may be written signed even for an unsigned value,
    // since 32-bit tools print it that way.
    const qint64 low = m_words == 2 ? std::numeric_limits<qint32>::min() : lowest_number();
    const qint64 high = m_words == 2 ? qint64(std::numeric_limits<quint32>::max()) : 0xFFFF;
    if (integer < low || integer > high || raw == nullptr)
        return false;
    *raw = bits_of(integer);
    return true;
}

float QMachineValue::float_of_raw(int raw)
{
    const quint32 bits = quint32(raw);
    float f = 0;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

const DriveProfile &QMachineValue::profile() const
{
    static const DriveProfile defaults;
    return m_profile ? *m_profile : defaults;
}

double QMachineValue::display_number(int raw) const
{
    if (m_float)
        return double(float_of_raw(raw));
    return double(number_of_raw(raw)) / double(abs_scale(m_scale));
}

int QMachineValue::raw_of_float(float number)
{
    quint32 bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    return int(bits);
}

QString QMachineValue::range_error(int raw) const
{
    const double scale = double(abs_scale(m_scale));
    const double x = m_float ? double(float_of_raw(raw)) : double(number_of_raw(raw)) / scale;
    const double half_step = m_float ? 0.0 : 0.5 / scale;
    if (m_float && !std::isfinite(x))
        return tr("%1 不是有限的数").arg(text_of_raw(raw));
    bool min_ok = false;
    bool max_ok = false;
    const QString min_text = m_properties.at(VALUE_MIN).toString();
    const QString max_text = m_properties.at(VALUE_MAX).toString();
    const double min = min_text.toDouble(&min_ok);
    const double max = max_text.toDouble(&max_ok);
    if ((min_ok && x < min - half_step) || (max_ok && x > max + half_step))
        return tr("%1 超出范围 %2～%3").arg(text_of_raw(raw), min_text, max_text);
    return QString();
}

int QMachineValue::decimals() const
{
    // Enough places that every raw step has its own text: with fewer (one
    // place at scale 15), neighbouring raw values would share a text and an
    // edit that only confirms the shown value would write another one.
    if (m_float)
        return 6;
    const qint64 a = abs_scale(m_scale);
    int d = 0;
    for (qint64 p = 1; p < a; p *= 10)
        ++d;
    return d;
}

QString QMachineValue::format_number(qint64 number) const
{
    const qint64 a = abs_scale(m_scale);
    if (a == 1)
        return QString::number(number);
    const int d = decimals();
    const quint64 p = power_of_ten(d);
    const bool negative = number < 0;
    const quint64 magnitude = negative ? quint64(-number) : quint64(number);
    quint64 scaled = 0;
    if (d > 9 || __builtin_mul_overflow(magnitude, p, &scaled))
        return QString::number(double(number) / double(a), 'f', d);
    // Integer arithmetic so that 0.35 is never shown as 0.34999.
    quint64 q = scaled / quint64(a);
    const quint64 rem = scaled % quint64(a);
    if (2 * rem >= quint64(a))
        ++q;
    QString text = QString::number(q / p) + QLatin1Char('.')
        + QStringLiteral("%1").arg(q % p, d, 10, QLatin1Char('0'));
    if (negative && q != 0)
        text.prepend(QLatin1Char('-'));
    return text;
}

QString QMachineValue::text_of_raw(int raw) const
{
    if (m_float)
        return float_text(float_of_raw(raw));
    const qint64 number = number_of_raw(raw);
    if (is_choice()) {
        for (const Choice &c : m_choices) {
            if (c.value == number)
                return c.shown();
        }
        return QString::number(number);
    }
    return format_number(number);
}

QString QMachineValue::get_true_value_string() const
{
    if (!m_has_value)
        return QString();
    return text_of_raw(m_raw);
}

bool QMachineValue::encode(qint64 number, int *raw) const
{
    if (number < lowest_number() || number > highest_number())
        return false;
    *raw = bits_of(number);
    return true;
}

bool QMachineValue::parse_decimal(const QString &text, int *raw) const
{
    const qint64 a = abs_scale(m_scale);
    static const QRegularExpression plain(QStringLiteral("^([+-]?)([0-9]*)(?:\\.([0-9]*))?$"));
    const QRegularExpressionMatch m = plain.match(text);
    if (m.hasMatch() && (m.capturedLength(2) + m.capturedLength(3)) > 0) {
        // Exact decimal arithmetic: "1.005" with scale 100 rounds to 101,
        // which a double would get wrong.
        QString frac = m.captured(3);
        while (frac.endsWith(QLatin1Char('0')))
            frac.chop(1);
        const QString digits = m.captured(2) + frac;
        quint64 n = 0;
        bool fits = frac.size() <= 18;
        for (const QChar c : digits) {
            if (!fits)
                break;
            fits = !__builtin_mul_overflow(n, quint64(10), &n)
                && !__builtin_add_overflow(n, quint64(c.unicode() - '0'), &n);
        }
        quint64 product = 0;
        if (fits && !__builtin_mul_overflow(n, quint64(a), &product)) {
            const quint64 p = power_of_ten(int(frac.size()));
            quint64 q = product / p;
            if (2 * (product % p) >= p)
                ++q;
            if (q > (quint64(1) << 40))
                return false;
            const qint64 number = m.captured(1) == QLatin1String("-") ? -qint64(q) : qint64(q);
            return encode(number, raw);
        }
    }
    // Exponent forms ("1e+06" is how a variant prints a million) and numbers
    // too long for the exact path.
    bool ok = false;
    const double x = text.toDouble(&ok);
    if (!ok || !std::isfinite(x))
        return false;
    const double scaled = x * double(a);
    if (std::fabs(scaled) > 1e13)
        return false;
    return encode(std::llround(scaled), raw);
}

bool QMachineValue::convert_text(const QString &text, int *raw) const
{
    const QString t = text.trimmed();
    if (t.isEmpty() || raw == nullptr)
        return false;
    if (is_choice()) {
        for (const Choice &c : m_choices) {
            if (c.text == t || c.text.trimmed() == t || (!c.text_en.isEmpty() && c.text_en.trimmed() == t))
                return encode(c.value, raw);
        }
        // A number is taken only when it names one of the choices.
        bool ok = false;
        const qint64 v = t.toLongLong(&ok, 10);
        if (ok) {
            for (const Choice &c : m_choices) {
                if (c.value == v)
                    return encode(v, raw);
            }
        }
        return false;
    }
    if (m_float) {
        bool ok = false;
        const double x = t.toDouble(&ok);
        const float f = float(x);
        if (!ok || !std::isfinite(x) || !std::isfinite(f))
            return false;
        *raw = raw_of_float(f);
        return true;
    }
    return parse_decimal(t, raw);
}

int QMachineValue::get_true_value_from_string(const QString &text) const
{
    int raw = m_raw;
    if (!convert_text(text, &raw))
        return m_raw;
    return raw;
}

QStringList QMachineValue::get_combo_list() const
{
    QStringList list;
    list.reserve(m_choices.size());
    for (const Choice &c : m_choices)
        list.append(c.shown());
    return list;
}

void QMachineValue::set_english(bool english)
{
    english_texts = english;
}

bool QMachineValue::english()
{
    return english_texts;
}

QString QMachineValue::display_name() const
{
    const QString en = m_properties.at(VALUE_NAME_EN).toString();
    return english_texts && !en.isEmpty() ? en : m_properties.at(VALUE_NAME).toString();
}

QString QMachineValue::display_unit() const
{
    const QString en = m_properties.at(VALUE_UNIT_EN).toString();
    return english_texts && !en.isEmpty() ? en : m_properties.at(VALUE_UNIT).toString();
}
