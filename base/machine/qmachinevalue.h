#pragma once

#include <machine/machine_export.h>
#include "envaluepropertyindex.h"
#include "driveprofile.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QVector>

// One parameter or runtime value: its description properties and its raw
// value as last read from (or written to) the drive. Raw values are integers:
// a one-word value holds 0..65535 (or -32768..32767 when signed), a two-word
// value the full 32 bits.
class MACHINE_EXPORT QMachineValue : public QObject
{
    Q_OBJECT
public:
    explicit QMachineValue(QObject *parent = nullptr);

    void set_value_property(enValuePropertyIndex index, const QVariant &value);
    QVariant get_value_property(enValuePropertyIndex index) const;

    // Setting the raw value marks it as read and always emits value_changed().
    void set_base_value(int raw);
    int get_base_value() const;
    // False until a raw value has been set.
    bool has_value() const;
    // Back to "never read" (an edit of a file row that the file did not
    // have, taken back); emits value_changed().
    void forget_value();

    // Display text of the raw value: scaled with the decimals its scale gives
    // (10 -> 1, 100 -> 2, 1000 -> 3, 5 -> 1, 15 -> 2, 20 -> 2), or the choice text.
    // Empty while the value has never been read.
    QString get_true_value_string() const;
    // Raw value of a display text (a number in display units, rounded to the
    // nearest raw step, or a choice text). Returns the current raw value when
    // the text is refused; use convert_text() to tell a refusal apart.
    int get_true_value_from_string(const QString &text) const;
    // The same with an explicit outcome: false when the text is not a number,
    // not a choice, or out of the raw range of the value's width.
    bool convert_text(const QString &text, int *raw) const;
    // Display text of any raw value (used for files and tests).
    QString text_of_raw(int raw) const;

    // Choice texts in order (for the choice editor).
    QStringList get_combo_list() const;

    // Which texts the model shows: the description's English ones where it
    // gives them, else (and always for Chinese) the Chinese ones. Set once at
    // start-up for the whole process. Files keep the Chinese texts.
    static void set_english(bool english);
    static bool english();
    // Name and unit in the language shown.
    QString display_name() const;
    QString display_unit() const;

    // Decimal places shown for this value's scale: the fewest d with
    // 10^d >= |scale|, so every raw value's text converts back to it.
    int decimals() const;

    // The register form. Everything that puts a value on the line or reads
    // it back (the core, the page, parameter files, the simulated drive's
    // tests) asks here, so width, sign and word order have one definition.

    // Words on the line: 2 for a length of 2, one for anything else.
    int words() const { return m_words; }
    // A negative scale marks a signed value.
    bool is_signed() const { return is_signed_scale(m_scale); }
    static bool is_signed_scale(int scale) { return scale < 0; }
    // The magnitude of a scale that divides raw values, in 64 bits (that of
    // the most negative int does not fit an int); 0 counts as 1.
    static qint64 scale_magnitude(int scale);
    // The integer the drive means by a raw value (its register bits): sign and
    // width applied, not yet divided by the scale.
    qint64 number_of_raw(int raw) const;
    // The numbers the value's width holds with its sign.
    qint64 lowest_number() const { return lowest_number(m_words, is_signed()); }
    qint64 highest_number() const { return highest_number(m_words, is_signed()); }
    // The same for a width in words (2, or one for anything else) and a sign:
    // the description loader checks defaults and limits with them.
    static qint64 lowest_number(int words, bool is_signed);
    static qint64 highest_number(int words, bool is_signed);
    // A 32-bit IEEE float (VALUE_TYPE "float"): the raw value holds its bits;
    // the scale does not apply.
    bool is_float() const { return m_float; }
    static float float_of_raw(int raw);
    // The number a raw value stands for in display units (the float, or the
    // integer divided by the scale), for files and trends.
    double display_number(int raw) const;
    static int raw_of_float(float number);
    // True when a two-word value's high word sits at its address
    // (VALUE_WORD_ORDER "high").
    bool high_word_first() const { return m_high_first; }

    // Registers of a raw value, words() of them: the low word at the value's
    // address and the high word at the next one, or the reverse where the
    // value's word order says so.
    QList<quint16> registers_of(int raw) const;
    // The raw value of registers read from the value's address on; false
    // (raw untouched) when fewer than words() are given. Extra ones are ignored.
    bool raw_of_registers(const QList<quint16> &registers, int *raw) const;
    // The raw value of an integer written as register bits (0..65535 for one
    // word) or, for the value's width, as the signed number those bits stand
    // for (-32768..-1 for a signed one-word value; any 32-bit pattern, in
    // either form, for two words). False when it fits neither.
    bool raw_of_integer(qint64 integer, int *raw) const;
    // Why a raw value lies outside the parameter's minimum and maximum (the
    // reader's text); empty when it lies within them or the description
    // gives none. Such a value must not reach the drive.
    QString range_error(int raw) const;

    // The protocol profile of the drive the value belongs to: its machine's,
    // set when the machine takes the value, which then outlives it; the
    // defaults for a value no machine holds.
    const DriveProfile &profile() const;
    void set_profile(const DriveProfile *profile) { m_profile = profile; }

signals:
    void value_changed();

private:
    struct Choice
    {
        qint64 value;
        QString text;
        QString text_en;
        const QString &shown() const { return english() && !text_en.isEmpty() ? text_en : text; }
    };

    bool is_choice() const;
    // Register bits of a number the width holds.
    int bits_of(qint64 number) const;
    bool encode(qint64 number, int *raw) const;
    bool parse_decimal(const QString &text, int *raw) const;
    QString format_number(qint64 number) const;
    void refresh_cache(enValuePropertyIndex index);

    QVector<QVariant> m_properties;
    // Parsed forms of the properties the conversions read on every call.
    int m_scale = 1;
    int m_words = 1;
    bool m_high_first = false;
    bool m_float = false;
    QVector<Choice> m_choices;
    int m_raw = 0;
    bool m_has_value = false;
    const DriveProfile *m_profile = nullptr;
};
