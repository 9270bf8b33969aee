#include <database/qmachineconfig.h>
#include <machine/qmachinevalue.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <memory>

namespace {

const QString kDecimal = QStringLiteral("十进制");
const QString kChoice = QStringLiteral("选择");

std::unique_ptr<QMachineValue> make_value(int scale, int length, const QString &editor = kDecimal,
                                          const QString &choices = QString())
{
    auto v = std::make_unique<QMachineValue>();
    v->set_value_property(VALUE_CODE, QStringLiteral("T0-00"));
    v->set_value_property(VALUE_SCALE, QString::number(scale));
    v->set_value_property(VALUE_LENGTH, QString::number(length));
    v->set_value_property(VALUE_EDITOR, editor);
    v->set_value_property(VALUE_CHOICES, choices);
    return v;
}

std::unique_ptr<QMachineValue> value_from_row(const QStringList &row)
{
    auto v = std::make_unique<QMachineValue>();
    for (int i = 0; i < row.size(); ++i)
        v->set_value_property(enValuePropertyIndex(i), row.at(i));
    return v;
}

} // namespace

class tst_QMachineValue : public QObject
{
    Q_OBJECT
private slots:
    void display_data();
    void display();
    void parse_data();
    void parse();
    void decimals_data();
    void decimals();
    void every_text_converts_back();
    void choices();
    void never_read_shows_nothing();
    void refused_text_keeps_raw();
    void value_changed_on_every_set();
    void default_description_round_trip();
    void english_texts_fall_back_entry_by_entry();
};

void tst_QMachineValue::display_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("text");

    QTest::newRow("unsigned zero") << 1 << 1 << 0 << QStringLiteral("0");
    QTest::newRow("unsigned top") << 1 << 1 << 65535 << QStringLiteral("65535");
    QTest::newRow("signed -1") << -1 << 1 << 65535 << QStringLiteral("-1");
    QTest::newRow("signed bottom") << -1 << 1 << 32768 << QStringLiteral("-32768");
    QTest::newRow("signed top") << -1 << 1 << 32767 << QStringLiteral("32767");
    QTest::newRow("scale 10") << 10 << 1 << 500 << QStringLiteral("50.0");
    QTest::newRow("scale 10 top") << 10 << 1 << 65535 << QStringLiteral("6553.5");
    QTest::newRow("scale 100") << 100 << 1 << 5000 << QStringLiteral("50.00");
    QTest::newRow("scale 100 step") << 100 << 1 << 1 << QStringLiteral("0.01");
    QTest::newRow("scale 100 top") << 100 << 1 << 65535 << QStringLiteral("655.35");
    QTest::newRow("scale 100 0.35") << 100 << 1 << 35 << QStringLiteral("0.35");
    QTest::newRow("scale -10 -1.0") << -10 << 1 << 65526 << QStringLiteral("-1.0");
    QTest::newRow("scale -10 bottom") << -10 << 1 << 32768 << QStringLiteral("-3276.8");
    QTest::newRow("scale -10 top") << -10 << 1 << 32767 << QStringLiteral("3276.7");
    QTest::newRow("scale -10 -0.1") << -10 << 1 << 65535 << QStringLiteral("-0.1");
    QTest::newRow("scale 5 step") << 5 << 1 << 1 << QStringLiteral("0.2");
    QTest::newRow("scale 5 top") << 5 << 1 << 65535 << QStringLiteral("13107.0");
    QTest::newRow("scale 20 step") << 20 << 1 << 1 << QStringLiteral("0.05");
    QTest::newRow("scale 20 top") << 20 << 1 << 65535 << QStringLiteral("3276.75");
    QTest::newRow("scale 1000") << 1000 << 1 << 1 << QStringLiteral("0.001");
    QTest::newRow("scale 3 rounds") << 3 << 1 << 2 << QStringLiteral("0.7");
    QTest::newRow("scale -30 odd step") << -30 << 1 << 65535 << QStringLiteral("-0.03");
    // A one-word value set with a full negative int (a raw column of an old
    // parameter file) is shown from its low 16 bits, as the drive holds it.
    QTest::newRow("one word given -1") << 10 << 1 << -1 << QStringLiteral("6553.5");
    QTest::newRow("one word high bits ignored") << 1 << 1 << 0x10005 << QStringLiteral("5");
    QTest::newRow("two words unsigned") << 1 << 2 << -1 << QStringLiteral("4294967295");
    QTest::newRow("two words 65536") << 1 << 2 << 65536 << QStringLiteral("65536");
    QTest::newRow("two words signed -1") << -1 << 2 << -1 << QStringLiteral("-1");
    QTest::newRow("two words signed bottom") << -1 << 2 << std::numeric_limits<int>::min()
                                             << QStringLiteral("-2147483648");
    QTest::newRow("two words signed top") << -1 << 2 << std::numeric_limits<int>::max()
                                          << QStringLiteral("2147483647");
    QTest::newRow("two words scale 100") << 100 << 2 << -1 << QStringLiteral("42949672.95");
    QTest::newRow("two words scale -100") << -100 << 2 << std::numeric_limits<int>::min()
                                          << QStringLiteral("-21474836.48");
    QTest::newRow("two words scale -10") << -10 << 2 << -5 << QStringLiteral("-0.5");
    QTest::newRow("two words scale 1000") << 1000 << 2 << -1 << QStringLiteral("4294967.295");
}

