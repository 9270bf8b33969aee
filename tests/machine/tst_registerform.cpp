// The register form of a value: what goes on the line and what comes back.
#include <machine/qmachinevalue.h>

#include <QTest>

#include <memory>

namespace {

std::unique_ptr<QMachineValue> make_value(int scale, int length, const QString &min = QString(),
                                          const QString &max = QString())
{
    auto v = std::make_unique<QMachineValue>();
    v->set_value_property(VALUE_SCALE, QString::number(scale));
    v->set_value_property(VALUE_LENGTH, QString::number(length));
    v->set_value_property(VALUE_EDITOR, QStringLiteral("十进制"));
    v->set_value_property(VALUE_MIN, min);
    v->set_value_property(VALUE_MAX, max);
    return v;
}

} // namespace

class tst_RegisterForm : public QObject
{
    Q_OBJECT
private slots:
    void registers_data();
    void registers();
    void too_few_registers();
    void profile_forms_data();
    void profile_forms();
    void integers_data();
    void integers();
    void range_data();
    void range();
};

void tst_RegisterForm::registers_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("length");
    QTest::addColumn<QList<quint16>>("registers");
    QTest::addColumn<int>("raw");
    QTest::addColumn<qint64>("number");

    using R = QList<quint16>;
    QTest::newRow("one word") << 1 << 1 << R{0xFFFF} << 0xFFFF << qint64(65535);
    QTest::newRow("one word signed") << -1 << 1 << R{0xFFFF} << 0xFFFF << qint64(-1);
    QTest::newRow("one word signed lowest") << -10 << 1 << R{0x8000} << 0x8000 << qint64(-32768);
    // Low word at the value's address, high word at the next one.
    QTest::newRow("two words") << 1 << 2 << R{0x5678, 0x1234} << 0x12345678 << qint64(0x12345678);
    QTest::newRow("two words unsigned top") << 100 << 2 << R{0xFFFF, 0xFFFF} << -1 << qint64(0xFFFFFFFF);
    QTest::newRow("two words signed") << -100 << 2 << R{0xFFFE, 0xFFFF} << -2 << qint64(-2);
    // Anything but 2 is one word, as descriptions before the loader's check had it.
    QTest::newRow("length 0") << 1 << 0 << R{0x0102} << 0x0102 << qint64(0x0102);
    QTest::newRow("length 3") << -1 << 3 << R{0x8001} << 0x8001 << qint64(-32767);
}

void tst_RegisterForm::registers()
{
    QFETCH(int, scale);
    QFETCH(int, length);
    QFETCH(QList<quint16>, registers);
    QFETCH(int, raw);
    QFETCH(qint64, number);
    const auto v = make_value(scale, length);
    QCOMPARE(v->words(), int(registers.size()));
    QCOMPARE(v->is_signed(), scale < 0);
    QCOMPARE(v->registers_of(raw), registers);
    int back = 12345;
    QVERIFY(v->raw_of_registers(registers + QList<quint16>{0xAAAA}, &back));
    QCOMPARE(back, raw);
    QCOMPARE(v->number_of_raw(raw), number);
    QVERIFY(v->lowest_number() <= number && number <= v->highest_number());
}

void tst_RegisterForm::profile_forms_data()
{
    QTest::addColumn<QString>("order");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<quint16>>("registers");

    using R = QList<quint16>;
    QTest::newRow("high word first") << "high" << QString() << "305419896" << R{0x1234, 0x5678};
    // 1.5f is 0x3FC00000; -2.25f is 0xC0100000.
    QTest::newRow("float low word first") << QString() << "float" << "1.5" << R{0x0000, 0x3FC0};
    QTest::newRow("float high word first") << "high" << "float" << "-2.25" << R{0xC010, 0x0000};
    QTest::newRow("float fraction") << QString() << "float" << "0.1" << R{0xCCCD, 0x3DCC};
}

