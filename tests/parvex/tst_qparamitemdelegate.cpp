// The value cell's editor: which one a parameter gets, and an edit that the
// drive refuses or that is never written.

#include "parvexfixture.h"

#include <core/qsoftcore.h>
#include <coredata/qsettingmanager.h>
#include <paramset/qparamhistory.h>

#include <machine/qmachinevalue.h>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

class tst_QParamItemDelegate : public ParvexFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { load_page(); }
    void init() { reset_answers(); }
    void cleanup() { close_drive(); }

    void editorFactory_data();
    void editorFactory();
    void editRefusedByDriveShowsDriveValue();
    void editNotWrittenIsReported();
};

void tst_QParamItemDelegate::editorFactory_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");

    // code, scale, length in the comment; ranges are the width's, not the
    // parameter's (the drive judges the value).
    QTest::newRow("scale -10 length 1") << s("P1-00") << s("QDoubleSpinBox") << 1 << -3276.8 << 3276.7;
    QTest::newRow("scale 100 length 1") << s("P1-01") << s("QDoubleSpinBox") << 2 << 0.0 << 655.35;
    QTest::newRow("scale 1 length 2") << s("P1-02") << s("QSpinBox") << 0 << -99999999.0 << 99999999.0;
    QTest::newRow("scale 5 length 1") << s("P1-04") << s("QDoubleSpinBox") << 1 << 0.0 << 13107.0;
    QTest::newRow("scale 20 length 1") << s("P1-05") << s("QDoubleSpinBox") << 2 << 0.0 << 3276.75;
    QTest::newRow("choice") << s("P1-06") << s("QComboBox") << 0 << 0.0 << 0.0;
    QTest::newRow("scale -1 length 1") << s("P1-07") << s("QSpinBox") << 0 << -32768.0 << 32767.0;
    QTest::newRow("scale 1 length 1") << s("P1-08") << s("QSpinBox") << 0 << 0.0 << 65535.0;
    QTest::newRow("scale -1000 length 2") << s("P1-09") << s("QDoubleSpinBox") << 3 << -99999.999 << 99999.999;
}

void tst_QParamItemDelegate::editorFactory()
{
    QFETCH(QString, code);
    QFETCH(QString, kind);
    QFETCH(int, decimals);
    QFETCH(double, minimum);
    QFETCH(double, maximum);

    QSoftCore::get_core()->new_machine();
    show_group(1);
    QWidget *editor = open_editor(code);
    QVERIFY(editor);
    QCOMPARE(QByteArray(editor->metaObject()->className()), kind.toLatin1());
    QCOMPARE(editor->property("no-ManhattanStyle").toBool(), true);
    if (auto *spin = qobject_cast<QDoubleSpinBox *>(editor)) {
        QCOMPARE(spin->decimals(), decimals);
        QCOMPARE(spin->minimum(), minimum);
        QCOMPARE(spin->maximum(), maximum);
    } else if (auto *spin = qobject_cast<QSpinBox *>(editor)) {
        QCOMPARE(double(spin->minimum()), minimum);
        QCOMPARE(double(spin->maximum()), maximum);
    } else if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(1), QStringLiteral("是"));
        // The cell is empty (never read): no entry matches, none is current.
        QCOMPARE(combo->currentIndex(), -1);
    }
    QTest::keyClick(editor, Qt::Key_Escape);
}