void tst_QMachineValue::display()
{
    QFETCH(int, scale);
    QFETCH(int, length);
    QFETCH(int, raw);
    QFETCH(QString, text);
    auto v = make_value(scale, length);
    v->set_base_value(raw);
    QCOMPARE(v->get_true_value_string(), text);
    QCOMPARE(v->text_of_raw(raw), text);
}

void tst_QMachineValue::parse_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("raw");

    QTest::newRow("integer") << 1 << 1 << QStringLiteral("123") << true << 123;
    QTest::newRow("blanks") << 1 << 1 << QStringLiteral(" 12 ") << true << 12;
    QTest::newRow("plus sign") << 1 << 1 << QStringLiteral("+3") << true << 3;
    QTest::newRow("minus zero") << -1 << 1 << QStringLiteral("-0") << true << 0;
    QTest::newRow("unsigned top") << 1 << 1 << QStringLiteral("65535") << true << 65535;
    QTest::newRow("unsigned over") << 1 << 1 << QStringLiteral("65536") << false << 0;
    QTest::newRow("unsigned negative") << 1 << 1 << QStringLiteral("-1") << false << 0;
    QTest::newRow("signed -1 is 65535") << -1 << 1 << QStringLiteral("-1") << true << 65535;
    QTest::newRow("signed bottom") << -1 << 1 << QStringLiteral("-32768") << true << 32768;
    QTest::newRow("signed under") << -1 << 1 << QStringLiteral("-32769") << false << 0;
    QTest::newRow("signed over") << -1 << 1 << QStringLiteral("32768") << false << 0;
    QTest::newRow("scale 100 top") << 100 << 1 << QStringLiteral("655.35") << true << 65535;
    QTest::newRow("scale 100 over") << 100 << 1 << QStringLiteral("655.36") << false << 0;
    QTest::newRow("scale 100 integer text") << 100 << 1 << QStringLiteral("50") << true << 5000;
    QTest::newRow("scale 100 half rounds up") << 100 << 1 << QStringLiteral("1.005") << true << 101;
    QTest::newRow("scale 100 below half") << 100 << 1 << QStringLiteral("1.004") << true << 100;
    QTest::newRow("scale 10 leading dot") << 10 << 1 << QStringLiteral(".5") << true << 5;
    QTest::newRow("scale 10 trailing dot") << 10 << 1 << QStringLiteral("5.") << true << 50;
    QTest::newRow("scale -10 bottom") << -10 << 1 << QStringLiteral("-3276.8") << true << 32768;
    QTest::newRow("scale -10 -1.0") << -10 << 1 << QStringLiteral("-1.0") << true << 65526;
    QTest::newRow("scale -10 negative half") << -10 << 1 << QStringLiteral("-0.05") << true << 65535;
    QTest::newRow("scale 5 half step up") << 5 << 1 << QStringLiteral("0.1") << true << 1;
    QTest::newRow("scale 5 step") << 5 << 1 << QStringLiteral("0.2") << true << 1;
    QTest::newRow("scale 5 nearest") << 5 << 1 << QStringLiteral("0.35") << true << 2;
    QTest::newRow("scale 20 nearest down") << 20 << 1 << QStringLiteral("0.02") << true << 0;
    QTest::newRow("scale 20 nearest up") << 20 << 1 << QStringLiteral("0.03") << true << 1;
    QTest::newRow("scale 20 top") << 20 << 1 << QStringLiteral("3276.75") << true << 65535;
    QTest::newRow("two words unsigned top") << 1 << 2 << QStringLiteral("4294967295") << true << -1;
    QTest::newRow("two words unsigned over") << 1 << 2 << QStringLiteral("4294967296") << false << 0;
    QTest::newRow("two words 65536") << 1 << 2 << QStringLiteral("65536") << true << 65536;
    QTest::newRow("two words signed bottom") << -1 << 2 << QStringLiteral("-2147483648") << true
                                             << std::numeric_limits<int>::min();
    QTest::newRow("two words signed over") << -1 << 2 << QStringLiteral("2147483648") << false << 0;
    QTest::newRow("two words scale 100") << 100 << 2 << QStringLiteral("42949672.95") << true << -1;
    QTest::newRow("exponent form") << 1 << 2 << QStringLiteral("1e+06") << true << 1000000;
    QTest::newRow("huge") << 1 << 2 << QStringLiteral("1e300") << false << 0;
    QTest::newRow("very long digits") << 1 << 2 << QStringLiteral("123456789012345678901234") << false << 0;
    QTest::newRow("empty") << 1 << 1 << QString() << false << 0;
    QTest::newRow("letters") << 1 << 1 << QStringLiteral("abc") << false << 0;
    QTest::newRow("number then letters") << 10 << 1 << QStringLiteral("5Hz") << false << 0;
    QTest::newRow("comma decimal") << 10 << 1 << QStringLiteral("1,5") << false << 0;
    QTest::newRow("hex") << 1 << 1 << QStringLiteral("0x10") << false << 0;
    QTest::newRow("nan") << 1 << 1 << QStringLiteral("nan") << false << 0;
    QTest::newRow("inf") << 1 << 2 << QStringLiteral("inf") << false << 0;
    QTest::newRow("lone dot") << 10 << 1 << QStringLiteral(".") << false << 0;
}