void tst_RegisterForm::profile_forms()
{
    QFETCH(QString, order);
    QFETCH(QString, type);
    QFETCH(QString, text);
    QFETCH(QList<quint16>, registers);
    const auto v = make_value(1, 2, QStringLiteral("-1e9"), QStringLiteral("1e9"));
    v->set_value_property(VALUE_WORD_ORDER, order);
    v->set_value_property(VALUE_TYPE, type);
    int raw = 0;
    QVERIFY(v->convert_text(text, &raw));
    QCOMPARE(v->registers_of(raw), registers);
    int back = 0;
    QVERIFY(v->raw_of_registers(registers, &back));
    QCOMPARE(back, raw);
    QCOMPARE(v->text_of_raw(back), text);
    QCOMPARE(v->range_error(back), QString());
    if (v->is_float()) {
        QVERIFY(!v->convert_text(QStringLiteral("1e39"), &raw)); // beyond a float
        QVERIFY(!v->range_error(QMachineValue::raw_of_float(2e9f)).isEmpty());
    }
}

void tst_RegisterForm::too_few_registers()
{
    const auto v = make_value(1, 2);
    int raw = 7;
    QVERIFY(!v->raw_of_registers({0x1234}, &raw));
    QVERIFY(!v->raw_of_registers({}, &raw));
    QCOMPARE(raw, 7);
}

void tst_RegisterForm::integers_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("length");
    QTest::addColumn<qint64>("integer");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("raw");

    QTest::newRow("word top") << 1 << 1 << qint64(65535) << true << 65535;
    QTest::newRow("word beyond") << 1 << 1 << qint64(65536) << false << 0;
    QTest::newRow("unsigned word negative") << 1 << 1 << qint64(-1) << false << 0;
    QTest::newRow("signed word as number") << -1 << 1 << qint64(-1) << true << 0xFFFF;
    QTest::newRow("signed word as bits") << -1 << 1 << qint64(65535) << true << 0xFFFF;
    QTest::newRow("signed word below") << -1 << 1 << qint64(-32769) << false << 0;
    QTest::newRow("two words as bits") << 1 << 2 << qint64(0xFFFFFFFF) << true << -1;
    QTest::newRow("unsigned two words as number") << 1 << 2 << qint64(-1) << true << -1;
    QTest::newRow("two words beyond") << -1 << 2 << qint64(0x100000000) << false << 0;
    QTest::newRow("two words below") << -1 << 2 << qint64(-2147483649LL) << false << 0;
}

void tst_RegisterForm::integers()
{
    QFETCH(int, scale);
    QFETCH(int, length);
    QFETCH(qint64, integer);
    QFETCH(bool, fits);
    QFETCH(int, raw);
    const auto v = make_value(scale, length);
    int got = 0;
    QCOMPARE(v->raw_of_integer(integer, &got), fits);
    QCOMPARE(got, raw);
}

void tst_RegisterForm::range_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("max");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("error");

    QTest::newRow("inside") << 100 << 1 << QStringLiteral("0.00") << QStringLiteral("600.00") << 60000 << QString();
    QTest::newRow("above") << 100 << 1 << QStringLiteral("0.00") << QStringLiteral("600.00") << 60001
                           << QStringLiteral("600.01 超出范围 0.00～600.00");
    // The raw bits of a signed value stand for a negative number.
    QTest::newRow("signed below") << -10 << 1 << QStringLiteral("-10.0") << QStringLiteral("10.0") << 0xFF9B
                                  << QStringLiteral("-10.1 超出范围 -10.0～10.0");
    QTest::newRow("signed inside") << -10 << 1 << QStringLiteral("-10.0") << QStringLiteral("10.0") << 0xFF9C
                                   << QString();
    QTest::newRow("two words high word counts") << 1 << 2 << QStringLiteral("0") << QStringLiteral("65535")
                                                << 0x10000 << QStringLiteral("65536 超出范围 0～65535");
    QTest::newRow("no limits") << 1 << 1 << QString() << QString() << 65535 << QString();
}

void tst_RegisterForm::range()
{
    QFETCH(int, scale);
    QFETCH(int, length);
    QFETCH(QString, min);
    QFETCH(QString, max);
    QFETCH(int, raw);
    QFETCH(QString, error);
    QCOMPARE(make_value(scale, length, min, max)->range_error(raw), error);
}

QTEST_GUILESS_MAIN(tst_RegisterForm)
#include "tst_registerform.moc"