void tst_QParamItemDelegate::editRefusedByDriveShowsDriveValue()
{
    QVERIFY(connect_drive());
    QSoftCore *core = QSoftCore::get_core();
    core->clearErrLog();
    // Every edit leaves a write record once its read-back is in.
    const auto writes_of = [](const QString &code) {
        QParamHistory history(QParamHistory::path_beside(QSettingManager::default_file()));
        tagAuditFilter filter;
        filter.code = code;
        return history.audit(filter);
    };
    show_group(0);
    QTRY_VERIFY(row(QStringLiteral("P0-08")) && !row(QStringLiteral("P0-08"))->text(2).isEmpty());
    auto *jog = qobject_cast<QSpinBox *>(open_editor(QStringLiteral("P0-08")));
    QVERIFY(jog);
    const int jog_before = reg(0x2008);
    jog->setValue(jog_before == 42 ? 43 : 42);
    QTest::keyClick(jog, Qt::Key_Return);
    QTRY_COMPARE(writes_of(QStringLiteral("P0-08")).size(), 1);
    const tagWriteRecord taken = writes_of(QStringLiteral("P0-08")).first();
    QCOMPARE(taken.operation, ParamAudit::edit());
    QVERIFY(taken.has_before && taken.before == jog_before);
    QVERIFY(taken.has_read_back && taken.read_back == taken.asked && taken.asked == reg(0x2008));
    QCOMPARE(taken.result, ParamAudit::written());
    QCOMPARE(taken.station, core->get_machine_address());

    // P0-09 is writable by the description but read-only in the drive.
    QCOMPARE(reg(0x2009), 10);
    auto *spin = qobject_cast<QSpinBox *>(open_editor(QStringLiteral("P0-09")));
    QVERIFY(spin);
    spin->setValue(55);
    QTest::keyClick(spin, Qt::Key_Return);

    QTRY_COMPARE(core->getErrlogs().size(), 1);
    const QString log = core->getErrlogs().first().text;
    QVERIFY2(log.startsWith(QStringLiteral("写入错误 ")), qPrintable(log));
    QVERIFY2(log.contains(QStringLiteral("8201")) && log.contains(QStringLiteral("错误代码[4]")), qPrintable(log));
    QTRY_COMPARE(row(QStringLiteral("P0-09"))->text(2), QStringLiteral("10"));
    QCOMPARE(value_of(QStringLiteral("P0-09"))->get_base_value(), 10);
    QCOMPARE(reg(0x2009), 10);
    QTRY_COMPARE(writes_of(QStringLiteral("P0-09")).size(), 1);
    const tagWriteRecord refused = writes_of(QStringLiteral("P0-09")).first();
    QCOMPARE(refused.result, ParamAudit::refused());
    QCOMPARE(refused.exception_code, 4);
    QCOMPARE(refused.asked, 55);
    QVERIFY(refused.has_before && refused.before == 10);
}

void tst_QParamItemDelegate::editNotWrittenIsReported()
{
    const auto commit = [this](const QString &code, int number) {
        auto *spin = qobject_cast<QSpinBox *>(open_editor(code));
        QVERIFY(spin);
        spin->setValue(number);
        QTest::keyClick(spin, Qt::Key_Return);
        QTRY_VERIFY(!m_answer->boxes.isEmpty());
    };

    // The port is closed but the model is still there: the edit cannot be
    // written, and the operator is told instead of seeing it vanish.
    QSoftCore::get_core()->new_machine();
    m_widget->show();
    commit(QStringLiteral("P0-08"), 42);
    QCOMPARE(m_answer->boxes.first().icon, QMessageBox::Warning);
    QVERIFY(m_answer->boxes.first().text.contains(QStringLiteral("P0-08")));
    QVERIFY(!value_of(QStringLiteral("P0-08"))->has_value());
    QVERIFY(row(QStringLiteral("P0-08"))->text(2).isEmpty());

    // A number the value cannot hold (negative for an unsigned two-word
    // value, which its spin box allows) is refused before anything is sent.
    m_answer->boxes.clear();
    QVERIFY(connect_drive());
    const int low = reg(0x2003);
    commit(QStringLiteral("P0-03"), -5);
    QVERIFY(m_answer->boxes.first().text.contains(QStringLiteral("-5")));
    QTest::qWait(100);
    QCOMPARE(reg(0x2003), low);

    // The spin box spans the register; the parameter's limits (0..100) are
    // narrower, and a value beyond them never reaches the drive.
    m_answer->boxes.clear();
    const int jog = reg(0x2008);
    commit(QStringLiteral("P0-08"), 150);
    QVERIFY2(m_answer->boxes.first().text.contains(QStringLiteral("超出范围")),
             qPrintable(m_answer->boxes.first().text));
    QTest::qWait(100);
    QCOMPARE(reg(0x2008), jog);
    QVERIFY(QSoftCore::get_core()->getErrlogs().isEmpty());
}

QTEST_MAIN(tst_QParamItemDelegate)
#include "tst_qparamitemdelegate.moc"