void tst_QMachineValue::parse()
{
    QFETCH(int, scale);
    QFETCH(int, length);
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, raw);
    auto v = make_value(scale, length);
    int got = 4242;
    QCOMPARE(v->convert_text(text, &got), ok);
    if (ok) {
        QCOMPARE(got, raw);
        QCOMPARE(v->get_true_value_from_string(text), raw);
    }
}

void tst_QMachineValue::decimals_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("decimals");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("1") << 1 << 0;
    QTest::newRow("-1") << -1 << 0;
    QTest::newRow("3") << 3 << 1;
    QTest::newRow("5") << 5 << 1;
    QTest::newRow("10") << 10 << 1;
    QTest::newRow("-10") << -10 << 1;
    QTest::newRow("20") << 20 << 2;
    QTest::newRow("100") << 100 << 2;
    QTest::newRow("1000") << 1000 << 3;
    QTest::newRow("10000") << 10000 << 4;
    QTest::newRow("11") << 11 << 2;
    QTest::newRow("15") << 15 << 2;
    QTest::newRow("-15") << -15 << 2;
    QTest::newRow("101") << 101 << 3;
    QTest::newRow("1001") << 1001 << 4;
    QTest::newRow("most negative") << std::numeric_limits<int>::min() << 10;
}

void tst_QMachineValue::decimals()
{
    QFETCH(int, scale);
    QFETCH(int, decimals);
    QCOMPARE(make_value(scale, 1)->decimals(), decimals);
}

