// An edit as it reaches the drive: the words written (two-word values low word
// first) and the value read back into the table.

#include "parvexfixture.h"

#include <core/qsoftcore.h>

#include <machine/qmachinevalue.h>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

class tst_ParvexMissions : public ParvexFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { load_page(); }
    void init() { reset_answers(); }
    void cleanup() { close_drive(); }

    void editWritesAndReadsBack_data();
    void editWritesAndReadsBack();
    void typedValueSurvivesAnAnswer();
};

void tst_ParvexMissions::editWritesAndReadsBack_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QList<int>>("registers"); // from the value's address on
    QTest::addColumn<QString>("shown");

    QTest::newRow("choice") << s("P0-00") << s("转矩控制") << QList<int>{2} << s("转矩控制");
    QTest::newRow("decimal") << s("P0-01") << s("12.34") << QList<int>{1234} << s("12.34");
    QTest::newRow("signed decimal") << s("P0-02") << s("-12.5") << QList<int>{65411} << s("-12.5");
    QTest::newRow("integer") << s("P0-08") << s("42") << QList<int>{42} << s("42");
    QTest::newRow("two-word, carry into the high word") << s("P0-03") << s("65536") << QList<int>{0, 1} << s("65536");
    QTest::newRow("two-word signed") << s("P0-05") << s("-2.5") << QList<int>{65511, 65535} << s("-2.5");
}

void tst_ParvexMissions::editWritesAndReadsBack()
{
    QFETCH(QString, code);
    QFETCH(QString, input);
    QFETCH(QList<int>, registers);
    QFETCH(QString, shown);

    QVERIFY(connect_drive());
    QMachineValue *value = value_of(code);
    const int address = value->get_value_property(VALUE_ADDRESS).toInt();

    QWidget *editor = open_editor(code);
    QVERIFY(editor);
    if (auto *combo = qobject_cast<QComboBox *>(editor))
        combo->setCurrentText(input);
    else if (auto *dspin = qobject_cast<QDoubleSpinBox *>(editor))
        dspin->setValue(input.toDouble());
    else if (auto *spin = qobject_cast<QSpinBox *>(editor))
        spin->setValue(input.toInt());
    QTest::keyClick(editor, Qt::Key_Return);

    for (int i = 0; i < registers.size(); ++i)
        QTRY_COMPARE_WITH_TIMEOUT(reg(address + i), registers.at(i), 5000);
    QTRY_COMPARE(row(code)->text(2), shown);
    QVERIFY(QSoftCore::get_core()->getErrlogs().isEmpty());
}

// A read answered while the operator types (a refresh, the first read of a
// group just shown) updates the row, not the open editor.
void tst_ParvexMissions::typedValueSurvivesAnAnswer()
{
    QVERIFY(connect_drive());
    QTRY_VERIFY(value_of(s("P0-08"))->has_value());
    auto *spin = qobject_cast<QSpinBox *>(open_editor(s("P0-08")));
    QVERIFY(spin);
    spin->setValue(42);
    value_of(s("P0-08"))->set_base_value(7);
    QCOMPARE(spin->value(), 42);
    QTest::keyClick(spin, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(reg(0x2008), 42, 5000);
}

QTEST_MAIN(tst_ParvexMissions)
#include "tst_parvexmissions.moc"