// The editor shows a value's text and writes back what that text converts
// to, so a text that converts to another raw value changes the drive on a
// mere Enter. The text depends on the raw value only through its remainder
// modulo the scale; per scale, the remainders near 0, near the half and near
// the scale, an even spread between, and the width's ends are tried.
void tst_QMachineValue::every_text_converts_back()
{
    int failures = 0;
    for (int magnitude = 1; magnitude <= 10000; ++magnitude) {
        QList<int> residues;
        if (magnitude <= 200) {
            for (int r = 0; r < magnitude; ++r)
                residues.append(r);
        } else {
            for (int r = 0; r < 8; ++r)
                residues << r << magnitude - 1 - r << magnitude / 2 - 4 + r;
            for (int k = 1; k < 16; ++k)
                residues.append(magnitude * k / 16);
        }
        for (const int scale : {magnitude, -magnitude}) {
            const auto v = make_value(scale, 1);
            // Signed one-word raws are the register's bits: -1 is 65535.
            const int low = scale < 0 ? -32768 : 0;
            const int high = scale < 0 ? 32767 : 65535;
            QList<int> numbers{low, low + 1, high - 1, high, 0};
            // Near the lowest and the highest multiple of the scale in range.
            const int top = high - high % magnitude;
            for (const int r : std::as_const(residues)) {
                numbers << r << top - magnitude + r;
                if (scale < 0)
                    numbers << -r << -top + magnitude - r;
            }
            for (const int number : std::as_const(numbers)) {
                if (number < low || number > high)
                    continue;
                const int raw = int(quint16(number));
                const QString text = v->text_of_raw(raw);
                int back = -1;
                if (!v->convert_text(text, &back) || back != raw) {
                    if (++failures <= 5)
                        qWarning("scale %d raw %d shows \"%s\", which converts to %d", scale,
                                 raw, qPrintable(text), back);
                }
            }
        }
    }
    QCOMPARE(failures, 0);

    // Two-word values at the ends of their width, where the display is longest.
    for (const int scale : {15, -15, 9999, -9999, 10000}) {
        const auto v = make_value(scale, 2);
        for (const int raw : {0, 1, -1, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
            int back = 0;
            QVERIFY(v->convert_text(v->text_of_raw(raw), &back));
            QCOMPARE(back, raw);
        }
    }
}

void tst_QMachineValue::choices()
{
    auto v = make_value(1, 1, kChoice, QStringLiteral("0:V/F 控制;1:矢量控制;5:时间: 秒"));
    QCOMPARE(v->get_combo_list(),
             QStringList({QStringLiteral("V/F 控制"), QStringLiteral("矢量控制"), QStringLiteral("时间: 秒")}));
    QCOMPARE(v->text_of_raw(1), QStringLiteral("矢量控制"));
    QCOMPARE(v->text_of_raw(5), QStringLiteral("时间: 秒"));
    QCOMPARE(v->text_of_raw(7), QStringLiteral("7"));
    int raw = -1;
    QVERIFY(v->convert_text(QStringLiteral("时间: 秒"), &raw));
    QCOMPARE(raw, 5);
    QVERIFY(v->convert_text(QStringLiteral("1"), &raw));
    QCOMPARE(raw, 1);
    QVERIFY(!v->convert_text(QStringLiteral("2"), &raw));
    QVERIFY(!v->convert_text(QStringLiteral("矢量"), &raw));
    QVERIFY(!v->convert_text(QString(), &raw));

    // A signed choice is stored as the drive holds it.
    auto s = make_value(-1, 1, kChoice, QStringLiteral("-1:反向;0:停止;1:正向"));
    QVERIFY(s->convert_text(QStringLiteral("反向"), &raw));
    QCOMPARE(raw, 65535);
    QCOMPARE(s->text_of_raw(65535), QStringLiteral("反向"));
}

void tst_QMachineValue::never_read_shows_nothing()
{
    auto v = make_value(10, 1);
    QVERIFY(!v->has_value());
    QCOMPARE(v->get_true_value_string(), QString());
    v->set_base_value(0);
    QVERIFY(v->has_value());
    QCOMPARE(v->get_true_value_string(), QStringLiteral("0.0"));
}

void tst_QMachineValue::refused_text_keeps_raw()
{
    auto v = make_value(1, 1);
    v->set_base_value(77);
    QCOMPARE(v->get_true_value_from_string(QStringLiteral("x")), 77);
    QCOMPARE(v->get_true_value_from_string(QStringLiteral("70000")), 77);
    QCOMPARE(v->get_true_value_from_string(QStringLiteral("0")), 0);
}

void tst_QMachineValue::value_changed_on_every_set()
{
    auto v = make_value(1, 1);
    QSignalSpy spy(v.get(), &QMachineValue::value_changed);
    QVERIFY(spy.isValid());
    v->set_base_value(5);
    v->set_base_value(5);
    v->set_base_value(0);
    QCOMPARE(spy.count(), 3);
    QCOMPARE(v->get_base_value(), 0);
}

void tst_QMachineValue::default_description_round_trip()
{
    QMachineConfig config;
    QVERIFY2(config.load_file(QStringLiteral(TEST_SOURCE_DIR "/machines/default.xml")),
             qPrintable(config.error_string()));
    QList<QStringList> rows;
    for (const tagDataPage &page : config.get_parvex_config()->get_pages())
        rows += page.rows;
    rows += config.get_runtime_config()->get_page(0).rows;
    QVERIFY(rows.size() > 375);

    int checked = 0;
    for (const QStringList &row : std::as_const(rows)) {
        auto v = value_from_row(row);
        const QString code = row.at(VALUE_CODE);
        const bool signed_value = row.at(VALUE_SCALE).toInt() < 0;
        const bool two_words = row.at(VALUE_LENGTH) == QLatin1String("2");
        QList<int> raws;
        // The limits of the description, in display units.
        for (int column : {VALUE_DEFAULT, VALUE_MIN, VALUE_MAX}) {
            const QString text = row.at(column);
            if (text.isEmpty())
                continue;
            int raw = 0;
            QVERIFY2(v->convert_text(text, &raw), qPrintable(code + QLatin1Char(' ') + text));
            // The text shown for it means the same number.
            if (row.at(VALUE_EDITOR) == QStringLiteral("十进制"))
                QCOMPARE(v->text_of_raw(raw).toDouble(), text.toDouble());
            raws.append(raw);
        }
        // The extremes of the value's width.
        if (two_words) {
            raws << (signed_value ? std::numeric_limits<int>::min() : 0)
                 << (signed_value ? std::numeric_limits<int>::max() : -1);
        } else {
            raws << (signed_value ? 32768 : 0) << (signed_value ? 32767 : 65535);
        }
        if (row.at(VALUE_EDITOR) == QStringLiteral("选择"))
            raws.clear();
        for (const QString &pair : row.at(VALUE_CHOICES).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            int raw = 0;
            QVERIFY(v->convert_text(pair.section(QLatin1Char(':'), 1), &raw));
            raws.append(raw);
        }
        for (int raw : std::as_const(raws)) {
            const QString text = v->text_of_raw(raw);
            int back = 0;
            QVERIFY2(v->convert_text(text, &back), qPrintable(code + QLatin1Char(' ') + text));
            QCOMPARE(back, raw);
            ++checked;
        }
    }
    QVERIFY(checked > 1000);
}

void tst_QMachineValue::english_texts_fall_back_entry_by_entry()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("en.xml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"(<Machine>
  <Group name="F0 基本功能组" name-en="F0 Basic">
    <Param code="F0-00" name="控制方式" name-en="Control mode" address="1" editor="选择" unit="转" unit-en="rev">
      <Choice value="0" text="键盘" text-en="Keypad"/>
      <Choice value="1" text="端子"/>
    </Param>
    <Param code="F0-01" name="频率" address="2" scale="100" unit="Hz"/>
  </Group>
</Machine>)");
    file.close();
    QMachineConfig config;
    QVERIFY2(config.load_file(path), qPrintable(config.error_string()));
    const tagDataPage page = config.get_parvex_config()->get_page(0);
    QCOMPARE(page.name_en, QStringLiteral("F0 Basic"));
    auto choice = value_from_row(page.rows.at(0));
    auto plain = value_from_row(page.rows.at(1));
    choice->set_base_value(0);

    QMachineValue::set_english(true);
    QCOMPARE(choice->display_name(), QStringLiteral("Control mode"));
    QCOMPARE(choice->display_unit(), QStringLiteral("rev"));
    QCOMPARE(choice->get_combo_list(), QStringList({QStringLiteral("Keypad"), QStringLiteral("端子")}));
    QCOMPARE(choice->get_true_value_string(), QStringLiteral("Keypad"));
    int raw = -1;
    QVERIFY(choice->convert_text(QStringLiteral("Keypad"), &raw) && raw == 0);
    QVERIFY(choice->convert_text(QStringLiteral("端子"), &raw) && raw == 1);
    QCOMPARE(plain->display_name(), QStringLiteral("频率"));
    QCOMPARE(plain->display_unit(), QStringLiteral("Hz"));

    // Chinese shows the Chinese texts; the properties hold them whatever the language.
    QMachineValue::set_english(false);
    QCOMPARE(choice->display_name(), QStringLiteral("控制方式"));
    QCOMPARE(choice->get_true_value_string(), QStringLiteral("键盘"));
    QCOMPARE(choice->get_value_property(VALUE_NAME).toString(), QStringLiteral("控制方式"));
}

QTEST_GUILESS_MAIN(tst_QMachineValue)
#include "tst_qmachinevalue.moc"
